#include "wait.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

#include <chrono>
#include <cmath>
#include <limits>
#include <thread>

void WaitMs(double milliseconds)
{
    if (!(milliseconds > 0)) {
        // Nothing to wait for, but pending events still get their turn.
        if (QCoreApplication::instance())
            QCoreApplication::processEvents();
        return;
    }
    const double capped = std::min(milliseconds, double(std::numeric_limits<qint64>::max() / 1000000));
    const QDeadlineTimer deadline(std::chrono::nanoseconds(qint64(capped * 1e6)), Qt::PreciseTimer);
    const auto sleepOut = [&] {
        std::this_thread::sleep_for(std::chrono::nanoseconds(deadline.remainingTimeNSecs()));
    };
    if (!QCoreApplication::instance()) {
        // No event loop to keep alive.
        sleepOut();
        return;
    }
    // The loop may end early (a quitting application ends every loop), and
    // a timer may fire a fraction of a millisecond early: wait out the rest.
    while (!deadline.hasExpired()) {
        const qint64 remainingNs = deadline.remainingTimeNSecs();
        const qint64 ms = std::min<qint64>((remainingNs + 999999) / 1000000, std::numeric_limits<int>::max());
        QEventLoop loop;
        QTimer timer;
        timer.setTimerType(Qt::PreciseTimer);
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
        timer.start(int(ms));
        if (loop.exec() < 0) {
            // The application is quitting and refuses new event loops.
            sleepOut();
            return;
        }
    }
}

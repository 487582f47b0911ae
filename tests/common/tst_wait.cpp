// The timed wait: at least the time asked for, events handled meanwhile
// (including re-entrant waits), and idle while it waits.
#include "wait.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <time.h>

namespace {

double ProcessCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

double ElapsedMs(const QElapsedTimer& clock) { return clock.nsecsElapsed() / 1e6; }

} // namespace

class TestWait : public QObject {
    Q_OBJECT
private slots:
    void waitsAtLeastTheTimeAskedFor()
    {
        for (const double ms : {25.0, 1.0, 2.5}) {
            QElapsedTimer clock;
            clock.start();
            WaitMs(ms);
            const double took = ElapsedMs(clock);
            QVERIFY2(took >= ms, qPrintable(QStringLiteral("%1 ms for %2").arg(took).arg(ms)));
            QVERIFY2(took < ms + 150, qPrintable(QStringLiteral("%1 ms for %2").arg(took).arg(ms)));
        }
    }

    void handlesEventsWhileWaiting()
    {
        bool timerFired = false;
        bool queuedRan = false;
        QTimer::singleShot(5, Qt::PreciseTimer, this, [&] { timerFired = true; });
        QMetaObject::invokeMethod(this, [&] { queuedRan = true; }, Qt::QueuedConnection);
        WaitMs(25);
        QVERIFY(timerFired);
        QVERIFY(queuedRan);
    }

    void reentrantWaitsBothHold()
    {
        double innerDone = -1;
        QElapsedTimer clock;
        clock.start();
        // A handler run inside the outer wait waits itself, past its end.
        QTimer::singleShot(5, Qt::PreciseTimer, this, [&] {
            WaitMs(40);
            innerDone = ElapsedMs(clock);
        });
        WaitMs(20);
        const double outerDone = ElapsedMs(clock);
        QVERIFY(innerDone >= 45);
        QVERIFY(outerDone >= innerDone);
    }

    void zeroAndNonsenseOnlyRunPendingEvents()
    {
        bool queuedRan = false;
        QMetaObject::invokeMethod(this, [&] { queuedRan = true; }, Qt::QueuedConnection);
        QElapsedTimer clock;
        clock.start();
        WaitMs(0);
        QVERIFY(queuedRan);
        WaitMs(-5);
        WaitMs(std::nan(""));
        QVERIFY(ElapsedMs(clock) < 20);
    }

    void idleWhileWaiting()
    {
        const double cpuBefore = ProcessCpuMs();
        WaitMs(200);
        const double cpuUsed = ProcessCpuMs() - cpuBefore;
        qInfo("WaitMs(200) used %.2f ms of CPU", cpuUsed);
        QVERIFY2(cpuUsed < 10, qPrintable(QStringLiteral("%1 ms CPU").arg(cpuUsed)));
    }

    // Last: a quitting application refuses new event loops for the rest
    // of the run.
    void quittingApplicationStillWaitsIdle()
    {
        QTimer::singleShot(5, Qt::PreciseTimer, this, [] { QCoreApplication::exit(0); });
        const double cpuBefore = ProcessCpuMs();
        QElapsedTimer clock;
        clock.start();
        WaitMs(60);
        QVERIFY(ElapsedMs(clock) >= 60);
        QVERIFY(ProcessCpuMs() - cpuBefore < 10);
    }
};

QTEST_GUILESS_MAIN(TestWait)
#include "tst_wait.moc"

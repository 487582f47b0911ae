#include "serialexchange.h"

#include "serialport.h"
#include "wait.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

qsizetype WritePaced(SerialPort& port, const QByteArray& bytes, const Pacing& pacing)
{
    qsizetype sent = 0;
    for (const char c : bytes) {
        if (!port.isOpen() || !port.write(QByteArray(1, c)))
            break;
        const int pause = sent == 0 ? pacing.firstCharMs : pacing.nextCharMs;
        ++sent;
        if (pause > 0)
            WaitMs(pause);
    }
    return sent;
}

ReplyReader::ReplyReader(SerialPort& port, QObject* parent)
    : QObject(parent)
    , port_(port)
{
}

QByteArray ReplyReader::read(const ReplyLimits& limits)
{
    QByteArray reply;
    if (!port_.isOpen())
        return reply;

    QEventLoop loop;
    QTimer bound;     // the whole read
    QTimer silence;   // restarted by every arrival: a reply ends in silence
    for (QTimer* timer : {&bound, &silence}) {
        timer->setSingleShot(true);
        timer->setTimerType(Qt::PreciseTimer);
    }
    const qsizetype cap = limits.maxBytes > 0 ? limits.maxBytes + 1 : -1;
    const auto full = [&] { return cap > 0 && reply.size() >= cap; };
    longestPauseMs_ = 0;
    QElapsedTimer sinceLast;
    const auto take = [&] {
        if (!port_.isOpen()) {
            loop.quit();
            return;
        }
        if (port_.bytesAvailable() > 0) {
            if (!reply.isEmpty())
                longestPauseMs_ = qMax(longestPauseMs_, sinceLast.nsecsElapsed() / 1e6);
            sinceLast.start();
            reply += port_.readAll();
            const bool whole = limits.complete && limits.complete(reply);
            silence.start(limits.silenceMs + (whole ? 0 : limits.gapMs));
        }
        if (full())
            loop.quit();
    };
    connect(&bound, &QTimer::timeout, &loop, &QEventLoop::quit);
    connect(&silence, &QTimer::timeout, &loop, [&] {
        take();
        if (silence.isActive())
            return;   // the last look found more
        if (!reply.isEmpty() || limits.returnWhenEmpty)
            loop.quit();
    });
    connect(&port_, &SerialPort::readyRead, &loop, take);
    connect(&port_, &SerialPort::errorOccurred, &loop, [&](SerialError error, const QString&) {
        if (error == SerialError::LineDropped || !port_.isOpen())
            loop.quit();
    });

    bound.start(limits.boundMs + limits.answerDelayMs);
    silence.start(limits.silenceMs + limits.answerDelayMs);
    take();
    if (port_.isOpen() && !full())
        loop.exec();
    if (port_.isOpen() && port_.bytesAvailable() > 0 && !full())
        reply += port_.readAll();
    if (full())
        reply.truncate(cap);
    return reply;
}

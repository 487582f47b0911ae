#include "nanotimer.h"

#include <QSocketNotifier>

#include <cstdint>
#include <sys/timerfd.h>
#include <unistd.h>

NanoTimer::NanoTimer(QObject* parent)
    : QObject(parent)
    , fd_(::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC))
{
    if (fd_ < 0)
        return;
    notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        uint64_t expirations = 0;
        if (::read(fd_, &expirations, sizeof expirations) == ssize_t(sizeof expirations))
            emit timeout();
    });
}

NanoTimer::~NanoTimer()
{
    if (fd_ >= 0)
        ::close(fd_);
}

void NanoTimer::startIn(qint64 ns)
{
    itimerspec when {};
    ns = qMax<qint64>(ns, 1000);   // a zero time would disarm it
    when.it_value.tv_sec = ns / 1000000000;
    when.it_value.tv_nsec = ns % 1000000000;
    ::timerfd_settime(fd_, 0, &when, nullptr);
}

void NanoTimer::stop()
{
    const itimerspec never {};
    ::timerfd_settime(fd_, 0, &never, nullptr);
}

#include "ptyhost.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace {
constexpr int kBitsPerByte = 10;   // start, eight data bits, stop
constexpr int kReadChunk = 4096;
constexpr qint64 kBlockedRetryNs = 1000000; // the client is slow to read: try again soon
} // namespace

PtyHost::PtyHost(Device device, QObject* parent)
    : QObject(parent)
    , device_(std::move(device))
{
    connect(&timer_, &NanoTimer::timeout, this, &PtyHost::pump);
    clock_.start();
}

PtyHost::~PtyHost()
{
    if (master_ >= 0)
        ::close(master_);
    if (slave_ >= 0)
        ::close(slave_);
}

bool PtyHost::open()
{
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
        errorText_ = QString::fromLocal8Bit(strerror(errno));
        return false;
    }
    slavePath_ = QString::fromLocal8Bit(ptsname(master_));
    slave_ = ::open(ptsname(master_), O_RDWR | O_NOCTTY);
    if (slave_ >= 0) {
        termios tio {};
        if (tcgetattr(slave_, &tio) == 0) {
            cfmakeraw(&tio);
            tcsetattr(slave_, TCSANOW, &tio);
        }
    }
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    notifier_ = new QSocketNotifier(master_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &PtyHost::onReadable);
    return true;
}

void PtyHost::setBaud(int baud)
{
    byteNs_ = baud > 0 ? qint64(1e9 * kBitsPerByte / baud) : 0;
}

void PtyHost::onReadable()
{
    char buffer[kReadChunk];
    const ssize_t n = ::read(master_, buffer, sizeof buffer);
    if (n <= 0) {
        // EIO while no client holds the slave open: nothing to do until one does.
        if (n < 0 && errno != EAGAIN && errno != EIO)
            hangUp();
        return;
    }
    const qint64 t = now();
    for (ssize_t i = 0; i < n; ++i) {
        lastInNs_ = qMax(t, lastInNs_) + byteNs_;
        input_.push_back({lastInNs_, buffer[i]});
    }
    pump();
}

void PtyHost::say(const QByteArray& bytes)
{
    queueOutput(bytes, now());
    pump();
}

void PtyHost::queueOutput(const QByteArray& bytes, qint64 fromNs)
{
    qint64 t = qMax(fromNs, lastOutNs_);
    for (char c : bytes) {
        t += byteNs_;
        output_.push_back({t, c});
    }
    lastOutNs_ = t;
}

void PtyHost::pump()
{
    if (master_ < 0)
        return;
    // Bytes from the program reach the device once their wire time passed.
    QByteArray arrived;
    qint64 t = now();
    while (!input_.empty() && input_.front().dueNs <= t) {
        arrived += input_.front().byte;
        input_.pop_front();
    }
    for (char c : arrived) {
        ++received_;
        const QByteArray reply = device_(QByteArray(1, c));
        if (!reply.isEmpty())
            queueOutput(reply, now() + qint64(replyDelayMs_) * 1000000);
        if (hangupAfter_ >= 0 && received_ >= hangupAfter_) {
            hangUp();
            return;
        }
    }
    // Answers leave byte by byte at the line's pace.
    QByteArray due;
    t = now();
    while (!output_.empty() && output_.front().dueNs <= t) {
        due += output_.front().byte;
        output_.pop_front();
    }
    if (!due.isEmpty()) {
        const ssize_t written = ::write(master_, due.constData(), size_t(due.size()));
        const qint64 kept = written < 0 ? 0 : written;
        for (qint64 k = due.size() - 1; k >= kept; --k)
            output_.push_front({t, due.at(k)});
    }
    schedule();
}

void PtyHost::schedule()
{
    qint64 next = -1;
    if (!input_.empty())
        next = input_.front().dueNs;
    if (!output_.empty())
        next = next < 0 ? output_.front().dueNs : qMin(next, output_.front().dueNs);
    if (next < 0) {
        timer_.stop();
        return;
    }
    const qint64 waitNs = next - now();
    // Output still due now could not be written: the client's buffer is full.
    timer_.startIn(waitNs <= 0 ? kBlockedRetryNs : waitNs);
}

void PtyHost::hangUp()
{
    if (master_ < 0)
        return;
    delete notifier_;
    notifier_ = nullptr;
    ::close(master_);
    master_ = -1;
    if (slave_ >= 0) {
        ::close(slave_);
        slave_ = -1;
    }
    timer_.stop();
    emit hungUp();
}

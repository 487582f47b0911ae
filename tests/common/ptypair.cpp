#include "ptypair.h"

#include <QElapsedTimer>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

PtyPair::PtyPair()
{
    char name[256] = {};
    if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0) {
        master_ = slave_ = -1;
        return;
    }
    termios raw{};
    tcgetattr(slave_, &raw);
    cfmakeraw(&raw);
    tcsetattr(slave_, TCSANOW, &raw);
    slavePath_ = QString::fromLocal8Bit(name);
}

PtyPair::~PtyPair()
{
    releaseSlave();
    closeMaster();
}

QByteArray PtyPair::readMaster(int expected, int timeoutMs)
{
    QByteArray got;
    QElapsedTimer clock;
    clock.start();
    while (master_ >= 0 && got.size() < expected && clock.elapsed() < timeoutMs) {
        pollfd p{master_, POLLIN, 0};
        if (poll(&p, 1, int(timeoutMs - clock.elapsed())) <= 0)
            break;
        char buffer[512];
        const ssize_t n = ::read(master_, buffer, sizeof buffer);
        if (n <= 0)
            break;
        got.append(buffer, n);
    }
    return got;
}

bool PtyPair::writeMaster(const QByteArray& bytes)
{
    return master_ >= 0 && ::write(master_, bytes.constData(), bytes.size()) == bytes.size();
}

void PtyPair::closeMaster()
{
    if (master_ >= 0)
        ::close(master_);
    master_ = -1;
}

bool PtyPair::lineSettings(unsigned* speed, unsigned* cflag) const
{
    termios t{};
    if (master_ < 0 || tcgetattr(master_, &t) != 0)
        return false;
    *speed = cfgetospeed(&t);
    *cflag = t.c_cflag;
    return true;
}

void PtyPair::releaseSlave()
{
    if (slave_ >= 0)
        ::close(slave_);
    slave_ = -1;
}

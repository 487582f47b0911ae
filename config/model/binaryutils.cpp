#include "binaryutils.h"

#include "prompter.h"
#include "runtimeerror.h"

#include <QEventLoop>
#include <QProcess>
#include <QStringList>
#include <cmath>

bool IsBitSet(uint8_t b, int bit) { return (b >> bit) & 1; }

uint8_t SetBit(uint8_t b, int bit, bool value)
{
    const uint8_t mask = uint8_t(1u << bit);
    return value ? uint8_t(b | mask) : uint8_t(b & ~mask);
}

uint8_t ShiftRight(uint8_t b, int count) { return count >= 8 ? 0 : uint8_t(b >> count); }

uint8_t ShiftLeft(uint8_t b, int count)
{
    const unsigned value = b & 0x7Fu;
    if (value == 0)
        return 0;
    if (count >= 8 || (value << count) > 0xFFu)
        throw RuntimeError::overflow();
    return uint8_t(value << count);
}

uint8_t HiByte(uint16_t v) { return uint8_t(v >> 8); }
uint8_t LoByte(uint16_t v) { return uint8_t(v & 0xFF); }
uint8_t HiNibble(uint8_t b) { return uint8_t(b >> 4); }
uint8_t LoNibble(uint8_t b) { return uint8_t(b & 0x0F); }
uint16_t MakeWord(uint8_t hi, uint8_t lo) { return uint16_t(hi * 256 + lo); }

uint16_t WordFromBytes(const QByteArray& bytes)
{
    if (bytes.size() < 2)
        throw RuntimeError::subscriptOutOfRange();
    return MakeWord(uint8_t(bytes.at(1)), uint8_t(bytes.at(0)));
}

uint16_t UnsignedWord(int16_t v) { return uint16_t(v); }

QString BinArr2Str(const QByteArray& bytes, int first, int last, bool stopAtZero)
{
    const qsizetype begin = first < 0 ? 0 : qMin<qsizetype>(first, bytes.size());
    const qsizetype end = last < 0 ? bytes.size() : qMin<qsizetype>(last, bytes.size());
    QByteArray range = begin < end ? bytes.mid(begin, end - begin) : QByteArray();
    if (stopAtZero) {
        const qsizetype zero = range.indexOf('\0');
        if (zero >= 0)
            range.truncate(zero);
    }
    return QString::fromLatin1(range);
}

namespace {
void ReportNotStarted(const QString& commandLine)
{
    Prompts().message(QStringLiteral("Unable to run '") + commandLine
                          + QStringLiteral("'.  Please check that file exists."),
                      MsgIcon::Critical);
}
} // namespace

double RoundHalfEven(double value)
{
    const double below = std::floor(value);
    const double fraction = value - below;
    if (fraction != 0.5)
        return fraction < 0.5 ? below : below + 1;
    return std::fmod(below, 2.0) == 0 ? below : below + 1;
}

void ShellAndWait(const QString& commandLine)
{
    QStringList arguments = QProcess::splitCommand(commandLine);
    if (arguments.isEmpty()) {
        ReportNotStarted(commandLine);
        return;
    }
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(arguments.takeFirst(), arguments);
    if (!process.waitForStarted(-1)) {
        ReportNotStarted(commandLine);
        return;
    }
    // Events go on meanwhile, so the caller's window keeps painting; keeping
    // its input closed until the program has ended is the caller's part.
    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    if (process.state() != QProcess::NotRunning)
        loop.exec();
}

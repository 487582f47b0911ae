#include "simprocess.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>

namespace {
constexpr int kStartMs = 5000;
constexpr int kStateMs = 3000;
} // namespace

QList<SimState::Write> SimState::eepromWrites() const
{
    QList<Write> out;
    for (const Write& w : writes)
        if (w.eeprom)
            out << w;
    return out;
}

QList<SimState::Write> SimState::blockWrites() const
{
    QList<Write> out;
    for (const Write& w : writes)
        if (!w.eeprom)
            out << w;
    return out;
}

SimProcess::SimProcess(int port)
    : port_(port)
{
}

SimProcess::~SimProcess() { stop(); }

QString SimProcess::binary(const QString& name)
{
    return QDir(qEnvironmentVariable("KV310_TEST_BIN_DIR")).filePath(name);
}

bool SimProcess::start(const QStringList& options)
{
    process_.setProgram(binary(QStringLiteral("kv310-sim")));
    process_.setArguments(options + QStringList{QStringLiteral("--state"), dir_.filePath("state")});
    process_.setProcessChannelMode(QProcess::SeparateChannels);
    process_.start();
    if (!process_.waitForStarted(kStartMs))
        return false;
    QElapsedTimer clock;
    clock.start();
    while (!process_.canReadLine() && clock.elapsed() < kStartMs)
        process_.waitForReadyRead(100);
    device_ = QString::fromLocal8Bit(process_.readLine().trimmed());
    if (device_.isEmpty())
        return false;
    qputenv(qPrintable(QStringLiteral("KV310_COM%1").arg(port_)), device_.toLocal8Bit());
    return true;
}

void SimProcess::stop()
{
    if (process_.state() != QProcess::NotRunning) {
        process_.terminate();
        if (!process_.waitForFinished(kStateMs))
            process_.kill();
        process_.waitForFinished(kStateMs);
    }
    qunsetenv(qPrintable(QStringLiteral("KV310_COM%1").arg(port_)));
}

void SimProcess::command(const QByteArray& line)
{
    process_.write(line + '\n');
    process_.waitForBytesWritten(kStateMs);
}

SimState SimProcess::state()
{
    command("state");
    QElapsedTimer clock;
    clock.start();
    while (!process_.canReadLine() && clock.elapsed() < kStateMs)
        process_.waitForReadyRead(100);
    process_.readLine();
    return finalState();
}

bool SimProcess::waitForExit(int ms)
{
    return process_.state() == QProcess::NotRunning || process_.waitForFinished(ms);
}

SimState SimProcess::finalState() const
{
    QFile file(dir_.filePath("state"));
    if (!file.open(QIODevice::ReadOnly))
        return SimState();
    return parseState(file.readAll());
}

SimState SimProcess::parseState(const QByteArray& text)
{
    SimState s;
    for (const QByteArray& line : text.split('\n')) {
        const QList<QByteArray> f = line.split(' ');
        if (f.size() == 2 && f[0] == "eeprom") {
            s.eeprom = QByteArray::fromHex(f[1]);
        } else if (f.size() == 4 && f[0] == "block") {
            s.blocks[{f[1].toInt(), f[2].toInt()}] = QByteArray::fromHex(f[3]);
        } else if (f.size() >= 4 && f[0] == "write" && f[1] == "eeprom") {
            s.writes.append({true, f[2].toInt(), 0, QByteArray::fromHex(f[3])});
        } else if (f.size() >= 5 && f[0] == "write" && f[1] == "block") {
            s.writes.append({false, f[2].toInt(), f[3].toInt(), QByteArray::fromHex(f[4])});
        } else if (f.size() == 2 && f[0] == "option") {
            s.options << QString::fromLatin1(f[1]);
        } else if (f.size() == 2 && f[0] == "received") {
            s.received = f[1].toLongLong();
        } else if (f.size() == 3 && f[0] == "reads") {
            s.eepromReads = f[1].toInt();
            s.blockReads = f[2].toInt();
        } else if (f.size() == 2 && f[0] == "stray") {
            s.stray = f[1].toInt();
        } else if (f.size() == 2 && f[0] == "idle") {
            s.idle = QByteArray::fromHex(f[1]);
        }
    }
    return s;
}

#include "ser2netprocess.h"

#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <QTcpServer>
#include <QThread>

namespace {
constexpr int kStartMs = 5000;


// ser2net listens on the port. Not by connecting: each connection opens
// the device, and the next client would find it still in use.
bool Listening(quint16 port)
{
    QTcpServer probe;
    return !probe.listen(QHostAddress::LocalHost, port);
}
} // namespace

Ser2NetProcess::~Ser2NetProcess() { stop(); }

bool Ser2NetProcess::installed() { return !QStandardPaths::findExecutable(QStringLiteral("ser2net")).isEmpty(); }

bool Ser2NetProcess::start(const QString& device, const QString& line)
{
    {
        // Two ports free at once (held together, so that they differ).
        QTcpServer first;
        QTcpServer second;
        if (!first.listen(QHostAddress::LocalHost, 0) || !second.listen(QHostAddress::LocalHost, 0))
            return false;
        rfc2217Port_ = first.serverPort();
        socketPort_ = second.serverPort();
    }
    const QString config = dir_.filePath(QStringLiteral("ser2net.yaml"));
    QFile yaml(config);
    if (!yaml.open(QIODevice::WriteOnly))
        return false;
    const QString connector = QStringLiteral("serialdev,%1,%2,local").arg(device, line);
    yaml.write(QStringLiteral("connection: &rfc2217\n"
                              "  accepter: telnet(rfc2217),tcp,127.0.0.1,%1\n"
                              "  connector: %3\n"
                              "connection: &raw\n"
                              "  accepter: tcp,127.0.0.1,%2\n"
                              "  connector: %3\n")
                   .arg(rfc2217Port_)
                   .arg(socketPort_)
                   .arg(connector)
                   .toUtf8());
    yaml.close();
    process_.setProcessChannelMode(QProcess::MergedChannels);
    process_.start(QStringLiteral("ser2net"), {QStringLiteral("-n"), QStringLiteral("-d"), QStringLiteral("-c"), config,
                                               QStringLiteral("-P"), dir_.filePath(QStringLiteral("pid"))});
    if (!process_.waitForStarted(kStartMs))
        return false;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < kStartMs && process_.state() == QProcess::Running) {
        if (Listening(rfc2217Port_) && Listening(socketPort_))
            return true;
        QThread::msleep(50);
    }
    return false;
}

void Ser2NetProcess::stop()
{
    if (process_.state() == QProcess::NotRunning)
        return;
    process_.terminate();
    if (!process_.waitForFinished(3000))
        process_.kill();
    process_.waitForFinished(3000);
}

QByteArray Ser2NetProcess::log() { return process_.readAll(); }

#pragma once
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A real ser2net on 127.0.0.1 in front of one device, as an installer runs
// it: a telnet(rfc2217) accepter and a raw tcp accepter, each on a port of
// its own, its configuration in a folder of its own; stopped with the object.
class Ser2NetProcess {
public:
    ~Ser2NetProcess();

    static bool installed();
    // False when it does not come up (its log says why: log()).
    bool start(const QString& device, const QString& line = QStringLiteral("9600n81"));
    void stop();
    QString rfc2217Url() const { return QStringLiteral("rfc2217://127.0.0.1:%1").arg(rfc2217Port_); }
    QString socketUrl() const { return QStringLiteral("socket://127.0.0.1:%1").arg(socketPort_); }
    QByteArray log();

private:
    QTemporaryDir dir_;
    QProcess process_;
    quint16 rfc2217Port_ = 0;
    quint16 socketPort_ = 0;
};

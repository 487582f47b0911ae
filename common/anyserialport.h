#pragma once
#include "networkserialport.h"
#include "qtserialport.h"

// The programs' serial port: a local device by its number ("Com" N), or a
// port on a serial server by its URL (setNetworkPort). Whichever is chosen
// answers; the other stays closed.
class AnySerialPort : public SerialPort {
    Q_OBJECT
public:
    explicit AnySerialPort(QObject* parent = nullptr);

    void setPortNumber(int number) override;
    int portNumber() const override { return network_ ? 0 : local_.portNumber(); }
    bool setNetworkPort(const QString& url) override;
    void setSettings(const LineSettings& settings) override;
    LineSettings settings() const override { return local_.settings(); }

    bool open() override { return active().open(); }
    void close() override { active().close(); }
    bool isOpen() const override { return active().isOpen(); }
    bool write(const QByteArray& bytes) override { return active().write(bytes); }
    qint64 bytesAvailable() const override { return active().bytesAvailable(); }
    QByteArray readAll() override { return active().readAll(); }
    qint64 discardInput() override { return active().discardInput(); }

    SerialError lastError() const override { return active().lastError(); }
    QString lastErrorText() const override { return active().lastErrorText(); }
    QString deviceName() const override { return active().deviceName(); }

private:
    SerialPort& active() { return network_ ? static_cast<SerialPort&>(remote_) : local_; }
    const SerialPort& active() const { return network_ ? static_cast<const SerialPort&>(remote_) : local_; }

    QtSerialPort local_;
    NetworkSerialPort remote_;
    bool network_ = false;
};

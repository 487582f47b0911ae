#pragma once
#include "serialport.h"

#include <QSerialPort>

// The SerialPort of both programs, on QSerialPort. open() resolves the port
// number to a device (portresolve.h) and applies the line settings. Bytes
// written leave at once (non-blocking flush); a read or resource fault
// closes the port and is reported once as SerialError::LineDropped.
class QtSerialPort : public SerialPort {
    Q_OBJECT
public:
    explicit QtSerialPort(QObject* parent = nullptr);
    ~QtSerialPort() override;

    void setPortNumber(int number) override;
    int portNumber() const override;
    void setSettings(const LineSettings& settings) override;
    LineSettings settings() const override;

    bool open() override;
    void close() override;
    bool isOpen() const override;
    bool write(const QByteArray& bytes) override;
    qint64 bytesAvailable() const override;
    QByteArray readAll() override;

    SerialError lastError() const override;
    QString lastErrorText() const override;
    QString deviceName() const override;

private:
    void onPortError(QSerialPort::SerialPortError error);
    void fail(SerialError error, const QString& text);
    bool applySettings();
    void explainOpenFailure(const QString& device);

    QSerialPort port_;
    int number_ = 1;
    QString device_;   // what the open port resolved to
    LineSettings settings_;
    SerialError lastError_ = SerialError::None;
    QString lastErrorText_;
};

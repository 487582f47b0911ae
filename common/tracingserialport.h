#pragma once
#include "serialport.h"

class TraceWriter;

// A serial port that records its traffic: every chunk written and every
// chunk read from the port it wraps goes to a trace (tracewriter.h), with
// opening, closing and faults as events. Everything else passes through;
// without a trace it only forwards.
class TracingSerialPort : public SerialPort {
    Q_OBJECT
public:
    // inner is not owned and must outlive this port.
    explicit TracingSerialPort(SerialPort* inner, QObject* parent = nullptr);

    // nullptr stops recording; the trace is not owned.
    void setTrace(TraceWriter* trace) { trace_ = trace; }
    TraceWriter* trace() const { return trace_; }

    void setPortNumber(int number) override { inner_->setPortNumber(number); }
    int portNumber() const override { return inner_->portNumber(); }
    void setSettings(const LineSettings& settings) override { inner_->setSettings(settings); }
    LineSettings settings() const override { return inner_->settings(); }

    bool open() override;
    void close() override;
    bool isOpen() const override { return inner_->isOpen(); }
    bool write(const QByteArray& bytes) override;
    qint64 bytesAvailable() const override { return inner_->bytesAvailable(); }
    QByteArray readAll() override;
    qint64 discardInput() override;
    bool setNetworkPort(const QString& url) override { return inner_->setNetworkPort(url); }

    SerialError lastError() const override { return inner_->lastError(); }
    QString lastErrorText() const override { return inner_->lastErrorText(); }
    QString deviceName() const override { return inner_->deviceName(); }

private:
    void note(const QString& event);

    SerialPort* inner_;
    TraceWriter* trace_ = nullptr;
};

#include "tracingserialport.h"

#include "tracewriter.h"

TracingSerialPort::TracingSerialPort(SerialPort* inner, QObject* parent)
    : SerialPort(parent)
    , inner_(inner)
{
    connect(inner_, &SerialPort::readyRead, this, &SerialPort::readyRead);
    connect(inner_, &SerialPort::errorOccurred, this, [this](SerialError error, const QString& text) {
        note(QStringLiteral("error: ") + text);
        emit errorOccurred(error, text);
    });
}

void TracingSerialPort::note(const QString& event)
{
    if (trace_)
        trace_->note(event);
}

bool TracingSerialPort::open()
{
    const bool opened = inner_->open();
    // A serial server's port has no number: its URL names it.
    const QString name = inner_->portNumber() > 0 ? QStringLiteral("Com%1 (%2)").arg(inner_->portNumber()).arg(inner_->deviceName())
                                                  : inner_->deviceName();
    note(opened ? QStringLiteral("opened %1 at %2").arg(name, inner_->settings().text())
                : QStringLiteral("%1 did not open: %2").arg(name, inner_->lastErrorText()));
    return opened;
}

void TracingSerialPort::close()
{
    if (inner_->isOpen())
        note(QStringLiteral("closed"));
    inner_->close();
}

bool TracingSerialPort::write(const QByteArray& bytes)
{
    const bool written = inner_->write(bytes);
    if (trace_)
        trace_->record(written ? TraceWriter::Direction::Sent : TraceWriter::Direction::Event,
                       written ? bytes : QByteArrayLiteral("write failed: ") + bytes.toHex(' '));
    return written;
}

QByteArray TracingSerialPort::readAll()
{
    const QByteArray bytes = inner_->readAll();
    if (trace_ && !bytes.isEmpty())
        trace_->record(TraceWriter::Direction::Received, bytes);
    return bytes;
}

qint64 TracingSerialPort::discardInput()
{
    // What is dropped was received all the same: the trace shows it.
    const qint64 read = readAll().size();
    return read + inner_->discardInput();
}

#include "fakeserialport.h"

#include <QTimer>

FakeSerialPort::FakeSerialPort(QObject* parent)
    : SerialPort(parent)
{
}

void FakeSerialPort::setPortNumber(int number) { number_ = number; }
int FakeSerialPort::portNumber() const { return number_; }
void FakeSerialPort::setSettings(const LineSettings& settings) { settings_ = settings; }
LineSettings FakeSerialPort::settings() const { return settings_; }

bool FakeSerialPort::open()
{
    lastError_ = SerialError::None;
    lastErrorText_.clear();
    if (open_) {
        fail(SerialError::AlreadyOpen, QStringLiteral("Port already open"));
        return false;
    }
    if (openError_ != SerialError::None) {
        fail(openError_, openErrorText_.isEmpty() ? QStringLiteral("Open refused") : openErrorText_);
        return false;
    }
    if (!presentPorts_.isEmpty() && !presentPorts_.contains(number_)) {
        fail(SerialError::NotFound, QStringLiteral("No serial device for Com%1").arg(number_));
        return false;
    }
    open_ = true;
    received_.clear();
    ++openCount_;
    return true;
}

void FakeSerialPort::close()
{
    if (!open_)
        return;
    open_ = false;
    ++session_;
    received_.clear();
    ++closeCount_;
}

bool FakeSerialPort::isOpen() const { return open_; }

bool FakeSerialPort::write(const QByteArray& bytes)
{
    if (!open_ || writeFails_) {
        fail(SerialError::WriteFailed, QStringLiteral("Write failed"));
        return false;
    }
    writes_.append(bytes);
    if (responder_) {
        const QByteArray reply = responder_(bytes);
        if (!stalled_ && !reply.isEmpty())
            deliver(replyDelayMs_, reply);
    }
    return true;
}

qint64 FakeSerialPort::bytesAvailable() const { return received_.size(); }

QByteArray FakeSerialPort::readAll()
{
    QByteArray out;
    out.swap(received_);
    return out;
}

SerialError FakeSerialPort::lastError() const { return lastError_; }
QString FakeSerialPort::lastErrorText() const { return lastErrorText_; }
QString FakeSerialPort::deviceName() const { return QStringLiteral("fake:Com%1").arg(number_); }

void FakeSerialPort::setOpenError(SerialError error, const QString& text)
{
    openError_ = error;
    openErrorText_ = text;
}

void FakeSerialPort::setPresentPorts(const QSet<int>& numbers) { presentPorts_ = numbers; }
void FakeSerialPort::setWriteFails(bool fails) { writeFails_ = fails; }
void FakeSerialPort::setResponder(Responder responder) { responder_ = std::move(responder); }
void FakeSerialPort::setReplyDelay(int ms) { replyDelayMs_ = qMax(0, ms); }
void FakeSerialPort::setStalled(bool stalled) { stalled_ = stalled; }
void FakeSerialPort::inject(const QByteArray& bytes) { deliver(0, bytes); }
void FakeSerialPort::injectAfter(int ms, const QByteArray& bytes) { deliver(qMax(0, ms), bytes); }

void FakeSerialPort::injectError(SerialError error, const QString& text)
{
    const QString message = text.isEmpty() ? QStringLiteral("Injected fault") : text;
    if (error == SerialError::LineDropped)
        close();
    fail(error, message);
    emit errorOccurred(error, message);
}

QByteArray FakeSerialPort::written() const { return writes_.join(); }
QList<QByteArray> FakeSerialPort::writes() const { return writes_; }
void FakeSerialPort::clearWrites() { writes_.clear(); }
int FakeSerialPort::openCount() const { return openCount_; }
int FakeSerialPort::closeCount() const { return closeCount_; }

void FakeSerialPort::deliver(int delayMs, const QByteArray& bytes)
{
    const quint64 session = session_;
    QTimer::singleShot(delayMs, Qt::PreciseTimer, this, [this, session, bytes] {
        if (!open_ || session != session_)
            return;
        received_.append(bytes);
        emit readyRead();
    });
}

void FakeSerialPort::fail(SerialError error, const QString& text)
{
    lastError_ = error;
    lastErrorText_ = text;
}

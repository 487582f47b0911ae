#include "qtserialport.h"

#include "portresolve.h"

#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <sys/file.h>
#endif

namespace {

QSerialPort::Parity ToQtParity(char parity)
{
    switch (parity) {
    case 'e': return QSerialPort::EvenParity;
    case 'o': return QSerialPort::OddParity;
    case 'm': return QSerialPort::MarkParity;
    case 's': return QSerialPort::SpaceParity;
    default: return QSerialPort::NoParity;
    }
}

QSerialPort::StopBits ToQtStopBits(double stopBits)
{
    if (stopBits == 2)
        return QSerialPort::TwoStop;
    if (stopBits == 1.5)
        return QSerialPort::OneAndHalfStop;
    return QSerialPort::OneStop;
}

QSerialPort::DataBits ToQtDataBits(int bits)
{
    return bits >= 5 && bits <= 8 ? QSerialPort::DataBits(bits) : QSerialPort::Data8;
}

// What the port holds for the program before it reads: a unit that floods
// the line fills this and then waits in the driver, instead of growing the
// program without end.
constexpr qint64 kReadBufferBytes = 64 * 1024;

} // namespace

QtSerialPort::QtSerialPort(QObject* parent)
    : SerialPort(parent)
{
    port_.setReadBufferSize(kReadBufferBytes);
    connect(&port_, &QSerialPort::readyRead, this, &SerialPort::readyRead);
    connect(&port_, &QSerialPort::errorOccurred, this, &QtSerialPort::onPortError);
}

QtSerialPort::~QtSerialPort()
{
    // Closing here would report through signals of a half-destroyed object.
    port_.disconnect(this);
    if (port_.isOpen())
        port_.close();
}

void QtSerialPort::setPortNumber(int number) { number_ = number; }
int QtSerialPort::portNumber() const { return number_; }

void QtSerialPort::setSettings(const LineSettings& settings)
{
    settings_ = settings;
    if (port_.isOpen())
        applySettings();
}

LineSettings QtSerialPort::settings() const { return settings_; }

bool QtSerialPort::open()
{
    lastError_ = SerialError::None;
    lastErrorText_.clear();
    if (port_.isOpen()) {
        fail(SerialError::AlreadyOpen, QStringLiteral("Port already open"));
        return false;
    }
    const QString device = ResolvePortDevice(number_);
    if (device.isEmpty()) {
        fail(SerialError::NotFound, QStringLiteral("No serial device for Com%1").arg(number_));
        return false;
    }
    port_.setPortName(device);
    port_.clearError();
    if (!port_.open(QIODevice::ReadWrite)) {
        explainOpenFailure(device);
        return false;
    }
#ifdef Q_OS_UNIX
    // One owner per device, whatever name it is opened by: QSerialPort's
    // lock file is named after the path (a by-id link is another name), and
    // root passes its exclusive mode. A lock on the device itself is neither.
    if (::flock(int(port_.handle()), LOCK_EX | LOCK_NB) != 0) {
        port_.close();
        fail(SerialError::AlreadyOpen, QStringLiteral("%1 is in use by another program").arg(device));
        return false;
    }
#endif
    device_ = device;
    port_.setFlowControl(QSerialPort::NoFlowControl);
    if (!applySettings()) {
        const QString why = port_.errorString();
        port_.close();
        fail(SerialError::OpenFailed,
             QStringLiteral("Cannot apply %1 on %2: %3").arg(settings_.text(), device, why));
        return false;
    }
    return true;
}

void QtSerialPort::explainOpenFailure(const QString& device)
{
    const QSerialPort::SerialPortError error = port_.error();
    const QString why = port_.errorString();
    if (error == QSerialPort::DeviceNotFoundError) {
        fail(SerialError::NotFound, QStringLiteral("No serial device %1").arg(device));
        return;
    }
    if (error == QSerialPort::PermissionError) {
        // QSerialPort says "permission" both for a device the user may not
        // open and for one that another program holds (lock file, EBUSY;
        // on Windows always the latter).
#ifdef Q_OS_WIN
        const bool inUse = true;
#else
        const QFileInfo info(device);
        const bool inUse = info.isReadable() && info.isWritable();
#endif
        if (inUse) {
            fail(SerialError::AlreadyOpen, QStringLiteral("%1 is in use by another program").arg(device));
            return;
        }
#ifdef Q_OS_LINUX
        fail(SerialError::PermissionDenied,
             QStringLiteral("Permission denied on %1. Add your user to the dialout group "
                            "(sudo usermod -aG dialout $USER) and log in again.")
                 .arg(device));
#else
        fail(SerialError::PermissionDenied, QStringLiteral("Permission denied on %1").arg(device));
#endif
        return;
    }
    if (error == QSerialPort::OpenError) {
        fail(SerialError::AlreadyOpen, QStringLiteral("Port already open"));
        return;
    }
    fail(SerialError::OpenFailed, QStringLiteral("Cannot open %1: %2").arg(device, why));
}

bool QtSerialPort::applySettings()
{
    return port_.setBaudRate(settings_.baud) && port_.setDataBits(ToQtDataBits(settings_.dataBits))
        && port_.setParity(ToQtParity(settings_.parity))
        && port_.setStopBits(ToQtStopBits(settings_.stopBits));
}

void QtSerialPort::close()
{
    // write() hands its bytes to the driver at once; only what a full
    // driver buffer could not take yet goes with the port.
    if (port_.isOpen())
        port_.close();
}

bool QtSerialPort::isOpen() const { return port_.isOpen(); }

bool QtSerialPort::write(const QByteArray& bytes)
{
    if (!port_.isOpen()) {
        fail(SerialError::WriteFailed, QStringLiteral("Write failed: port is not open"));
        return false;
    }
    if (port_.write(bytes) != bytes.size()) {
        fail(SerialError::WriteFailed, QStringLiteral("Write failed: %1").arg(port_.errorString()));
        return false;
    }
    // QSerialPort only writes from the event loop; send now so that the
    // caller's pacing is the line's pacing.
    port_.flush();
    return true;
}

qint64 QtSerialPort::bytesAvailable() const { return port_.isOpen() ? port_.bytesAvailable() : 0; }

QByteArray QtSerialPort::readAll() { return port_.isOpen() ? port_.readAll() : QByteArray(); }

SerialError QtSerialPort::lastError() const { return lastError_; }
QString QtSerialPort::lastErrorText() const { return lastErrorText_; }

QString QtSerialPort::deviceName() const
{
    return port_.isOpen() ? device_ : ResolvePortDevice(number_);
}

void QtSerialPort::fail(SerialError error, const QString& text)
{
    lastError_ = error;
    lastErrorText_ = text;
}

void QtSerialPort::onPortError(QSerialPort::SerialPortError error)
{
    // Errors of a closed port are the echo of a fault already reported:
    // after a pty peer hangs up Qt keeps raising ReadError by the thousand.
    if (!port_.isOpen())
        return;
    switch (error) {
    case QSerialPort::ReadError:
    case QSerialPort::ResourceError: {
        const QString text = QStringLiteral("Line dropped on %1: %2").arg(device_, port_.errorString());
        port_.close();
        fail(SerialError::LineDropped, text);
        emit errorOccurred(SerialError::LineDropped, text);
        break;
    }
    case QSerialPort::WriteError: {
        const QString text = QStringLiteral("Write failed: %1").arg(port_.errorString());
        fail(SerialError::WriteFailed, text);
        emit errorOccurred(SerialError::WriteFailed, text);
        break;
    }
    default:
        break;
    }
}

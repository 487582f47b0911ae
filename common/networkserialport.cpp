#include "networkserialport.h"

#include <QEventLoop>
#include <QTimer>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

namespace {
// A server that stopped answering is found within about this: idle, then probes.
constexpr int kKeepIdleS = 5;
constexpr int kKeepIntervalS = 2;
constexpr int kKeepProbes = 3;

bool IsRfc2217(const NetworkPort& p) { return p.kind == NetworkPort::Kind::Rfc2217; }
} // namespace

NetworkSerialPort::NetworkSerialPort(QObject* parent)
    : SerialPort(parent)
{
    socket_.setReadBufferSize(kReadBufferBytes);
    connect(&socket_, &QTcpSocket::readyRead, this, &NetworkSerialPort::onSocketReadyRead);
    connect(&socket_, &QTcpSocket::errorOccurred, this, &NetworkSerialPort::onSocketError);
}

NetworkSerialPort::~NetworkSerialPort()
{
    socket_.disconnect(this);
    socket_.abort();
}

bool NetworkSerialPort::fail(SerialError error, const QString& text)
{
    lastError_ = error;
    lastErrorText_ = text;
    return false;
}

QString NetworkSerialPort::describe(QAbstractSocket::SocketError error) const
{
    const QString where = QStringLiteral("%1:%2").arg(target_.host).arg(target_.port);
    switch (error) {
    case QAbstractSocket::HostNotFoundError:
        return QStringLiteral("The host %1 is not known").arg(target_.host);
    case QAbstractSocket::ConnectionRefusedError:
        return QStringLiteral("%1 refused the connection").arg(where);
    case QAbstractSocket::RemoteHostClosedError:
        return lastWords_.isEmpty() ? QStringLiteral("%1 closed the connection").arg(where)
                                    : QStringLiteral("%1 closed the connection, saying \"%2\"").arg(where, lastWords_);
    case QAbstractSocket::SocketTimeoutError:
        return QStringLiteral("%1 did not answer").arg(where);
    default:
        return QStringLiteral("%1: %2").arg(where, socket_.errorString());
    }
}

bool NetworkSerialPort::waitFor(const std::function<bool()>& done, int ms)
{
    if (done())
        return true;
    QEventLoop loop;
    QTimer bound;
    bound.setSingleShot(true);
    connect(&bound, &QTimer::timeout, &loop, &QEventLoop::quit);
    const auto check = [&] {
        if (done() || socket_.state() == QAbstractSocket::UnconnectedState)
            loop.quit();
    };
    connect(&socket_, &QTcpSocket::stateChanged, &loop, check);
    connect(&socket_, &QTcpSocket::readyRead, &loop, check, Qt::QueuedConnection);
    bound.start(ms);
    loop.exec();
    return done();
}

void NetworkSerialPort::enableKeepAlive()
{
    socket_.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    socket_.setSocketOption(QAbstractSocket::KeepAliveOption, 1);
    const int fd = int(socket_.socketDescriptor());
    for (const auto& [option, value] : {std::pair{TCP_KEEPIDLE, kKeepIdleS}, std::pair{TCP_KEEPINTVL, kKeepIntervalS},
                                        std::pair{TCP_KEEPCNT, kKeepProbes}})
        ::setsockopt(fd, IPPROTO_TCP, option, &value, sizeof value);
}

bool NetworkSerialPort::open()
{
    lastError_ = SerialError::None;
    lastErrorText_.clear();
    if (open_)
        return fail(SerialError::AlreadyOpen, QStringLiteral("Port already open"));
    if (target_.host.isEmpty())
        return fail(SerialError::NotFound, QStringLiteral("No serial server given"));
    received_.clear();
    lastWords_.clear();
    decoder_ = Telnet::Decoder();
    comPortAnswered_ = comPortAccepted_ = false;
    socket_.abort();
    socket_.connectToHost(target_.host, target_.port);
    if (!waitFor([this] { return socket_.state() == QAbstractSocket::ConnectedState; }, kConnectMs)) {
        const QAbstractSocket::SocketError error = socket_.error();
        socket_.abort();
        return fail(error == QAbstractSocket::HostNotFoundError ? SerialError::NotFound : SerialError::OpenFailed,
                    describe(error == QAbstractSocket::UnknownSocketError ? QAbstractSocket::SocketTimeoutError : error));
    }
    enableKeepAlive();
    if (IsRfc2217(target_)) {
        socket_.write(Telnet::Negotiation(Telnet::kWill, Telnet::kBinary) + Telnet::Negotiation(Telnet::kDo, Telnet::kBinary)
                      + Telnet::Negotiation(Telnet::kWill, Telnet::kComPortOption));
        socket_.flush();
        waitFor([this] { return comPortAnswered_; }, kNegotiationMs);
        if (!comPortAccepted_) {
            socket_.abort();
            return fail(SerialError::OpenFailed,
                        QStringLiteral("%1 does not accept line settings: use socket://%2:%3")
                            .arg(target_.url(), target_.host)
                            .arg(target_.port));
        }
        socket_.write(Telnet::LineSettingsCommands(settings_));
        socket_.flush();
    }
    open_ = true;
    return true;
}

void NetworkSerialPort::close()
{
    open_ = false;
    socket_.disconnectFromHost();
    if (socket_.state() != QAbstractSocket::UnconnectedState)
        socket_.abort();
    received_.clear();
}

void NetworkSerialPort::setSettings(const LineSettings& settings)
{
    settings_ = settings;
    if (open_ && comPortAccepted_) {
        socket_.write(Telnet::LineSettingsCommands(settings_));
        socket_.flush();
    }
}

bool NetworkSerialPort::write(const QByteArray& bytes)
{
    if (!open_)
        return fail(SerialError::WriteFailed, QStringLiteral("Write failed: port is not open"));
    const QByteArray wire = IsRfc2217(target_) ? Telnet::EscapedData(bytes) : bytes;
    if (socket_.write(wire) != wire.size())
        return fail(SerialError::WriteFailed, QStringLiteral("Write failed: %1").arg(socket_.errorString()));
    socket_.flush();   // now, as a local port's write goes out now
    return true;
}

QByteArray NetworkSerialPort::readAll()
{
    QByteArray taken;
    taken.swap(received_);
    if (socket_.bytesAvailable() > 0)
        QTimer::singleShot(0, this, &NetworkSerialPort::onSocketReadyRead);   // what waited for room
    return taken;
}

qint64 NetworkSerialPort::discardInput()
{
    if (open_ && comPortAccepted_) {
        socket_.write(Telnet::ComPortCommand(Telnet::ComPort::kPurgeData,
                                             QByteArray(1, char(Telnet::ComPort::kPurgeReceived))));
        socket_.flush();
    }
    return readAll().size();
}

void NetworkSerialPort::answer(const Telnet::Decoder::Command& c)
{
    if (c.verb == Telnet::kSb)
        return;   // the server's answers to the line settings, notifications: nothing waits for them
    if (c.option == Telnet::kComPortOption && (c.verb == Telnet::kDo || c.verb == Telnet::kDont)) {
        comPortAnswered_ = true;
        comPortAccepted_ = c.verb == Telnet::kDo;
        return;
    }
    if (c.option == Telnet::kBinary)
        return;   // asked for both ways already
    // Anything else this client does not do.
    if (c.verb == Telnet::kDo)
        socket_.write(Telnet::Negotiation(Telnet::kWont, c.option));
    else if (c.verb == Telnet::kWill)
        socket_.write(Telnet::Negotiation(Telnet::kDont, c.option));
}

void NetworkSerialPort::onSocketReadyRead()
{
    const qint64 room = kReadBufferBytes - received_.size();
    if (room <= 0 || socket_.state() != QAbstractSocket::ConnectedState)
        return;
    const QByteArray bytes = socket_.read(room);
    if (bytes.isEmpty())
        return;
    QByteArray data = bytes;
    if (IsRfc2217(target_)) {
        QList<Telnet::Decoder::Command> commands;
        data = decoder_.feed(bytes, &commands);
        for (const Telnet::Decoder::Command& c : commands)
            answer(c);
        socket_.flush();
    }
    if (data.isEmpty())
        return;
    noteLastWords(data);
    received_ += data;
    if (open_)
        emit readyRead();
}

void NetworkSerialPort::noteLastWords(const QByteArray& data)
{
    // A server that turns a client away says why before it closes ("Port's
    // device already in use"): the last printable line is kept to tell.
    const QString text = QString::fromLatin1(data).trimmed();
    bool printable = !text.isEmpty() && text.size() <= kLastWordsChars;
    for (const QChar c : text)
        printable = printable && c.unicode() >= 0x20 && c.unicode() < 0x7F;
    lastWords_ = printable ? text : QString();
}

void NetworkSerialPort::onSocketError(QAbstractSocket::SocketError error)
{
    if (!open_)
        return;   // open() reports its own failures
    const QString text = QStringLiteral("Line dropped on %1: %2").arg(target_.url(), describe(error));
    open_ = false;
    socket_.abort();
    fail(SerialError::LineDropped, text);
    emit errorOccurred(SerialError::LineDropped, text);
}

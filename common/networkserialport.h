#pragma once
#include "networkport.h"
#include "serialport.h"
#include "telnetcodec.h"

#include <QTcpSocket>

// A port on a serial server (ser2net, a device server, an RFC 2217 server),
// behind the same interface as a local one. RFC 2217: binary both ways,
// the com port option, the line settings set at open and whenever they
// change, PURGE-DATA when input is dropped, 0xFF doubled both ways; answers
// to control and modem-state commands are never waited for (servers on
// ptys give none). Raw TCP: the bytes as they are. Every write goes out at
// once in a segment of its own (no Nagle), so pacing here is pacing on the
// wire; keep-alive finds a server that vanished. A connection refused, a
// name that does not resolve, a reset or a time-out is one clear message:
// before open() returns a failure to open, after it the line dropping.
class NetworkSerialPort : public SerialPort {
    Q_OBJECT
public:
    explicit NetworkSerialPort(QObject* parent = nullptr);
    ~NetworkSerialPort() override;

    void setTarget(const NetworkPort& target) { target_ = target; }
    const NetworkPort& target() const { return target_; }

    void setPortNumber(int) override {}
    int portNumber() const override { return 0; }
    void setSettings(const LineSettings& settings) override;
    LineSettings settings() const override { return settings_; }

    bool open() override;
    void close() override;
    bool isOpen() const override { return open_; }
    bool write(const QByteArray& bytes) override;
    qint64 bytesAvailable() const override { return received_.size(); }
    QByteArray readAll() override;
    qint64 discardInput() override;

    SerialError lastError() const override { return lastError_; }
    QString lastErrorText() const override { return lastErrorText_; }
    QString deviceName() const override { return target_.url(); }

    // How long open() waits for the connection, and for an RFC 2217 server
    // to take the com port option.
    static constexpr int kConnectMs = 5000;
    static constexpr int kNegotiationMs = 2000;
    // What is held for the program before it reads (as on a local port).
    static constexpr qint64 kReadBufferBytes = 64 * 1024;

private:
    void onSocketReadyRead();
    void onSocketError(QAbstractSocket::SocketError error);
    void answer(const Telnet::Decoder::Command& command);
    bool waitFor(const std::function<bool()>& done, int ms);
    QString describe(QAbstractSocket::SocketError error) const;
    bool fail(SerialError error, const QString& text);
    void enableKeepAlive();
    void noteLastWords(const QByteArray& data);
    static constexpr int kLastWordsChars = 80;

    QTcpSocket socket_;
    NetworkPort target_;
    LineSettings settings_;
    Telnet::Decoder decoder_;
    QByteArray received_;
    bool open_ = false;
    bool comPortAnswered_ = false;   // the server said DO or DONT to the com port option
    bool comPortAccepted_ = false;
    SerialError lastError_ = SerialError::None;
    QString lastErrorText_;
    QString lastWords_;   // what the server said last, when it was a line of text
};

#pragma once
#include <QByteArray>
#include <QObject>
#include <QString>

// Line settings in the form "9600,n,8,1": baud rate, parity (n, e, o, m, s),
// data bits, stop bits (1, 1.5, 2).
struct LineSettings {
    int baud = 9600;
    char parity = 'n';
    int dataBits = 8;
    double stopBits = 1;

    static bool parse(const QString& text, LineSettings* out);
    QString text() const;
};

enum class SerialError {
    None,
    NotFound,          // no device for that port number
    PermissionDenied,  // the device exists but may not be opened
    AlreadyOpen,       // 8005: port already open (by us or someone else)
    OpenFailed,        // any other failure to open
    WriteFailed,       // 8021: write failed
    LineDropped,       // read or resource error: adapter gone, peer hung up
};

// One serial port, numbered as the programs show it ("Com" N). The backend
// resolves the number to a device when it opens. Everything is event-driven:
// readyRead() fires when bytes arrive; errorOccurred() fires once per fault,
// and a dropped line leaves the port closed.
class SerialPort : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~SerialPort() override = default;

    virtual void setPortNumber(int number) = 0;
    virtual int portNumber() const = 0;
    virtual void setSettings(const LineSettings& settings) = 0;
    virtual LineSettings settings() const = 0;

    virtual bool open() = 0;          // false on failure; lastError() says why
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual bool write(const QByteArray& bytes) = 0;
    virtual qint64 bytesAvailable() const = 0;
    virtual QByteArray readAll() = 0;

    // Drops what came and nobody read (and what a serial server holds of
    // it); how many bytes were dropped here.
    virtual qint64 discardInput() { return readAll().size(); }
    // A serial server's port instead of a numbered one
    // ("rfc2217://host:port", "socket://host:port"); false when this port
    // reaches local devices only. setPortNumber goes back to those.
    virtual bool setNetworkPort(const QString& url)
    {
        (void)url;
        return false;
    }

    virtual SerialError lastError() const = 0;
    virtual QString lastErrorText() const = 0;   // for messages and the log
    virtual QString deviceName() const = 0;      // the resolved device, for tool tips

signals:
    void readyRead();
    void errorOccurred(SerialError error, const QString& text);
};

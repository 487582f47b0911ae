#pragma once
#include "serialport.h"

#include <QByteArray>
#include <QList>
#include <QSet>
#include <functional>

// An in-memory serial port for unit tests. Everything written is logged;
// an optional responder plays the far end, and its reply arrives later
// through the event loop (queued, optionally delayed), as from a real
// port, so it lands while the caller sits in WaitMs. Bytes in flight when
// the port closes are lost, as on a real line.
class FakeSerialPort : public SerialPort {
    Q_OBJECT
public:
    // Gets each write, returns the far end's answer (empty: none).
    using Responder = std::function<QByteArray(const QByteArray& written)>;

    explicit FakeSerialPort(QObject* parent = nullptr);

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

    // --- script ---
    // Every open fails with this error until set back to SerialError::None.
    void setOpenError(SerialError error, const QString& text = QString());
    // Only these port numbers open; the others fail with NotFound. An
    // empty set (the default) lets every number open.
    void setPresentPorts(const QSet<int>& numbers);
    // Writes fail with WriteFailed while set.
    void setWriteFails(bool fails);
    void setResponder(Responder responder);
    void setReplyDelay(int ms);       // 0 (default): next event loop pass
    // While stalled the far end still hears every write but its replies
    // are lost.
    void setStalled(bool stalled);
    // Unsolicited bytes from the far end, delivered queued / after ms.
    void inject(const QByteArray& bytes);
    void injectAfter(int ms, const QByteArray& bytes);
    // Reports a fault now; LineDropped also closes the port.
    void injectError(SerialError error, const QString& text = QString());

    // --- record ---
    QByteArray written() const;          // all writes joined
    QList<QByteArray> writes() const;    // one entry per write
    void clearWrites();
    int openCount() const;               // successful opens so far
    int closeCount() const;

private:
    void deliver(int delayMs, const QByteArray& bytes);
    void fail(SerialError error, const QString& text);

    int number_ = 1;
    LineSettings settings_;
    bool open_ = false;
    quint64 session_ = 0;   // bumped on close: stale deliveries are dropped
    QByteArray received_;
    QList<QByteArray> writes_;
    SerialError openError_ = SerialError::None;
    QString openErrorText_;
    QSet<int> presentPorts_;
    bool writeFails_ = false;
    Responder responder_;
    int replyDelayMs_ = 0;
    bool stalled_ = false;
    SerialError lastError_ = SerialError::None;
    QString lastErrorText_;
    int openCount_ = 0;
    int closeCount_ = 0;
};

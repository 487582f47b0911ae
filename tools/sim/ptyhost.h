#pragma once
#include "nanotimer.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <deque>
#include <functional>

class QSocketNotifier;

// Plays a simulated device on a pseudo-terminal: the program opens the
// slave side like any serial port, the host reads what it writes from the
// master side, hands it to the device and writes the device's answers back.
// With a baud rate both directions take the line's wire time (10 bits a
// byte); a reply delay holds back the start of every answer.
class PtyHost : public QObject {
    Q_OBJECT
public:
    using Device = std::function<QByteArray(const QByteArray& in)>;

    explicit PtyHost(Device device, QObject* parent = nullptr);
    ~PtyHost() override;

    // Opens the pseudo-terminal; false (with errorText) on failure.
    bool open();
    QString slavePath() const { return slavePath_; }
    QString errorText() const { return errorText_; }

    void setBaud(int baud);                 // 0: no pacing
    void setReplyDelay(int ms) { replyDelayMs_ = ms; }
    // Hangs up (closes the master side) once this many bytes came in.
    void setHangupAfter(qint64 bytes) { hangupAfter_ = bytes; }
    // Unsolicited output, as if the device had spoken.
    void say(const QByteArray& bytes);
    // Bytes waiting to go out.
    qsizetype pendingOutput() const { return qsizetype(output_.size()); }

signals:
    void hungUp();

private:
    struct Timed {
        qint64 dueNs;
        char byte;
    };

    void onReadable();
    void pump();
    void schedule();
    void queueOutput(const QByteArray& bytes, qint64 fromNs);
    void hangUp();
    qint64 now() const { return clock_.nsecsElapsed(); }

    Device device_;
    int master_ = -1;
    int slave_ = -1;   // held open so the line stays up between clients
    QString slavePath_;
    QString errorText_;
    QSocketNotifier* notifier_ = nullptr;
    QElapsedTimer clock_;
    NanoTimer timer_;
    qint64 byteNs_ = 0;
    int replyDelayMs_ = 0;
    qint64 hangupAfter_ = -1;
    qint64 received_ = 0;
    std::deque<Timed> input_;
    std::deque<Timed> output_;
    qint64 lastInNs_ = 0;
    qint64 lastOutNs_ = 0;
};

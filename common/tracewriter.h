#pragma once
#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QString>

#include <functional>

// A record of the traffic on a serial line, for support: one line per chunk
// sent or received,
//      125.034 TX 6a 72 6d  jrm
// milliseconds since the trace started, the direction (TX sent, RX
// received, -- an event such as opening the port), the bytes in hex and as
// text (printable ASCII, a dot for any other byte).
//
// Bounded: a file takes at most maxBytes. A rotating trace then moves it to
// FILE.1 (replacing the one before) and starts FILE anew; a single trace
// ends with a line that says it is full and records nothing more. Each line
// is written through at once, so a crash loses nothing recorded before it.
// The file is the user's alone (it holds what the unit sent, passwords
// included) and always a new one: a regular file of the name is replaced
// without being opened; a link, FIFO, device or folder is refused, unless
// the trace continues one that stopped (openToContinue). A record is
// written whole or not at all: a write that fails (a full disk, a rotation
// the folder refuses) leaves the file ending with the last whole record and
// ends the trace; failed() says so, and the failure handler hears it once.
class TraceWriter {
public:
    enum class Direction { Sent, Received, Event };

    TraceWriter(const QString& path, qint64 maxBytes, bool rotate);

    // Starts the file. False with the reason in *error.
    bool open(QString* error);
    // Goes on in the file a trace of this path stopped in (a regular file
    // with one name, never through a link), first marking the gap with
    // gapNote; a new file when none is there. False with *error.
    bool openToContinue(const QString& gapNote, QString* error);
    // Told once, with the reason, when a write fails. It may be called from
    // within record(): it must not destroy the writer there and then.
    void setFailureHandler(std::function<void(const QString&)> handler) { onFailure_ = std::move(handler); }
    bool isOpen() const { return file_.isOpen(); }
    const QString& path() const { return path_; }

    void record(Direction direction, const QByteArray& bytes);
    void note(const QString& event) { record(Direction::Event, event.toUtf8()); }

    // A write failed (a full disk, a rotation refused); errorText() says why.
    bool failed() const { return !error_.isEmpty(); }
    const QString& errorText() const { return error_; }
    // Puts what was written on the disk and closes the file; false (with
    // errorText) when anything of the trace was lost.
    bool finish();

    // What one line for this chunk holds, at this time.
    static QByteArray line(double ms, Direction direction, const QByteArray& bytes);

private:
    bool start(QString* error);
    void write(const QByteArray& line);
    // One record in one write; a part of it that went out before a failure
    // is taken back (the file ends at its last whole record).
    bool writeRecord(const QByteArray& text);
    void stopWith(const QString& error);

    QString path_;
    qint64 maxBytes_;
    bool rotate_;
    bool full_ = false;
    qint64 written_ = 0;
    QString error_;
    QElapsedTimer clock_;
    QFile file_;
    std::function<void(const QString&)> onFailure_;
};

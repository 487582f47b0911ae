#pragma once
#include <QPushButton>

#include <memory>

class TraceWriter;
class TracingSerialPort;

// "Log traffic to file...": while ticked, every chunk the unit's port sends
// and receives is written to a file the user chose (tracewriter.h), which
// moves to FILE.1 when it reaches kRotateBytes and starts anew. Clicking it
// again stops the log. A log that cannot be written (a full disk, a folder
// that refuses the rotation) stops at once and says so; started again on
// the same file, it goes on there after a line that marks the gap.
class TrafficLogButton : public QPushButton {
    Q_OBJECT
public:
    static constexpr qint64 kRotateBytes = 4 * 1024 * 1024;

    explicit TrafficLogButton(TracingSerialPort& port, QWidget* parent = nullptr);
    ~TrafficLogButton() override;

    // Starts logging to path; false (told to the user) when it cannot.
    bool start(const QString& path);
    void stop();
    bool logging() const { return trace_ != nullptr; }

private:
    void onClicked();
    void onTraceFailed(const QString& reason);

    TracingSerialPort& port_;
    std::unique_ptr<TraceWriter> trace_;
    QString stoppedPath_;   // the log that stopped on a failure, and when and why
    QString stoppedNote_;
};

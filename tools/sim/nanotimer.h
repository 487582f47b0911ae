#pragma once
#include <QObject>

class QSocketNotifier;

// A single-shot wake-up some nanoseconds from now. QTimer counts whole
// milliseconds, and a byte at 9600 baud lasts 1.04 of them: rounded up, a
// simulated line would be up to a millisecond slow at every turn.
class NanoTimer : public QObject {
    Q_OBJECT
public:
    explicit NanoTimer(QObject* parent = nullptr);
    ~NanoTimer() override;

    void startIn(qint64 ns);
    void stop();

signals:
    void timeout();

private:
    int fd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
};

#pragma once
#include <QByteArray>
#include <QObject>

#include <functional>

class SerialPort;

// The two halves of every exchange with a unit, shared by the
// configuration link and the boot loader link: a paced writer and a reply
// reader. Their times come from the protocol's timing value; tests hand in
// shorter ones. Every wait runs events (handlers may re-enter), none spins.

// Pauses after the characters of one write, in milliseconds.
struct Pacing {
    int firstCharMs = 0;   // after the first character
    int nextCharMs = 0;    // after each further one
};

// When a reply is over: times in milliseconds, size in bytes.
struct ReplyLimits {
    int silenceMs = 0;            // this long without a byte after the last one
    int boundMs = 0;              // the whole read takes no longer
    bool returnWhenEmpty = false; // nothing came within silenceMs: over at once
    qsizetype maxBytes = 0;       // more than this is no reply asked for: over at once
    // A line with a network in it (a serial server): the first byte may
    // take answerDelayMs longer, and a reply may pause up to gapMs between
    // the chunks it comes in, unless complete says it has its whole form.
    int answerDelayMs = 0;
    int gapMs = 0;
    std::function<bool(const QByteArray&)> complete;
};

// Writes the bytes one character at a time, pausing after each as paced.
// Stops at a closed port or a write that fails. Returns the characters
// that went out.
qsizetype WritePaced(SerialPort& port, const QByteArray& bytes, const Pacing& pacing);

// Collects replies on one port (the windows know it as "tmrResponse", the
// timer that bounds a reply). A reply ends silenceMs after its last byte (a
// timer restarted by every arrival; with gapMs more while it is not
// complete), at the bound, once it holds more than maxBytes (it is then cut
// to maxBytes + 1, so the caller sees it overran: a unit that floods the
// line costs neither memory nor time), or at once when the port closes or
// reports the line dropping. A read started by a handler inside another
// read has timers of its own.
class ReplyReader : public QObject {
    Q_OBJECT
public:
    explicit ReplyReader(SerialPort& port, QObject* parent = nullptr);

    // What arrived; empty when nothing came.
    QByteArray read(const ReplyLimits& limits);
    // The longest pause between two arrivals of the last read, in
    // milliseconds: how a line chunks its replies.
    double lastLongestPauseMs() const { return longestPauseMs_; }

private:
    SerialPort& port_;
    double longestPauseMs_ = 0;
};

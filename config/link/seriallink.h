#pragma once
#include "commandset.h"
#include "serialexchange.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

class LinkView;
class SerialPort;

// The process-wide flags of the link to the unit.
struct LinkState {
    bool UnitConnected = false;   // the unit answered the last IsResponding
    bool CompareMode = false;     // reads are reported as "Comparing"/"compare"
    bool InputHandlingOn = false; // the receive handler consumes arriving data
    bool TerminalEchoOn = false;  // ... and hands it to the view's terminal
    bool SendBusy = false;        // a SendData call is transmitting
};

// Pacing and time bounds of the unit's protocol, in milliseconds. The
// defaults are what real units need; tests hand the link shorter ones.
struct LinkTiming {
    Pacing pacing{5, 1};            // after the first and each further character of a SendData call
    int busyRetryMs = 200;          // a nested SendData holds back this long, kBusyRetries times
    int replySilenceMs = 25;        // silence after the last byte ends a reply
    int replyBoundMs = 2000;        // bounds one GetRawBuffer call
    int modeRetryPauseMs = 20;      // between leaving a mode and asking again
    int optionReplyTimeoutMs = 1000; // an option command's feedback must come by then
    int openSettleMs = 10;          // after opening the port, before probing
    int stringSettleMs = 25;        // after a string block, for a late final "i"
};
constexpr int kBusyRetries = 6;     // SendData hold-backs
constexpr int kReadyAttempts = 6;   // WaitReady tries
// No reply the program asks for is longer: more ends the read (a unit that
// floods the line). Transfers ask for less where they know the size.
constexpr qsizetype kMaxReplyBytes = 4096;
constexpr int kBitsPerByte = 10;    // on the wire: start, eight data bits, stop

// What the link has done on the line, for measuring transfers against the
// protocol's own minimum time.
struct LinkCounters {
    qint64 sendCalls = 0;      // SendData calls that sent something
    qint64 charsSent = 0;
    qint64 bytesReceived = 0;  // collected by GetRawBuffer
    qint64 replyReads = 0;     // GetRawBuffer calls (each ends in silence)
    qint64 bytesDrained = 0;   // left over from earlier exchanges, dropped before a request
    double fixedWaitMs = 0;    // mandated pauses besides pacing
    // Reply time the line carried while the pause after a request's last
    // character still ran (the line carries both ways at once): to be taken
    // off a sum of the times above.
    double overlappedMs = 0;
};


// The serial conversation with the unit's configuration firmware over one
// port: the paced sender, the reply collector, the ready handshake, the
// probe, and the receive handler that feeds the terminal while idle.
// Neither the port nor the view is owned. Every wait keeps the event loop
// running, so handlers (including this one's) may run inside any call.
class SerialLink : public QObject {
    Q_OBJECT
public:
    explicit SerialLink(SerialPort* port, QObject* parent = nullptr);

    SerialPort* port() const { return port_; }
    void setView(LinkView* view);

    const LinkTiming& timing() const { return timing_; }
    void setTiming(const LinkTiming& timing);
    // A line with a network in it (a serial server): the first byte of a
    // reply may take roundTripMs longer, and a reply may pause between the
    // chunks it comes in, as long as the first whole reply the line carried
    // showed (learnReplyPauses), and until then kUnknownPauseMs. A local
    // line's times stay the protocol's.
    void setNetworkLine(bool network, int roundTripMs = 0);
    bool networkLine() const { return network_; }
    int roundTripMs() const { return roundTripMs_; }
    int replyPauseMs() const { return pauseMs_; }
    // The last read was a whole reply by its form: its pauses are the
    // line's (a network line only).
    void learnReplyPauses();
    static constexpr int kUnknownPauseMs = 500;
    static constexpr int kMaxPauseMs = 1000;
    LinkView& view() const;

    LinkState& state() { return state_; }
    const LinkState& state() const { return state_; }

    // Sends the bytes one at a time with the protocol's pacing. A call made
    // while another one transmits (from a handler inside its waits) holds
    // back up to six times 200 ms, then sends anyway. A write that fails on
    // an open port is the line dropping: the port closes and lineLost()
    // says so once.
    void SendData(const QByteArray& text);
    // The single bytes of a command, each as a call of its own.
    void SendEach(const QByteArray& bytes);
    // A pause the protocol asks for (counted in the counters).
    void Pause(int ms);
    // The same pause, taking what arrives meanwhile (the late end of the
    // reply before it); a byte that comes extends it by ms. Holds at most
    // maxBytes + 1.
    QByteArray PauseCollecting(int ms, qsizetype maxBytes);
    // Collects one reply: it ends 25 ms after its last byte; when nothing
    // comes it ends after 25 ms (returnWhenEmpty) or 2 s. Ends at once when
    // the port closes or the line has dropped, and once it holds more than
    // maxBytes (it then holds maxBytes + 1).
    // complete: the reply has the whole form its request asks for, so that
    // a network line's pauses need not be waited out after it.
    QByteArray GetRawBuffer(bool returnWhenEmpty, qsizetype maxBytes = kMaxReplyBytes,
                            const std::function<bool(const QByteArray&)>& complete = {});
    // Drops what the unit sent and nobody read (the late answer to an
    // earlier request), so that it is not taken for the reply to the next;
    // how many bytes that was.
    qint64 drainInput();
    // Sends the command (none when empty) and waits for a reply ending in
    // "i", up to six attempts (0xF0 and 20 ms before each repeat). True when
    // the ready character came. A unit slow to answer answers the repeats
    // as well: once one answer came, those are awaited too (up to 2 s each),
    // so that none arrives later as the reply to something else.
    bool WaitReady(const QByteArray& command);
    // Probes the unit with "jrm" (two tries); sets or clears UnitConnected.
    // With the port closed: false, nothing sent, UnitConnected untouched.
    bool IsResponding();
    // enable false: saved = InputHandlingOn, both handling flags off (replies
    // stay in the port for GetRawBuffer). enable true: echo on,
    // InputHandlingOn = saved.
    void KV310EchoState(bool enable, bool& saved);

    // An option command from the settings panel: sends it, shows
    // "<cmd> sent" and arms the 1 s feedback time-out, which reports
    // "<cmd> request." to the view unless the unit answers first.
    void sendOption(const QByteArray& command);
    QString pendingRequest() const { return pendingRequest_; }

    LinkCounters& counters() { return counters_; }

    // True once the port reported the line dropping, until cleared (a
    // transfer clears it when it starts and tests it after each step).
    bool lineDropped() const { return lineDropped_; }
    void clearLineDropped() { lineDropped_ = false; }

signals:
    // The port reported the line dropping (adapter unplugged, peer gone).
    void lineLost();

private:
    void SerPort_OnComm();
    void tmrTimeoutDetect_Timer();
    void onLineDropped();

    SerialPort* port_;
    LinkView* view_ = nullptr;
    LinkTiming timing_;
    double lastPauseMs_ = 0;   // after the last character sent, when a read follows at once
    bool network_ = false;
    int roundTripMs_ = 0;
    int pauseMs_ = 0;
    ReplyReader reader_;
    LinkState state_;
    LinkCounters counters_;
    QTimer tmrTimeoutDetect_;
    QString pendingRequest_;
    bool lineDropped_ = false;
};

#pragma once
#include "seriallink.h"
#include "transferresult.h"
#include "unitidentity.h"
#include "uploadplan.h"

#include <QList>
#include <QObject>
#include <QStringList>

class LinkView;
class SerialPort;
struct UnitConfig;

// The unit commands of the configuration program, for the main window and
// the command-line tool alike. Works on one configuration and one port
// (neither owned); tells its view about progress and state changes
// (LinkView), the status line through ShowStatus, the user through Prompts().
//
// Typical use by a window:
//   UnitLink link(&serPort, config, this);
//   Connect button  -> link.connectUnit(cmbPort text) / link.disconnectUnit()
//   Download button -> link.download()
//   Upload menu     -> link.upload(UploadScope::...)
//   option box      -> link.sendOption("jst")
//   terminal keys, DTMF strings -> link.sendText(bytes)
//   rescan button   -> UnitLink::populatePorts(prober, true)
// Every command disables the view's controls around its transfer and
// re-enables them; a line that drops ends the transfer, leaves the
// configuration as it was, disconnects and calls LinkView::lineDropped().
//
// The unit serves one command at a time. Every wait runs events, so a
// click, a key or a timer can call in here while a command runs: such a
// call is refused (TransferResult::Busy, false) and sends nothing. Text
// and option commands that come while earlier text is still being paced
// out are queued behind it instead, in order.
class UnitLink : public QObject {
    Q_OBJECT
public:
    UnitLink(SerialPort* port, UnitConfig& config, LinkView* view = nullptr,
             QObject* parent = nullptr);

    void setView(LinkView* view);
    SerialLink& link() { return link_; }
    const LinkState& state() const { return link_.state(); }
    bool isConnected() const { return link_.state().UnitConnected; }
    // Hardware code, firmware version and power status of the last read.
    const UnitIdentity& identity() const { return identity_; }

    // A connect, download, upload or option command holds the unit; the
    // view hears LinkView::unitBusy() when this changes.
    bool transferRunning() const { return activity_ == Activity::Command; }
    // ... or text is still being sent; no transfer can start until it ends.
    bool busy() const { return activity_ != Activity::Idle; }

    // Whether a successful connection stores the port in Locals.ini
    // ("KV310", "ComPort", and the adapter's identity as "ComPortId");
    // on by default, off for the command-line tool.
    void setRememberPort(bool remember) { rememberPort_ = remember; }
    // Whether strings read from the unit show every character as a code
    // (the terminal's "Display ASCII codes for ALL chars"); off by default.
    void setAllCharsAsCodes(bool on) { allCharsAsCodes_ = on; }
    // Whether connecting reads the unit's option bits into the configuration
    // (the window's live options); on by default. Off, connecting only
    // probes: a command that writes a file's options must not have the
    // unit's put into it first.
    void setConnectReadsSettings(bool on) { connectReadsSettings_ = on; }

    // Connect: opens the port of the entry ("Com3"), probes the unit,
    // remembers the port, turns the terminal on and reads the option bits
    // (settings only; a power failure the unit reports is cleared). Status "Please select a COM port first" (empty
    // entry), "Invalid port Com3", "Unable to connect on port Com3" or
    // "Connected on COM3". True when connected; false without a word when
    // another command holds the unit.
    bool connectUnit(const QString& portText);
    // Disconnect: clears UnitConnected, disables the view's unit controls,
    // closes the port. Sends nothing. Refused (false) while a command runs:
    // the port is never closed in the middle of an exchange.
    bool disconnectUnit();

    // "Download": the whole unit into the configuration (only when every
    // reply came in its form; a power failure the unit reports is cleared),
    // shows it, marks it changed.
    TransferResult download();
    // "Upload ...": probe, verify (view), offer to save (view), refuse what
    // the unit cannot hold; read both memories (reads only), plan the writes
    // (uploadplan.h), show them (LinkView::confirmUpload), save what the
    // unit held in the backups folder, send the plan, then read the written
    // memories back and compare them with the plan (unless verifying is
    // off). When every write was confirmed the configuration takes the
    // plan's pads and cuts.
    TransferResult upload(UploadScope scope);
    // What the last failed command found wrong, as its status line names it.
    const QString& lastFailure() const { return failure_; }

    // Where upload() keeps what the unit held (UnitBackups).
    void setBackupFolder(const QString& folder) { backupFolder_ = folder; }
    // The backup of the last upload; empty when it made none.
    const QString& lastBackup() const { return lastBackup_; }
    // Whether upload() reads back what it wrote; on by default.
    void setVerify(bool verify) { verify_ = verify; }
    // The port as backups name it; set by connectUnit to its entry ("Com3").
    void setPortName(const QString& name) { portName_ = name; }

    // An option command of the settings panel ("jst"): "jst sent", then the
    // view hears optionRequestTimedOut("jst request.") unless the unit
    // answers within 1 s. False when refused (a transfer runs).
    bool sendOption(const QByteArray& command);
    // Plain text to the unit (terminal typing, DTMF strings). False when
    // refused (a transfer runs).
    bool sendText(const QByteArray& text);

    // The port list: "Com1" .. "Com16", with scan only those the prober can
    // open (it is opened and closed; the link's port is not touched).
    static QStringList populatePorts(SerialPort* prober, bool scan);
    // The entries with a device behind them, found without opening any.
    static QStringList presentPorts();
    static constexpr int kMaxPortNumber = 16;

private:
    enum class Activity { Idle, Command, Sending };
    class Hold;
    struct Outgoing {
        QByteArray bytes;
        bool option = false;
    };

    enum class PowerFailure { Acknowledge, Leave };

    void closeLink();
    void endTransfer();
    TransferResult readUnit(UnitMemory& memory, PowerFailure powerFailure);
    TransferResult verifyUpload(const UploadPlan& plan);
    bool saveBackup(const UnitConfig& unit);
    QString uploadStatus(TransferResult result) const;
    void onLineLost();
    bool queueSend(const Outgoing& item);

    SerialLink link_;
    UnitConfig& config_;
    UnitIdentity identity_;
    bool rememberPort_ = true;
    bool allCharsAsCodes_ = false;
    bool verify_ = true;
    bool connectReadsSettings_ = true;
    QString failure_;
    QString backupFolder_;
    QString lastBackup_;
    QString portName_;
    Activity activity_ = Activity::Idle;
    bool lineLostPending_ = false;   // the line dropped while the unit was held
    QList<Outgoing> outbox_;         // text waiting behind the text being sent
};

#include "unitlink.h"

#include "errorlog.h"
#include "inifile.h"
#include "linkview.h"
#include "portresolve.h"
#include "portservices.h"
#include "prompter.h"
#include "runtimeerror.h"
#include "serialport.h"
#include "status.h"
#include "configdiff.h"
#include "unitbackups.h"
#include "unitconfig.h"
#include "unitreader.h"
#include "unitwriter.h"
#include "wait.h"

#include <QDir>
#include <QFileInfo>

namespace {
// The serial component's error numbers, as the error log shows them.
constexpr int kPortAlreadyOpenError = 8005;
constexpr int kInvalidPortError = 8002;
} // namespace

// Holds the unit for one command, or finds it held and grants nothing. A
// line that drops meanwhile is dealt with once the command has unwound.
class UnitLink::Hold {
public:
    Hold(UnitLink& link, Activity activity) : link_(link), granted_(link.activity_ == Activity::Idle)
    {
        if (!granted_)
            return;
        link_.activity_ = activity;
        if (activity == Activity::Command)
            link_.link_.view().unitBusy(true);
    }
    ~Hold()
    {
        if (!granted_)
            return;
        const bool wasCommand = link_.activity_ == Activity::Command;
        link_.activity_ = Activity::Idle;
        if (wasCommand)
            link_.link_.view().unitBusy(false);
        if (link_.lineLostPending_)
            link_.onLineLost();
    }
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;
    bool granted() const { return granted_; }

private:
    UnitLink& link_;
    bool granted_;
};

UnitLink::UnitLink(SerialPort* port, UnitConfig& config, LinkView* view, QObject* parent)
    : QObject(parent)
    , link_(port)
    , config_(config)
    , backupFolder_(UnitBackups::defaultFolder())
{
    link_.setView(view);
    connect(&link_, &SerialLink::lineLost, this, &UnitLink::onLineLost);
}

void UnitLink::setView(LinkView* view) { link_.setView(view); }

bool UnitLink::connectUnit(const QString& portText)
{
    const Hold hold(*this, Activity::Command);
    if (!hold.granted())
        return false;
    const ProcedureTrap trap = ProcedureTrap::form("cmdConnect_Click", "frmMain");
    SerialPort& port = *link_.port();
    if (port.isOpen()) {
        port.close();
    } else if (portText.isEmpty()) {
        ShowStatus(QStringLiteral("Please select a COM port first"));
        return false;
    }
    const int number = PortNumberOf(portText);
    trap([&] {
        port.setPortNumber(number);
        if (!port.open())
            throw RuntimeError(port.lastError() == SerialError::AlreadyOpen ? kPortAlreadyOpenError
                                                                            : kInvalidPortError,
                               port.lastErrorText());
    });
    WaitMs(link_.timing().openSettleMs);
    if (!port.isOpen()) {
        ShowStatus(QStringLiteral("Invalid port ") + portText);
        return false;
    }
    link_.clearLineDropped();
    if (!link_.IsResponding()) {
        closeLink();
        ShowStatus(QStringLiteral("Unable to connect on port ") + portText);
        return false;
    }
    portName_ = portText;
    if (rememberPort_) {
        trap([&] {
            const QString section = QString::fromLatin1(kLocalSettingsSection);
            WriteIniValue(section, QStringLiteral("ComPort"), portText);
            // The adapter itself, found again when its number moved.
            WriteIniValue(section, QStringLiteral("ComPortId"), PortDeviceInfo(number).identity());
        });
    }

    bool handlingOn = true;
    link_.KV310EchoState(true, handlingOn);
    UnitConfig read = config_;
    const TransferResult result = UnitReader(link_, identity_).DownloadEEPROM(read, true);
    if (result == TransferResult::Ok)
        config_ = read;
    if (result == TransferResult::LineDropped)
        return false;   // reported when the hold ends
    link_.view().displayData(true);
    link_.view().controlState(true, false);
    const QString connected = QStringLiteral("Connected on COM%1").arg(number);
    ShowStatus(result == TransferResult::Ok
                   ? connected
                   : connected + QStringLiteral(", but the unit's settings could not be read."));
    return true;
}

bool UnitLink::disconnectUnit()
{
    if (transferRunning())
        return false;
    closeLink();
    return true;
}

void UnitLink::closeLink()
{
    outbox_.clear();
    link_.state().UnitConnected = false;
    identity_ = UnitIdentity();   // the next unit may be another model
    link_.view().controlState(false, false);
    if (link_.port()->isOpen())
        link_.port()->close();
}

void UnitLink::onLineLost()
{
    if (busy()) {
        lineLostPending_ = true;   // the command notices, unwinds, then comes here
        return;
    }
    lineLostPending_ = false;
    closeLink();
    link_.view().lineDropped();
}

void UnitLink::endTransfer()
{
    bool handlingOn = true;
    link_.KV310EchoState(true, handlingOn);
    link_.view().controlState(true, true);
    link_.state().CompareMode = false;
}

TransferResult UnitLink::download()
{
    const Hold hold(*this, Activity::Command);
    if (!hold.granted())
        return TransferResult::Busy;
    link_.clearLineDropped();
    if (!link_.IsResponding()) {
        ShowStatus(QStringLiteral("Unable to download, unit is not responding."));
        return TransferResult::NotResponding;
    }
    link_.state().CompareMode = false;
    link_.view().controlState(false, true);
    bool saved = false;
    link_.KV310EchoState(false, saved);

    // Read into a copy: an interrupted read leaves the configuration alone.
    UnitConfig read = config_;
    const TransferResult result = readUnit(read);
    if (result == TransferResult::Ok) {
        config_ = read;
        link_.view().displayData(false);
        ShowStatus(QStringLiteral("Download successful"));
    } else {
        ShowStatus(DownloadFailureText(result));
    }
    endTransfer();
    if (result == TransferResult::Ok)
        link_.view().markChanged(true);
    return result;
}

TransferResult UnitLink::upload(UploadScope scope)
{
    const Hold hold(*this, Activity::Command);
    if (!hold.granted())
        return TransferResult::Busy;
    link_.clearLineDropped();
    if (!link_.IsResponding()) {
        ShowStatus(QStringLiteral("Unable to upload, unit is not responding."));
        return TransferResult::NotResponding;
    }
    if (!link_.view().verifyForUpload() || !link_.view().askSaveChanges())
        return TransferResult::Cancelled;

    link_.state().CompareMode = true;
    link_.view().controlState(false, true);
    bool saved = false;
    link_.KV310EchoState(false, saved);
    lastBackup_.clear();

    // Both memories before any write: what the unit holds is shown against
    // what will be written and kept as a backup first.
    UnitConfig unit = config_;
    TransferResult result = readUnit(unit);
    if (result == TransferResult::Ok
        && !link_.view().confirmUpload(UploadChanges(unit, config_, scope, identity_.HardwareCode, allCharsAsCodes_)))
        result = TransferResult::Cancelled;
    if (result == TransferResult::Ok && !saveBackup(unit))
        result = TransferResult::BackupFailed;
    if (result != TransferResult::Ok) {
        ShowStatus(result == TransferResult::Cancelled
                       ? QStringLiteral("Upload cancelled: nothing was written to the unit.")
                       : UploadFailureText(result));
        endTransfer();
        return result;
    }

    bool stringCut = false;
    // The write pads sequences and cuts long strings in the model; that is
    // kept unless the line dropped.
    UnitConfig written = config_;
    result = writeAndVerify(unit, written, scope, stringCut);
    if (result != TransferResult::LineDropped)
        config_ = written;
    if (scope != UploadScope::SettingsOnly && result != TransferResult::LineDropped)
        link_.view().displayData(false);
    if (stringCut && result != TransferResult::LineDropped)
        link_.view().markChanged(true);
    const QString backup = QStringLiteral(" (backup %1)").arg(QFileInfo(lastBackup_).fileName());
    ShowStatus((result == TransferResult::Ok ? QStringLiteral("Upload successful")
                                             : UploadFailureText(result))
               + backup);
    endTransfer();
    return result;
}

TransferResult UnitLink::readUnit(UnitConfig& target)
{
    UnitReader reader(link_, identity_, allCharsAsCodes_);
    TransferResult result = reader.DownloadEEPROM(target, false);
    if (result == TransferResult::Ok)
        result = reader.DownloadFLASH(target);
    return result;
}

bool UnitLink::saveBackup(const UnitConfig& unit)
{
    QString error;
    lastBackup_ = UnitBackups(backupFolder_).save(unit, portName_, &error);
    if (lastBackup_.isEmpty()) {
        Prompts().message(error + QStringLiteral("\nNothing was written to the unit."), MsgIcon::Critical);
        return false;
    }
    ShowStatus(QStringLiteral("What the unit held is saved as ") + QDir::toNativeSeparators(lastBackup_));
    return true;
}

TransferResult UnitLink::writeAndVerify(const UnitConfig& unit, UnitConfig& written, UploadScope scope,
                                        bool& stringCut)
{
    UnitWriter writer(link_, identity_, allCharsAsCodes_);
    TransferResult result = TransferResult::Ok;
    if (scope != UploadScope::FlashOnly)
        result = writer.UploadEEPROM(written, unit);
    const bool goOn = result == TransferResult::Ok || result == TransferResult::Unconfirmed;
    if (scope != UploadScope::SettingsOnly && goOn) {
        const TransferResult flash = writer.UploadFLASH(written, unit, stringCut);
        if (flash != TransferResult::Ok)
            result = flash;
    }
    // A write the unit did not confirm may still have landed: the read-back
    // tells.
    if (verify_ && (result == TransferResult::Ok || result == TransferResult::Unconfirmed))
        result = verifyUpload(unit, written, scope);
    return result;
}

TransferResult UnitLink::verifyUpload(const UnitConfig& unit, const UnitConfig& written, UploadScope scope)
{
    ShowStatus(QStringLiteral("Verifying the upload..."));
    const UnitConfig expected = UnitAfterUpload(unit, written, scope, identity_.HardwareCode, allCharsAsCodes_);
    UnitConfig readBack = expected;
    UnitReader reader(link_, identity_, allCharsAsCodes_);
    TransferResult result = TransferResult::Ok;
    if (scope != UploadScope::FlashOnly)
        result = reader.DownloadEEPROM(readBack, false);
    if (result == TransferResult::Ok && scope != UploadScope::SettingsOnly)
        result = reader.DownloadFLASH(readBack);
    if (result != TransferResult::Ok)
        return result;
    const QStringList differences = ConfigDifferences(expected, readBack);
    if (differences.isEmpty())
        return TransferResult::Ok;
    link_.view().uploadMismatch(differences);
    return TransferResult::Mismatch;
}

bool UnitLink::sendOption(const QByteArray& command)
{
    return queueSend({command, true});
}

bool UnitLink::sendText(const QByteArray& text)
{
    return queueSend({text, false});
}

bool UnitLink::queueSend(const Outgoing& item)
{
    if (transferRunning())
        return false;
    outbox_.append(item);
    const Hold hold(*this, Activity::Sending);
    if (!hold.granted())
        return true;   // the call already sending below us sends it in turn
    while (!outbox_.isEmpty()) {
        const Outgoing next = outbox_.takeFirst();
        if (next.option)
            link_.sendOption(next.bytes);
        else
            link_.SendData(next.bytes);
    }
    return true;
}

QStringList UnitLink::presentPorts()
{
    QStringList ports;
    for (int p = 1; p <= kMaxPortNumber; ++p) {
        if (!ResolvePortDevice(p).isEmpty())
            ports << QStringLiteral("Com%1").arg(p);
    }
    return ports;
}

QStringList UnitLink::populatePorts(SerialPort* prober, bool scan)
{
    QStringList ports;
    for (int p = 1; p <= kMaxPortNumber; ++p) {
        if (!scan || (prober && PortAvailable(p, *prober)))
            ports << QStringLiteral("Com%1").arg(p);
    }
    return ports;
}

#include "unitlink.h"

#include "errorlog.h"
#include "inifile.h"
#include "linkview.h"
#include "networkport.h"
#include "portresolve.h"
#include "portservices.h"
#include "prompter.h"
#include "runtimeerror.h"
#include "serialport.h"
#include "status.h"
#include "eepromdata.h"
#include "unitbackups.h"
#include "unitconfig.h"
#include "unitmemory.h"
#include "unitreader.h"
#include "unitwriter.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

namespace {
// The serial component's error numbers, as the error log shows them.
constexpr int kPortAlreadyOpenError = 8005;
constexpr int kInvalidPortError = 8002;
// The most a network's round trip may stretch the replies' silences.
constexpr int kMaxRoundTripMs = 1500;

// What a serial server on a network adds to an answer's way, from the time
// the probe took beyond its own characters, pauses and silence, with as much
// again for a network's ups and downs.
int NetworkAllowanceMs(qint64 probeMs, const LinkTiming& t)
{
    const qint64 local = t.pacing.firstCharMs + 2 * t.pacing.nextCharMs + t.replySilenceMs;
    return int(qBound<qint64>(0, 2 * (probeMs - local), qint64(kMaxRoundTripMs)));
}
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
    const std::optional<NetworkPort> network = NetworkPort::parse(portText);
    const int number = network ? 0 : PortNumberOf(portText);
    // The adapter as it is now (the list of devices may change during the
    // waits below); a network port is known by its URL.
    const QString adapter = !rememberPort_ ? QString() : network ? network->url() : PortDeviceInfo(number).identity();
    trap([&] {
        if (network) {
            if (!port.setNetworkPort(network->url()))
                throw RuntimeError(kInvalidPortError, QStringLiteral("This port reaches local devices only"));
        } else {
            port.setPortNumber(number);
        }
        if (!port.open())
            throw RuntimeError(port.lastError() == SerialError::AlreadyOpen ? kPortAlreadyOpenError
                                                                            : kInvalidPortError,
                               port.lastErrorText());
    });
    link_.Pause(link_.timing().openSettleMs);
    if (!port.isOpen()) {
        if (network)
            ShowStatus(QStringLiteral("Unable to reach %1: %2").arg(network->url(), port.lastErrorText()));
        else if (port.lastError() == SerialError::AlreadyOpen)
            ShowStatus(QStringLiteral("%1 is in use by another program (%2)").arg(portText, port.deviceName()));
        else
            ShowStatus(QStringLiteral("Invalid port ") + portText);
        return false;
    }
    link_.clearLineDropped();
    // A network's round trip is unknown before the probe: the most it may be.
    link_.setNetworkLine(network.has_value(), kMaxRoundTripMs);
    QElapsedTimer probe;
    probe.start();
    if (!link_.IsResponding()) {
        closeLink();
        ShowStatus(QStringLiteral("Unable to connect on port ") + portText);
        return false;
    }
    if (network)
        link_.setNetworkLine(true, NetworkAllowanceMs(probe.elapsed(), link_.timing()));
    portName_ = portText;
    if (rememberPort_) {
        // The port and the adapter itself, found again when its number moved.
        QString error;
        if (!WriteIniValues(QString::fromLatin1(kLocalSettingsSection),
                            {{QStringLiteral("ComPort"), portText}, {QStringLiteral("ComPortId"), adapter}},
                            QString(), &error))
            link_.view().localSettingsNotSaved(error);
    }

    bool handlingOn = true;
    link_.KV310EchoState(true, handlingOn);
    QString but;   // what went wrong after connecting
    if (connectReadsSettings_) {
        UnitMemory memory;
        UnitReader reader(link_, identity_);
        TransferResult result = reader.DownloadEEPROM(memory, true);
        if (result == TransferResult::Ok) {
            UnitIdentity ignored;
            ProcessEEPROMData(memory.eeprom, config_, true, ignored);
            result = reader.acknowledgePowerFailure();
            if (result != TransferResult::Ok)
                but = QStringLiteral(", but the unit did not confirm clearing its power failure.");
        } else {
            but = QStringLiteral(", but the unit's settings could not be read.");
        }
        failure_ = reader.failure();
        if (result == TransferResult::LineDropped)
            return false;   // reported when the hold ends
    }
    link_.view().displayData(true);
    link_.view().controlState(true, false);
    ShowStatus((network ? QStringLiteral("Connected on ") + network->url() : QStringLiteral("Connected on COM%1").arg(number))
               + but);
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
    failure_.clear();
    if (!link_.IsResponding()) {
        ShowStatus(QStringLiteral("Unable to download, unit is not responding."));
        return TransferResult::NotResponding;
    }
    link_.state().CompareMode = false;
    link_.view().controlState(false, true);
    bool saved = false;
    link_.KV310EchoState(false, saved);

    // Taken only whole: an interrupted read leaves the configuration alone.
    UnitMemory memory;
    const TransferResult result = readUnit(memory, PowerFailure::Acknowledge);
    if (result == TransferResult::Ok) {
        config_ = ConfigOfMemory(memory, config_, allCharsAsCodes_);
        link_.view().displayData(false);
        ShowStatus(QStringLiteral("Download successful"));
    } else {
        ShowStatus(DownloadFailureText(result, failure_));
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
    failure_.clear();
    if (!link_.IsResponding()) {
        ShowStatus(QStringLiteral("Unable to upload, unit is not responding."));
        return TransferResult::NotResponding;
    }
    if (!link_.view().verifyForUpload() || !link_.view().askSaveChanges())
        return TransferResult::Cancelled;
    failure_ = UnencodableInScope(config_, scope);
    if (!failure_.isEmpty()) {
        ShowStatus(UploadFailureText(TransferResult::Unencodable, failure_));
        return TransferResult::Unencodable;
    }

    link_.state().CompareMode = true;
    link_.view().controlState(false, true);
    bool saved = false;
    link_.KV310EchoState(false, saved);
    lastBackup_.clear();

    // Both memories before any write: what the unit holds is shown against
    // what will be written and kept as a backup first. Nothing is written
    // before the user agreed, a reported power failure included.
    UnitMemory unit;
    TransferResult result = readUnit(unit, PowerFailure::Leave);
    UploadPlan plan;
    if (result == TransferResult::Ok) {
        const std::optional<uint8_t> powerAck =
            identity_.PowerFailDetected ? std::optional<uint8_t>(identity_.PowerStatusByte) : std::nullopt;
        plan = PlanUpload(unit, config_, scope, identity_.HardwareCode, powerAck, allCharsAsCodes_);
        if (!link_.view().confirmUpload(PlanChanges(plan)))
            result = TransferResult::Cancelled;
    }
    if (result == TransferResult::Ok && !saveBackup(ConfigOfMemory(unit, config_, allCharsAsCodes_)))
        result = TransferResult::BackupFailed;
    if (result != TransferResult::Ok) {
        ShowStatus(result == TransferResult::Cancelled
                       ? QStringLiteral("Upload cancelled: nothing was written to the unit.")
                       : UploadFailureText(result, failure_));
        endTransfer();
        return result;
    }

    UnitWriter writer(link_);
    result = writer.write(plan);
    failure_ = writer.failure();
    const bool written = result == TransferResult::Ok;
    if (written) {
        if (plan.writesEeprom())
            identity_.PowerFailDetected = false;
        // The pads and cuts the unit now holds.
        config_ = plan.model;
        if (verify_)
            result = verifyUpload(plan);
    }
    if (written && scope != UploadScope::SettingsOnly)
        link_.view().displayData(false);
    if (written && plan.stringCut)
        link_.view().markChanged(true);
    ShowStatus(uploadStatus(result)
               + QStringLiteral(" (backup %1)").arg(QFileInfo(lastBackup_).fileName()));
    endTransfer();
    return result;
}

QString UnitLink::uploadStatus(TransferResult result) const
{
    if (result != TransferResult::Ok)
        return UploadFailureText(result, failure_);
    return verify_ ? QStringLiteral("Upload successful")
                   : QStringLiteral("Upload done: the unit confirmed every write; nothing was read back");
}

TransferResult UnitLink::readUnit(UnitMemory& memory, PowerFailure powerFailure)
{
    UnitReader reader(link_, identity_);
    TransferResult result = reader.DownloadEEPROM(memory, false);
    if (result == TransferResult::Ok && powerFailure == PowerFailure::Acknowledge)
        result = reader.acknowledgePowerFailure();
    if (result == TransferResult::Ok)
        result = reader.DownloadFLASH(memory);
    failure_ = reader.failure();
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

TransferResult UnitLink::verifyUpload(const UploadPlan& plan)
{
    ShowStatus(QStringLiteral("Verifying the upload..."));
    // What was written, and nothing else: the EEPROM in one read when the
    // plan wrote to it, each written block by its own read.
    UnitMemory readBack = plan.before;
    UnitReader reader(link_, identity_);
    TransferResult result = TransferResult::Ok;
    if (plan.writesEeprom())
        result = reader.DownloadEEPROM(readBack, false);
    const QList<FlashBlock> blocks = plan.writtenBlocks();
    if (result == TransferResult::Ok && !blocks.isEmpty())
        result = reader.DownloadBlocks(readBack, blocks);
    if (result != TransferResult::Ok) {
        failure_ = reader.failure();
        return result;
    }
    const QStringList differences = ReadBackDifferences(plan, readBack);
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

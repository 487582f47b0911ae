#include "unitlink.h"

#include "errorlog.h"
#include "inifile.h"
#include "linkview.h"
#include "portservices.h"
#include "runtimeerror.h"
#include "serialport.h"
#include "status.h"
#include "unitconfig.h"
#include "unitreader.h"
#include "unitwriter.h"
#include "wait.h"

namespace {
// The serial component's error numbers, as the error log shows them.
constexpr int kPortAlreadyOpenError = 8005;
constexpr int kInvalidPortError = 8002;

// Marks a transfer for the life of a command, so a line that drops meanwhile
// is dealt with once the transfer has unwound.
class TransferScope {
public:
    explicit TransferScope(bool& flag) : flag_(flag), outer_(flag) { flag_ = true; }
    ~TransferScope() { flag_ = outer_; }
private:
    bool& flag_;
    bool outer_;
};
} // namespace

UnitLink::UnitLink(SerialPort* port, UnitConfig& config, LinkView* view, QObject* parent)
    : QObject(parent)
    , link_(port)
    , config_(config)
{
    link_.setView(view);
    connect(&link_, &SerialLink::lineLost, this, &UnitLink::onLineLost);
}

void UnitLink::setView(LinkView* view) { link_.setView(view); }

int UnitLink::portNumberOf(const QString& portText)
{
    bool ok = false;
    const int n = portText.toLower().remove(QStringLiteral("com")).trimmed().toInt(&ok);
    return ok && n > 0 ? n : 0;
}

bool UnitLink::connectUnit(const QString& portText)
{
    const ProcedureTrap trap = ProcedureTrap::form("cmdConnect_Click", "frmMain");
    SerialPort& port = *link_.port();
    if (port.isOpen()) {
        port.close();
    } else if (portText.isEmpty()) {
        ShowStatus(QStringLiteral("Please select a COM port first"));
        return false;
    }
    const int number = portNumberOf(portText);
    trap([&] {
        port.setPortNumber(number);
        if (!port.open())
            throw RuntimeError(port.lastError() == SerialError::AlreadyOpen ? kPortAlreadyOpenError
                                                                            : kInvalidPortError,
                               port.lastErrorText());
    });
    WaitMs(LinkTiming::kOpenSettleMs);
    if (!port.isOpen()) {
        ShowStatus(QStringLiteral("Invalid port ") + portText);
        return false;
    }
    link_.clearLineDropped();
    if (!link_.IsResponding()) {
        disconnectUnit();
        ShowStatus(QStringLiteral("Unable to connect on port ") + portText);
        return false;
    }
    if (rememberPort_)
        trap([&] { WriteIniValue(QString::fromLatin1(kLocalSettingsSection), QStringLiteral("ComPort"), portText); });

    bool handlingOn = true;
    link_.KV310EchoState(true, handlingOn);
    TransferResult result = TransferResult::Ok;
    {
        const TransferScope scope(inTransfer_);
        UnitConfig read = config_;
        result = UnitReader(link_, identity_).DownloadEEPROM(read, true);
        if (result == TransferResult::Ok)
            config_ = read;
    }
    if (result == TransferResult::LineDropped) {
        onLineLost();
        return false;
    }
    link_.view().displayData(true);
    link_.view().controlState(true, false);
    const QString connected = QStringLiteral("Connected on COM%1").arg(number);
    ShowStatus(result == TransferResult::Ok
                   ? connected
                   : connected + QStringLiteral(", but the unit's settings could not be read."));
    return true;
}

void UnitLink::disconnectUnit()
{
    link_.state().UnitConnected = false;
    identity_ = UnitIdentity();   // the next unit may be another model
    link_.view().controlState(false, false);
    if (link_.port()->isOpen())
        link_.port()->close();
}

void UnitLink::onLineLost()
{
    if (inTransfer_)
        return;   // the transfer notices, unwinds, then comes here
    disconnectUnit();
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
    link_.clearLineDropped();
    if (!link_.IsResponding()) {
        ShowStatus(QStringLiteral("Unable to download, unit is not responding."));
        return TransferResult::NotResponding;
    }
    link_.state().CompareMode = false;
    link_.view().controlState(false, true);
    bool saved = false;
    link_.KV310EchoState(false, saved);

    TransferResult result = TransferResult::Ok;
    {
        const TransferScope scope(inTransfer_);
        // Read into a copy: an interrupted read leaves the configuration alone.
        UnitConfig read = config_;
        UnitReader reader(link_, identity_);
        result = reader.DownloadEEPROM(read, false);
        if (result == TransferResult::Ok)
            result = reader.DownloadFLASH(read);
        if (result == TransferResult::Ok)
            config_ = read;
    }
    if (result == TransferResult::Ok) {
        link_.view().displayData(false);
        ShowStatus(QStringLiteral("Download successful"));
    } else {
        ShowStatus(DownloadFailureText(result));
    }
    endTransfer();
    if (result == TransferResult::Ok)
        link_.view().markChanged(true);
    if (result == TransferResult::LineDropped)
        onLineLost();
    return result;
}

TransferResult UnitLink::upload(UploadScope scope)
{
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

    TransferResult result = TransferResult::Ok;
    bool stringCut = false;
    {
        const TransferScope transfer(inTransfer_);
        // The write pads sequences and cuts long strings in the model; that
        // is kept unless the line dropped.
        UnitConfig written = config_;
        UnitWriter writer(link_, identity_);
        if (scope != UploadScope::FlashOnly)
            result = writer.UploadEEPROM(written);
        const bool goOn = result == TransferResult::Ok || result == TransferResult::Unconfirmed;
        if (scope != UploadScope::SettingsOnly && goOn) {
            const TransferResult flash = writer.UploadFLASH(written, stringCut);
            if (flash != TransferResult::Ok)
                result = flash;
        }
        if (result != TransferResult::LineDropped)
            config_ = written;
    }
    if (scope != UploadScope::SettingsOnly && result != TransferResult::LineDropped)
        link_.view().displayData(false);
    if (stringCut && result != TransferResult::LineDropped)
        link_.view().markChanged(true);
    ShowStatus(result == TransferResult::Ok ? QStringLiteral("Upload successful")
                                            : UploadFailureText(result));
    endTransfer();
    if (result == TransferResult::LineDropped)
        onLineLost();
    return result;
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

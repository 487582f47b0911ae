#include "unitreader.h"

#include "eepromdata.h"
#include "errorlog.h"
#include "flashdata.h"
#include "linkview.h"
#include "numbertext.h"
#include "prompter.h"
#include "seriallink.h"
#include "serialport.h"
#include "status.h"
#include "unitconfig.h"

namespace {

QByteArray bytes(char a, char b, char c) { return QByteArray() + a + b + c; }
} // namespace

QString UnitReader::readVerb() const
{
    return link_.state().CompareMode ? QStringLiteral("Comparing") : QStringLiteral("Downloading");
}

QString UnitReader::doneNoun() const
{
    return link_.state().CompareMode ? QStringLiteral("compare") : QStringLiteral("download");
}

TransferResult UnitReader::DownloadEEPROM(UnitConfig& target, bool settingsOnly)
{
    const ProcedureTrap trap("DownloadEEPROM", "modDataComm");
    bool saved = false;
    link_.KV310EchoState(false, saved);
    ShowStatus(settingsOnly ? QStringLiteral("Updating settings...")
                            : readVerb() + QStringLiteral(" settings and labels..."));

    QByteArray reply;
    trap([&] {
        link_.WaitReady(UnitCommand::kReadMode);
        link_.SendData(QByteArray(1, UnitCommand::kReadEeprom));
        reply = link_.GetRawBuffer(false);
    });
    TransferResult result = TransferResult::Ok;
    if (link_.lineDropped()) {
        result = TransferResult::LineDropped;
    } else if (reply.size() != Eeprom::kReplySize) {
        result = TransferResult::IncompleteReply;
    } else {
        ShowStatus(QStringLiteral("Processing EEPROM data..."));
        trap([&] { ProcessEEPROMData(reply, target, settingsOnly, identity_); });
        link_.view().showUnitId(FirmwareText(identity_.firmwareVersion));
    }
    trap([&] { link_.SendData(QByteArray(1, UnitCommand::kLeaveMode)); });
    if (result == TransferResult::Ok) {
        ShowStatus(settingsOnly ? QStringLiteral("Settings updated successfully.")
                                : QStringLiteral("Settings and labels ") + doneNoun()
                                      + QStringLiteral(" successful"));
        if (identity_.PowerFailDetected) {
            Prompts().message(QStringLiteral("Power failure detected."), MsgIcon::Critical);
            trap([&] { acknowledgePowerFailure(); });
        }
    }
    link_.KV310EchoState(true, saved);
    return result;
}

void UnitReader::acknowledgePowerFailure()
{
    identity_.PowerFailDetected = false;
    link_.WaitReady(UnitCommand::kProgramMode);
    link_.SendEach(QByteArray() + UnitCommand::kWriteEeprom + char(Eeprom::kPowerStatus)
                   + char(1) + char(identity_.PowerStatusByte));
    link_.WaitReady(QByteArray());
    link_.SendData(QByteArray(1, UnitCommand::kLeaveMode));
}

TransferResult UnitReader::DownloadFLASH(UnitConfig& target)
{
    const ProcedureTrap trap("DownloadFLASH", "modDataComm");
    bool saved = false;
    link_.KV310EchoState(false, saved);
    trap([&] { link_.WaitReady(UnitCommand::kReadMode); });
    LinkView& view = link_.view();
    view.updateBar(0, Flash::kBlockCount);

    TransferResult result = TransferResult::Ok;
    for (int i = 0; i < kSlotCount && result == TransferResult::Ok; ++i) {
        ShowStatus(readVerb() + QStringLiteral(" Action Sequence #") + TwoDigits(i + 1));
        view.updateBar(i + 1, -1);
        QByteArray reply;
        // An unanswered request is repeated after re-entering read mode,
        // but not without end: a unit that stays silent ends the read.
        for (int repeat = 0; ; ++repeat) {
            trap([&] {
                link_.SendEach(bytes(UnitCommand::kReadFlash, Flash::kSequenceType, char(i)));
                reply = link_.GetRawBuffer(false);
            });
            if (link_.lineDropped()) {
                result = TransferResult::LineDropped;
                break;
            }
            if (!reply.isEmpty())
                break;
            if (repeat == kMaxEmptyRepeats) {
                result = TransferResult::StoppedResponding;
                break;
            }
            trap([&] { link_.WaitReady(UnitCommand::kReadMode); });
        }
        if (result == TransferResult::Ok) {
            ShowStatus(QStringLiteral("Processing FLASH data..."));
            trap([&] { ProcessFlashData(i, reply, target); });
        }
    }
    for (int i = 0; i < kSlotCount && result == TransferResult::Ok; ++i) {
        view.updateBar(i + 1 + kSlotCount, -1);
        ShowStatus(readVerb() + QStringLiteral(" ASCII String #") + TwoDigits(i + 1));
        QByteArray reply;
        trap([&] {
            link_.SendEach(bytes(UnitCommand::kReadFlash, Flash::kStringType,
                                 char(i + Flash::kStringIndexBase)));
            reply = link_.GetRawBuffer(false);
            link_.Pause(link_.timing().stringSettleMs);
        });
        if (link_.lineDropped()) {
            result = TransferResult::LineDropped;
            break;
        }
        trap([&] { ProcessASCIIStrings(i, reply, target, allCharsAsCodes_); });
    }
    view.updateBar(0, 0);
    trap([&] { link_.SendData(QByteArray(1, UnitCommand::kLeaveMode)); });
    if (result == TransferResult::Ok)
        ShowStatus(QStringLiteral("FLASH data ") + doneNoun() + QStringLiteral(" successful"));
    link_.KV310EchoState(true, saved);
    return result;
}

#include "unitwriter.h"

#include "codec.h"
#include "eepromdata.h"
#include "errorlog.h"
#include "flashdata.h"
#include "linkview.h"
#include "numbertext.h"
#include "seriallink.h"
#include "status.h"
#include "unitconfig.h"
#include "uploadchanges.h"

namespace {

// The write statements of one upload: none runs once the line has dropped,
// each runs trapped, and the upload counts as confirmed only when every
// one got its reply.
class UploadSteps {
public:
    UploadSteps(SerialLink& link, const ProcedureTrap& trap) : link_(link), trap_(trap) {}

    // line: the caller's, for the error log.
    template <class Statement>
    void operator()(Statement&& statement, int line = __builtin_LINE())
    {
        if (link_.lineDropped())
            return;
        bool ok = true;
        trap_([&] { ok = statement(); }, line);
        confirmed_ = confirmed_ && ok;
    }

    TransferResult result() const
    {
        if (link_.lineDropped())
            return TransferResult::LineDropped;
        return confirmed_ ? TransferResult::Ok : TransferResult::Unconfirmed;
    }

private:
    SerialLink& link_;
    const ProcedureTrap& trap_;
    bool confirmed_ = true;
};
} // namespace

bool UnitWriter::writeEeprom(int address, const QByteArray& data)
{
    link_.SendEach(QByteArray() + UnitCommand::kWriteEeprom + char(address) + char(data.size()));
    link_.SendData(data);
    return link_.WaitReady(QByteArray());
}

bool UnitWriter::writeBlock(char type, int index, const QByteArray& block)
{
    link_.SendEach(QByteArray() + UnitCommand::kWriteFlash + type + char(index) + char(block.size()));
    link_.SendData(block);
    return link_.WaitReady(QByteArray());
}

TransferResult UnitWriter::UploadEEPROM(const UnitConfig& model, const UnitConfig& unit)
{
    const ProcedureTrap trap("UploadEEPROM", "modDataComm");
    bool saved = false;
    link_.KV310EchoState(false, saved);
    UploadSteps step(link_, trap);
    ShowStatus(QStringLiteral("Uploading settings and labels..."));
    step([&] { return link_.WaitReady(UnitCommand::kProgramMode); });
    if (PasswordChanged(unit, model)) {
        step([&] {
            link_.SendEach(QByteArray() + UnitCommand::kWriteEeprom + char(Eeprom::kPassword));
            link_.SendData(PasswordRecord(model));
            return link_.WaitReady(QByteArray());
        });
    }
    step([&] { return writeEeprom(Eeprom::kSettings, SettingsRecord(model)); });
    step([&] { return writeEeprom(Eeprom::kOptions, OptionsRecord(model)); });
    LinkView& view = link_.view();
    view.updateBar(0, kSlotCount);
    for (int i = 0; i < kSlotCount && !link_.lineDropped(); ++i) {
        if (!LabelChanged(unit, model, i))
            continue;
        ShowStatus(QStringLiteral("Uploading label #") + TwoDigits(i + 1));
        view.updateBar(i + 1, -1);
        step([&] {
            return writeEeprom(Eeprom::kLabelHeader + Eeprom::kLabelRecordSize * i,
                               LabelRecord(model, i));
        });
    }
    trap([&] { link_.SendData(QByteArray(1, UnitCommand::kLeaveMode)); });
    view.updateBar(0, 0);
    const TransferResult result = step.result();
    if (result == TransferResult::Ok)
        ShowStatus(QStringLiteral("Changes to settings and labels uploaded successfully."));
    link_.KV310EchoState(true, saved);
    return result;
}

TransferResult UnitWriter::UploadFLASH(UnitConfig& model, const UnitConfig& unit, bool& stringCut)
{
    const ProcedureTrap trap("UploadFLASH", "modDataComm");
    bool saved = false;
    link_.KV310EchoState(false, saved);
    UploadSteps step(link_, trap);
    LinkView& view = link_.view();
    ShowStatus(QStringLiteral("Uploading FLASH data..."));
    step([&] { return link_.WaitReady(UnitCommand::kProgramMode); });
    view.updateBar(0, Flash::kBlockCount);
    const int b = WriteBlockSize(identity_.HardwareCode);

    for (int i = 0; i < kSlotCount && !link_.lineDropped(); ++i) {
        view.updateBar(i + 1, -1);
        if (!SequenceChanged(unit, model, i))
            continue;
        ShowStatus(QStringLiteral("Uploading FLASH sequence #") + TwoDigits(i + 1));
        model.SeqContents[i] = WithSequencePad(model.SeqContents[i], b);
        step([&] {
            return writeBlock(Flash::kSequenceType, i,
                              SequenceBlock(model.SeqContentsLen[i], model.SeqContents[i], b));
        });
    }
    for (int i = 0; i < kSlotCount && !link_.lineDropped(); ++i) {
        view.updateBar(i + 1 + kSlotCount, -1);
        if (!StringChanged(unit, model, i))
            continue;
        ShowStatus(QStringLiteral("Uploading FLASH ASCII string #") + TwoDigits(i + 1));
        step([&] {
            const char flag = char(model.ASCIIFlagChar);
            QByteArray raw = DecodeASCIICodes(model.ASCIIStrings[i], flag);
            if (raw.size() > kMaxAsciiRaw) {
                raw.truncate(kMaxAsciiRaw);
                model.ASCIIStrings[i] = EncodeASCIICodes(raw, flag, allCharsAsCodes_);
                stringCut = true;
            }
            return writeBlock(Flash::kStringType, i + Flash::kStringIndexBase,
                              StringBlock(raw, b));
        });
    }
    view.updateBar(0, 0);
    trap([&] { link_.SendData(QByteArray(1, UnitCommand::kLeaveMode)); });
    const TransferResult result = step.result();
    if (result == TransferResult::Ok)
        ShowStatus(QStringLiteral("Changes to FLASH data uploaded successfully"));
    link_.KV310EchoState(true, saved);
    return result;
}

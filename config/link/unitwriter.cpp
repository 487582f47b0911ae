#include "unitwriter.h"

#include "errorlog.h"
#include "flashdata.h"
#include "linkview.h"
#include "seriallink.h"
#include "status.h"
#include "uploadplan.h"

namespace {
struct SessionTexts {
    const char* procedure;
    QString starting;
    QString done;
    int barMaximum;
};

SessionTexts textsOf(bool eeprom)
{
    if (eeprom)
        return {"UploadEEPROM", QStringLiteral("Uploading settings and labels..."),
                QStringLiteral("Changes to settings and labels uploaded successfully."), kSlotCount};
    return {"UploadFLASH", QStringLiteral("Uploading FLASH data..."),
            QStringLiteral("Changes to FLASH data uploaded successfully"), Flash::kBlockCount};
}

// What the status line shows while a write goes out; empty for the writes
// the unit's settings session makes without a word of its own.
QString progressText(const PlannedWrite& w)
{
    if (w.isEeprom())
        return w.progress > 0 ? QStringLiteral("Uploading ") + w.name : QString();
    return QStringLiteral("Uploading FLASH ") + w.name;
}
} // namespace

TransferResult UnitWriter::fail(TransferResult result, const QString& what)
{
    failure_ = what;
    return result;
}

bool UnitWriter::send(const PlannedWrite& w)
{
    link_.drainInput();
    if (w.isEeprom()) {
        link_.SendEach(QByteArray() + UnitCommand::kWriteEeprom + char(w.address));
        if (!w.countInData)
            link_.SendData(QByteArray(1, char(w.data.size())));
    } else {
        const char type = w.target == PlannedWrite::Target::SequenceBlock ? Flash::kSequenceType : Flash::kStringType;
        const int index = w.target == PlannedWrite::Target::SequenceBlock ? w.address : w.address + Flash::kStringIndexBase;
        link_.SendEach(QByteArray() + UnitCommand::kWriteFlash + type + char(index) + char(w.data.size()));
    }
    link_.SendData(w.data);
    return link_.WaitReady(QByteArray());
}

TransferResult UnitWriter::writeSession(const UploadPlan& plan, bool eeprom)
{
    const SessionTexts texts = textsOf(eeprom);
    const ProcedureTrap trap(texts.procedure, "modDataComm");
    LinkView& view = link_.view();
    bool saved = false;
    link_.KV310EchoState(false, saved);
    ShowStatus(texts.starting);
    TransferResult result = TransferResult::Ok;
    bool entered = false;
    if (!trap([&] { entered = link_.WaitReady(UnitCommand::kProgramMode); }) || !entered)
        result = fail(TransferResult::Unconfirmed, QStringLiteral("program mode"));
    view.updateBar(0, texts.barMaximum);
    for (const PlannedWrite& w : plan.writes) {
        if (result != TransferResult::Ok || link_.lineDropped())
            break;
        if (w.isEeprom() != eeprom)
            continue;
        const QString text = progressText(w);
        if (!text.isEmpty())
            ShowStatus(text);
        if (w.progress > 0)
            view.updateBar(w.progress, -1);
        bool confirmed = false;
        if (!trap([&] { confirmed = send(w); }) || !confirmed)
            result = fail(TransferResult::Unconfirmed, QStringLiteral("the write of ") + w.name);
    }
    view.updateBar(0, 0);
    trap([&] { link_.SendData(QByteArray(1, UnitCommand::kLeaveMode)); });
    if (link_.lineDropped())
        result = fail(TransferResult::LineDropped, QString());
    if (result == TransferResult::Ok)
        ShowStatus(texts.done);
    link_.KV310EchoState(true, saved);
    return result;
}

TransferResult UnitWriter::write(const UploadPlan& plan)
{
    failure_.clear();
    TransferResult result = TransferResult::Ok;
    if (plan.scope != UploadScope::FlashOnly)
        result = writeSession(plan, true);
    if (result == TransferResult::Ok && plan.scope != UploadScope::SettingsOnly)
        result = writeSession(plan, false);
    return result;
}

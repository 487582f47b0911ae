#include "unitreader.h"

#include "eepromdata.h"
#include "errorlog.h"
#include "flashdata.h"
#include "linkview.h"
#include "numbertext.h"
#include "prompter.h"
#include "seriallink.h"
#include "status.h"
#include "unitmemory.h"

#include <functional>

namespace {
QByteArray bytes(char a, char b, char c) { return QByteArray() + a + b + c; }

QString sequenceName(int slot) { return QStringLiteral("sequence #") + TwoDigits(slot + 1); }
QString stringName(int index) { return QStringLiteral("ASCII string #") + TwoDigits(index + 1); }
} // namespace

QString UnitReader::readVerb() const
{
    return link_.state().CompareMode ? QStringLiteral("Comparing") : QStringLiteral("Downloading");
}

QString UnitReader::doneNoun() const
{
    return link_.state().CompareMode ? QStringLiteral("compare") : QStringLiteral("download");
}

TransferResult UnitReader::fail(TransferResult result, const QString& what)
{
    failure_ = what;
    return result;
}

TransferResult UnitReader::DownloadEEPROM(UnitMemory& memory, bool settingsOnly)
{
    const ProcedureTrap trap("DownloadEEPROM", "modDataComm");
    bool saved = false;
    link_.KV310EchoState(false, saved);
    ShowStatus(settingsOnly ? QStringLiteral("Updating settings...")
                            : readVerb() + QStringLiteral(" settings and labels..."));

    QByteArray reply;
    trap([&] {
        link_.WaitReady(UnitCommand::kReadMode);
        link_.drainInput();
        link_.SendData(QByteArray(1, UnitCommand::kReadEeprom));
        reply = link_.GetRawBuffer(false, Eeprom::kReplySize, [](const QByteArray& r) {
            return r.size() == Eeprom::kReplySize && r.endsWith(UnitCommand::kReady);
        });
    });
    TransferResult result = TransferResult::Ok;
    QString why;
    const std::optional<QByteArray> image = EepromImageOfReply(reply, &why);
    if (link_.lineDropped()) {
        result = fail(TransferResult::LineDropped, QString());
    } else if (reply.isEmpty()) {
        result = fail(TransferResult::StoppedResponding, QStringLiteral("no reply to the EEPROM read"));
    } else if (!image) {
        result = fail(TransferResult::MalformedReply, QStringLiteral("the EEPROM reply (%1)").arg(why));
    } else {
        link_.learnReplyPauses();   // what a whole reply of this line looked like
        ShowStatus(QStringLiteral("Processing EEPROM data..."));
        UnitConfig ignored;
        trap([&] { ProcessEEPROMData(*image, ignored, true, identity_); });
        memory.eeprom = *image;
        link_.view().showUnitId(FirmwareText(identity_.firmwareVersion));
    }
    trap([&] { link_.SendData(QByteArray(1, UnitCommand::kLeaveMode)); });
    if (result == TransferResult::Ok) {
        ShowStatus(settingsOnly ? QStringLiteral("Settings updated successfully.")
                                : QStringLiteral("Settings and labels ") + doneNoun()
                                      + QStringLiteral(" successful"));
        if (identity_.PowerFailDetected)
            Prompts().message(QStringLiteral("Power failure detected."), MsgIcon::Critical);
    }
    link_.KV310EchoState(true, saved);
    return result;
}

TransferResult UnitReader::acknowledgePowerFailure()
{
    const ProcedureTrap trap("DownloadEEPROM", "modDataComm");
    if (!identity_.PowerFailDetected)
        return TransferResult::Ok;
    bool saved = false;
    link_.KV310EchoState(false, saved);
    bool confirmed = false;
    trap([&] {
        identity_.PowerFailDetected = false;
        if (link_.WaitReady(UnitCommand::kProgramMode)) {
            link_.drainInput();
            link_.SendEach(QByteArray() + UnitCommand::kWriteEeprom + char(Eeprom::kPowerStatus)
                           + char(1) + char(identity_.PowerStatusByte));
            confirmed = link_.WaitReady(QByteArray());
        }
        link_.SendData(QByteArray(1, UnitCommand::kLeaveMode));
    });
    link_.KV310EchoState(true, saved);
    if (link_.lineDropped())
        return fail(TransferResult::LineDropped, QString());
    return confirmed ? TransferResult::Ok
                     : fail(TransferResult::Unconfirmed, QStringLiteral("the write that clears the power failure"));
}

TransferResult UnitReader::requestBlock(char type, int index, QByteArray* reply, const QString& name)
{
    const ProcedureTrap trap("DownloadFLASH", "modDataComm");
    // An unanswered request is repeated after re-entering read mode, but
    // not without end: a unit that stays silent ends the read.
    // A string has nothing to tell its end by (its characters may hold an
    // "i" too): on a network line its reply waits out the line's pauses.
    const auto whole = type == Flash::kSequenceType ? std::function<bool(const QByteArray&)>(SequenceReplyComplete)
                                                    : std::function<bool(const QByteArray&)>();
    for (int repeat = 0;; ++repeat) {
        qint64 late = 0;
        trap([&] { late = link_.drainInput(); });
        // More of the reply before came after it was taken: it was not whole.
        if (late > 0 && !lastTaken_.isEmpty())
            return fail(TransferResult::MalformedReply,
                        QStringLiteral("the reply to %1 (%2 more byte(s) came after it)").arg(lastTaken_).arg(late));
        trap([&] {
            link_.SendEach(bytes(UnitCommand::kReadFlash, type, char(index)));
            *reply = link_.GetRawBuffer(false, Flash::kMaxReplyBytes, whole);
        });
        if (link_.lineDropped())
            return fail(TransferResult::LineDropped, QString());
        if (!reply->isEmpty())
            return TransferResult::Ok;
        if (repeat == kMaxEmptyRepeats)
            return fail(TransferResult::StoppedResponding, QStringLiteral("no reply to ") + name);
        trap([&] { link_.WaitReady(UnitCommand::kReadMode); });
    }
}

TransferResult UnitReader::take(const std::optional<QByteArray>& framed, const QString& name, const QString& why,
                                QByteArray* into)
{
    if (!framed)
        return fail(TransferResult::MalformedReply, QStringLiteral("the reply to %1 (%2)").arg(name, why));
    *into = *framed;
    lastTaken_ = name;
    return TransferResult::Ok;
}

TransferResult UnitReader::readBlock(const FlashBlock& block, UnitMemory& into)
{
    const ProcedureTrap trap("DownloadFLASH", "modDataComm");
    const bool sequence = block.kind == FlashBlock::Kind::Sequence;
    const int i = block.index;
    const QString name = sequence ? sequenceName(i) : stringName(i);
    ShowStatus(readVerb() + (sequence ? QStringLiteral(" Action Sequence #") : QStringLiteral(" ASCII String #"))
               + TwoDigits(i + 1));
    QByteArray reply;
    TransferResult result = sequence
        ? requestBlock(Flash::kSequenceType, i, &reply, name)
        : requestBlock(Flash::kStringType, i + Flash::kStringIndexBase, &reply, name);
    if (result != TransferResult::Ok)
        return result;
    QString why;
    if (sequence) {
        ShowStatus(QStringLiteral("Processing FLASH data..."));
        return take(SequenceBlockOfReply(reply, &why), name, why, &into.sequences[i]);
    }
    // The unit may send the string's "i" a moment after its characters.
    trap([&] { reply += link_.PauseCollecting(link_.timing().stringSettleMs, Flash::kMaxReplyBytes); });
    if (link_.lineDropped())
        return fail(TransferResult::LineDropped, QString());
    return take(StringOfReply(reply, &why), name, why, &into.strings[i]);
}

TransferResult UnitReader::DownloadFLASH(UnitMemory& memory)
{
    UnitMemory read = memory;
    const TransferResult result = DownloadBlocks(read, AllFlashBlocks());
    if (result == TransferResult::Ok) {
        read.flashRead = true;
        memory = read;
        ShowStatus(QStringLiteral("FLASH data ") + doneNoun() + QStringLiteral(" successful"));
    }
    return result;
}

TransferResult UnitReader::DownloadBlocks(UnitMemory& memory, const QList<FlashBlock>& blocks)
{
    const ProcedureTrap trap("DownloadFLASH", "modDataComm");
    bool saved = false;
    link_.KV310EchoState(false, saved);
    trap([&] { link_.WaitReady(UnitCommand::kReadMode); });
    LinkView& view = link_.view();
    view.updateBar(0, int(blocks.size()));

    UnitMemory read = memory;
    TransferResult result = TransferResult::Ok;
    lastTaken_.clear();
    for (qsizetype n = 0; n < blocks.size() && result == TransferResult::Ok; ++n) {
        view.updateBar(int(n + 1), -1);
        result = readBlock(blocks.at(n), read);
    }
    if (result == TransferResult::Ok) {
        // What a network line may still hold of the last reply shows after one of its pauses.
        qint64 late = 0;
        if (link_.networkLine())
            late = link_.PauseCollecting(link_.replyPauseMs(), Flash::kMaxReplyBytes).size();
        late += link_.drainInput();
        if (late > 0)
            result = fail(TransferResult::MalformedReply,
                          QStringLiteral("the reply to %1 (%2 more byte(s) came after it)").arg(lastTaken_).arg(late));
    }
    view.updateBar(0, 0);
    trap([&] { link_.SendData(QByteArray(1, UnitCommand::kLeaveMode)); });
    if (result == TransferResult::Ok)
        memory = read;
    link_.KV310EchoState(true, saved);
    return result;
}

#include "uploadplan.h"

#include "configdiff.h"
#include "eepromdata.h"
#include "flashdata.h"
#include "numbertext.h"
#include "runtimeerror.h"
#include "textforms.h"
#include "unitidentity.h"

namespace {
QString slotName(const char* what, int i) { return QLatin1String(what) + TwoDigits(i + 1); }

bool inEeprom(UploadScope scope) { return scope != UploadScope::FlashOnly; }
bool inFlash(UploadScope scope) { return scope != UploadScope::SettingsOnly; }

QByteArray withoutTrailingFiller(QByteArray bytes)
{
    while (bytes.endsWith(Flash::kSequenceFiller))
        bytes.chop(1);
    return bytes;
}

// The raw bytes of a string's text form; nothing when a code does not fit.
std::optional<QByteArray> rawOf(const QByteArray& text, uint8_t flag)
{
    try {
        return DecodeASCIICodes(text, char(flag));
    } catch (const RuntimeError&) {
        return std::nullopt;
    }
}

QString hexBytes(const QByteArray& bytes) { return QString::fromLatin1(bytes.toHex(' ')); }

// The memories of scope only: a read-back covers no more.
UnitMemory within(const UnitMemory& memory, UploadScope scope)
{
    UnitMemory part;
    if (inEeprom(scope))
        part.eeprom = memory.eeprom;
    if (inFlash(scope)) {
        part.sequences = memory.sequences;
        part.strings = memory.strings;
        part.flashRead = memory.flashRead;
    }
    return part;
}

// The EEPROM addresses a read-back is compared at: where the configuration
// sits and what the plan wrote.
QList<bool> comparedAddresses(const UploadPlan& plan)
{
    QList<bool> compared(Eeprom::kSize, false);
    for (int a = 0; a < Eeprom::kSize; ++a)
        compared[a] = Eeprom::HoldsConfiguration(a);
    for (const PlannedWrite& w : plan.writes)
        if (w.isEeprom())
            for (int k = 0; k < w.data.size() - (w.countInData ? 1 : 0); ++k)
                compared[w.address + k] = true;
    return compared;
}

// The differences in the bytes themselves, for what no listing shows.
QStringList byteDifferences(const UploadPlan& plan, const UnitMemory& readBack)
{
    QStringList out;
    const UnitMemory& expected = plan.after;
    if (inEeprom(plan.scope)) {
        const QList<bool> compared = comparedAddresses(plan);
        for (int a = 0; a < Eeprom::kSize; ++a) {
            const char want = a < expected.eeprom.size() ? expected.eeprom.at(a) : '\0';
            const char got = a < readBack.eeprom.size() ? readBack.eeprom.at(a) : '\0';
            if (compared[a] && want != got)
                out << QStringLiteral("- EEPROM %1: %2").arg(a).arg(uint8_t(want), 2, 16, QLatin1Char('0'))
                    << QStringLiteral("+ EEPROM %1: %2").arg(a).arg(uint8_t(got), 2, 16, QLatin1Char('0'));
        }
    }
    if (inFlash(plan.scope)) {
        for (int i = 0; i < kSlotCount; ++i) {
            if (withoutTrailingFiller(expected.sequences[i]) != withoutTrailingFiller(readBack.sequences[i]))
                out << QStringLiteral("- %1: %2").arg(slotName("sequence #", i), hexBytes(expected.sequences[i]))
                    << QStringLiteral("+ %1: %2").arg(slotName("sequence #", i), hexBytes(readBack.sequences[i]));
            if (expected.strings[i] != readBack.strings[i])
                out << QStringLiteral("- %1: %2").arg(slotName("ASCII string #", i), hexBytes(expected.strings[i]))
                    << QStringLiteral("+ %1: %2").arg(slotName("ASCII string #", i), hexBytes(readBack.strings[i]));
        }
    }
    return out;
}

bool eepromDiffers(const UploadPlan& plan, const QByteArray& readBack)
{
    if (readBack.size() != Eeprom::kSize)
        return true;
    const QList<bool> compared = comparedAddresses(plan);
    for (int a = 0; a < Eeprom::kSize; ++a)
        if (compared[a] && plan.after.eeprom.at(a) != readBack.at(a))
            return true;
    return false;
}

bool flashDiffers(const UploadPlan& plan, const UnitMemory& readBack)
{
    for (int i = 0; i < kSlotCount; ++i)
        if (withoutTrailingFiller(plan.after.sequences[i]) != withoutTrailingFiller(readBack.sequences[i])
            || plan.after.strings[i] != readBack.strings[i])
            return true;
    return false;
}

void planEeprom(UploadPlan& plan, const UnitConfig& unit, std::optional<uint8_t> powerAck)
{
    const UnitConfig& model = plan.model;
    const auto add = [&](int address, const QByteArray& data, const QString& name, bool countInData = false) {
        plan.writes.append({PlannedWrite::Target::Eeprom, address, data, countInData, name, 0});
    };
    if (powerAck)
        add(Eeprom::kPowerStatus, QByteArray(1, char(*powerAck)), QStringLiteral("the power failure report"));
    if (unit.PassWord != model.PassWord)
        add(Eeprom::kPassword, PasswordRecord(model), QStringLiteral("the password"), true);
    add(Eeprom::kSettings, SettingsRecord(model), QStringLiteral("the settings"));
    add(Eeprom::kOptions, OptionsRecord(model), QStringLiteral("the option bits"));
    // A change of the label number alone is not written: it is carried, not edited.
    for (int i = 0; i < kSlotCount; ++i) {
        if (unit.SeqLabel[i] == model.SeqLabel[i])
            continue;
        add(Eeprom::kLabelHeader + Eeprom::kLabelRecordSize * i, LabelRecord(model, i), slotName("label #", i));
        plan.writes.last().progress = i + 1;
    }
}

void planFlash(UploadPlan& plan, const UnitConfig& unit, int hardwareCode, bool allCharsAsCodes)
{
    UnitConfig& model = plan.model;
    const int b = WriteBlockSize(hardwareCode);
    for (int i = 0; i < kSlotCount; ++i) {
        const bool same = model.SeqContentsLen[i] == unit.SeqContentsLen[i]
            && withoutTrailingFiller(model.SeqContents[i]) == unit.SeqContents[i];
        if (same)
            continue;
        model.SeqContents[i] = WithSequencePad(model.SeqContents[i], b);
        const QByteArray block = SequenceBlock(model.SeqContentsLen[i], model.SeqContents[i], b);
        plan.writes.append({PlannedWrite::Target::SequenceBlock, i, block, false, slotName("sequence #", i), i + 1});
        plan.after.sequences[i] = block;
    }
    const char flag = char(model.ASCIIFlagChar);
    for (int i = 0; i < kSlotCount; ++i) {
        const std::optional<QByteArray> decoded = rawOf(model.ASCIIStrings[i], model.ASCIIFlagChar);
        if (!decoded)
            continue;   // refused before any plan is made
        QByteArray raw = *decoded;
        if (raw.size() > kMaxAsciiRaw) {
            raw.truncate(kMaxAsciiRaw);
            model.ASCIIStrings[i] = EncodeASCIICodes(raw, flag, allCharsAsCodes);
            plan.stringCut = true;
        }
        if (raw == plan.before.strings[i])
            continue;
        plan.writes.append({PlannedWrite::Target::StringBlock, i, StringBlock(raw, b), false,
                            slotName("ASCII string #", i), i + 1 + kSlotCount});
        plan.after.strings[i] = raw;
    }
}
} // namespace

bool UploadPlan::writesEeprom() const
{
    for (const PlannedWrite& w : writes)
        if (w.isEeprom())
            return true;
    return false;
}

QList<FlashBlock> UploadPlan::writtenBlocks() const
{
    QList<FlashBlock> blocks;
    for (const PlannedWrite& w : writes)
        if (!w.isEeprom())
            blocks.append({w.target == PlannedWrite::Target::SequenceBlock ? FlashBlock::Kind::Sequence
                                                                           : FlashBlock::Kind::String,
                           w.address});
    return blocks;
}

QString UnencodableInScope(const UnitConfig& model, UploadScope scope)
{
    if (inEeprom(scope)) {
        for (int i = 0; i < kSlotCount; ++i) {
            const QString seq = slotName("sequence #", i);
            if (model.SeqLabel[i].size() > kMaxLabelLen)
                return QStringLiteral("the label of %1 is longer than %2 characters.").arg(seq).arg(kMaxLabelLen);
            if (model.SeqLabel[i].contains(char(0xFF)))
                return QStringLiteral("the label of %1 holds the byte 255, which the unit takes for its end.").arg(seq);
            if (model.SeqLabelLen[i] > kMaxLabelLen)
                return QStringLiteral("the label length of %1 is %2; the unit holds 0 to %3.")
                    .arg(seq).arg(model.SeqLabelLen[i]).arg(kMaxLabelLen);
            if (model.SeqLabelNum[i] > 63)
                return QStringLiteral("the label number of %1 is %2; the unit holds 0 to 63.").arg(seq).arg(model.SeqLabelNum[i]);
        }
    }
    if (inFlash(scope)) {
        for (int i = 0; i < kSlotCount; ++i) {
            const QString seq = slotName("sequence #", i);
            if (model.SeqContentsLen[i] > Flash::kMaxSequenceCount)
                return QStringLiteral("%1 has a count of %2; the unit holds at most %3 actions.")
                    .arg(seq).arg(model.SeqContentsLen[i]).arg(Flash::kMaxSequenceCount);
            if (withoutTrailingFiller(model.SeqContents[i]).size() > kMaxSeqBytes)
                return QStringLiteral("%1 is longer than the %2 bytes the unit holds.").arg(seq).arg(kMaxSeqBytes);
            if (!rawOf(model.ASCIIStrings[i], model.ASCIIFlagChar))
                return QStringLiteral("ASCII string #%1 holds a code above 255.").arg(TwoDigits(i + 1));
        }
    }
    return QString();
}

UploadPlan PlanUpload(const UnitMemory& unit, const UnitConfig& model, UploadScope scope, int hardwareCode,
                      std::optional<uint8_t> powerAck, bool allCharsAsCodes)
{
    UploadPlan plan;
    plan.scope = scope;
    plan.before = unit;
    plan.after = unit;
    plan.model = model;
    const UnitConfig held = ConfigOfMemory(unit, model, allCharsAsCodes);
    if (inEeprom(scope))
        planEeprom(plan, held, powerAck);
    if (inFlash(scope))
        planFlash(plan, held, hardwareCode, allCharsAsCodes);
    for (const PlannedWrite& w : plan.writes)
        if (w.isEeprom()) {
            const QByteArray bytes = w.countInData ? w.data.mid(1) : w.data;
            plan.after.eeprom.replace(w.address, bytes.size(), bytes);
        }
    return plan;
}

QStringList PlanChanges(const UploadPlan& plan)
{
    QStringList changes = ConfigDifferences(ConfigOfMemory(plan.before, plan.model),
                                            ConfigOfMemory(plan.after, plan.model));
    const auto power = [](const UnitMemory& m) {
        return m.eepromRead() && (uint8_t(m.eeprom.at(Eeprom::kPowerStatus)) & Eeprom::kPowerFailBit);
    };
    if (power(plan.before) && !power(plan.after))
        changes << QStringLiteral("Unit:") << QStringLiteral("- Power failure: reported")
                << QStringLiteral("+ Power failure: cleared");
    return changes;
}

QStringList ReadBackDifferences(const UploadPlan& plan, const UnitMemory& readBack)
{
    const bool differs = (inEeprom(plan.scope) && eepromDiffers(plan, readBack.eeprom))
        || (inFlash(plan.scope) && flashDiffers(plan, readBack));
    if (!differs)
        return {};
    const UnitMemory written = within(plan.after, plan.scope);
    const UnitMemory read = within(readBack, plan.scope);
    const QStringList listed = ConfigDifferences(ConfigOfMemory(written, plan.model),
                                                 ConfigOfMemory(read, plan.model));
    return listed.isEmpty() ? byteDifferences(plan, readBack) : listed;
}

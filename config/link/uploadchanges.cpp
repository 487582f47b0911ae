#include "uploadchanges.h"

#include "configdiff.h"
#include "eepromdata.h"
#include "flashdata.h"
#include "runtimeerror.h"
#include "textforms.h"
#include "unitconfig.h"
#include "unitidentity.h"

bool PasswordChanged(const UnitConfig& unit, const UnitConfig& model)
{
    return unit.PassWord != model.PassWord;
}

bool LabelChanged(const UnitConfig& unit, const UnitConfig& model, int slot)
{
    return unit.SeqLabel[slot] != model.SeqLabel[slot];
}

bool SequenceChanged(const UnitConfig& unit, const UnitConfig& model, int slot)
{
    QByteArray contents = model.SeqContents[slot];
    while (contents.endsWith(Flash::kSequenceFiller))
        contents.chop(1);
    return contents != unit.SeqContents[slot];
}

bool StringChanged(const UnitConfig& unit, const UnitConfig& model, int index)
{
    return model.ASCIIStrings[index] != unit.ASCIIStrings[index];
}

QByteArray UnitStringBytes(const QByteArray& text, char flag)
{
    return DecodeASCIICodes(text, flag).left(kMaxAsciiRaw);
}

UnitConfig UnitAfterUpload(const UnitConfig& unit, const UnitConfig& model, UploadScope scope,
                           int hardwareCode, bool allCharsAsCodes)
{
    UnitConfig after = unit;
    if (scope != UploadScope::FlashOnly) {
        // The EEPROM as the writes leave it, read back through the reader's
        // own parser.
        UnitConfig written = unit;
        if (PasswordChanged(unit, model))
            written.PassWord = model.PassWord;
        written.Rings = model.Rings;
        written.PrefixChar = model.PrefixChar;
        written.DTMFOutDur = model.DTMFOutDur;
        written.InactivityDur = model.InactivityDur;
        written.DisconnectInfo = model.DisconnectInfo;
        written.ExtStatInfo = model.ExtStatInfo;
        written.PWRONInfo = model.PWRONInfo;
        written.Settings = model.Settings;
        for (int i = 0; i < kSlotCount; ++i) {
            if (!LabelChanged(unit, model, i))
                continue;
            written.SeqLabel[i] = model.SeqLabel[i];
            written.SeqLabelLen[i] = model.SeqLabelLen[i];
            written.SeqLabelNum[i] = model.SeqLabelNum[i];
        }
        UnitIdentity identity;
        ProcessEEPROMData(EepromImageOf(written) + 'i', after, false, identity);
    }
    if (scope != UploadScope::SettingsOnly) {
        const int b = WriteBlockSize(hardwareCode);
        for (int i = 0; i < kSlotCount; ++i) {
            if (SequenceChanged(unit, model, i))
                ProcessFlashData(i, SequenceBlock(model.SeqContentsLen[i],
                                                  WithSequencePad(model.SeqContents[i], b), b) + 'i',
                                 after);
            if (!StringChanged(unit, model, i))
                continue;
            try {
                ProcessASCIIStrings(i, UnitStringBytes(model.ASCIIStrings[i], char(model.ASCIIFlagChar)) + 'i',
                                    after, allCharsAsCodes);
            } catch (const RuntimeError&) {
                // A text that does not decode is never sent: the unit keeps its own.
            }
        }
    }
    return after;
}

QStringList UploadChanges(const UnitConfig& unit, const UnitConfig& model, UploadScope scope,
                          int hardwareCode, bool allCharsAsCodes)
{
    return ConfigDifferences(unit, UnitAfterUpload(unit, model, scope, hardwareCode, allCharsAsCodes));
}

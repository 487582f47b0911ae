#include "unitmemory.h"

#include "eepromdata.h"
#include "flashdata.h"
#include "unitidentity.h"

QList<FlashBlock> AllFlashBlocks()
{
    QList<FlashBlock> blocks;
    for (const FlashBlock::Kind kind : {FlashBlock::Kind::Sequence, FlashBlock::Kind::String})
        for (int i = 0; i < kSlotCount; ++i)
            blocks.append({kind, i});
    return blocks;
}

UnitConfig ConfigOfMemory(const UnitMemory& memory, UnitConfig base, bool allCharsAsCodes)
{
    if (memory.eepromRead()) {
        UnitIdentity identity;
        ProcessEEPROMData(memory.eeprom, base, false, identity);
    }
    if (memory.flashRead) {
        for (int i = 0; i < kSlotCount; ++i) {
            ProcessFlashData(i, memory.sequences[i], base);
            ProcessASCIIStrings(i, memory.strings[i], base, allCharsAsCodes);
        }
    }
    return base;
}

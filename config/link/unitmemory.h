#pragma once
#include "unitconfig.h"

#include <QByteArray>
#include <QList>
#include <array>

// The unit's two memories byte for byte, as a read found them: what an
// upload plans its writes on and compares its read-back with. The
// configuration is what these bytes mean (ConfigOfMemory).
struct UnitMemory {
    QByteArray eeprom;                              // the 256-byte image; empty when not read
    std::array<QByteArray, kSlotCount> sequences;   // each slot's block: count, actions, filler
    std::array<QByteArray, kSlotCount> strings;     // each string's raw characters
    bool flashRead = false;                         // the 40 blocks are here

    bool eepromRead() const { return !eeprom.isEmpty(); }
};

// One FLASH block: a sequence slot or an ASCII string, 0-19.
struct FlashBlock {
    enum class Kind { Sequence, String };
    Kind kind = Kind::Sequence;
    int index = 0;
    bool operator==(const FlashBlock&) const = default;
};

// All 40, sequences first, as a whole read takes them.
QList<FlashBlock> AllFlashBlocks();

// base with what memory holds put in: every field of the EEPROM when it
// was read, the sequences and strings when the FLASH was (in the text form
// of base's flag character; every character as a code with allCharsAsCodes).
UnitConfig ConfigOfMemory(const UnitMemory& memory, UnitConfig base, bool allCharsAsCodes = false);

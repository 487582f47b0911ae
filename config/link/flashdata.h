#pragma once
#include <QByteArray>

struct UnitConfig;

// The unit's FLASH blocks: one per sequence slot (type 1, index 0-19) and
// one per ASCII string (type 0, index 1-20).
namespace Flash {
constexpr char kSequenceType = 1;
constexpr char kStringType = 0;
constexpr int kStringIndexBase = 1;
constexpr int kMaxSequenceCount = 16;    // a larger count byte is an erased slot
constexpr char kSequenceFiller = char(0xFF);
constexpr char kStringFiller = char(0x00);
constexpr int kBlockCount = 40;
} // namespace Flash

// A sequence block reply (count byte, actions, 0xFF filler, one more
// character) into slot i of target. A count above 16 empties the slot.
void ProcessFlashData(int slot, const QByteArray& reply, UnitConfig& target);
// An ASCII block reply (characters, maybe a final "i") into string i of
// target, in the flag-code text form of target's flag character (every
// character as a code with allAsCodes).
void ProcessASCIIStrings(int index, const QByteArray& reply, UnitConfig& target,
                         bool allAsCodes = false);

// Contents whose length is a whole multiple of the write block size b gain
// one 0xFF before they are written (and keep it in the model).
QByteArray WithSequencePad(const QByteArray& contents, int blockSize);
// The bytes of a sequence block write: count, contents (already padded),
// 0xFF up to a multiple of b.
QByteArray SequenceBlock(uint8_t count, const QByteArray& contents, int blockSize);
// The bytes of an ASCII block write: length, raw, 0x00 up to a multiple of 2b.
QByteArray StringBlock(const QByteArray& raw, int blockSize);

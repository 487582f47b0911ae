#pragma once
#include <QByteArray>
#include <QString>

#include <optional>

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
// A block's byte count is one byte: no block is longer.
constexpr int kMaxBlockBytes = 255;
// The longest reply to a block request: a block and the ready character.
constexpr int kMaxReplyBytes = kMaxBlockBytes + 1;
} // namespace Flash

// The block a sequence request was answered with: the reply is the block
// (count byte, actions, 0xFF filler) and the ready character. Nothing, with
// the reason in *why, for a reply of another form: without its "i", longer
// than a block, more actions than a slot holds, or a count above 16 that is
// not an erased block (a count above 16 followed by data is how the late
// "i" of an earlier exchange in front of a block reads).
std::optional<QByteArray> SequenceBlockOfReply(const QByteArray& reply, QString* why);
// Whether a sequence reply holds its whole form already: a count of at
// most 16, the actions it counts (each code with its one or two
// parameters), only filler after them and the ready character; or an
// erased block and its ready character. A reply of any other shape is
// never known to be whole (a read then waits out the line's pauses).
bool SequenceReplyComplete(const QByteArray& reply);

// The characters an ASCII string request was answered with: the reply
// without its final "i". Nothing, with *why, when it has none or is longer
// than a block.
std::optional<QByteArray> StringOfReply(const QByteArray& reply, QString* why);

// A sequence block (count byte, actions, 0xFF filler) into slot i of
// target. A count above 16 empties the slot.
void ProcessFlashData(int slot, const QByteArray& block, UnitConfig& target);
// The raw characters of an ASCII string into string i of target, in the
// flag-code text form of target's flag character (every character as a
// code with allAsCodes).
void ProcessASCIIStrings(int index, const QByteArray& raw, UnitConfig& target,
                         bool allAsCodes = false);

// Contents whose length is a whole multiple of the write block size b gain
// one 0xFF before they are written (and keep it in the model).
QByteArray WithSequencePad(const QByteArray& contents, int blockSize);
// The bytes of a sequence block write: count, contents (already padded),
// 0xFF up to a multiple of b.
QByteArray SequenceBlock(uint8_t count, const QByteArray& contents, int blockSize);
// The bytes of an ASCII block write: length, raw, 0x00 up to a multiple of 2b.
QByteArray StringBlock(const QByteArray& raw, int blockSize);

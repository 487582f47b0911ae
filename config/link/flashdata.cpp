#include "flashdata.h"

#include "codec.h"
#include "commandset.h"
#include "unitconfig.h"

#include <cmath>

namespace {
// The smallest multiple of step that is not below n.
int roundUp(int n, int step) { return int(std::ceil(double(n) / step)) * step; }

QByteArray withoutFiller(const QByteArray& bytes)
{
    QByteArray kept = bytes;
    kept.replace(QByteArray(1, Flash::kSequenceFiller), QByteArray());
    return kept;
}

bool allFiller(const QByteArray& bytes) { return withoutFiller(bytes).isEmpty(); }

// The reply without its final ready character; nothing when it has none.
std::optional<QByteArray> withoutReady(const QByteArray& reply, QString* why)
{
    if (reply.isEmpty()) {
        *why = QStringLiteral("nothing came");
        return std::nullopt;
    }
    if (!reply.endsWith(UnitCommand::kReady)) {
        *why = QStringLiteral("%1 byte(s), no final \"i\"").arg(reply.size());
        return std::nullopt;
    }
    if (reply.size() > Flash::kMaxReplyBytes) {
        *why = QStringLiteral("more than %1 bytes").arg(Flash::kMaxReplyBytes);
        return std::nullopt;
    }
    return reply.chopped(1);
}
} // namespace

std::optional<QByteArray> SequenceBlockOfReply(const QByteArray& reply, QString* why)
{
    std::optional<QByteArray> block = withoutReady(reply, why);
    if (!block)
        return std::nullopt;
    if (block->isEmpty()) {
        *why = QStringLiteral("only the \"i\"");
        return std::nullopt;
    }
    const uint8_t count = uint8_t(block->at(0));
    const QByteArray rest = block->mid(1);
    if (count > Flash::kMaxSequenceCount) {
        // An erased block is filler through and through.
        const bool erased = allFiller(rest) && (count == uint8_t(Flash::kSequenceFiller) || !rest.isEmpty());
        if (!erased) {
            *why = QStringLiteral("a count of %1 followed by data").arg(count);
            return std::nullopt;
        }
    } else if (withoutFiller(rest).size() > kMaxSeqBytes) {
        *why = QStringLiteral("more than %1 bytes of actions").arg(kMaxSeqBytes);
        return std::nullopt;
    }
    return block;
}

bool SequenceReplyComplete(const QByteArray& reply)
{
    if (reply.size() < 2 || !reply.endsWith(UnitCommand::kReady))
        return false;
    const QByteArray body = reply.mid(1, reply.size() - 2);
    const uint8_t count = uint8_t(reply.at(0));
    if (count > Flash::kMaxSequenceCount)
        return allFiller(body);
    qsizetype at = 0;
    for (int k = 0; k < count; ++k) {
        if (at >= body.size())
            return false;
        at += ActionByteCount(uint8_t(body.at(at)));
    }
    return at <= body.size() && allFiller(body.mid(at));
}

std::optional<QByteArray> StringOfReply(const QByteArray& reply, QString* why)
{
    return withoutReady(reply, why);
}

void ProcessFlashData(int slot, const QByteArray& block, UnitConfig& target)
{
    const uint8_t count = block.isEmpty() ? 0 : uint8_t(block.at(0));
    if (block.isEmpty() || count > Flash::kMaxSequenceCount) {
        target.SeqContentsLen[slot] = 0;
        target.SeqContents[slot].clear();
        return;
    }
    target.SeqContentsLen[slot] = count;
    target.SeqContents[slot] = withoutFiller(block.mid(1));
}

void ProcessASCIIStrings(int index, const QByteArray& raw, UnitConfig& target, bool allAsCodes)
{
    target.ASCIIStrings[index] = EncodeASCIICodes(raw, char(target.ASCIIFlagChar), allAsCodes);
}

QByteArray WithSequencePad(const QByteArray& contents, int blockSize)
{
    if (!contents.isEmpty() && contents.size() % blockSize == 0)
        return contents + Flash::kSequenceFiller;
    return contents;
}

QByteArray SequenceBlock(uint8_t count, const QByteArray& contents, int blockSize)
{
    const int n = int(contents.size()) + 1;
    const int total = roundUp(n, blockSize);
    return QByteArray(1, char(count)) + contents + QByteArray(total - n, Flash::kSequenceFiller);
}

QByteArray StringBlock(const QByteArray& raw, int blockSize)
{
    const int n = int(raw.size()) + 1;
    const int total = roundUp(n, 2 * blockSize);
    return QByteArray(1, char(raw.size())) + raw + QByteArray(total - n, Flash::kStringFiller);
}

#include "flashdata.h"

#include "codec.h"
#include "unitconfig.h"

#include <cmath>

namespace {
// The smallest multiple of step that is not below n.
int roundUp(int n, int step) { return int(std::ceil(double(n) / step)) * step; }
} // namespace

void ProcessFlashData(int slot, const QByteArray& reply, UnitConfig& target)
{
    const uint8_t count = reply.isEmpty() ? 0 : uint8_t(reply.at(0));
    if (reply.isEmpty() || count > Flash::kMaxSequenceCount) {
        target.SeqContentsLen[slot] = 0;
        target.SeqContents[slot].clear();
        return;
    }
    target.SeqContentsLen[slot] = count;
    QByteArray contents = reply.mid(1, reply.size() - 2);
    contents.replace(QByteArray(1, Flash::kSequenceFiller), QByteArray());
    target.SeqContents[slot] = contents;
}

void ProcessASCIIStrings(int index, const QByteArray& reply, UnitConfig& target, bool allAsCodes)
{
    QByteArray raw = reply;
    if (raw.endsWith('i'))
        raw.chop(1);
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

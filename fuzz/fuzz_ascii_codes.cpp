// Decodes arbitrary flag-code text (with a flag character taken from the
// input) and checks that encoding the result and decoding it again gives
// the same bytes, whatever flag characters the raw bytes hold.
#include "textforms.h"
#include "runtimeerror.h"
#include "scratchfolder.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A digit as flag character cannot mark codes made of digits; the
    // flag box of the editor takes no digits.
    if (size < 1 || (data[0] >= '0' && data[0] <= '9'))
        return 0;
    const char flag = char(data[0]);
    const bool allAsCodes = size > 1 && (data[1] & 1);
    const QByteArray text(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    QByteArray raw;
    try {
        raw = DecodeASCIICodes(text, flag);
    } catch (const RuntimeError&) {
        return 0; // a code above 255 between flags: rejected by the editors
    }
    if (DecodeASCIICodes(EncodeASCIICodes(raw, flag, allAsCodes), flag) != raw)
        std::abort();
    return 0;
}

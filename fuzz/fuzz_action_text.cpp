// Feeds arbitrary lines to the action text parser and the duration parser,
// and checks that whatever they make of a line converts back and forth
// without trouble.
#include "codec.h"
#include "scratchfolder.h"
#include "unitconfig.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const AsciiStringList strings{};
    const QString line = QString::fromLatin1(reinterpret_cast<const char*>(data), qsizetype(size));
    const QByteArray bytes = English2Action(strings, line);
    if (bytes.size() >= 2) {
        const uint8_t code = uint8_t(bytes[0]);
        const int p2 = bytes.size() > 2 ? uint8_t(bytes[2]) : 0;
        (void)Action2English(strings, code, uint8_t(bytes[1]), p2);
    }
    (void)PauseStr2Byte(line);
    (void)RelayIndex(line);
    return 0;
}

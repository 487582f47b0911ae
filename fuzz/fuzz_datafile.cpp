// Loads arbitrary bytes as a data file. Whatever loads must write out and
// load back to the same configuration.
#include "datafile.h"
#include "scratchfolder.h"
#include "unitconfig.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    UnitConfig config;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    if (!ImportKV310Bytes(bytes, config))
        return 0;
    // The writer keeps 48 action bytes and 3 label characters per slot and
    // whole duration steps; a loaded file never holds more than that.
    const QByteArray written = ExportKV310Bytes(config);
    UnitConfig again;
    if (!ImportKV310Bytes(written, again) || ExportKV310Bytes(again) != written)
        std::abort();
    return 0;
}

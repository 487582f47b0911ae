// Parses arbitrary text as the deciphered HEX image of a firmware file.
// Whatever loads must stay inside the processor's memory.
#include "firmwareimage.h"
#include "scratchfolder.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray text(reinterpret_cast<const char*>(data), qsizetype(size));
    FirmwareImage image;
    const HexParseResult result = ParseHexImage(text, &image);
    if (result.ok()
        && (image.FlashImage.size() != FirmwareImage::kFlashSize
            || image.EepromImage.size() > FirmwareImage::kEepromSize
            || image.EepromPresent.size() != image.EepromImage.size()))
        std::abort();
    return 0;
}

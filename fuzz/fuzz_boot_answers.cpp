// Reads arbitrary bytes as the boot loader's answers: to the hello byte
// (unit information and "K") and to a packet ("K", "N" or line noise).
// The meaning found must follow from the bytes, and whatever model and chip
// a hello names must turn into the texts the loader shows.
#include "bootanswers.h"
#include "bootloaderlink.h"
#include "dffheader.h"
#include "scratchfolder.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

bool HasEither(const QByteArray& bytes, char upper)
{
    return bytes.contains(upper) || bytes.contains(char(upper + ('a' - 'A')));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray answer(reinterpret_cast<const char*>(data), qsizetype(size));

    const PacketAnswer meaning = ClassifyAnswer(answer);
    const bool rejected = HasEither(answer, 'N');
    const bool accepted = !rejected && HasEither(answer, 'K');
    if ((meaning == PacketAnswer::Rejected) != rejected || (meaning == PacketAnswer::Accepted) != accepted)
        std::abort();

    const std::optional<BootloaderHello> hello = ParseHelloAnswer(answer);
    if (hello.has_value() != (answer.size() == 2 && HasEither(answer, 'K')))
        std::abort();
    if (hello) {
        if (hello->modelCode < 0 || hello->modelCode > 15 || hello->chipCode < 0 || hello->chipCode > 15)
            std::abort();
        if (((hello->modelCode << 4) | hello->chipCode) != uint8_t(answer[0]))
            std::abort();
        const QString text = MismatchMessage(ModelName(hello->modelCode), ChipName(hello->chipCode),
                                             QStringLiteral("KV310"), ChipName(2));
        if (!text.endsWith(QStringLiteral("Upload aborted.")))
            std::abort();
    }
    return 0;
}

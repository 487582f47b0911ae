#include "bootanswers.h"

#include "binaryutils.h"

namespace {

bool Has(const QByteArray& answer, char upper)
{
    return answer.contains(upper) || answer.contains(char(upper + ('a' - 'A')));
}

} // namespace

PacketAnswer ClassifyAnswer(const QByteArray& answer)
{
    if (Has(answer, 'N'))
        return PacketAnswer::Rejected;
    if (Has(answer, 'K'))
        return PacketAnswer::Accepted;
    return PacketAnswer::None;
}

std::optional<BootloaderHello> ParseHelloAnswer(const QByteArray& answer)
{
    if (answer.size() != 2 || !Has(answer, 'K'))
        return std::nullopt;
    const auto unitInfo = uint8_t(answer[0]);
    return BootloaderHello{HiNibble(unitInfo), LoNibble(unitInfo)};
}

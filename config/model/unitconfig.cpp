#include "unitconfig.h"

#include "binaryutils.h"
#include "runtimeerror.h"

#include <algorithm>

namespace {
constexpr uint8_t kInfoEnabledBit = 7;
constexpr uint8_t kInfoSlotMask = 0x7F;
constexpr char kLabelFiller = char(0xFF);
constexpr double kSecondsPerDurStep = 0.05;

// Settings byte and bit of option k.
std::pair<int, int> OptionPlace(int option)
{
    if (option < 0 || option >= kOptionCount)
        throw RuntimeError::subscriptOutOfRange();
    return {option / 8, option % 8};
}
} // namespace

bool OptionOn(const UnitConfig& config, int option)
{
    const auto [byte, bit] = OptionPlace(option);
    return !IsBitSet(config.Settings[byte], bit);
}

void SetOptionOn(UnitConfig& config, int option, bool on)
{
    const auto [byte, bit] = OptionPlace(option);
    config.Settings[byte] = SetBit(config.Settings[byte], bit, !on);
}

bool InfoEnabled(uint8_t info) { return IsBitSet(info, kInfoEnabledBit); }

int InfoSlot(uint8_t info) { return info & kInfoSlotMask; }

uint8_t WithInfoEnabled(uint8_t info, bool enabled) { return SetBit(info, kInfoEnabledBit, enabled); }

uint8_t WithInfoSlot(uint8_t info, int slot)
{
    return uint8_t((info & ~kInfoSlotMask) | (slot & kInfoSlotMask));
}

uint8_t LabelHeader(uint8_t labelLen, uint8_t labelNum)
{
    return ShiftLeft(labelLen, 6) | labelNum;
}

uint8_t LabelLenOfHeader(uint8_t header) { return ShiftRight(header, 6); }

uint8_t LabelNumOfHeader(uint8_t header) { return header & 0x3F; }

QByteArray LabelFieldBytes(const QByteArray& label)
{
    QByteArray field = label.left(kMaxLabelLen).toUpper();
    std::reverse(field.begin(), field.end());
    return field.leftJustified(kMaxLabelLen, kLabelFiller);
}

QByteArray LabelFromField(const QByteArray& field, int labelLen)
{
    QByteArray label = field.left(qBound(0, labelLen, kMaxLabelLen));
    std::reverse(label.begin(), label.end());
    return label.toUpper();
}

uint8_t DurationSteps(double steps)
{
    if (!(steps > 0))
        return 0;   // also NaN
    if (steps >= 255)
        return 255;
    return uint8_t(RoundHalfEven(steps));
}

QByteArray DTMFOutDurText(double steps)
{
    return QByteArray::number(steps * kSecondsPerDurStep, 'f', 2);
}

#pragma once
#include "unitidentity.h"

#include <QByteArray>
#include <QString>

#include <optional>

struct UnitConfig;

// The unit's 256-byte EEPROM image: where the configuration sits in it and
// the write records the program sends.
namespace Eeprom {
constexpr int kSize = 256;
constexpr int kReplySize = kSize + 1;   // the image and one more character
constexpr int kStartAddrHB = 27;        // + 2i
constexpr int kStartAddrLB = 28;        // + 2i
constexpr int kLabelHeader = 115;       // + 4i, then three text bytes
constexpr int kLabelRecordSize = 4;
constexpr int kPassword = 236;          // four bytes, reversed
constexpr int kPasswordSize = 4;
constexpr int kSettings = 240;          // Rings .. PWRONInfo
constexpr int kSettingsSize = 7;
constexpr int kPowerStatus = 247;
constexpr int kIdentity = 253;
constexpr int kOptions = 254;           // Settings(0), Settings(1)
constexpr int kOptionsSize = 2;
constexpr uint8_t kPowerFailBit = 0x80;

// Whether the configuration sits at this address (start addresses, labels,
// password, settings, option bits); the unit's own bytes (power status,
// identity) and the addresses nobody interprets do not.
constexpr bool HoldsConfiguration(int address)
{
    return (address >= kStartAddrHB && address < kStartAddrLB + 2 * 20)
        || (address >= kLabelHeader && address < kLabelHeader + kLabelRecordSize * 20)
        || (address >= kPassword && address < kSettings + kSettingsSize)
        || (address >= kOptions && address < kOptions + kOptionsSize);
}
} // namespace Eeprom

// The image an EEPROM read was answered with: the reply is the 256 bytes
// and the ready character. Nothing, with the reason in *why, for a reply of
// any other length or end.
std::optional<QByteArray> EepromImageOfReply(const QByteArray& reply, QString* why);

// Takes an EEPROM image (at least its 256 bytes) into target: with
// settingsOnly only the option bits; always the identity and power status
// into identity. Pure: shows nothing.
void ProcessEEPROMData(const QByteArray& image, UnitConfig& target, bool settingsOnly,
                       UnitIdentity& identity);

// The data bytes of the EEPROM writes (what follows 0xD2, address, count).
QByteArray PasswordRecord(const UnitConfig& config);   // 4, then the password reversed
QByteArray SettingsRecord(const UnitConfig& config);   // the seven setting bytes
QByteArray OptionsRecord(const UnitConfig& config);    // Settings(0), Settings(1)
QByteArray LabelRecord(const UnitConfig& config, int slot); // header + reversed text + 0xFF pad

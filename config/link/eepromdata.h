#pragma once
#include "unitidentity.h"

#include <QByteArray>

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
} // namespace Eeprom

// Takes an EEPROM reply (image + one character; callers check the length)
// into target: with settingsOnly only the option bits; always the identity
// and power status into identity. Pure: shows nothing.
void ProcessEEPROMData(const QByteArray& reply, UnitConfig& target, bool settingsOnly,
                       UnitIdentity& identity);

// The data bytes of the EEPROM writes (what follows 0xD2, address, count).
QByteArray PasswordRecord(const UnitConfig& config);   // 4, then the password reversed
QByteArray SettingsRecord(const UnitConfig& config);   // the seven setting bytes
QByteArray OptionsRecord(const UnitConfig& config);    // Settings(0), Settings(1)
QByteArray LabelRecord(const UnitConfig& config, int slot); // header + reversed text + 0xFF pad

// The EEPROM as a unit holds config after those writes: the start
// addresses and each record at its address, the power status clear, every
// other byte (the identity too) blank 0xFF.
QByteArray EepromImageOf(const UnitConfig& config);

#pragma once
#include <QByteArray>

// The unit's commands: the single bytes, the mode requests, and the ready
// character that ends the reply to a completed command.
namespace UnitCommand {
constexpr char kLeaveMode = char(0xF0);
constexpr char kReadEeprom = char(0xD1);
constexpr char kWriteEeprom = char(0xD2);
constexpr char kReadFlash = char(0x4A);
constexpr char kWriteFlash = char(0x4B);
constexpr char kReady = 'i';
inline const QByteArray kReadMode = QByteArrayLiteral("jrm");
inline const QByteArray kProgramMode = QByteArrayLiteral("jpm");
} // namespace UnitCommand

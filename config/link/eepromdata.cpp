#include "eepromdata.h"

#include "binaryutils.h"
#include "commandset.h"
#include "unitconfig.h"

#include <algorithm>

namespace {
uint8_t at(const QByteArray& image, int address) { return uint8_t(image.at(address)); }

QByteArray reversed(QByteArray bytes)
{
    std::reverse(bytes.begin(), bytes.end());
    return bytes;
}
} // namespace

std::optional<QByteArray> EepromImageOfReply(const QByteArray& reply, QString* why)
{
    if (reply.size() != Eeprom::kReplySize) {
        *why = QStringLiteral("%1 bytes, not %2").arg(reply.size()).arg(Eeprom::kReplySize);
        return std::nullopt;
    }
    if (!reply.endsWith(UnitCommand::kReady)) {
        *why = QStringLiteral("no final \"i\"");
        return std::nullopt;
    }
    return reply.left(Eeprom::kSize);
}

void ProcessEEPROMData(const QByteArray& reply, UnitConfig& target, bool settingsOnly,
                       UnitIdentity& identity)
{
    if (reply.size() < Eeprom::kSize)
        return;
    if (!settingsOnly) {
        for (int i = 0; i < kSlotCount; ++i) {
            target.SeqStartAddrHB[i] = at(reply, Eeprom::kStartAddrHB + 2 * i);
            target.SeqStartAddrLB[i] = at(reply, Eeprom::kStartAddrLB + 2 * i);
        }
        for (int i = 0; i < kSlotCount; ++i) {
            const int header = Eeprom::kLabelHeader + Eeprom::kLabelRecordSize * i;
            const uint8_t h = at(reply, header);
            target.SeqLabelLen[i] = LabelLenOfHeader(h);
            target.SeqLabelNum[i] = LabelNumOfHeader(h);
            target.SeqLabel[i] =
                LabelFromField(reply.mid(header + 1, kMaxLabelLen), target.SeqLabelLen[i]);
        }
        target.PassWord = reversed(reply.mid(Eeprom::kPassword, Eeprom::kPasswordSize));
        target.Rings = at(reply, Eeprom::kSettings);
        target.PrefixChar = at(reply, Eeprom::kSettings + 1);
        target.DTMFOutDur = at(reply, Eeprom::kSettings + 2);
        target.InactivityDur = at(reply, Eeprom::kSettings + 3);
        target.DisconnectInfo = at(reply, Eeprom::kSettings + 4);
        target.ExtStatInfo = at(reply, Eeprom::kSettings + 5);
        target.PWRONInfo = at(reply, Eeprom::kSettings + 6);
    }
    target.Settings[0] = at(reply, Eeprom::kOptions);
    target.Settings[1] = at(reply, Eeprom::kOptions + 1);

    const uint8_t power = at(reply, Eeprom::kPowerStatus);
    if (power & Eeprom::kPowerFailBit) {
        identity.PowerFailDetected = true;
        identity.PowerStatusByte = power & ~Eeprom::kPowerFailBit;
    }
    const uint8_t id = at(reply, Eeprom::kIdentity);
    identity.known = true;
    identity.HardwareCode = ShiftRight(id, 5);
    identity.firmwareVersion = id & 0x1F;
}

QByteArray PasswordRecord(const UnitConfig& config)
{
    return QByteArray(1, char(Eeprom::kPasswordSize))
        + reversed(config.PassWord.left(Eeprom::kPasswordSize)
                       .leftJustified(Eeprom::kPasswordSize, ' '));
}

QByteArray SettingsRecord(const UnitConfig& config)
{
    QByteArray r;
    r += char(config.Rings);
    r += char(config.PrefixChar);
    r += char(DurationSteps(config.DTMFOutDur));
    r += char(config.InactivityDur);
    r += char(config.DisconnectInfo);
    r += char(config.ExtStatInfo);
    r += char(config.PWRONInfo);
    return r;
}

QByteArray OptionsRecord(const UnitConfig& config)
{
    return QByteArray() + char(config.Settings[0]) + char(config.Settings[1]);
}

QByteArray LabelRecord(const UnitConfig& config, int slot)
{
    return QByteArray(1, char(LabelHeader(config.SeqLabelLen[slot], config.SeqLabelNum[slot])))
        + LabelFieldBytes(config.SeqLabel[slot]);
}

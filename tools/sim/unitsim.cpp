#include "unitsim.h"

#include "seriallink.h"
#include "textforms.h"
#include "unitconfig.h"
#include "vocabulary.h"

#include <QFile>

#include <algorithm>

namespace {
// The unit's memories as the unit keeps them, laid out here from the
// unit's address table on their own rather than with the program's
// encoders, so that a layout mistake on either side shows in the tests.
namespace Memory {
constexpr int kEepromSize = 256;
constexpr int kStartAddrHB = 27;   // + 2i
constexpr int kStartAddrLB = 28;   // + 2i
constexpr int kLabel = 115;        // + 4i: header, then three text bytes
constexpr int kPassword = 236;     // four characters, last first
constexpr int kRings = 240;        // then PrefixChar .. PWRONInfo
constexpr int kPowerStatus = 247;
constexpr uint8_t kPowerFailBit = 0x80;
constexpr int kIdentity = 253;     // firmware version in bits 0-4, hardware in 5-7
constexpr int kOptions = 254;      // Settings(0), Settings(1)
constexpr int kSequenceBlock = 1;  // FLASH block types
constexpr int kStringBlock = 0;
constexpr char kEmpty = char(0xFF);
} // namespace Memory

constexpr int kMaxNoise = 40;

bool isCommand(char c, char command) { return c == command; }

QByteArray reversed(QByteArray bytes)
{
    std::reverse(bytes.begin(), bytes.end());
    return bytes;
}

QByteArray eepromOf(const UnitConfig& c, int hardwareCode, int firmwareVersion)
{
    using namespace Memory;
    QByteArray e(kEepromSize, kEmpty);
    const auto put = [&e](int address, const QByteArray& bytes) { e.replace(address, bytes.size(), bytes); };
    for (int i = 0; i < kSlotCount; ++i) {
        e[kStartAddrHB + 2 * i] = char(c.SeqStartAddrHB[i]);
        e[kStartAddrLB + 2 * i] = char(c.SeqStartAddrLB[i]);
        e[kLabel + 4 * i] = char(c.SeqLabelLen[i] * 64 + c.SeqLabelNum[i]);
        put(kLabel + 4 * i + 1, reversed(c.SeqLabel[i].left(3).toUpper()));
    }
    put(kPassword, reversed(c.PassWord.left(4).leftJustified(4, ' ')));
    put(kRings, QByteArray() + char(c.Rings) + char(c.PrefixChar) + char(DurationSteps(c.DTMFOutDur))
                    + char(c.InactivityDur) + char(c.DisconnectInfo) + char(c.ExtStatInfo)
                    + char(c.PWRONInfo));
    e[kPowerStatus] = 0;
    e[kIdentity] = char((hardwareCode & 0x07) << 5 | (firmwareVersion & 0x1F));
    put(kOptions, QByteArray() + char(c.Settings[0]) + char(c.Settings[1]));
    return e;
}

// Bytes up to a multiple of step, filled with filler.
QByteArray padded(const QByteArray& bytes, int step, char filler)
{
    return bytes + QByteArray((step - bytes.size() % step) % step, filler);
}
} // namespace

UnitSim::UnitSim(const UnitConfig& config, int hardwareCode, int firmwareVersion)
    : eeprom_(eepromOf(config, hardwareCode, firmwareVersion))
{
    // Blocks are written in steps of 8 bytes on hardware 6, else 4; a
    // string block in steps of twice that.
    const int step = hardwareCode == 6 ? 8 : 4;
    for (int i = 0; i < kSlotCount; ++i) {
        blocks_[{Memory::kSequenceBlock, i}] =
            padded(char(config.SeqContentsLen[i]) + config.SeqContents[i], step, Memory::kEmpty);
        const QByteArray raw =
            DecodeASCIICodes(config.ASCIIStrings[i], char(config.ASCIIFlagChar)).left(kMaxAsciiRaw);
        blocks_[{Memory::kStringBlock, i + 1}] = padded(char(raw.size()) + raw, 2 * step, '\0');
    }
}

void UnitSim::setPowerFail(bool on)
{
    uint8_t& status = reinterpret_cast<uint8_t&>(eeprom_[Memory::kPowerStatus]);
    status = on ? (status | Memory::kPowerFailBit) : (status & ~Memory::kPowerFailBit);
}

QByteArray UnitSim::onBytes(const QByteArray& in)
{
    QByteArray reply;
    for (char c : in) {
        ++received_;
        reply += take(c);
    }
    if (mute_)
        return QByteArray();
    if (garbage_ && !reply.isEmpty())
        return noise();
    return reply;
}

QByteArray UnitSim::noise()
{
    QByteArray bytes(int(random_.bounded(1, kMaxNoise + 1)), '\0');
    for (char& c : bytes) {
        do
            c = char(random_.bounded(256));
        while (c == UnitCommand::kReady);
    }
    return bytes;
}

QByteArray UnitSim::take(char c)
{
    if (mode_ == Mode::Idle)
        return idleByte(c);

    if (command_.isEmpty()) {
        if (isCommand(c, UnitCommand::kLeaveMode)) {
            mode_ = Mode::Idle;
            recent_.clear();
            return QByteArray();
        }
        if (mode_ == Mode::Read && isCommand(c, UnitCommand::kReadEeprom)) {
            ++eepromReads_;
            return eeprom_ + UnitCommand::kReady;
        }
        const bool starts = (mode_ == Mode::Read && isCommand(c, UnitCommand::kReadFlash))
            || (mode_ == Mode::Program
                && (isCommand(c, UnitCommand::kWriteEeprom) || isCommand(c, UnitCommand::kWriteFlash)));
        if (starts) {
            command_ = QByteArray(1, c);
            return QByteArray();
        }
        // Asking for a mode again while in one simply confirms it.
        noteModeByte(c);
        recent_ = (recent_ + c).right(3);
        if (recent_ == UnitCommand::kReadMode || recent_ == UnitCommand::kProgramMode) {
            mode_ = recent_ == UnitCommand::kReadMode ? Mode::Read : Mode::Program;
            recent_.clear();
            return QByteArray(1, UnitCommand::kReady);
        }
        return QByteArray();
    }

    command_ += c;
    const uint8_t* p = reinterpret_cast<const uint8_t*>(command_.constData());
    const int n = int(command_.size());
    if (isCommand(command_.at(0), UnitCommand::kReadFlash)) {
        if (n < 3)
            return QByteArray();
        const int type = p[1];
        const int index = p[2];
        command_.clear();
        return readBlock(type, index);
    }
    if (isCommand(command_.at(0), UnitCommand::kWriteEeprom)) {
        if (n < 3 || n < 3 + p[2])
            return QByteArray();
        const int address = p[1];
        const QByteArray data = command_.mid(3);
        const bool keep = keepsNextWrite();
        for (int k = 0; k < data.size() && address + k < Memory::kEepromSize && keep; ++k)
            eeprom_[address + k] = data.at(k);
        writes_.append({Write::Eeprom, address, 0, data});
        command_.clear();
        return writeAck_ ? QByteArray(1, UnitCommand::kReady) : QByteArray();
    }
    // Block write: type, index, total, then total bytes.
    if (n < 4 || n < 4 + p[3])
        return QByteArray();
    const int type = p[1];
    const int index = p[2];
    const QByteArray data = command_.mid(4);
    command_.clear();
    if (keepsNextWrite())
        blocks_[{type, index}] = data;
    writes_.append({Write::Block, type, index, data});
    return writeAck_ ? QByteArray(1, UnitCommand::kReady) : QByteArray();
}

bool UnitSim::keepsNextWrite()
{
    return ++writesSeen_ != dropWrite_;
}

void UnitSim::noteModeByte(char c)
{
    const QByteArray after = recent_ + c;
    for (const QByteArray& request : {UnitCommand::kReadMode, UnitCommand::kProgramMode})
        for (int n = int(qMin(after.size(), request.size())); n > 0; --n)
            if (after.right(n) == request.left(n))
                return;   // may still become a mode request
    ++stray_;
}

QByteArray UnitSim::readBlock(int type, int index)
{
    if (!blocks_.contains({type, index}))
        ++stray_;
    ++blockReads_;
    blocksServed_.append({type, index});
    if (blocksServed_.size() > kReadLogSize)
        blocksServed_.removeFirst();
    const QByteArray block = blocks_.value({type, index});
    if (type == Memory::kSequenceBlock)
        return (block.isEmpty() ? QByteArray(1, Memory::kEmpty) : block) + UnitCommand::kReady;
    // String blocks answer with their characters only.
    const int length = block.isEmpty() ? 0 : qMin(int(uint8_t(block.at(0))), int(block.size()) - 1);
    return block.mid(1, length) + UnitCommand::kReady;
}

QByteArray UnitSim::idleByte(char c)
{
    idleLog_ = (idleLog_ + c).right(kIdleLogSize);
    QByteArray reply;
    if (optionOn(UnitOption::SerialEcho))
        reply += c;
    recent_ = (recent_ + c).right(3);
    if (recent_ == UnitCommand::kReadMode || recent_ == UnitCommand::kProgramMode) {
        mode_ = recent_ == UnitCommand::kReadMode ? Mode::Read : Mode::Program;
        recent_.clear();
        return reply + UnitCommand::kReady;
    }
    const int option = OptionCommands().indexOf(QString::fromLatin1(recent_));
    if (option >= 0 && !recent_.isEmpty()) {
        optionCommands_.append(recent_);
        recent_.clear();
        reply += toggleOption(option);
    }
    return reply;
}

bool UnitSim::optionOn(int option) const
{
    const uint8_t byte = uint8_t(eeprom_.at(Memory::kOptions + option / 8));
    return !(byte & (1 << (option % 8)));
}

QByteArray UnitSim::toggleOption(int option)
{
    eeprom_[Memory::kOptions + option / 8] =
        char(uint8_t(eeprom_.at(Memory::kOptions + option / 8)) ^ (1 << (option % 8)));
    if (!optionOn(UnitOption::Feedback))
        return QByteArray();
    return OptionNames().at(option).toLatin1() + (optionOn(option) ? " ON\r\n" : " OFF\r\n");
}

QByteArray UnitSim::stateText() const
{
    QByteArray text = "eeprom " + eeprom_.toHex() + '\n';
    for (auto it = blocks_.begin(); it != blocks_.end(); ++it)
        text += "block " + QByteArray::number(it.key().first) + ' '
            + QByteArray::number(it.key().second) + ' ' + it.value().toHex() + '\n';
    for (const Write& w : writes_) {
        if (w.kind == Write::Eeprom)
            text += "write eeprom " + QByteArray::number(w.address) + ' ' + w.data.toHex() + '\n';
        else
            text += "write block " + QByteArray::number(w.address) + ' ' + QByteArray::number(w.index)
                + ' ' + w.data.toHex() + '\n';
    }
    for (const QByteArray& command : optionCommands_)
        text += "option " + command + '\n';
    text += "received " + QByteArray::number(received_) + '\n';
    text += "reads " + QByteArray::number(eepromReads_) + ' ' + QByteArray::number(blockReads_) + '\n';
    text += "stray " + QByteArray::number(stray_) + '\n';
    text += "idle " + idleLog_.toHex() + '\n';
    return text;
}

bool UnitSim::writeState(const QString& path) const
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(stateText()) >= 0 && file.flush();
}

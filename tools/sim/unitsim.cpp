#include "unitsim.h"

#include "codec.h"
#include "eepromdata.h"
#include "flashdata.h"
#include "seriallink.h"
#include "unitconfig.h"
#include "unitidentity.h"
#include "vocabulary.h"

#include <QFile>

namespace {
constexpr int kEchoOption = 11;      // "Ser Echo": idle characters come back
constexpr int kFeedbackOption = 5;   // "Feedback": option commands are answered
constexpr int kMaxNoise = 40;

bool isCommand(char c, char command) { return c == command; }
} // namespace

UnitSim::UnitSim(const UnitConfig& config, int hardwareCode, int firmwareVersion)
    : eeprom_(EepromImageOf(config, uint8_t((hardwareCode & 0x07) << 5 | (firmwareVersion & 0x1F))))
{
    const int b = WriteBlockSize(hardwareCode);
    for (int i = 0; i < kSlotCount; ++i) {
        const QByteArray contents = WithSequencePad(config.SeqContents[i], b);
        blocks_[{Flash::kSequenceType, i}] = SequenceBlock(config.SeqContentsLen[i], contents, b);
        blocks_[{Flash::kStringType, i + Flash::kStringIndexBase}] =
            StringBlock(DecodeASCIICodes(config.ASCIIStrings[i], char(config.ASCIIFlagChar)).left(kMaxAsciiRaw), b);
    }
}

void UnitSim::setPowerFail(bool on)
{
    uint8_t& status = reinterpret_cast<uint8_t&>(eeprom_[Eeprom::kPowerStatus]);
    status = on ? (status | Eeprom::kPowerFailBit) : (status & ~Eeprom::kPowerFailBit);
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
        for (int k = 0; k < data.size() && address + k < Eeprom::kSize; ++k)
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
    blocks_[{type, index}] = data;
    writes_.append({Write::Block, type, index, data});
    return writeAck_ ? QByteArray(1, UnitCommand::kReady) : QByteArray();
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
    const QByteArray block = blocks_.value({type, index});
    if (type == Flash::kSequenceType)
        return (block.isEmpty() ? QByteArray(1, Flash::kSequenceFiller) : block) + UnitCommand::kReady;
    // String blocks answer with their characters only.
    const int length = block.isEmpty() ? 0 : qMin(int(uint8_t(block.at(0))), int(block.size()) - 1);
    return block.mid(1, length) + UnitCommand::kReady;
}

QByteArray UnitSim::idleByte(char c)
{
    idleLog_ = (idleLog_ + c).right(kIdleLogSize);
    QByteArray reply;
    if (optionOn(kEchoOption))
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
    const uint8_t byte = uint8_t(eeprom_.at(Eeprom::kOptions + option / 8));
    return !(byte & (1 << (option % 8)));
}

QByteArray UnitSim::toggleOption(int option)
{
    eeprom_[Eeprom::kOptions + option / 8] =
        char(uint8_t(eeprom_.at(Eeprom::kOptions + option / 8)) ^ (1 << (option % 8)));
    if (!optionOn(kFeedbackOption))
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

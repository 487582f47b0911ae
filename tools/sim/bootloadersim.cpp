#include "bootloadersim.h"

#include <QFile>

namespace {

constexpr uint8_t kEepromMarker = 0x40;
constexpr int kProgramPacketSize = 68;   // address (2), count, 64 data bytes, checksum
constexpr int kEepromPacketSize = 5;     // marker, address, count, byte, checksum
constexpr int kProgramDataBytes = 64;

bool SumsToZero(const QByteArray& packet)
{
    uint8_t sum = 0;
    for (char b : packet)
        sum = uint8_t(sum + uint8_t(b));
    return sum == 0;
}

} // namespace

BootloaderSim::BootloaderSim(uint8_t unitInfo)
    : unitInfo_(unitInfo), flash_(kFlashBytes, char(0xFF))
{
}

void BootloaderSim::reset()
{
    state_ = State::AwaitHello;
    sinceReset_.start();
    packets_ = 0;
    pending_.clear();
}

void BootloaderSim::nakAtPacket(int n) { nakAt_ = n; }
void BootloaderSim::silentAfterPacket(int n) { silentAfter_ = n; }
void BootloaderSim::lateReset(int ms) { lateResetMs_ = ms; }

bool BootloaderSim::listening() const
{
    return state_ == State::AwaitHello && sinceReset_.isValid() && sinceReset_.elapsed() >= lateResetMs_;
}

QByteArray BootloaderSim::onBytes(const QByteArray& in)
{
    QByteArray reply;
    for (char c : in) {
        if (state_ == State::Application)
            continue;
        if (state_ == State::AwaitHello) {
            if (uint8_t(c) == kHello && listening()) {
                state_ = State::Loading;
                reply.append(char(unitInfo_));
                reply.append('K');
            }
            continue;
        }
        pending_.append(c);
        const QByteArray packet = takePacket();
        if (packet.isEmpty())
            continue;
        const char answer = acceptPacket(packet);
        if (answer)
            reply.append(answer);
    }
    return reply;
}

QByteArray BootloaderSim::takePacket()
{
    const int size = uint8_t(pending_[0]) == kEepromMarker ? kEepromPacketSize : kProgramPacketSize;
    if (pending_.size() < size)
        return {};
    const QByteArray packet = pending_.left(size);
    pending_.remove(0, size);
    return packet;
}

char BootloaderSim::acceptPacket(const QByteArray& packet)
{
    ++packets_;
    if (silentAfter_ > 0 && packets_ > silentAfter_)
        return 0;
    const bool eeprom = packet.size() == kEepromPacketSize;
    const int expectedCount = eeprom ? 1 : kProgramDataBytes;
    if (packets_ == nakAt_ || !SumsToZero(packet) || uint8_t(packet[2]) != expectedCount)
        return 'N';
    if (eeprom) {
        eeprom_[uint8_t(packet[1])] = uint8_t(packet[3]);
        return 'K';
    }
    const int byteIndex = (uint8_t(packet[0]) * 256 + uint8_t(packet[1])) * 2;
    if (byteIndex + kProgramDataBytes > kFlashBytes)
        return 'N';
    flash_.replace(byteIndex, kProgramDataBytes, packet.mid(3, kProgramDataBytes));
    return 'K';
}

bool BootloaderSim::writeImage(const QString& path) const
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QByteArray out = flash_;
    for (auto it = eeprom_.cbegin(); it != eeprom_.cend(); ++it)
        out += QByteArray::number(it.key()) + '=' + QByteArray::number(it.value()) + '\n';
    return file.write(out) == out.size();
}

#include "packets.h"

#include "binaryutils.h"

uint8_t PacketChecksum(const QByteArray& packet)
{
    uint8_t sum = 0;
    for (char b : packet)
        sum = uint8_t(sum + uint8_t(b));
    return uint8_t(0x100 - sum);
}

QByteArray ProgramPacket(const QByteArray& flash, int byteIndex)
{
    const auto word = uint16_t(byteIndex / 2);
    QByteArray p;
    p.reserve(3 + kChunkBytes);
    p.append(char(HiByte(word)));
    p.append(char(LoByte(word)));
    p.append(char(kChunkBytes));
    p.append(flash.mid(byteIndex, kChunkBytes));
    return p;
}

QByteArray EepromPacket(uint8_t address, uint8_t value)
{
    QByteArray p;
    p.append(char(kEepromMarker));
    p.append(char(address));
    p.append(char(1));
    p.append(char(value));
    return p;
}

bool ChunkBlank(const QByteArray& flash, int byteIndex)
{
    const QByteArray chunk = flash.mid(byteIndex, kChunkBytes);
    return chunk.count(char(0xFF)) == chunk.size();
}

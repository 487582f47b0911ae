#pragma once
#include <QByteArray>
#include <cstdint>

// Packets of the boot loader's transfer.
constexpr int kChunkBytes = 64;           // program bytes per packet
constexpr uint8_t kEepromMarker = 0x40;   // first byte of an EEPROM packet

// The byte that makes the packet's bytes add up to 0 modulo 256.
uint8_t PacketChecksum(const QByteArray& packet);
// Word address high, low, 0x40, then the 64 bytes of flash from byteIndex.
QByteArray ProgramPacket(const QByteArray& flash, int byteIndex);
// 0x40, address, 0x01, the byte.
QByteArray EepromPacket(uint8_t address, uint8_t value);
// True when the 64 bytes from byteIndex are all blank (0xFF).
bool ChunkBlank(const QByteArray& flash, int byteIndex);

#pragma once
// Intel HEX texts and firmware files made for the firmware loader's tests.
#include "dffheader.h"
#include "keystem.h"
#include "md5cipher.h"

#include <QByteArray>
#include <QFile>
#include <QString>

namespace fixture {

// One record with its checksum, ending in CR LF.
inline QByteArray HexRecord(int type, int address, const QByteArray& data)
{
    QByteArray bytes;
    bytes.append(char(data.size()));
    bytes.append(char(address >> 8));
    bytes.append(char(address & 0xFF));
    bytes.append(char(type));
    bytes.append(data);
    uint8_t sum = 0;
    for (char b : bytes)
        sum = uint8_t(sum + uint8_t(b));
    bytes.append(char(uint8_t(0x100 - sum)));
    return ':' + bytes.toHex().toUpper() + "\r\n";
}

inline QByteArray HexEnd() { return HexRecord(1, 0, {}); }

// Data records of up to 16 bytes each for bytes placed from byte address on.
inline QByteArray DataRecords(int address, const QByteArray& bytes)
{
    QByteArray text;
    for (qsizetype i = 0; i < bytes.size(); i += 16)
        text += HexRecord(0, address + int(i), bytes.mid(i, 16));
    return text;
}

// EEPROM words (value, 0) for the bytes, from EEPROM address on.
inline QByteArray EepromRecord(int eepromAddress, const QByteArray& values)
{
    QByteArray words;
    for (char v : values) {
        words.append(v);
        words.append('\0');
    }
    return HexRecord(0, (0x2100 + eepromAddress) * 2, words);
}

inline bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

inline QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Writes a firmware file holding the text, keyed for the header's version.
inline bool WriteDff(const QString& dffPath, const DffHeader& header, const QByteArray& hexText,
                     int32_t salt = 12345)
{
    const QString hexPath = dffPath + QStringLiteral(".src");
    const bool ok = WriteFile(hexPath, hexText)
        && EncMD5WithSalt(hexPath, dffPath, DffKey(header.Major, header.Minor), header, salt);
    QFile::remove(hexPath);
    return ok;
}

inline DffHeader Kv310Header(uint8_t major = 2, uint8_t minor = 15, uint8_t chip = 0)
{
    return DffHeader::forModel(QStringLiteral("KV310"), major, minor, chip);
}

} // namespace fixture

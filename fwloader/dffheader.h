#pragma once
#include "serialport.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>

// The 18-byte head of a firmware data file: model, version, chip.
struct DffHeader {
    static constexpr int kSize = 18;
    static constexpr int kUnitIdSize = 8;

    QByteArray UnitId = QByteArray(kUnitIdSize, ' ');  // model name padded with blanks
    uint8_t Major = 0;
    uint8_t Minor = 0;
    uint8_t ChipId = 0;
    std::array<uint8_t, 7> Reserved{};

    // A header for a model name (cut or padded to 8 characters).
    static DffHeader forModel(const QString& model, uint8_t major, uint8_t minor, uint8_t chip);
    // From the first bytes of a file; missing bytes read as 0.
    static DffHeader fromBytes(const QByteArray& bytes);
    QByteArray toBytes() const;
    QString trimmedUnitId() const;
    QString versionText() const;   // "2.15"
};

// Layout of the rest of the file.
constexpr int kDffSaltOffset = DffHeader::kSize;
constexpr int kDffCheckOffset = kDffSaltOffset + 4;
constexpr int kDffPayloadOffset = kDffCheckOffset + 16;

// The HEX text of the largest program and EEPROM any chip of the table
// holds is a few hundred KB: a file past these is no firmware, and is not
// read into memory.
constexpr qint64 kMaxHexFileBytes = 8 * 1024 * 1024;
constexpr qint64 kMaxDffFileBytes = kDffPayloadOffset + kMaxHexFileBytes;

// Chip code to name ("Unknown Model" for codes without a chip).
QString ChipName(int code);
// Model code to name ("" for codes without a model).
QString ModelName(int code);
// The line settings the model's boot loader talks at; false for a model
// without an entry (the port keeps its settings).
bool ModelLineSettings(const QString& trimmedUnitId, LineSettings* out);

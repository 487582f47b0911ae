#pragma once
#include <QByteArray>
#include <QString>
#include <cstdint>

// What one firmware file puts into the unit: program memory and EEPROM.
struct FirmwareImage {
    static constexpr int kFlashSize = 16192;     // program words 0x0000-0x1F9F, low byte first
    static constexpr int kEepromSize = 256;      // the boot loader addresses EEPROM with one byte

    QByteArray FlashImage;      // empty while no file is loaded
    QByteArray EepromImage;
    QByteArray EepromPresent;   // 1 where the file gave the EEPROM byte
    int32_t CodeEnd = 0;        // byte address just past the last program record

    bool loaded() const { return !FlashImage.isEmpty(); }
    void erase();
    // A fresh image: blank program memory, one EEPROM byte not present.
    void clearForLoad();
};

// Outcome of turning a HEX text into an image.
struct HexParseResult {
    enum class Outcome {
        Loaded,
        NoEndRecord,       // the text ended before its end record (no message)
        InvalidAddress,    // program data past the processor's memory
        BadRecord,         // malformed line or wrong checksum
        EepromTooHigh,     // EEPROM data past what the boot loader can address
    };
    Outcome outcome = Outcome::NoEndRecord;
    QString message;       // what to tell the user; empty for NoEndRecord
    bool ok() const { return outcome == Outcome::Loaded; }
};

// Fills image from Intel HEX text, up to and including its end record, and
// rewrites the reset vector so the chip starts through its boot loader.
// Every record is checked before any is used, so a damaged text loads nothing.
HexParseResult ParseHexImage(const QByteArray& hexText, FirmwareImage* image);

// Moves the application's first three words to 0x1F9D-0x1F9F (after a
// PCLATH clear at 0x1F9C) and puts a jump to the boot loader at word 0.
void RewriteResetVector(QByteArray& flash);

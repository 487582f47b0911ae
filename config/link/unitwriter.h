#pragma once
#include "transferresult.h"
#include "unitidentity.h"

class SerialLink;
struct UnitConfig;

// Writes what differs between a configuration and the unit: each write
// first reads the unit into a temporary configuration and compares.
// Strings are compared, and a cut string written back, in the text form
// the reads use (every character as a code when allCharsAsCodes).
class UnitWriter {
public:
    UnitWriter(SerialLink& link, UnitIdentity& identity, bool allCharsAsCodes = false)
        : link_(link), identity_(identity), allCharsAsCodes_(allCharsAsCodes)
    {
    }

    // Password (when changed), the seven settings, the option bits, and
    // each changed label.
    TransferResult UploadEEPROM(const UnitConfig& model);
    // Each changed sequence and ASCII string as one block. May change the
    // model: a 0xFF pad after a sequence, an ASCII string cut to 31 bytes
    // (stringCut then says so).
    TransferResult UploadFLASH(UnitConfig& model, bool& stringCut);

private:
    bool writeEeprom(int address, const QByteArray& data);
    bool writeBlock(char type, int index, const QByteArray& block);

    SerialLink& link_;
    UnitIdentity& identity_;
    bool allCharsAsCodes_;
};

#pragma once
#include "transferresult.h"
#include "unitidentity.h"

class SerialLink;
struct UnitConfig;

// Writes what differs between a configuration and what the unit holds (as
// read just before; see uploadchanges.h for what counts as a change). A
// string cut to what the unit keeps is written back to the model in the
// text form the reads use (every character as a code when allCharsAsCodes).
class UnitWriter {
public:
    UnitWriter(SerialLink& link, UnitIdentity& identity, bool allCharsAsCodes = false)
        : link_(link), identity_(identity), allCharsAsCodes_(allCharsAsCodes)
    {
    }

    // Password (when changed), the seven settings, the option bits, and
    // each changed label.
    TransferResult UploadEEPROM(const UnitConfig& model, const UnitConfig& unit);
    // Each changed sequence and ASCII string as one block. May change the
    // model: a 0xFF pad after a sequence, an ASCII string cut to 31 bytes
    // (stringCut then says so).
    TransferResult UploadFLASH(UnitConfig& model, const UnitConfig& unit, bool& stringCut);

private:
    bool writeEeprom(int address, const QByteArray& data);
    bool writeBlock(char type, int index, const QByteArray& block);

    SerialLink& link_;
    UnitIdentity& identity_;
    bool allCharsAsCodes_;
};

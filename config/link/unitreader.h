#pragma once
#include "transferresult.h"
#include "unitidentity.h"

class SerialLink;
struct UnitConfig;

// Reads the unit's memories into a configuration: the EEPROM image in one
// reply, then the 20 sequence and 20 ASCII string blocks one by one.
// Progress and outcomes go to the status line and the view's progress bar.
// The strings read take the text form of the target's flag character, with
// every character as a code when allCharsAsCodes.
class UnitReader {
public:
    UnitReader(SerialLink& link, UnitIdentity& identity, bool allCharsAsCodes = false)
        : link_(link), identity_(identity), allCharsAsCodes_(allCharsAsCodes)
    {
    }

    // Reads the EEPROM into target (only the option bits when settingsOnly)
    // and acknowledges a reported power failure. Target is untouched unless
    // the result is Ok.
    TransferResult DownloadEEPROM(UnitConfig& target, bool settingsOnly);
    // Reads every FLASH block into target. On failure target may be partly
    // filled: callers read into a copy.
    TransferResult DownloadFLASH(UnitConfig& target);

    // A slot request answered with nothing is asked again this many times
    // before the read gives up.
    static constexpr int kMaxEmptyRepeats = 3;

private:
    void acknowledgePowerFailure();
    QString readVerb() const;   // "Comparing" / "Downloading"
    QString doneNoun() const;   // "compare" / "download"

    SerialLink& link_;
    UnitIdentity& identity_;
    bool allCharsAsCodes_;
};

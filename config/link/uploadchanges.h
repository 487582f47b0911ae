#pragma once
#include <QByteArray>
#include <QStringList>

struct UnitConfig;

// What to write with an upload.
enum class UploadScope {
    Everything,     // "Upload Everything"
    SettingsOnly,   // "Upload Settings/Labels": EEPROM only
    FlashOnly,      // "Upload Sequences/ASCII Strings": FLASH only
};

// Which parts an upload writes, given what the unit holds (`unit`) and
// what the program holds (`model`). The settings and option bits are
// always written.
bool PasswordChanged(const UnitConfig& unit, const UnitConfig& model);
bool LabelChanged(const UnitConfig& unit, const UnitConfig& model, int slot);
// The pad a previous write left after a sequence does not count.
bool SequenceChanged(const UnitConfig& unit, const UnitConfig& model, int slot);
bool StringChanged(const UnitConfig& unit, const UnitConfig& model, int index);
// The raw bytes of an ASCII string (text form with the flag character) as
// the unit keeps them (at most 31).
QByteArray UnitStringBytes(const QByteArray& text, char flag);

// What a unit that held `unit` holds after an upload of `model` in scope,
// as a read of it gives it back: the writes of the upload applied to what
// it held (settings and option bits always, password, labels, sequences
// and strings where they differ), ASCII strings cut to what the unit keeps,
// the DTMF duration in whole steps, strings in the text form the reads give
// (allCharsAsCodes as in UnitReader). Outside the scope the unit's own.
UnitConfig UnitAfterUpload(const UnitConfig& unit, const UnitConfig& model, UploadScope scope,
                           int hardwareCode, bool allCharsAsCodes = false);

// What an upload of model changes on a unit that holds `unit`, in the form
// of ConfigDifferences: "- " what the unit holds, "+ " what it will hold.
QStringList UploadChanges(const UnitConfig& unit, const UnitConfig& model, UploadScope scope,
                          int hardwareCode, bool allCharsAsCodes = false);

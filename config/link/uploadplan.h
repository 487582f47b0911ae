#pragma once
#include "unitconfig.h"
#include "unitmemory.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// What to write with an upload.
enum class UploadScope {
    Everything,     // "Upload Everything"
    SettingsOnly,   // "Upload Settings/Labels": EEPROM only
    FlashOnly,      // "Upload Sequences/ASCII Strings": FLASH only
};

// One write of an upload: 0xD2 and the address, or 0x4B, the block type and
// index; then the byte count and the data.
struct PlannedWrite {
    enum class Target { Eeprom, SequenceBlock, StringBlock };
    Target target = Target::Eeprom;
    int address = 0;            // EEPROM start address; the slot or string (0-19) of a block
    QByteArray data;            // the bytes after the count
    bool countInData = false;   // the password: its count goes out as the data's first byte
    QString name;               // "the password", "label #03", "sequence #05"
    int progress = 0;           // the progress bar's value while it is written

    bool isEeprom() const { return target == Target::Eeprom; }
};

// Everything an upload does and expects, worked out from what the unit's
// memories held before it sends a byte: the writes in order, and the
// memories as a read will find them afterwards. The preview lists it
// (PlanChanges), the writer sends exactly it, and the read-back is compared
// with it byte for byte (ReadBackDifferences).
struct UploadPlan {
    UploadScope scope = UploadScope::Everything;
    QList<PlannedWrite> writes;
    UnitMemory before;          // as read
    UnitMemory after;           // before with every write applied
    UnitConfig model;           // the configuration as the upload leaves it: sequences padded, strings cut
    bool stringCut = false;     // a string was cut to what the unit keeps (the model changed)

    bool writesEeprom() const;
    // The FLASH blocks it writes, in order.
    QList<FlashBlock> writtenBlocks() const;
};

// What in model, within scope, the unit cannot hold, naming it ("ASCII
// string #03 holds a code above 255."); empty when everything can be sent.
QString UnencodableInScope(const UnitConfig& model, UploadScope scope);

// The plan for writing model (encodable within scope) to a unit whose
// memories read as unit, with the FLASH block size of hardwareCode. Within
// scope: for the EEPROM the password when it differs, the seven settings
// and the two option bytes always, each label whose text differs, and the
// power status given in powerAck (the unit's report cleared); for the FLASH
// each sequence whose count or actions differ (padded as the unit's write
// blocks want) and each string whose bytes differ (cut to 31). Strings cut
// go back into the model in the text form a read gives (every character as
// a code with allCharsAsCodes).
UploadPlan PlanUpload(const UnitMemory& unit, const UnitConfig& model, UploadScope scope, int hardwareCode,
                      std::optional<uint8_t> powerAck = std::nullopt, bool allCharsAsCodes = false);

// The plan as changes in the form of ConfigDifferences: "- " what the unit
// holds, "+ " what it will hold; empty when it holds that already.
QStringList PlanChanges(const UploadPlan& plan);

// Where a read-back differs from what the plan expects ("- " written, "+ "
// read back); empty when the unit holds it. readBack is the plan's
// memories as read before with what was read back put in (the EEPROM when
// it was written, each written block). The EEPROM is compared where it
// holds the configuration or was written, a sequence block up to its
// filler, a string byte for byte.
QStringList ReadBackDifferences(const UploadPlan& plan, const UnitMemory& readBack);

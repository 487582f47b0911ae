#pragma once
#include "unitconfig.h"

#include <QByteArray>
#include <QString>

// The configuration data file (.dtd): records one after another, each a
// two-byte length (body length minus one, little endian) and a body made of
// a bracketed section name and that section's bytes. No header, no checksum.

// Appends one record with the given body (1 to 65,536 bytes) to out.
void WriteRecord(const QByteArray& body, QByteArray& out);
// Reads the record starting at pos into body and moves pos past it. Returns
// false, leaving pos alone, when the data ends before the record does.
bool ReadRecord(const QByteArray& data, qsizetype& pos, QByteArray& body);

// The whole configuration as data file bytes: 17 sections in fixed order.
QByteArray ExportKV310Bytes(const UnitConfig& config);
// Applies data file bytes to config. Sections may come in any order; unknown
// ones are skipped and fields whose section is absent keep their values.
// Returns false, leaving config untouched, when the last record is cut off
// (a damaged or incomplete file).
bool ImportKV310Bytes(const QByteArray& data, UnitConfig& config);

// Writes config to path, replacing the file only once the new content is
// complete on disk, so a failed save keeps the previous file. A failure is
// reported to the user ("Unable to save/export ...") and returns false; so
// does a save started while another one is running.
bool ExportKV310File(const QString& path, const UnitConfig& config);
// Reads the file at path into config. A file that cannot be opened or is
// damaged is reported ("Unable to load ...") and leaves config untouched.
bool ImportKV310File(const QString& path, UnitConfig& config);

// The path of the current data file (empty until the window sets it).
const QString& CurrentFile();
void SetCurrentFile(const QString& path);
// How many times it was set: a window tells whether the user opened, saved
// or started a file since some moment.
int CurrentFileChanges();

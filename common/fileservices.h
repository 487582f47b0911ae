#pragma once
#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

// True when path names an existing regular file (a link to one counts); a
// folder, FIFO, device or any error gives false.
bool FileExists(const QString& path);

// Opens path for output and closes it again: true when that worked.
// NOTE: this creates the file, and EMPTIES an existing one. Use it only
// where the file is about to be written anyway; it is not a harmless
// "could I write here" test.
bool CanCreateFile(const QString& path);

// Replaces the file's contents with bytes through a temporary file in the
// same folder (AtomicFile), so a failure (full disk, crash) leaves the old
// file whole. False with the reason in *error when the new contents were
// not written.
bool ReplaceFileContents(const QString& path, const QByteArray& bytes, QString* error = nullptr);

// A path as the command line gave it (raw bytes), usable whatever the
// encoding of its name: one that does not survive conversion to text (not
// valid UTF-8) is reached through a descriptor of the file, or of its
// folder when it does not exist yet (/proc/self/fd/N).
QString CommandLinePath(const char* argument);

// The path up to and including its last "\" (or its last "/" when it has
// no "\"); empty when it has neither.
QString GetFolder(const QString& path);

// The smallest integer not below value. Values outside the 32-bit range
// (and NaN) give 0, the result of a failed conversion.
int32_t Ceiling(double value);

// A dynamic array that may be "not dimensioned": std::nullopt until it is
// filled, and again after it is erased (reset()).
template <class Array>
bool IsArrayDimmed(const std::optional<Array>& array)
{
    return array.has_value();
}

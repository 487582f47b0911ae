#pragma once
#include <QByteArray>
#include <QFile>
#include <QString>

#include <optional>

// Opening files that other users, careless picks and odd file types can
// reach: the program folder may be shared, a user's folders can hold links,
// FIFOs, devices and huge files. Qt's QFile cannot open without following a
// link, without blocking on a FIFO, or exclusively with a chosen mode, so
// these use the POSIX calls and hand the checked descriptor to a QFile.

// The description of a system error number as messages show it
// ("Permission denied", "File not found", "No space left on device").
QString FileErrorText(int errnum);

enum class Links { Follow, DoNotFollow };

// Opens an existing file for reading. Only a regular file of at most
// maxBytes is taken; a FIFO, device or folder is refused without blocking.
// The QFile owns the descriptor. False with the reason in *error.
bool OpenRegularFile(QFile& file, const QString& path, qint64 maxBytes, QString* error,
                     Links links = Links::Follow);

// The whole of such a file; nothing (with *error) when it cannot be read,
// is no regular file or holds more than maxBytes.
std::optional<QByteArray> ReadRegularFile(const QString& path, qint64 maxBytes, QString* error,
                                          Links links = Links::Follow);

// Opens path for appending, creating it when missing, without following a
// link and without blocking. An existing file must be a regular file with
// one name only (not a hard link to some other file).
bool OpenForAppend(QFile& file, const QString& path);

// Creates path for reading and writing, mode 0600, only when nothing of
// that name exists (not even a link). False with the reason in *error.
bool CreatePrivateFile(QFile& file, const QString& path, QString* error);

// Why a new file may not take the place of what path names: a link, a
// FIFO, a device or a folder. Empty when nothing is there or a regular file.
QString ReplaceProblem(const QString& path);

// A new private file (mode 0600) in path's place, replacing a regular file
// there without ever opening it (a new file renamed over it), refusing
// anything else (ReplaceProblem). False with the reason in *error, and
// whatever was there as it was.
bool CreateFreshPrivateFile(QFile& file, const QString& path, QString* error);

// Renames from over to when to is missing or a regular file; false (with
// *error) otherwise, with both as they were.
bool RenameOverRegular(const QString& from, const QString& to, QString* error);

// Writes all of bytes. A short write (the disk filling up) is retried, so
// that the failing one leaves its reason in out.errorString().
bool WriteAll(QIODevice& out, const QByteArray& bytes);

// True when both paths name one existing file (through links or hard links).
bool IsSameFile(const QString& a, const QString& b);

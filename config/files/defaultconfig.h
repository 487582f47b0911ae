#pragma once
#include "unitconfig.h"

#include <QByteArray>
#include <QString>

// The configuration the program carries inside itself, as the 1,549 bytes
// of a data file. Starting afresh writes it next to the program under this
// name and loads it like any other file.
inline constexpr char kDefaultFileName[] = "Default KV310 File.dtd";

const QByteArray& DefaultConfigBytes();
// The built-in configuration read into a UnitConfig.
UnitConfig DefaultConfig();
// Writes the built-in bytes to path as they are, replacing whatever the file
// held; the old file stays until the new one is complete. On failure returns
// false and, when error is given, the system's description.
bool WriteDefaultFile(const QString& path, QString* error = nullptr);

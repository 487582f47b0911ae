#pragma once
#include "dffheader.h"
#include "md5cipher.h"

#include <QString>

// A version field as typed: the whole part of its leading number (0 when
// there is none).
// Throws RuntimeError overflow for a number outside 0..255.
uint8_t VersionFieldByte(const QString& text);

// Default file name of a firmware file: "KV310 Firmware v2.15".
QString DefaultDffName(const QString& model, const QString& majorText, const QString& minorText);

// Writes dffPath from the file at hexPath, keyed for the header's version.
// Any file there is replaced only once the new one is whole; a target that
// is the HEX file itself is refused. False with a sentence for the user in
// *problem when a file cannot be read or written.
bool MakeDff(const QString& hexPath, const QString& dffPath, const DffHeader& header,
             const CipherProgress& progress = {}, QString* problem = nullptr);

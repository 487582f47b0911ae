#pragma once
#include <QByteArray>
#include <QString>
#include <cstdint>

// Small text converters of the configuration: filler trimming, DTMF text
// filtering, and the flag-code text form of ASCII strings, in which a byte
// may be written as ASCIIFlagChar + decimal code + ASCIIFlagChar (with "\",
// a carriage return reads \13\). The flag character comes from Config().

// The text without its trailing bytes of the given value.
QByteArray StripLastNulls(const QByteArray& text, uint8_t code);

// The text reduced to DTMF characters (0-9, A-D in either case, * and #);
// the others are named in the status line.
QString FilterDTMFChars(const QString& text);

// Raw bytes to the flag-code text form. Bytes below 32 and from 127 on are
// written as codes, every byte when AllCharsAsCodes() is on.
QByteArray EncodeASCIICodes(const QByteArray& raw);
// The flag-code text form back to raw bytes. A code above 255 between two
// flags throws RuntimeError::overflow(); editors reject such text first.
QByteArray DecodeASCIICodes(const QByteArray& text);
// Tells the user when the decoded text is longer than the unit keeps;
// returns true when it fits. Decoding errors pass to the caller.
bool CheckASCIILength(const QByteArray& text);

// The terminal's "Display ASCII codes for ALL chars" option, which
// EncodeASCIICodes follows. Off at start.
void SetAllCharsAsCodes(bool on);
bool AllCharsAsCodes();

#pragma once
#include <QByteArray>
#include <QString>
#include <cstdint>

// Small text converters of the configuration: filler trimming, DTMF text
// filtering, and the flag-code text form of ASCII strings, in which a byte
// may be written as flag + decimal code + flag (with the usual flag "\", a
// carriage return reads \13\). The flag is the configuration's
// ASCIIFlagChar, handed in by the caller.

// The text without its trailing bytes of the given value.
QByteArray StripLastNulls(const QByteArray& text, uint8_t code);

// The text reduced to DTMF characters (0-9, A-D in either case, * and #);
// the others are named in the status line.
QString FilterDTMFChars(const QString& text);

// Raw bytes to the flag-code text form. Bytes below 32 and from 127 on are
// written as codes, every byte with allAsCodes (the terminal's "Display
// ASCII codes for ALL chars", which downloads follow too).
QByteArray EncodeASCIICodes(const QByteArray& raw, char flag, bool allAsCodes = false);
// The flag-code text form back to raw bytes. A code above 255 between two
// flags throws RuntimeError::overflow(); editors reject such text first.
QByteArray DecodeASCIICodes(const QByteArray& text, char flag);
// Tells the user when the decoded text is longer than the unit keeps;
// returns true when it fits. Decoding errors pass to the caller.
bool CheckASCIILength(const QByteArray& text, char flag);

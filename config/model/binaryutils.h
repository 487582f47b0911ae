#pragma once
#include <QByteArray>
#include <QString>
#include <cstdint>

// Bit and byte arithmetic shared by the configuration model, the data files
// and the firmware loader, plus starting a program and waiting for it.

bool IsBitSet(uint8_t b, int bit);
uint8_t SetBit(uint8_t b, int bit, bool value);

uint8_t ShiftRight(uint8_t b, int count);
// Bit 7 is dropped before shifting; a result above 255 throws
// RuntimeError::overflow().
uint8_t ShiftLeft(uint8_t b, int count);

uint8_t HiByte(uint16_t v);
uint8_t LoByte(uint16_t v);
uint8_t HiNibble(uint8_t b);
uint8_t LoNibble(uint8_t b);
uint16_t MakeWord(uint8_t hi, uint8_t lo);
// Little-endian word of elements 0 (low) and 1 (high); throws
// RuntimeError::subscriptOutOfRange() when fewer than two bytes are given.
uint16_t WordFromBytes(const QByteArray& bytes);
uint16_t UnsignedWord(int16_t v);

// The nearest whole number, a half going to the even neighbour (2.5 -> 2,
// 3.5 -> 4), whatever the process's floating-point rounding mode.
double RoundHalfEven(double value);

// Bytes first..last-1 of the array as text, one character per byte;
// -1 for first means the start, -1 for last the end. With stopAtZero a zero
// byte ends the text. Indexes are clamped to the array.
QString BinArr2Str(const QByteArray& bytes, int first = -1, int last = -1,
                   bool stopAtZero = false);

// Runs the command line (program path, then its arguments) and returns when
// the program has ended. Events are handled meanwhile (windows repaint), so
// the caller closes its input first. When the program cannot be started the
// user is told so.
void ShellAndWait(const QString& commandLine);

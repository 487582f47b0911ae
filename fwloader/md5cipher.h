#pragma once
#include "dffheader.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <cstdint>
#include <functional>

// Progress of a cipher run as a fraction 0..1. Called at most every few
// tens of milliseconds (and once at the end), so a bar repaint per call
// does not slow the cipher down. May be empty.
using CipherProgress = std::function<void(double fraction)>;

// RFC 1321 MD5 of the bytes, 16 raw bytes.
QByteArray MD5Digest(const QByteArray& text);
// Byte-wise XOR of two strings of equal length; empty when the lengths differ.
QByteArray XorStrings(const QByteArray& a, const QByteArray& b);
// The check block of a file: the digest of key "?" salt.
QByteArray DffCheckBlock(const QByteArray& key, int32_t salt);

// The key stream, 16 bytes per digest of key "?" counter, the counter
// starting at the complement of the salt. Applying it twice restores the
// data, so it both enciphers and deciphers.
class KeyStream {
public:
    KeyStream(const QByteArray& key, int32_t salt);
    // XORs the next data.size() bytes of the stream into data.
    void apply(QByteArray& data);

private:
    void nextBlock();

    QByteArray prefix_;   // key "?"
    int32_t counter_;
    QByteArray block_;
    int used_ = 16;
};

// Writes outPath as a firmware file: header, salt, check block, then the
// bytes of inPath enciphered. The salt is drawn at random unless given.
// The input must be a regular file of at most kMaxHexFileBytes; the output
// replaces any file there only once it is complete (AtomicFile). False when
// a file cannot be read or written, with a sentence for the user in
// *problem ("Unable to read 'X'. Permission denied").
bool EncMD5(const QString& inPath, const QString& outPath, const QByteArray& key,
            const DffHeader& header, const CipherProgress& progress = {}, QString* problem = nullptr);
bool EncMD5WithSalt(const QString& inPath, const QString& outPath, const QByteArray& key,
                    const DffHeader& header, int32_t salt, const CipherProgress& progress = {},
                    QString* problem = nullptr);

// Checks inPath (a regular file of at most kMaxDffFileBytes) against the
// key and, when its check block matches, writes the deciphered payload to
// out. False when the check fails (nothing written), or when the file
// cannot be read or out written (logged, and *problem says why).
bool DecMD5(const QString& inPath, QIODevice& out, const QByteArray& key, const CipherProgress& progress = {},
            QString* problem = nullptr);

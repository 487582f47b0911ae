#include "md5cipher.h"

#include "errorlog.h"
#include "runtimeerror.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QtEndian>

namespace {

constexpr int kBlockSize = 16;
// Files are ciphered in pieces of this size (a multiple of the block size).
constexpr qint64 kChunkBytes = 64 * 1024;
// Least time between two progress reports.
constexpr qint64 kProgressIntervalMs = 30;
constexpr const char* kModule = "modMD5Shell";

// Reports progress, at most once per interval.
class ThrottledProgress {
public:
    explicit ThrottledProgress(const CipherProgress& progress) : progress_(progress) { clock_.start(); }
    void report(qint64 done, qint64 total)
    {
        if (!progress_ || (clock_.elapsed() < kProgressIntervalMs && done < total))
            return;
        clock_.restart();
        progress_(total > 0 ? double(done) / double(total) : 1.0);
    }

private:
    const CipherProgress& progress_;
    QElapsedTimer clock_;
};

void OpenOrThrow(QFile& file, QIODevice::OpenMode mode)
{
    if (file.open(mode))
        return;
    if (file.error() == QFileDevice::PermissionsError)
        throw RuntimeError::permissionDenied();
    if (!file.exists() && (mode & QIODevice::ReadOnly))
        throw RuntimeError::fileNotFound();
    throw RuntimeError::pathNotFound();
}

void WriteOrThrow(QFile& file, const QByteArray& bytes)
{
    if (file.write(bytes) != bytes.size())
        throw RuntimeError(75, QStringLiteral("Path/File access error"));
}

// Ciphers the rest of in into out with the stream.
void CipherRest(QFile& in, QFile& out, KeyStream& stream, const CipherProgress& progress)
{
    ThrottledProgress bar(progress);
    const qint64 total = in.size();
    while (!in.atEnd()) {
        QByteArray chunk = in.read(kChunkBytes);
        if (chunk.isEmpty())
            break;
        stream.apply(chunk);
        WriteOrThrow(out, chunk);
        bar.report(in.pos(), total);
    }
    bar.report(total, total);
}

QByteArray SaltBytes(int32_t salt)
{
    QByteArray b(4, '\0');
    qToLittleEndian<qint32>(salt, b.data());
    return b;
}

} // namespace

QByteArray MD5Digest(const QByteArray& text)
{
    return QCryptographicHash::hash(text, QCryptographicHash::Md5);
}

QByteArray XorStrings(const QByteArray& a, const QByteArray& b)
{
    if (a.size() != b.size())
        return {};
    QByteArray out(a.size(), '\0');
    for (qsizetype i = 0; i < a.size(); ++i)
        out[i] = char(a[i] ^ b[i]);
    return out;
}

QByteArray DffCheckBlock(const QByteArray& key, int32_t salt)
{
    return MD5Digest(key + '?' + QByteArray::number(salt));
}

KeyStream::KeyStream(const QByteArray& key, int32_t salt)
    : prefix_(key + '?'), counter_(~salt)
{
}

void KeyStream::nextBlock()
{
    block_ = MD5Digest(prefix_ + QByteArray::number(counter_));
    // The counter is 32-bit signed arithmetic; wrap rather than overflow.
    counter_ = int32_t(uint32_t(counter_) + 1u);
    used_ = 0;
}

void KeyStream::apply(QByteArray& data)
{
    char* p = data.data();
    for (qsizetype i = 0; i < data.size(); ++i) {
        if (used_ == kBlockSize)
            nextBlock();
        p[i] = char(p[i] ^ block_[used_++]);
    }
}

bool EncMD5(const QString& inPath, const QString& outPath, const QByteArray& key,
            const DffHeader& header, const CipherProgress& progress)
{
    const auto salt = int32_t(QRandomGenerator::global()->bounded(0x80000000u));
    return EncMD5WithSalt(inPath, outPath, key, header, salt, progress);
}

bool EncMD5WithSalt(const QString& inPath, const QString& outPath, const QByteArray& key,
                    const DffHeader& header, int32_t salt, const CipherProgress& progress)
{
    const ProcedureTrap trap("EncMD5", kModule);
    QFile in(inPath);
    QFile out(outPath);
    return trap([&] {
        OpenOrThrow(in, QIODevice::ReadOnly);
        OpenOrThrow(out, QIODevice::WriteOnly | QIODevice::Truncate);
        WriteOrThrow(out, header.toBytes() + SaltBytes(salt) + DffCheckBlock(key, salt));
        KeyStream stream(key, salt);
        CipherRest(in, out, stream, progress);
    });
}

bool DecMD5(const QString& inPath, const QString& outPath, const QByteArray& key,
            const CipherProgress& progress)
{
    const ProcedureTrap trap("DecMD5", kModule);
    QFile in(inPath);
    QFile out(outPath);
    bool matched = false;
    const bool ran = trap([&] {
        OpenOrThrow(in, QIODevice::ReadOnly);
        const QByteArray head = in.read(kDffPayloadOffset);
        if (head.size() < kDffPayloadOffset)
            return;   // too short to hold a check block: not a valid file
        const auto salt = qFromLittleEndian<qint32>(head.constData() + kDffSaltOffset);
        if (DffCheckBlock(key, salt) != head.mid(kDffCheckOffset, 16))
            return;
        matched = true;
        OpenOrThrow(out, QIODevice::WriteOnly | QIODevice::Truncate);
        KeyStream stream(key, salt);
        CipherRest(in, out, stream, progress);
    });
    return ran && matched;
}

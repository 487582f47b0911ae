#include "md5cipher.h"

#include "atomicfile.h"
#include "errorlog.h"
#include "runtimeerror.h"
#include "safefile.h"

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

// The error a file that cannot be used raises, numbered as the log numbers them.
RuntimeError FileError(const QString& description)
{
    for (const RuntimeError& known : {RuntimeError::fileNotFound(), RuntimeError::permissionDenied()})
        if (known.description() == description)
            return known;
    return RuntimeError(75, description);
}

void WriteOrThrow(QIODevice& out, const QByteArray& bytes)
{
    if (!WriteAll(out, bytes))
        throw FileError(out.errorString());
}

// Ciphers the rest of in into out with the stream: as many bytes as the
// file held when it was opened, however it grows meanwhile.
void CipherRest(QFile& in, QIODevice& out, KeyStream& stream, const CipherProgress& progress)
{
    ThrottledProgress bar(progress);
    const qint64 total = in.size();
    while (in.pos() < total) {
        QByteArray chunk = in.read(qMin(kChunkBytes, total - in.pos()));
        if (chunk.isEmpty())
            break;
        stream.apply(chunk);
        WriteOrThrow(out, chunk);
        bar.report(in.pos(), total);
    }
    if (in.error() != QFileDevice::NoError)
        throw FileError(in.errorString());
    bar.report(total, total);
}

bool Problem(QString* problem, const QString& text)
{
    if (problem)
        *problem = text;
    return false;
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
            const DffHeader& header, const CipherProgress& progress, QString* problem)
{
    const auto salt = int32_t(QRandomGenerator::global()->bounded(0x80000000u));
    return EncMD5WithSalt(inPath, outPath, key, header, salt, progress, problem);
}

bool EncMD5WithSalt(const QString& inPath, const QString& outPath, const QByteArray& key,
                    const DffHeader& header, int32_t salt, const CipherProgress& progress, QString* problem)
{
    const ProcedureTrap trap("EncMD5", kModule);
    QFile in;
    QString why;
    if (!OpenRegularFile(in, inPath, kMaxHexFileBytes, &why))
        return Problem(problem, QStringLiteral("Unable to read '%1'. %2").arg(inPath, why));
    AtomicFile out(outPath);
    const bool written = out.open() && trap([&] {
        WriteOrThrow(out.file(), header.toBytes() + SaltBytes(salt) + DffCheckBlock(key, salt));
        KeyStream stream(key, salt);
        CipherRest(in, out.file(), stream, progress);
    });
    if (written && out.commit())
        return true;
    if (in.error() != QFileDevice::NoError)
        return Problem(problem, QStringLiteral("Unable to read '%1'. %2").arg(inPath, in.errorString()));
    why = out.file().error() != QFileDevice::NoError ? out.file().errorString() : out.errorString();
    return Problem(problem, QStringLiteral("Unable to write '%1'. %2").arg(outPath, why));
}

bool DecMD5(const QString& inPath, QIODevice& out, const QByteArray& key, const CipherProgress& progress,
            QString* problem)
{
    const ProcedureTrap trap("DecMD5", kModule);
    QFile in;
    bool matched = false;
    QString why;
    const bool ran = trap(
        [&] {
            if (!OpenRegularFile(in, inPath, kMaxDffFileBytes, &why))
                throw FileError(why);
            const QByteArray head = in.read(kDffPayloadOffset);
            if (head.size() < kDffPayloadOffset)
                return;   // too short to hold a check block: not a valid file
            const auto salt = qFromLittleEndian<qint32>(head.constData() + kDffSaltOffset);
            if (DffCheckBlock(key, salt) != head.mid(kDffCheckOffset, 16))
                return;
            matched = true;
            KeyStream stream(key, salt);
            CipherRest(in, out, stream, progress);
        },
        &why);
    if (!ran)
        return Problem(problem, why);
    return matched;
}

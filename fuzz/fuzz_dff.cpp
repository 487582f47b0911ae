// Loads firmware data files. Odd first byte: the input is the file as it
// is (mostly rejected by its check block). Even: the input is a header, a
// salt and a payload, enciphered here with the file's own key so the load
// gets past the check block into deciphering and parsing.
#include "appinfo.h"
#include "dffheader.h"
#include "dffloader.h"
#include "keystem.h"
#include "md5cipher.h"
#include "scratchfolder.h"

#include <QDir>
#include <QFile>
#include <QtEndian>

#include <cstddef>
#include <cstdint>

namespace {

QByteArray EncipheredFile(const QByteArray& input)
{
    const QByteArray headerBytes = input.left(DffHeader::kSize).leftJustified(DffHeader::kSize, '\0');
    const DffHeader header = DffHeader::fromBytes(headerBytes);
    const QByteArray saltBytes = input.mid(DffHeader::kSize, 4).leftJustified(4, '\0');
    const int32_t salt = qFromLittleEndian<int32_t>(saltBytes.constData()) & 0x7FFFFFFF;
    QByteArray payload = input.mid(DffHeader::kSize + 4);
    const QByteArray key = DffKey(header.Major, header.Minor);
    KeyStream(key, salt).apply(payload);
    char saltLe[4];
    qToLittleEndian<int32_t>(salt, saltLe);
    return header.toBytes() + QByteArray(saltLe, 4) + DffCheckBlock(key, salt) + payload;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QDir dir(App().folder);   // the deciphered scratch file goes there too
    if (size < 1)
        return 0;
    const QByteArray input(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    const QByteArray file = (data[0] & 1) ? input : EncipheredFile(input);
    const QString path = dir.filePath(QStringLiteral("fuzz.dff"));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(file);
    }
    DffHeader header;
    QString error;
    if (!ReadDffHeader(path, &header, &error))
        return 0;
    FirmwareImage image;
    (void)LoadDffImage(path, header, &image);
    return 0;
}

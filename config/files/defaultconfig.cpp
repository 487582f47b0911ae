#include "defaultconfig.h"

#include "datafile.h"

#include <QSaveFile>

// The built-in bytes, in defaultconfigbytes.cpp.
extern const unsigned char kDefaultConfigData[];
extern const int kDefaultConfigSize;

const QByteArray& DefaultConfigBytes()
{
    static const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(kDefaultConfigData), kDefaultConfigSize);
    return bytes;
}

UnitConfig DefaultConfig()
{
    UnitConfig config;
    ImportKV310Bytes(DefaultConfigBytes(), config);
    return config;
}

bool WriteDefaultFile(const QString& path, QString* error)
{
    QSaveFile file(path);
    const QByteArray& bytes = DefaultConfigBytes();
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    if (error)
        *error = file.errorString();
    return false;
}

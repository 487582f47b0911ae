#include "defaultconfig.h"

#include "datafile.h"
#include "fileservices.h"

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
    return ReplaceFileContents(path, DefaultConfigBytes(), error);
}

// Reads keys from an arbitrary Locals.ini, then writes one and checks that
// it reads back and that the other keys kept their values.
#include "inifile.h"
#include "scratchfolder.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Locals.ini"));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    const QString section = QStringLiteral("KV310");
    const QStringList keys{QStringLiteral("WinState"), QStringLiteral("Size"),
                           QStringLiteral("LastDTD"), QStringLiteral("DTMFStrings")};
    QStringList before;
    for (const QString& key : keys)
        before.append(ReadIniValue(section, key, path));
    if (!WriteIniValue(section, QStringLiteral("ComPort"), QStringLiteral("Com3"), path))
        return 0;
    if (ReadIniValue(section, QStringLiteral("ComPort"), path) != QStringLiteral("Com3"))
        std::abort();
    for (int i = 0; i < keys.size(); ++i)
        if (ReadIniValue(section, keys[i], path) != before[i])
            std::abort();
    return 0;
}

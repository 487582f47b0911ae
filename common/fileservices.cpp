#include "fileservices.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cmath>
#include <limits>

bool FileExists(const QString& path)
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    return info.exists() && !info.isDir();
}

bool ReplaceFileContents(const QString& path, const QByteArray& bytes, QString* error)
{
    QSaveFile file(path);
    // Unbuffered: Qt 6.4 commits a save whose buffered write failed (a
    // full disk), replacing the old file with an empty one. Written
    // straight through, the failure shows at write() and nothing is renamed.
    const bool written = file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)
        && file.write(bytes) == bytes.size();
    if (written && file.commit())
        return true;
    if (error)
        *error = file.errorString();
    return false;
}

bool CanCreateFile(const QString& path)
{
    if (path.isEmpty())
        return false;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    file.close();
    return true;
}

QString GetFolder(const QString& path)
{
    qsizetype cut = path.lastIndexOf(QLatin1Char('\\'));
    if (cut < 0)
        cut = path.lastIndexOf(QLatin1Char('/'));
    return cut < 0 ? QString() : path.left(cut + 1);
}

int32_t Ceiling(double value)
{
    const double up = -std::floor(-value);
    if (std::isnan(up) || up < double(std::numeric_limits<int32_t>::min())
        || up > double(std::numeric_limits<int32_t>::max()))
        return 0;
    return int32_t(up);
}

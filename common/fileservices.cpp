#include "fileservices.h"

#include "atomicfile.h"
#include "safefile.h"

#include <QFile>
#include <QFileInfo>

#include <cmath>
#include <fcntl.h>
#include <limits>

bool FileExists(const QString& path)
{
    if (path.isEmpty())
        return false;
    // A FIFO or device is no file to load: reading it would block or never end.
    return QFileInfo(path).isFile();
}

bool ReplaceFileContents(const QString& path, const QByteArray& bytes, QString* error)
{
    AtomicFile file(path);
    if (file.open() && WriteAll(file.file(), bytes) && file.commit())
        return true;
    if (error)
        *error = file.errorString().isEmpty() ? file.file().errorString() : file.errorString();
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

QString CommandLinePath(const char* argument)
{
    const QByteArray raw(argument);
    const QString text = QFile::decodeName(raw);
    if (QFile::encodeName(text) == raw)
        return text;
    // O_PATH only names the file: nothing is read, and a FIFO does not block.
    const auto viaDescriptor = [](const QByteArray& path) {
        const int fd = ::open(path.constData(), O_PATH | O_CLOEXEC);
        return fd < 0 ? QString() : QStringLiteral("/proc/self/fd/%1").arg(fd);
    };
    QString reached = viaDescriptor(raw);
    if (!reached.isEmpty())
        return reached;
    const qsizetype cut = raw.lastIndexOf('/');
    reached = viaDescriptor(cut < 0 ? QByteArray(".") : raw.left(qMax<qsizetype>(cut, 1)));
    return reached.isEmpty() ? text : reached + QLatin1Char('/') + QFile::decodeName(raw.mid(cut + 1));
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

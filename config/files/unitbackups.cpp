#include "unitbackups.h"

#include "appinfo.h"
#include "atomicfile.h"
#include "datafile.h"
#include "safefile.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

#include <algorithm>
#include <sys/stat.h>

namespace {
const QString kTimeFormat = QStringLiteral("yyyy-MM-dd_HH-mm-ss");
// time stamp, port, and a counter for a second backup within one second
const QRegularExpression kBackupName(
    QStringLiteral("^(\\d{4}-\\d\\d-\\d\\d_\\d\\d-\\d\\d-\\d\\d)_([A-Za-z0-9.-]+?)(?:_(\\d+))?\\.dtd$"));

// A port name fit for a file name: "Com3"; a device path without its
// "/dev/" ("ttyUSB0", "pts-3").
QString portPart(const QString& port)
{
    QString name = port;
    if (name.startsWith(QLatin1String("/dev/")))
        name.remove(0, 5);
    for (QChar& c : name)
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != QLatin1Char('.') && c != QLatin1Char('-'))
            c = QLatin1Char('-');
    return name.isEmpty() ? QStringLiteral("port") : name;
}

// Oldest first: by time stamp, then by counter.
bool olderFirst(const QString& a, const QString& b)
{
    const QRegularExpressionMatch ma = kBackupName.match(a);
    const QRegularExpressionMatch mb = kBackupName.match(b);
    if (ma.captured(1) != mb.captured(1))
        return ma.captured(1) < mb.captured(1);
    return ma.captured(3).toInt() < mb.captured(3).toInt();
}
} // namespace

QString UnitBackups::defaultFolder()
{
    return QDir(StandardUserFolders().data).filePath(QStringLiteral("backups"));
}

QStringList UnitBackups::files() const
{
    QStringList names;
    const QDir dir(folder_);
    for (const QString& name : dir.entryList(QDir::Files | QDir::NoSymLinks | QDir::Hidden)) {
        if (kBackupName.match(name).hasMatch())
            names << name;
    }
    std::sort(names.begin(), names.end(), olderFirst);
    for (QString& name : names)
        name = dir.filePath(name);
    return names;
}

QString UnitBackups::save(const UnitConfig& config, const QString& port, QString* error,
                          const QDateTime& when) const
{
    if (!MakePrivateFolder(folder_)) {
        *error = QStringLiteral("The folder %1 cannot be made.").arg(folder_);
        return QString();
    }
    // A second backup within the same second, of any port, is counted on,
    // so the names keep their order.
    const QString stamp = when.toString(kTimeFormat);
    const QString stem = stamp + QLatin1Char('_') + portPart(port);
    int n = 1;
    for (const QString& file : files())
        n += QFileInfo(file).fileName().startsWith(stamp);
    const auto name = [&] {
        return QDir(folder_).filePath(stem + (n < 2 ? QString() : QStringLiteral("_%1").arg(n))
                                      + QStringLiteral(".dtd"));
    };
    QString path = name();
    while (QFileInfo(path).exists() || QFileInfo(path).isSymLink()) {
        ++n;
        path = name();
    }

    // Written whole under a hidden temporary name and renamed when complete:
    // a save that is killed leaves no part of a backup among the backups.
    AtomicFile file(path);
    const bool written = file.open() && ::fchmod(file.file().handle(), 0600) == 0
        && WriteAll(file.file(), ExportKV310Bytes(config)) && file.commit();
    if (!written) {
        const QString why = file.errorString().isEmpty() ? file.file().errorString() : file.errorString();
        *error = QStringLiteral("Unable to save %1. %2").arg(path, why);
        return QString();
    }

    const QStringList all = files();
    for (qsizetype i = 0; i + kKept < all.size(); ++i)
        QFile::remove(all.at(i));
    return path;
}

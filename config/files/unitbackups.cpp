#include "unitbackups.h"

#include "appinfo.h"
#include "atomicfile.h"
#include "datafile.h"
#include "safefile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <sys/stat.h>

namespace {
const QString kTimeFormat = QStringLiteral("yyyy-MM-dd_HH-mm-ss");
constexpr int kNumberDigits = 6;
constexpr int kHashDigits = 8;
constexpr int kSaveAttempts = 100;   // numbers tried when others take them first
// number, time stamp, port
const QRegularExpression kBackupName(
    QStringLiteral("^(\\d+)_(\\d{4}-\\d\\d-\\d\\d_\\d\\d-\\d\\d-\\d\\d)_([A-Za-z0-9.-]+)\\.dtd$"));
// as named before backups were numbered: time stamp, port, a counter within a second
const QRegularExpression kEarlierName(
    QStringLiteral("^(\\d{4}-\\d\\d-\\d\\d_\\d\\d-\\d\\d-\\d\\d)_([A-Za-z0-9.-]+?)(?:_(\\d+))?\\.dtd$"));

// Where a backup stands among the others: its number (0 for the earlier
// names), then its time stamp and counter.
struct Order {
    qint64 number = 0;
    QString stamp;
    int counter = 0;
    bool operator<(const Order& o) const
    {
        return std::tie(number, stamp, counter) < std::tie(o.number, o.stamp, o.counter);
    }
};

std::optional<Order> orderOf(const QString& name)
{
    if (const QRegularExpressionMatch m = kBackupName.match(name); m.hasMatch())
        return Order{m.captured(1).toLongLong(), m.captured(2), 0};
    if (const QRegularExpressionMatch m = kEarlierName.match(name); m.hasMatch())
        return Order{0, m.captured(1), m.captured(3).toInt()};
    return std::nullopt;
}

bool isBackupName(const QByteArray& name) { return orderOf(QFile::decodeName(name)).has_value(); }

// A port name fit for a file name and short: "Com3"; a device path without
// its "/dev/" ("ttyUSB0", "pts-3"); a long one cut, with a hash of the
// whole so that two long names stay apart.
QString portPart(const QString& port)
{
    QString name = port;
    if (name.startsWith(QLatin1String("/dev/")))
        name.remove(0, 5);
    for (QChar& c : name)
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != QLatin1Char('.') && c != QLatin1Char('-'))
            c = QLatin1Char('-');
    if (name.isEmpty())
        return QStringLiteral("port");
    if (name.size() <= UnitBackups::kMaxPortPart)
        return name;
    const QByteArray hash = QCryptographicHash::hash(port.toUtf8(), QCryptographicHash::Sha1).toHex();
    return name.left(UnitBackups::kMaxPortPart - kHashDigits - 1) + QLatin1Char('-')
        + QString::fromLatin1(hash.left(kHashDigits));
}
} // namespace

QString UnitBackups::defaultFolder()
{
    return QDir(StandardUserFolders().data).filePath(QStringLiteral("backups"));
}

QStringList UnitBackups::files() const
{
    QList<std::pair<Order, QString>> found;
    const QDir dir(folder_);
    for (const QString& name : dir.entryList(QDir::Files | QDir::NoSymLinks | QDir::Hidden)) {
        if (const std::optional<Order> order = orderOf(name))
            found.append({*order, name});
    }
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    QStringList names;
    for (const auto& [order, name] : found)
        names << dir.filePath(name);
    return names;
}

QString UnitBackups::save(const UnitConfig& config, const QString& port, QString* error,
                          const QDateTime& when) const
{
    if (!MakePrivateFolder(folder_)) {
        *error = QStringLiteral("The folder %1 cannot be made.").arg(folder_);
        return QString();
    }
    AtomicFile::removeLeftoversOf(folder_, isBackupName);
    qint64 number = 0;
    for (const QString& file : files())
        number = qMax(number, orderOf(QFileInfo(file).fileName())->number);
    const QString tail = QLatin1Char('_') + when.toString(kTimeFormat) + QLatin1Char('_') + portPart(port)
        + QStringLiteral(".dtd");
    const QByteArray bytes = ExportKV310Bytes(config);

    QString path;
    for (int attempt = 0; attempt < kSaveAttempts && path.isEmpty(); ++attempt) {
        ++number;
        const QString candidate =
            QDir(folder_).filePath(QStringLiteral("%1").arg(number, kNumberDigits, 10, QLatin1Char('0')) + tail);
        if (QFileInfo(candidate).exists() || QFileInfo(candidate).isSymLink())
            continue;
        // Written whole under a hidden temporary name and given its name
        // only when complete, and only while no other file has that name.
        AtomicFile file(candidate);
        const bool written = file.open() && ::fchmod(file.file().handle(), 0600) == 0
            && WriteAll(file.file(), bytes) && file.commitNew();
        if (written) {
            path = candidate;
        } else if (!file.nameTaken()) {
            const QString why = file.errorString().isEmpty() ? file.file().errorString() : file.errorString();
            *error = QStringLiteral("Unable to save %1. %2").arg(candidate, why);
            return QString();
        }
    }
    if (path.isEmpty()) {
        *error = QStringLiteral("Unable to save a backup in %1. %2").arg(folder_, FileErrorText(EEXIST));
        return QString();
    }

    QStringList all = files();
    all.removeAll(path);
    for (qsizetype i = 0; i + kKept - 1 < all.size(); ++i)
        QFile::remove(all.at(i));
    return path;
}

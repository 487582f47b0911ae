#include "appinfo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
// The folder each of the user's locations holds for this suite.
const QString kSuiteFolder = QStringLiteral("kv310");
const QString kCompany = QStringLiteral("Norrvale");

QString StateHome()
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    // Qt 6.4 knows no state location yet: the desktop's rule for it, applied
    // the way Qt applies it to the configuration and data folders.
    const QString xdg = qEnvironmentVariable("XDG_STATE_HOME");
    if (QDir::isAbsolutePath(xdg))
        return xdg;
    return QDir::homePath() + QStringLiteral("/.local/state");
#else
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
#endif
}

bool SameFolder(const QString& a, const QString& b)
{
    const QString canonical = QFileInfo(a).canonicalFilePath();
    return !canonical.isEmpty() && canonical == QFileInfo(b).canonicalFilePath();
}
} // namespace

bool MakePrivateFolder(const QString& path)
{
    if (QFileInfo(path).isDir())
        return true;
    if (!QDir().mkpath(path))
        return false;
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return true;
}

AppInfo& App()
{
    static AppInfo info;
    return info;
}

QString AppInfo::versionText() const
{
    return QStringLiteral("%1.%2.%3").arg(major).arg(minor).arg(revision);
}

QString AppInfo::titleWithVersion() const
{
    return title + QStringLiteral(" v") + versionText();
}

QString AppInfo::inFolder(const QString& fileName) const
{
    return QDir(folder).filePath(fileName);
}

QString AppInfo::settingsFile(const QString& fileName) const
{
    return installed() ? QDir(user.config).filePath(fileName) : inFolder(fileName);
}

QString AppInfo::logFile(const QString& fileName) const
{
    return installed() ? QDir(user.state).filePath(fileName) : inFolder(fileName);
}

QString AppInfo::dataFolder() const
{
    return installed() ? user.data : folder;
}

QString AppInfo::dataFile(const QString& fileName) const
{
    return QDir(dataFolder()).filePath(fileName);
}

void StartApp(const QString& title, const ProgramVersion& version, const QString& programFolder)
{
    AppInfo& info = App();
    info.title = title;
    info.major = version.major;
    info.minor = version.minor;
    info.revision = version.revision;
    info.company = kCompany;
    info.folder = programFolder;
    PlaceFiles(info, StandardUserFolders());
}

UserFolders StandardUserFolders()
{
    const auto under = [](const QString& base) { return QDir(base).filePath(kSuiteFolder); };
    return {under(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)),
            under(StateHome()),
            under(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))};
}

void PlaceFiles(AppInfo& info, const UserFolders& userFolders, const QString& installedFolder)
{
    const bool ours = QFileInfo(info.folder).isWritable() && !SameFolder(info.folder, installedFolder);
    if (ours) {
        info.user = UserFolders{};
        return;
    }
    info.user = userFolders;
    for (const QString& path : {userFolders.config, userFolders.state, userFolders.data})
        MakePrivateFolder(path);
}

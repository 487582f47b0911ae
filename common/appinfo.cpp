#include "appinfo.h"

#include <QDir>

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

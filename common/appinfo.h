#pragma once
#include <QString>

// What a program says about itself: its title and version (caption, error log
// heading), the maker's name (error log notice) and the folder it runs from,
// where Locals.ini, ErrorLog.txt and the default data file live.
struct AppInfo {
    QString title;        // "KV-310" or the loader's title
    int major = 0;
    int minor = 0;
    int revision = 0;
    QString company;      // from the version information
    QString folder;       // program folder, no trailing separator

    QString versionText() const;   // "1.1.24"
    QString titleWithVersion() const; // "KV-310 v1.1.24"
    QString inFolder(const QString& fileName) const; // folder + "/" + fileName
};

// The one AppInfo of this process. Each main() fills it before anything else.
AppInfo& App();

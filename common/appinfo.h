#pragma once
#include "version.h"

#include <QString>

// Where an installed program keeps its files: the user's own folders.
struct UserFolders {
    QString config;   // Locals.ini
    QString state;    // ErrorLog.txt
    QString data;     // the default data file, the first folder file dialogs open
};

// What a program says about itself: its title and version (caption, error log
// heading), the maker's name (error log notice), the folder it runs from and
// where it keeps Locals.ini, ErrorLog.txt and the default data file.
//
// Two ways to run, decided at start (PlaceFiles): from a folder the program
// may write (a build folder, an unpacked portable folder) everything stays in
// that folder; installed, the files go to the user's folders and deciphered
// firmware to a private temporary file.
struct AppInfo {
    QString title;        // "KV-310" or the loader's title
    int major = 0;
    int minor = 0;
    int revision = 0;
    QString company;      // from the version information
    QString folder;       // program folder, no trailing separator
    UserFolders user;     // all empty when the program runs from its folder

    QString versionText() const;   // "1.1.24"
    QString titleWithVersion() const; // "KV-310 v1.1.24"
    QString inFolder(const QString& fileName) const; // folder + "/" + fileName

    bool installed() const { return !user.config.isEmpty(); }
    QString settingsFile(const QString& fileName) const;   // in folder or user.config
    QString logFile(const QString& fileName) const;        // in folder or user.state
    QString dataFolder() const;                           // folder or user.data
    QString dataFile(const QString& fileName) const;
};

// The one AppInfo of this process. Each main() fills it before anything else.
AppInfo& App();

// Sets title, version, maker and program folder, then places the files.
void StartApp(const QString& title, const ProgramVersion& version, const QString& programFolder);

// The user's folders for this suite, as the desktop defines them
// (~/.config/kv310, ~/.local/state/kv310, ~/.local/share/kv310 on Linux).
UserFolders StandardUserFolders();

// Creates the folder when it is missing; a folder this creates is the
// user's alone (logs, settings and backups may name customers' sites and
// hold their units' passwords). False when it cannot be made.
bool MakePrivateFolder(const QString& path);

// Decides where this run keeps its files. The program folder serves when the
// user may write it and it is not installedFolder, where the package puts
// the programs (even root keeps personal files out of that). Otherwise the
// user's folders are used, created as needed, private to the user.
void PlaceFiles(AppInfo& info, const UserFolders& userFolders,
                const QString& installedFolder = QString::fromUtf8(kInstalledProgramFolder));

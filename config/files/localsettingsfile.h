#pragma once
#include "inifile.h"

#include <QHash>
#include <QString>

// One window's side of Locals.ini, which every window of the program
// shares: the values it read at its start and those it wrote since. A save
// writes only what this window changed, so a value another window wrote
// meanwhile stays; each save is one locked read-modify-write (inifile.h).
class LocalSettingsFile {
public:
    explicit LocalSettingsFile(const QString& file = QString()) : file_(file) {}

    // All of the file, read once; its values are what this window holds.
    IniFile read();
    // Writes those of values that differ from what this window holds, in
    // one save; true when nothing needed writing. False with *error.
    bool saveChanged(const IniValues& values, QString* error);
    // Writes the values whatever this window holds.
    bool save(const IniValues& values, QString* error);

private:
    QString held(const QString& key) const;

    QString file_;
    IniFile read_;
    QHash<QString, QString> written_;   // by key in lower case
};

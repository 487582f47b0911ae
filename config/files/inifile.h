#pragma once
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <optional>

// Locals.ini keeps the configuration program's settings, all in this one
// section: in the program folder, or the user's configuration folder when
// the program is installed (App().settingsFile).
inline constexpr char kLocalSettingsSection[] = "KV310";
QString LocalSettingsPath();

// INI values the way the Windows private-profile functions keep them:
// "[section]" lines followed by "key=value" lines, section and key names
// compared without regard to case, values stored as given (no quoting or
// escaping); the lines the program writes end in CR LF. An empty file
// argument means Locals.ini.

// An INI file read once, for reading several values (a start reads all of
// Locals.ini in one go, not once per key). Only a regular file of at most
// 64 KiB is read: anything else gives no values and says why.
class IniFile {
public:
    static IniFile read(const QString& file = QString());
    // As ReadIniValue.
    QString value(const QString& section, const QString& key) const;
    // False when the file exists but was not read; error() says why.
    bool readable() const { return lines_.has_value(); }
    QString error() const { return error_; }

private:
    std::optional<QStringList> lines_;
    QString error_;
};

// The value, at most 254 characters (the read buffer holds 255 with its
// terminator); empty when the file, section or key is missing.
QString ReadIniValue(const QString& section, const QString& key, const QString& file = QString());

// Keys and the values to set them to, in one section.
using IniValues = QList<QPair<QString, QString>>;

// One save of several keys: the file is locked (a lock file beside it,
// "NAME.lock", so that two programs saving at once take turns; one that a
// killed program left is taken over), read, changed and replaced once, then
// unlocked. Each key's line is replaced in place or added at the end of its
// section, creating file and section as needed; every other line stays
// byte for byte, its line end included. False (nothing changed) with the
// reason in *error when the file cannot be locked, read or written, or when
// a name or a value would break the line structure (a line break, "=" in a
// key, "]" in a section).
bool WriteIniValues(const QString& section, const IniValues& values, const QString& file = QString(),
                    QString* error = nullptr);
// The same for one key.
bool WriteIniValue(const QString& section, const QString& key, const QString& value,
                   const QString& file = QString(), QString* error = nullptr);

#pragma once
#include <QString>
#include <QStringList>

#include <optional>

// Locals.ini keeps the configuration program's settings, all in this one
// section: in the program folder, or the user's configuration folder when
// the program is installed (App().settingsFile).
inline constexpr char kLocalSettingsSection[] = "KV310";
QString LocalSettingsPath();

// INI values the way the Windows private-profile functions keep them:
// "[section]" lines followed by "key=value" lines, CR LF line ends, section
// and key names compared without regard to case, values stored as given
// (no quoting or escaping). An empty file argument means Locals.ini.

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
// Replaces the key's line in place, or adds it at the end of its section,
// creating file and section as needed; every other line stays as it was.
// The file is replaced only once the new content is complete. False when
// the file cannot be read or written, or when a name or the value would
// break the line structure (a line break, "=" in a key, "]" in a section).
bool WriteIniValue(const QString& section, const QString& key, const QString& value,
                   const QString& file = QString());

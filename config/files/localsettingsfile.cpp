#include "localsettingsfile.h"

IniFile LocalSettingsFile::read()
{
    read_ = IniFile::read(file_);
    written_.clear();
    return read_;
}

QString LocalSettingsFile::held(const QString& key) const
{
    const auto it = written_.constFind(key.toLower());
    return it != written_.cend() ? *it : read_.value(QString::fromLatin1(kLocalSettingsSection), key);
}

bool LocalSettingsFile::saveChanged(const IniValues& values, QString* error)
{
    IniValues changed;
    for (const auto& value : values)
        if (value.second != held(value.first))
            changed.append(value);
    return save(changed, error);
}

bool LocalSettingsFile::save(const IniValues& values, QString* error)
{
    if (values.isEmpty())
        return true;
    if (!WriteIniValues(QString::fromLatin1(kLocalSettingsSection), values, file_, error))
        return false;
    for (const auto& [key, value] : values)
        written_.insert(key.toLower(), value);
    return true;
}

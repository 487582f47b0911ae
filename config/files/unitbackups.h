#pragma once
#include <QDateTime>
#include <QString>
#include <QStringList>

struct UnitConfig;

// Copies of what units held before an upload wrote to them: data files in
// one folder, named by a running number, the date, time and port
// ("000042_2026-05-01_14-03-22_Com3.dtd"), of which the newest kKept stay.
// Newest means the highest number, not the latest date: a bench whose clock
// is wrong still keeps the last ones. The folder and the files are the
// user's alone (they hold the units' passwords).
class UnitBackups {
public:
    static constexpr int kKept = 50;
    // The port part of a name is cut to this, with a hash of the whole.
    static constexpr int kMaxPortPart = 32;

    // The user's data folder + "backups" (~/.local/share/kv310/backups).
    static QString defaultFolder();

    explicit UnitBackups(const QString& folder = defaultFolder()) : folder_(folder) {}
    const QString& folder() const { return folder_; }

    // Saves config as a new file, never over another one (not even one that
    // another program saves at the same moment), clears away what killed
    // saves left and removes the oldest backups beyond kKept, never the one
    // just saved. The file's path, or empty with the reason in *error.
    QString save(const UnitConfig& config, const QString& port, QString* error,
                 const QDateTime& when = QDateTime::currentDateTime()) const;

    // The backups in the folder, oldest first (other files are not counted).
    QStringList files() const;

private:
    QString folder_;
};

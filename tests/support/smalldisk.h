#pragma once
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/mount.h>

// A disk that fills up: an 8 KiB tmpfs mounted in a folder of its own for
// the life of the object. Mounting needs root: ok() says whether it worked.
class SmallDisk {
public:
    SmallDisk()
    {
        mounted_ = QDir().mkdir(dir_.filePath("small"))
            && ::mount("tmpfs", QFile::encodeName(path()).constData(), "tmpfs", 0, "size=8k") == 0;
    }
    ~SmallDisk()
    {
        if (mounted_)
            ::umount2(QFile::encodeName(path()).constData(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool ok() const { return mounted_; }
    QString path() const { return dir_.filePath("small"); }
    QString file(const QString& name) const { return QDir(path()).filePath(name); }

    // Fills it, then gives back room bytes (tmpfs counts whole pages).
    bool fill(qint64 room = 0) const
    {
        QFile filler(file(QStringLiteral("filler")));
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return false;
        while (filler.write(QByteArray(512, 'f')) == 512) {
        }
        return filler.resize(qMax<qint64>(0, filler.size() - room));
    }
    bool empty() const { return QFile::remove(file(QStringLiteral("filler"))); }

private:
    QTemporaryDir dir_;
    bool mounted_ = false;
};

#pragma once
#include <QFile>
#include <QString>

#include <unistd.h>

// Root writes anywhere, so permission tests drop to "nobody" for a while
// (real and effective user; the saved root id allows coming back).
class Unprivileged {
public:
    static constexpr uid_t kNobody = 65534;

    Unprivileged()
    {
        if (geteuid() == 0)
            dropped_ = setresuid(kNobody, kNobody, 0) == 0;
    }
    ~Unprivileged()
    {
        if (dropped_)
            (void)setresuid(0, 0, 0);
    }
    Unprivileged(const Unprivileged&) = delete;
    Unprivileged& operator=(const Unprivileged&) = delete;

    // False when running as root could not be left: permission checks
    // cannot be tested then.
    bool effective() const { return geteuid() != 0; }

    // Lets the unprivileged user reach a folder created by root.
    static void openForReading(const QString& path)
    {
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                        | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther
                                        | QFile::ExeOther);
    }

private:
    bool dropped_ = false;
};

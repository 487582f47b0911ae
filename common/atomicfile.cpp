#include "atomicfile.h"

#include "safefile.h"

#include <QRandomGenerator>

#include <cerrno>
#include <climits>
#include <cstdio>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kMaxLinkHops = 16;
constexpr int kSuffixLength = 6;
constexpr int kCreateAttempts = 100;

QByteArray RandomSuffix()
{
    static const char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray s;
    for (int i = 0; i < kSuffixLength; ++i)
        s.append(kChars[QRandomGenerator::global()->bounded(int(sizeof kChars - 1))]);
    return s;
}

// The folder part of a path ("." when it has none) and the name in it.
void SplitPath(const QByteArray& path, QByteArray* folder, QByteArray* name)
{
    const qsizetype cut = path.lastIndexOf('/');
    *folder = cut < 0 ? QByteArray(".") : cut == 0 ? QByteArray("/") : path.left(cut);
    *name = path.mid(cut + 1);
}

// The temporary files (".NAME~XXXXXX") in a folder of saves that were
// killed, for the targets `ours` accepts: only this user's, and none a
// running save holds locked.
template <class Ours>
void RemoveTemporaries(int folderFd, const Ours& ours)
{
    DIR* dir = ::fdopendir(::dup(folderFd));
    if (!dir)
        return;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        const qsizetype tilde = name.size() - kSuffixLength - 1;
        if (!name.startsWith('.') || tilde < 2 || name.at(tilde) != '~' || !ours(name.mid(1, tilde - 1)))
            continue;
        const int fd = ::openat(folderFd, name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat st {};
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid()
            && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlinkat(folderFd, name.constData(), 0);
        ::close(fd);
    }
    ::closedir(dir);
}

} // namespace

AtomicFile::AtomicFile(const QString& path) : path_(path) {}

AtomicFile::~AtomicFile()
{
    file_.close();
    if (fd_ >= 0)
        ::close(fd_);
    if (!tempName_.isEmpty())
        ::unlinkat(folderFd_, tempName_.constData(), 0);
    if (folderFd_ >= 0)
        ::close(folderFd_);
}

bool AtomicFile::fail(const QString& why)
{
    error_ = why;
    return false;
}

QByteArray AtomicFile::temporaryPrefix() const { return '.' + targetName_ + '~'; }

bool AtomicFile::open()
{
    if (!resolveTarget())
        return false;
    folderFd_ = ::open(folder_.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd_ < 0)
        return fail(FileErrorText(errno));
    removeLeftovers();
    if (!createTemporary())
        return false;
    takeOverAccess();
    if (!file_.open(fd_, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::DontCloseHandle))
        return fail(file_.errorString());
    return true;
}

bool AtomicFile::resolveTarget()
{
    QByteArray target = QFile::encodeName(path_);
    for (int hops = 0;; ++hops) {
        struct stat st {};
        if (::lstat(target.constData(), &st) != 0) {
            if (errno != ENOENT)
                return fail(FileErrorText(errno));
            break;   // a new file
        }
        if (S_ISLNK(st.st_mode)) {
            // Another user's link could point the save at the user's own files.
            if (st.st_uid != ::geteuid())
                return fail(QStringLiteral("It is a link owned by another user, which is not followed."));
            char to[PATH_MAX];
            const ssize_t n = ::readlink(target.constData(), to, sizeof to);
            if (hops == kMaxLinkHops || n < 0 || n == ssize_t(sizeof to))
                return fail(FileErrorText(n < 0 ? errno : ELOOP));
            const QByteArray link(to, n);
            QByteArray folder, name;
            SplitPath(target, &folder, &name);
            target = link.startsWith('/') ? link : folder + '/' + link;
            continue;
        }
        if (!S_ISREG(st.st_mode))
            return fail(QStringLiteral("It is not a regular file."));
        // A rename would replace a read-only file; the user marked it so to keep it.
        if (::access(target.constData(), W_OK) != 0)
            return fail(FileErrorText(errno));
        targetExists_ = true;
        targetMode_ = st.st_mode & 0777;
        targetOwner_ = st.st_uid;
        targetGroup_ = st.st_gid;
        break;
    }
    SplitPath(target, &folder_, &targetName_);
    if (targetName_.isEmpty())
        return fail(FileErrorText(EISDIR));
    return true;
}

void AtomicFile::removeLeftovers()
{
    const QByteArray target = targetName_;
    RemoveTemporaries(folderFd_, [&](const QByteArray& name) { return name == target; });
}

void AtomicFile::removeLeftoversOf(const QString& folder, bool (*matches)(const QByteArray& name))
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    RemoveTemporaries(fd, matches);
    ::close(fd);
}

bool AtomicFile::createTemporary()
{
    // Private while it is written; the target's rights come once it is ours.
    const mode_t mode = targetExists_ ? 0600 : 0666;
    for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
        const QByteArray name = temporaryPrefix() + RandomSuffix();
        fd_ = ::openat(folderFd_, name.constData(),
                       O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, mode);
        if (fd_ >= 0) {
            // Held until the save ends: the next save leaves a running one
            // alone. One that clears up in the moment before the lock may
            // have taken it for a leftover: then it is gone, and another
            // name is tried.
            ::flock(fd_, LOCK_EX);
            struct stat st {};
            if (::fstat(fd_, &st) == 0 && st.st_nlink > 0) {
                tempName_ = name;
                return true;
            }
            ::close(fd_);
            fd_ = -1;
            continue;
        }
        if (errno != EEXIST)
            return fail(FileErrorText(errno));
    }
    return fail(FileErrorText(EEXIST));
}

void AtomicFile::takeOverAccess()
{
    if (!targetExists_)
        return;
    mode_t mode = targetMode_;
    const uid_t owner = ::geteuid() == 0 ? targetOwner_ : uid_t(-1);
    if (::fchown(fd_, owner, targetGroup_) != 0)
        mode &= ~mode_t(S_IRWXG);   // the user's own group was not meant to have them
    ::fchmod(fd_, mode);
}

bool AtomicFile::finishWriting()
{
    if (fd_ < 0)
        return fail(QStringLiteral("The file is not open."));
    file_.close();
    // Write errors a full disk defers show here, before the old file goes.
    if (::fdatasync(fd_) != 0 && errno != EINVAL)
        return fail(FileErrorText(errno));
    return true;
}

void AtomicFile::renamed()
{
    // The descriptor, and with it the lock that keeps other saves' clean-up
    // away from the temporary file, goes only once the file has its name.
    tempName_.clear();
    ::close(fd_);
    fd_ = -1;
}

bool AtomicFile::commit()
{
    if (!finishWriting())
        return false;
    if (::renameat(folderFd_, tempName_.constData(), folderFd_, targetName_.constData()) != 0)
        return fail(FileErrorText(errno));
    renamed();
    return true;
}

bool AtomicFile::commitNew()
{
    if (!finishWriting())
        return false;
    int result = ::renameat2(folderFd_, tempName_.constData(), folderFd_, targetName_.constData(), RENAME_NOREPLACE);
    if (result != 0 && (errno == EINVAL || errno == ENOSYS)) {
        // A file system without that rename: a second name fails just as well
        // on one that exists.
        result = ::linkat(folderFd_, tempName_.constData(), folderFd_, targetName_.constData(), 0);
        if (result == 0)
            ::unlinkat(folderFd_, tempName_.constData(), 0);
    }
    if (result != 0) {
        nameTaken_ = errno == EEXIST;
        return fail(FileErrorText(errno));
    }
    renamed();
    return true;
}

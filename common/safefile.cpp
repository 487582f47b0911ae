#include "safefile.h"

#include "runtimeerror.h"

#include <QRandomGenerator>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qint64 kReadChunk = 64 * 1024;
constexpr int kFreshAttempts = 100;   // names tried for a new file beside the old

bool Fail(QString* error, const QString& why)
{
    if (error)
        *error = why;
    return false;
}

QString NotRegularText() { return QStringLiteral("It is not a regular file."); }

QString TooLargeText(qint64 maxBytes)
{
    return QStringLiteral("The file is larger than %1 bytes.").arg(maxBytes);
}

// What the name refers to now (the link itself when links are not followed).
bool StatPath(const QByteArray& name, Links links, struct stat* st)
{
    return (links == Links::Follow ? ::stat(name.constData(), st) : ::lstat(name.constData(), st)) == 0;
}

// Not blocking was for the open only: a regular file then reads and writes as usual.
void ClearNonBlocking(int fd)
{
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
}

// Hands the checked descriptor to file, which closes it from then on.
bool Adopt(QFile& file, int fd, QIODevice::OpenMode mode)
{
    if (file.open(fd, mode | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle))
        return true;
    ::close(fd);
    return false;
}

} // namespace

QString FileErrorText(int errnum)
{
    switch (errnum) {
    case ENOENT:
        return RuntimeError::fileNotFound().description();
    case EACCES:
    case EPERM:
        return RuntimeError::permissionDenied().description();
    case ELOOP:
        return QStringLiteral("It is a link, and links are not followed here.");
    default:
        return QString::fromLocal8Bit(std::strerror(errnum));
    }
}

bool OpenRegularFile(QFile& file, const QString& path, qint64 maxBytes, QString* error, Links links)
{
    const QByteArray name = QFile::encodeName(path);
    // Looked at before opening: opening a device or FIFO can block or act
    // on it (a serial port raises its control lines).
    struct stat st {};
    if (!StatPath(name, links, &st))
        return Fail(error, FileErrorText(errno));
    if (!S_ISREG(st.st_mode))
        return Fail(error, NotRegularText());

    int flags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    if (links == Links::DoNotFollow)
        flags |= O_NOFOLLOW;
    const int fd = ::open(name.constData(), flags);
    if (fd < 0)
        return Fail(error, FileErrorText(errno));
    // And again on what was opened, in case the name changed meanwhile.
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return Fail(error, NotRegularText());
    }
    if (st.st_size > maxBytes) {
        ::close(fd);
        return Fail(error, TooLargeText(maxBytes));
    }
    ClearNonBlocking(fd);
    if (!Adopt(file, fd, QIODevice::ReadOnly))
        return Fail(error, file.errorString());
    return true;
}

std::optional<QByteArray> ReadRegularFile(const QString& path, qint64 maxBytes, QString* error, Links links)
{
    QFile file;
    if (!OpenRegularFile(file, path, maxBytes, error, links))
        return std::nullopt;
    QByteArray data;
    data.reserve(file.size());
    // A file that grows while it is read is still cut off at the limit.
    for (;;) {
        const QByteArray chunk = file.read(qMin(kReadChunk, maxBytes + 1 - data.size()));
        if (chunk.isEmpty())
            break;
        data += chunk;
        if (data.size() > maxBytes) {
            Fail(error, TooLargeText(maxBytes));
            return std::nullopt;
        }
    }
    if (file.error() != QFileDevice::NoError) {
        Fail(error, file.errorString());
        return std::nullopt;
    }
    return data;
}

bool OpenForAppend(QFile& file, const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    if (::lstat(name.constData(), &st) == 0 && !S_ISREG(st.st_mode))
        return false;
    const int fd = ::open(name.constData(),
                          O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_nlink != 1) {
        ::close(fd);
        return false;
    }
    ClearNonBlocking(fd);
    return Adopt(file, fd, QIODevice::WriteOnly | QIODevice::Append);
}

bool CreatePrivateFile(QFile& file, const QString& path, QString* error)
{
    // O_EXCL fails on any existing name, a link included, so nothing is
    // opened that another user prepared.
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0600);
    if (fd < 0)
        return Fail(error, FileErrorText(errno));
    if (!Adopt(file, fd, QIODevice::ReadWrite))
        return Fail(error, file.errorString());
    return true;
}

QString ReplaceProblem(const QString& path)
{
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return errno == ENOENT ? QString() : FileErrorText(errno);
    if (S_ISLNK(st.st_mode))
        return FileErrorText(ELOOP);
    if (!S_ISREG(st.st_mode))
        return NotRegularText();
    return QString();
}

bool CreateFreshPrivateFile(QFile& file, const QString& path, QString* error)
{
    const QString problem = ReplaceProblem(path);
    if (!problem.isEmpty())
        return Fail(error, problem);
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return CreatePrivateFile(file, path, error);
    // Made beside it, then put in its place: what was there is never
    // opened, and a link put there meanwhile is replaced, not followed.
    const qsizetype cut = path.lastIndexOf(QLatin1Char('/'));
    const QByteArray stem = QFile::encodeName(path.left(cut + 1) + QLatin1Char('.') + path.mid(cut + 1))
        + QByteArrayLiteral("~new");
    for (int attempt = 0; attempt < kFreshAttempts; ++attempt) {
        const QByteArray temporary = stem + QByteArray::number(QRandomGenerator::global()->generate(), 36);
        const int fd = ::open(temporary.constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return Fail(error, FileErrorText(errno));
        }
        if (::rename(temporary.constData(), QFile::encodeName(path).constData()) != 0) {
            const int renameErrno = errno;
            ::unlink(temporary.constData());
            ::close(fd);
            return Fail(error, FileErrorText(renameErrno));
        }
        if (!Adopt(file, fd, QIODevice::ReadWrite))
            return Fail(error, file.errorString());
        return true;
    }
    return Fail(error, FileErrorText(EEXIST));
}

bool RenameOverRegular(const QString& from, const QString& to, QString* error)
{
    const QString problem = ReplaceProblem(to);
    if (!problem.isEmpty())
        return Fail(error, problem);
    if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0)
        return Fail(error, FileErrorText(errno));
    return true;
}

bool WriteAll(QIODevice& out, const QByteArray& bytes)
{
    for (qsizetype done = 0; done < bytes.size();) {
        const qint64 n = out.write(bytes.constData() + done, bytes.size() - done);
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

bool IsSameFile(const QString& a, const QString& b)
{
    struct stat sa {}, sb {};
    return ::stat(QFile::encodeName(a).constData(), &sa) == 0 && ::stat(QFile::encodeName(b).constData(), &sb) == 0
        && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// Opening and replacing files on real disks: links (ours and another
// user's), FIFOs, devices, hard links, huge sparse files, groups, and saves
// killed half way.
#include "atomicfile.h"
#include "filebytes.h"
#include "fileservices.h"
#include "safefile.h"
#include "unprivileged.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr uid_t kNobody = 65534;
// A group neither root's process nor "nobody" belongs to.
constexpr gid_t kOtherGroup = 100;

QByteArray Name(const QString& path) { return QFile::encodeName(path); }

struct stat StatOf(const QString& path)
{
    struct stat st {};
    ::lstat(Name(path).constData(), &st);
    return st;
}

// Lets the ordinary user reach a folder root created.
void OpenToEveryone(const QString& path) { QCOMPARE(::chmod(Name(path).constData(), 0755), 0); }

void MakeFifo(const QString& path) { QCOMPARE(::mkfifo(Name(path).constData(), 0666), 0); }

// The temporary files saves of name left in dir.
QStringList Leftovers(const QString& dir, const QString& name)
{
    return QDir(dir).entryList({QLatin1Char('.') + name + QStringLiteral("~*")},
                               QDir::Files | QDir::Hidden | QDir::System);
}

bool Replace(const QString& path, const QByteArray& bytes, QString* error = nullptr)
{
    return ReplaceFileContents(path, bytes, error);
}

} // namespace

class TestSafeFile : public QObject {
    Q_OBJECT
private slots:
    void readersTakeRegularFilesOnly()
    {
        QTemporaryDir dir;
        const QString fifo = dir.filePath("fifo");
        MakeFifo(fifo);
        QString error;
        QElapsedTimer clock;
        clock.start();
        // Opening a FIFO for reading blocks until a writer comes: it must not.
        QVERIFY(!ReadRegularFile(fifo, 1024, &error));
        QCOMPARE(error, QStringLiteral("It is not a regular file."));
        QVERIFY(!ReadRegularFile(QStringLiteral("/dev/zero"), 1024, &error));
        QVERIFY(!ReadRegularFile(dir.path(), 1024, &error));
        QVERIFY(clock.elapsed() < 2000);

        // A link to a regular file is read through unless told otherwise.
        const QString real = dir.filePath("real");
        WriteBytes(real, "contents");
        const QString link = dir.filePath("link");
        QVERIFY(QFile::link(real, link));
        QCOMPARE(ReadRegularFile(link, 1024, &error).value_or("-"), QByteArray("contents"));
        QVERIFY(!ReadRegularFile(link, 1024, &error, Links::DoNotFollow));
        QVERIFY(!ReadRegularFile(dir.filePath("missing"), 1024, &error));
        QCOMPARE(error, QStringLiteral("File not found"));

        // The bound holds for a sparse file whose size costs no disk.
        const QString huge = dir.filePath("huge");
        {
            QFile f(huge);
            QVERIFY(f.open(QIODevice::WriteOnly));
            QVERIFY(f.resize(qint64(2) << 30));
        }
        QVERIFY(!ReadRegularFile(huge, 1 << 20, &error));
        QCOMPARE(error, QStringLiteral("The file is larger than 1048576 bytes."));
        QCOMPARE(ReadRegularFile(real, 8, &error).value_or("-"), QByteArray("contents"));
        QVERIFY(!ReadRegularFile(real, 7, &error));
    }

    void unreadableFileSaysPermissionDenied()
    {
        QTemporaryDir dir;
        OpenToEveryone(dir.path());
        const QString secret = dir.filePath("secret");
        WriteBytes(secret, "x");
        QVERIFY(QFile::setPermissions(secret, QFile::ReadOwner | QFile::WriteOwner));
        const auto seen = RunUnprivileged([&] {
            QString error;
            return ReadRegularFile(secret, 10, &error) ? QByteArray("read") : error.toUtf8();
        });
        QVERIFY(seen);
        QCOMPARE(*seen, QByteArray("Permission denied"));
    }

    void appendingRefusesLinksFifosAndHardLinks()
    {
        QTemporaryDir dir;
        const QString victim = dir.filePath("victim");
        WriteBytes(victim, "victim's");

        const QString viaLink = dir.filePath("symlinked.log");
        QVERIFY(QFile::link(victim, viaLink));
        QFile file;
        QVERIFY(!OpenForAppend(file, viaLink));
        const QString dangling = dir.filePath("dangling.log");
        QVERIFY(QFile::link(dir.filePath("created-through-link"), dangling));
        QVERIFY(!OpenForAppend(file, dangling));
        QVERIFY(!QFile::exists(dir.filePath("created-through-link")));

        const QString hard = dir.filePath("hard.log");
        QCOMPARE(::link(Name(victim).constData(), Name(hard).constData()), 0);
        QVERIFY(!OpenForAppend(file, hard));

        const QString fifo = dir.filePath("fifo.log");
        MakeFifo(fifo);
        QVERIFY(!OpenForAppend(file, fifo));
        // Not even with a reader waiting on the other end.
        const int reader = ::open(Name(fifo).constData(), O_RDONLY | O_NONBLOCK);
        QVERIFY(reader >= 0);
        QVERIFY(!OpenForAppend(file, fifo));
        ::close(reader);
        QCOMPARE(ReadBytes(victim), QByteArray("victim's"));

        const QString fresh = dir.filePath("fresh.log");
        QVERIFY(OpenForAppend(file, fresh));
        file.write("one");
        file.close();
        QVERIFY(OpenForAppend(file, fresh));
        file.write("two");
        file.close();
        QCOMPARE(ReadBytes(fresh), QByteArray("onetwo"));
    }

    void privateFilesAreCreatedExclusively()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("private");
        QFile file;
        QString error;
        QVERIFY(CreatePrivateFile(file, path, &error));
        QCOMPARE(StatOf(path).st_mode & 0777, mode_t(0600));
        file.close();
        QVERIFY(!CreatePrivateFile(file, path, &error));   // exists already

        const QString victim = dir.filePath("victim");
        WriteBytes(victim, "keep");
        const QString link = dir.filePath("link");
        QVERIFY(QFile::link(victim, link));
        QVERIFY(!CreatePrivateFile(file, link, &error));
        const QString dangling = dir.filePath("dangling");
        QVERIFY(QFile::link(dir.filePath("new-victim"), dangling));
        QVERIFY(!CreatePrivateFile(file, dangling, &error));
        QVERIFY(!QFile::exists(dir.filePath("new-victim")));
        QCOMPARE(ReadBytes(victim), QByteArray("keep"));
    }

    void replacingKeepsModeAndGroup()
    {
        if (::geteuid() != 0)
            QSKIP("groups of other users' files can only be set up as root");
        QTemporaryDir dir;
        OpenToEveryone(dir.path());
        // As root the group (and owner) stay whatever they are.
        const QString mine = dir.filePath("mine.dtd");
        WriteBytes(mine, "old");
        QCOMPARE(::chown(Name(mine).constData(), kNobody, kOtherGroup), 0);
        QVERIFY(QFile::setPermissions(mine, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
        QVERIFY(Replace(mine, "new"));
        QCOMPARE(ReadBytes(mine), QByteArray("new"));
        QCOMPARE(StatOf(mine).st_gid, kOtherGroup);
        QCOMPARE(StatOf(mine).st_uid, kNobody);
        QCOMPARE(StatOf(mine).st_mode & 0777, mode_t(0640));

        // An ordinary user who is not in the file's group cannot keep it;
        // the old group's rights then go to nobody else.
        const QString shared = dir.filePath("shared");
        QVERIFY(QDir().mkdir(shared));
        QCOMPARE(::chown(Name(shared).constData(), kNobody, kNobody), 0);
        const QString theirs = shared + "/group.dtd";
        WriteBytes(theirs, "old");
        QCOMPARE(::chown(Name(theirs).constData(), kNobody, kOtherGroup), 0);
        QVERIFY(QFile::setPermissions(theirs, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup
                                                  | QFile::WriteGroup | QFile::ReadOther));
        const auto saved = RunUnprivileged([&] { return QByteArray(Replace(theirs, "new") ? "1" : "0"); });
        QCOMPARE(saved.value_or("-"), QByteArray("1"));
        QCOMPARE(ReadBytes(theirs), QByteArray("new"));
        QCOMPARE(StatOf(theirs).st_mode & 0777, mode_t(0604));
        QCOMPARE(StatOf(theirs).st_uid, kNobody);

        // A new file gets the usual rights for the user's umask.
        const mode_t mask = ::umask(022);
        QVERIFY(Replace(dir.filePath("new.dtd"), "x"));
        ::umask(mask);
        QCOMPARE(StatOf(dir.filePath("new.dtd")).st_mode & 0777, mode_t(0644));
    }

    void linksOfOtherUsersAreNotFollowed()
    {
        QTemporaryDir dir;
        const QString victim = dir.filePath("victim.dtd");
        WriteBytes(victim, "victim's");

        // The user's own link is followed: the file it names is replaced.
        const QString own = dir.filePath("own-link.dtd");
        QVERIFY(QFile::link(QStringLiteral("victim.dtd"), own));
        QVERIFY(Replace(own, "through my link"));
        QCOMPARE(ReadBytes(victim), QByteArray("through my link"));
        QVERIFY(QFileInfo(own).isSymLink());

        if (::geteuid() != 0)
            QSKIP("links of another user can only be made as root");
        const QString foreign = dir.filePath("foreign-link.dtd");
        QVERIFY(QFile::link(victim, foreign));
        QCOMPARE(::lchown(Name(foreign).constData(), kNobody, kNobody), 0);
        QString error;
        QVERIFY(!Replace(foreign, "planted", &error));
        QCOMPARE(error, QStringLiteral("It is a link owned by another user, which is not followed."));
        QCOMPARE(ReadBytes(victim), QByteArray("through my link"));
        QVERIFY(QFileInfo(foreign).isSymLink());
    }

    void onlyRegularFilesAreReplaced()
    {
        QTemporaryDir dir;
        const QString fifo = dir.filePath("fifo.dtd");
        MakeFifo(fifo);
        QString error;
        QVERIFY(!Replace(fifo, "x", &error));
        QCOMPARE(error, QStringLiteral("It is not a regular file."));
        QVERIFY(S_ISFIFO(StatOf(fifo).st_mode));
        // A device node stays a device node (as root a rename would succeed).
        QVERIFY(!Replace(QStringLiteral("/dev/null"), "x", &error));
        QVERIFY(S_ISCHR(StatOf(QStringLiteral("/dev/null")).st_mode));
        QVERIFY(Leftovers(dir.path(), "fifo.dtd").isEmpty());
    }

    void killedSaveIsClearedByTheNextOne()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("a.dtd");
        WriteBytes(path, "old");
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            AtomicFile file(path);
            if (file.open())
                file.file().write("half of the new");
            ::raise(SIGKILL);
            _exit(1);
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFSIGNALED(status));
        QCOMPARE(Leftovers(dir.path(), "a.dtd").size(), 1);
        QCOMPARE(ReadBytes(path), QByteArray("old"));

        // The next save clears it, but leaves another user's file of the same
        // pattern and one of a save still running (its file locked) alone.
        const QString othersName = dir.filePath(".a.dtd~zzzzzz");
        WriteBytes(othersName, "theirs");
        const bool asRoot = ::geteuid() == 0;
        if (asRoot)
            QCOMPARE(::chown(Name(othersName).constData(), kNobody, kNobody), 0);
        AtomicFile running(path);
        QVERIFY(running.open());
        const QStringList whileRunning = Leftovers(dir.path(), "a.dtd");
        QCOMPARE(whileRunning.size(), asRoot ? 2 : 1);
        QCOMPARE(whileRunning.contains(".a.dtd~zzzzzz"), asRoot);

        QVERIFY(Replace(path, "new"));
        QCOMPARE(ReadBytes(path), QByteArray("new"));
        QCOMPARE(Leftovers(dir.path(), "a.dtd"), whileRunning);
        running.file().write("newer");
        QVERIFY(running.commit());
        QCOMPARE(ReadBytes(path), QByteArray("newer"));
    }

    void uncommittedFileLeavesNothing()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("b.dtd");
        WriteBytes(path, "old");
        {
            AtomicFile file(path);
            QVERIFY(file.open());
            file.file().write("abandoned");
        }
        QCOMPARE(ReadBytes(path), QByteArray("old"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"b.dtd"});
    }
};

QTEST_GUILESS_MAIN(TestSafeFile)
#include "tst_safefile.moc"

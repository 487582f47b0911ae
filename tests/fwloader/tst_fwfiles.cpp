// Firmware files as kv310ctl meets them, run from a program folder of its
// own: links planted there by another user, inputs it may not read, its own
// input named as output, a full disk, a device as target, and too little
// memory for a huge file.
#include "filebytes.h"
#include "hexfixture.h"
#include "toolrun.h"

#include <QDir>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace fixture;

namespace {

constexpr uid_t kNobody = 65534;

using Run = ToolRun;

// kv310ctl copied into a fresh folder, so FWValidate and ErrorLog.txt land
// in a program folder this test owns.
class ProgramFolder {
public:
    ProgramFolder()
    {
        const QString built = QDir(qEnvironmentVariable("KV310_TEST_BIN_DIR")).filePath("kv310ctl");
        ok_ = QFile::copy(built, tool()) && ::chmod(QFile::encodeName(dir_.path()).constData(), 0755) == 0;
    }
    bool ok() const { return ok_; }
    QString file(const QString& name) const { return dir_.filePath(name); }
    QString tool() const { return dir_.filePath("kv310ctl"); }
    QStringList entries() const
    {
        QStringList e = QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
        e.removeAll("kv310ctl");
        return e;
    }

    // inChild runs in the child before kv310ctl starts (limits, users).
    Run run(const QStringList& args, const std::function<void()>& inChild = {}) const
    {
        return RunTool(tool(), args, inChild);
    }

private:
    QTemporaryDir dir_;
    bool ok_ = false;
};

void AsNobody()
{
    if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
        _exit(99);
}

QByteArray SmallHex() { return DataRecords(0, "\x01\x02\x03\x04") + HexEnd(); }

// HEX text of about the given size: program records written over and over.
QByteArray HugeHex(qint64 size)
{
    QByteArray text;
    text.reserve(size + 64);
    for (int address = 0; text.size() < size; address = (address + 16) % 16000)
        text += HexRecord(0, address, QByteArray(16, '\x5A'));
    return text + HexEnd();
}

} // namespace

class TestFwFiles : public QObject {
    Q_OBJECT
private slots:
    // The acceptance case: "FWValidate" and "ErrorLog.txt" in the program
    // folder are links to other files; checking a firmware file (which also
    // logs an error: an EEPROM word with a high byte) leaves them unchanged.
    void linksInTheProgramFolderAreNotFollowed()
    {
        ProgramFolder folder;
        QVERIFY(folder.ok());
        const QString dff = folder.file("fw.dff");
        QVERIFY(WriteDff(dff, Kv310Header(), DataRecords(0, "\x01\x02") + HexRecord(0, 0x4200, "\x07\x01")
                                                 + HexEnd()));
        const QString victimFw = folder.file("victim-fw.txt");
        const QString victimLog = folder.file("victim-log.txt");
        WriteBytes(victimFw, "first victim");
        WriteBytes(victimLog, "second victim");
        QVERIFY(QFile::link(victimFw, folder.file("FWValidate")));
        QVERIFY(QFile::link(victimLog, folder.file("ErrorLog.txt")));

        const Run checked = folder.run({"check-dff", dff});
        QCOMPARE(checked.code, 0);
        QVERIFY(checked.out.contains("status:  valid"));
        QCOMPARE(ReadBytes(victimFw), QByteArray("first victim"));
        QCOMPARE(ReadBytes(victimLog), QByteArray("second victim"));
        QVERIFY(QFileInfo(folder.file("ErrorLog.txt")).isSymLink());
        QVERIFY(!QFile::exists(folder.file("FWValidate")));   // a stale name goes at the next load

        // Without the link the same run does log: the entry above was dropped, not missed.
        QVERIFY(QFile::remove(folder.file("ErrorLog.txt")));
        QCOMPARE(folder.run({"check-dff", dff}).code, 0);
        QVERIFY(ReadBytes(folder.file("ErrorLog.txt")).contains("Error 6 (Overflow)"));
    }

    // What check-dff prints of a file reaches the terminal escaped, as dump
    // prints a data file: a model name made of escape sequences included.
    void checkDffEscapesWhatTheFileSays()
    {
        ProgramFolder folder;
        QVERIFY(folder.ok());
        DffHeader header = Kv310Header();
        header.UnitId = QByteArray("\x1b]0;x\x07\r\n", 8);
        const QString dff = folder.file("hostile.dff");
        QVERIFY(WriteDff(dff, header, DataRecords(0, "\x01\x02") + HexEnd()));
        const Run checked = folder.run({"check-dff", dff});
        QCOMPARE(checked.code, 0);
        QVERIFY2(checked.out.contains("unit:    \\x1B]0;x\\x07\n"), checked.out.constData());   // blanks trimmed
        for (const char b : checked.out + checked.err)
            QVERIFY(b == '\n' || (b >= 0x20 && b <= 0x7E));
        // A file whose check fails names its model escaped too.
        WriteBytes(dff, ReadBytes(dff).left(40));
        const Run damaged = folder.run({"check-dff", dff});
        QCOMPARE(damaged.code, 1);
        for (const char b : damaged.out + damaged.err)
            QVERIFY(b == '\n' || (b >= 0x20 && b <= 0x7E));
    }

    void makeDffKeepsItsInputAndTheOldTarget()
    {
        ProgramFolder folder;
        QVERIFY(folder.ok());
        const QString hex = folder.file("same.hex");
        WriteBytes(hex, SmallHex());
        const QStringList make{"make-dff", "--unit", "KV310", "--major", "2", "--minor", "15"};

        // Its own input as output, also through a link.
        Run r = folder.run(make + QStringList{hex, "--out", hex});
        QCOMPARE(r.code, 1);
        QCOMPARE(r.err, ("'" + hex + "' is the HEX file itself; the firmware file needs another name.\n").toUtf8());
        QVERIFY(QFile::link(hex, folder.file("alias.dff")));
        QCOMPARE(folder.run(make + QStringList{hex, "--out", folder.file("alias.dff")}).code, 1);
        QCOMPARE(ReadBytes(hex), SmallHex());

        // An input that cannot be read is named as such, and the old DFF stays.
        const QString dff = folder.file("old.dff");
        WriteBytes(dff, "old firmware file");
        const QString secret = folder.file("secret.hex");
        WriteBytes(secret, SmallHex());
        QVERIFY(QFile::setPermissions(secret, QFile::ReadOwner | QFile::WriteOwner));
        QCOMPARE(::chown(QFile::encodeName(dff).constData(), kNobody, kNobody), 0);
        QCOMPARE(::chmod(QFile::encodeName(folder.file(".")).constData(), 0777), 0);
        r = folder.run(make + QStringList{secret, "--out", dff}, AsNobody);
        QCOMPARE(r.code, 1);
        QCOMPARE(r.err, ("Unable to read '" + secret + "'. Permission denied\n").toUtf8());
        QCOMPARE(ReadBytes(dff), QByteArray("old firmware file"));

        // A FIFO as input is refused without waiting for a writer.
        const QString fifo = folder.file("fifo.hex");
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        r = folder.run(make + QStringList{fifo, "--out", dff});
        QCOMPARE(r.code, 1);
        QCOMPARE(r.err, ("Unable to read '" + fifo + "'. It is not a regular file.\n").toUtf8());

        // A good run replaces the old file whole.
        QCOMPARE(folder.run(make + QStringList{hex, "--out", dff}).code, 0);
        QCOMPARE(ReadBytes(dff).size(), 38 + SmallHex().size());
        QCOMPARE(folder.entries(), (QStringList{"alias.dff", "fifo.hex", "old.dff", "same.hex", "secret.hex"}));
    }

    void makeDffOnAFullDiskKeepsTheOldTarget()
    {
        ProgramFolder folder;
        QVERIFY(folder.ok());
        const QString hex = folder.file("big.hex");
        WriteBytes(hex, HugeHex(64 * 1024));
        QTemporaryDir disk;
        const QByteArray mountPoint = QFile::encodeName(disk.path());
        if (::mount("tmpfs", mountPoint.constData(), "tmpfs", 0, "size=8k") != 0)
            QSKIP("no tmpfs can be mounted here (needs root)");
        const auto unmount = qScopeGuard([&] { ::umount2(mountPoint.constData(), MNT_DETACH); });
        const QString dff = disk.filePath("old.dff");
        WriteBytes(dff, "old firmware file");
        const Run r = folder.run({"make-dff", hex, "--unit", "KV310", "--out", dff});
        QCOMPARE(r.code, 1);
        QCOMPARE(r.err, ("Unable to write '" + dff + "'. No space left on device\n").toUtf8());
        QCOMPARE(ReadBytes(dff), QByteArray("old firmware file"));
        QCOMPARE(QDir(disk.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"old.dff"});
    }

    void deviceAsTargetStaysADevice()
    {
        ProgramFolder folder;
        QVERIFY(folder.ok());
        WriteBytes(folder.file("a.hex"), SmallHex());
        const Run r = folder.run({"make-dff", folder.file("a.hex"), "--unit", "KV310", "--out", "/dev/full"});
        QCOMPARE(r.code, 1);
        QCOMPARE(r.err, QByteArray("Unable to write '/dev/full'. It is not a regular file.\n"));
        struct stat st {};
        QCOMPARE(::lstat("/dev/full", &st), 0);
        QVERIFY(S_ISCHR(st.st_mode));
    }

    void tooLargeOrTooLittleMemoryIsAFailure()
    {
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("AddressSanitizer cannot run under an address-space limit");
#endif
        ProgramFolder folder;
        QVERIFY(folder.ok());
        const QString small = folder.file("small.dff");
        QVERIFY(WriteDff(small, Kv310Header(), SmallHex()));
        const QString big = folder.file("big.dff");
        QVERIFY(WriteDff(big, Kv310Header(), HugeHex(8 * 1024 * 1024 - 64)));

        // Past the limit for firmware files: refused unread.
        const QString huge = folder.file("huge.dff");
        QFile::copy(big, huge);
        QVERIFY(QFile(huge).resize(qint64(100) << 20));
        Run r = folder.run({"check-dff", huge});
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains("The file is larger than"), r.err.constData());

        // The least address space the tool needs for a small file, then a
        // little more than that for a big one: it runs out of memory there.
        qint64 limit = 0;
        for (qint64 mb = 32; mb <= 512 && limit == 0; mb += 8) {
            const auto cap = [mb] {
                const rlimit l{rlim_t(mb) << 20, rlim_t(mb) << 20};
                ::setrlimit(RLIMIT_AS, &l);
            };
            if (folder.run({"check-dff", small}, cap).code == 0)
                limit = mb;
        }
        QVERIFY(limit > 0);
        const auto tight = [limit] {
            const rlimit l{rlim_t(limit + 8) << 20, rlim_t(limit + 8) << 20};
            ::setrlimit(RLIMIT_AS, &l);
        };
        r = folder.run({"check-dff", big}, tight);
        QCOMPARE(r.code, 1);   // a failure reported, not an abort
        QVERIFY2(r.err.contains("Out of memory"), r.err.constData());
        QVERIFY(!folder.entries().contains("FWValidate"));
        QCOMPARE(folder.run({"check-dff", big}).code, 0);   // it is a valid file
    }
};

QTEST_GUILESS_MAIN(TestFwFiles)
#include "tst_fwfiles.moc"

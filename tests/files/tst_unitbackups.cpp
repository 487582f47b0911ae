// Backups of units before an upload: named, private, never over another
// file (not even from two programs at once), the newest 50 kept whatever
// the clock says.
#include "datafile.h"
#include "defaultconfig.h"
#include "filebytes.h"
#include "unitbackups.h"
#include "unitconfig.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstdio>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

class TestUnitBackups : public QObject {
    Q_OBJECT
private slots:
    void savesADataFileNamedByTimeAndPort()
    {
        const QTemporaryDir dir;
        const UnitBackups backups(dir.filePath("new/backups"));
        UnitConfig c = DefaultConfig();
        c.Rings = 6;
        QString error;
        const QDateTime when(QDate(2026, 5, 1), QTime(14, 3, 22));
        const QString path = backups.save(c, "Com3", &error, when);
        QCOMPARE(path, dir.filePath("new/backups/000001_2026-05-01_14-03-22_Com3.dtd"));
        QCOMPARE(ReadBytes(path), ExportKV310Bytes(c));
        QCOMPARE(QFileInfo(path).permissions() & 0x0FFF, QFile::ReadUser | QFile::WriteUser);
        QCOMPARE(QFileInfo(dir.filePath("new/backups")).permissions() & (QFile::ReadGroup | QFile::ReadOther), 0);

        // The same second again, and a device path as the port.
        const QString second = backups.save(c, "Com3", &error, when);
        QCOMPARE(QFileInfo(second).fileName(), QString("000002_2026-05-01_14-03-22_Com3.dtd"));
        const QString device = backups.save(c, "/dev/serial/by-id/usb-FTDI x", &error, when);
        QCOMPARE(QFileInfo(device).fileName(), QString("000003_2026-05-01_14-03-22_serial-by-id-usb-FTDI-x.dtd"));
        QCOMPARE(backups.files(), (QStringList{path, second, device}));

        // A port of any length makes a short name of its own.
        const QString longPort = "/dev/serial/by-path/" + QString(300, 'p');
        const QString a = backups.save(c, longPort + "a", &error, when);
        const QString b = backups.save(c, longPort + "b", &error, when);
        QVERIFY2(!a.isEmpty() && !b.isEmpty(), qPrintable(error));
        QCOMPARE(QFileInfo(a).fileName().size(), 6 + 1 + 19 + 1 + UnitBackups::kMaxPortPart + 4);
        QCOMPARE(QFileInfo(a).fileName().mid(27, 23), QString("serial-by-path-pppppppp"));
        QVERIFY(QFileInfo(a).fileName().mid(26) != QFileInfo(b).fileName().mid(26));
    }

    void keepsTheNewestFiftyAndNothingElseIsTouched()
    {
        const QTemporaryDir dir;
        const UnitBackups backups(dir.path());
        QFile other(dir.filePath("my notes.dtd"));
        QVERIFY(other.open(QIODevice::WriteOnly));
        other.close();
        QString error;
        const QDateTime start(QDate(2026, 1, 1), QTime(8, 0, 0));
        QStringList saved;
        for (int i = 0; i < UnitBackups::kKept + 5; ++i)
            saved << backups.save(DefaultConfig(), "Com1", &error, start.addSecs(i * 3600));
        const QStringList kept = backups.files();
        QCOMPARE(kept.size(), UnitBackups::kKept);
        QCOMPARE(kept, saved.mid(5));
        QVERIFY(!QFile::exists(saved.first()));
        QVERIFY(other.exists());
    }

    // A clock that went back (a dead clock battery on an offline bench)
    // does not make the new backup the oldest: it is kept, and the oldest
    // goes, among numbered backups and those named before numbering alike.
    void theNewestIsKeptWhateverTheClock()
    {
        const QTemporaryDir dir;
        const UnitBackups backups(dir.path());
        for (int i = 0; i < UnitBackups::kKept; ++i)
            WriteBytes(dir.filePath(QStringLiteral("2031-01-01_08-%1-00_Com1.dtd").arg(i, 2, 10, QLatin1Char('0'))),
                       DefaultConfigBytes());
        QString error;
        const QDateTime deadClock(QDate(2000, 1, 1), QTime(0, 0, 0));
        const QString first = backups.save(DefaultConfig(), "Com1", &error, deadClock);
        QVERIFY(QFile::exists(first));
        QCOMPARE(backups.files().size(), UnitBackups::kKept);
        QCOMPARE(backups.files().last(), first);
        QVERIFY(!QFile::exists(dir.filePath("2031-01-01_08-00-00_Com1.dtd")));
        QVERIFY(QFile::exists(dir.filePath("2031-01-01_08-01-00_Com1.dtd")));
        QStringList later;
        for (int i = 0; i < 3; ++i)
            later << backups.save(DefaultConfig(), "Com1", &error, deadClock.addSecs(-3600 * i));
        QCOMPARE(backups.files().size(), UnitBackups::kKept);
        QCOMPARE(backups.files().mid(UnitBackups::kKept - 4), QStringList{first} + later);
    }

    // Two programs saving in the same second, for two adapters of the same
    // port name: two backups, neither over the other, both whole.
    void twoProgramsAtOnceKeepTwoBackups()
    {
        const QTemporaryDir dir;
        const UnitBackups backups(dir.path());
        const QDateTime when(QDate(2026, 5, 1), QTime(14, 3, 22));
        constexpr int kRounds = 20;
        for (int round = 0; round < kRounds; ++round) {
            int go[2];
            QCOMPARE(::pipe(go), 0);
            pid_t children[2];
            for (int k = 0; k < 2; ++k) {
                children[k] = ::fork();
                QVERIFY(children[k] >= 0);
                if (children[k] == 0) {
                    ::close(go[1]);
                    char c;
                    [[maybe_unused]] const ssize_t n = ::read(go[0], &c, 1);   // both start together
                    UnitConfig config = DefaultConfig();
                    config.Rings = uint8_t(10 + k);
                    QString error;
                    const bool saved = !backups.save(config, "Com1", &error, when).isEmpty();
                    if (!saved)
                        std::fprintf(stderr, "save failed: %s\n", qPrintable(error));
                    ::_exit(saved ? 0 : 1);
                }
            }
            ::close(go[0]);
            ::close(go[1]);   // end of file: both read at once
            for (const pid_t child : children) {
                int status = 0;
                QCOMPARE(::waitpid(child, &status, 0), child);
                QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
            }
        }
        const QStringList files = backups.files();
        QCOMPARE(files.size(), qMin(2 * kRounds, int(UnitBackups::kKept)));
        int rings10 = 0;
        for (const QString& file : files) {
            UnitConfig read;
            QVERIFY(ImportKV310Bytes(ReadBytes(file), read));
            rings10 += read.Rings == 10;
        }
        QCOMPARE(rings10, kRounds);
    }

    // A link planted under the next name is neither written through nor
    // counted; a folder that cannot be made gives no file and a reason.
    void refusesLinksAndReportsFailures()
    {
        const QTemporaryDir dir;
        const QTemporaryDir elsewhere;
        const QString target = elsewhere.filePath("victim");
        QVERIFY(QFile::link(target, dir.filePath("000001_2026-05-01_14-03-22_Com3.dtd")));
        QVERIFY(QFile::link(target, dir.filePath("2026-05-01_14-03-22_Com3.dtd")));
        const UnitBackups backups(dir.path());
        QString error;
        const QString path = backups.save(DefaultConfig(), "Com3", &error, QDateTime(QDate(2026, 5, 1), QTime(14, 3, 22)));
        QCOMPARE(QFileInfo(path).fileName(), QString("000002_2026-05-01_14-03-22_Com3.dtd"));
        QVERIFY(!QFile::exists(target));
        QCOMPARE(backups.files(), QStringList{path});
        QVERIFY(QFileInfo(dir.filePath("2026-05-01_14-03-22_Com3.dtd")).isSymLink());

        QFile blocker(dir.filePath("file"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const UnitBackups blocked(dir.filePath("file/backups"));
        QVERIFY(blocked.save(DefaultConfig(), "Com3", &error).isEmpty());
        QVERIFY(error.contains(dir.filePath("file/backups")));
    }

    // A program killed while it saves a backup (here by the file size limit,
    // as a full disk or a crash would stop it) leaves no part of one among
    // the backups, and the next save clears what it left.
    void aKilledSaveLeavesNoPartialBackup()
    {
        const QTemporaryDir dir;
        const UnitBackups backups(dir.path());
        const QDateTime when(QDate(2026, 5, 1), QTime(14, 3, 22));
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            const rlimit small{100, 100};   // the data file holds over 1500 bytes
            ::setrlimit(RLIMIT_FSIZE, &small);
            QString error;
            backups.save(DefaultConfig(), "Com3", &error, when);
            ::_exit(0);
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ);
        QVERIFY(backups.files().isEmpty());
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(), 1);

        // Backup names never repeat: the next one, later, clears it all the same.
        QString error;
        const QString path = backups.save(DefaultConfig(), "Com3", &error, when.addSecs(60));
        QCOMPARE(QFileInfo(path).fileName(), QString("000001_2026-05-01_14-04-22_Com3.dtd"));
        QCOMPARE(ReadBytes(path), ExportKV310Bytes(DefaultConfig()));
        const QStringList everything = QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        QCOMPARE(everything, QStringList{QFileInfo(path).fileName()});
    }
};

QTEST_GUILESS_MAIN(TestUnitBackups)
#include "tst_unitbackups.moc"

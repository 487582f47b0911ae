// Backups of units before an upload: named, private, never over another
// file, the newest 50 kept.
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
        QCOMPARE(path, dir.filePath("new/backups/2026-05-01_14-03-22_Com3.dtd"));
        QCOMPARE(ReadBytes(path), ExportKV310Bytes(c));
        QCOMPARE(QFileInfo(path).permissions() & 0x0FFF, QFile::ReadUser | QFile::WriteUser);
        QCOMPARE(QFileInfo(dir.filePath("new/backups")).permissions() & (QFile::ReadGroup | QFile::ReadOther), 0);

        // The same second again, and a device path as the port.
        const QString second = backups.save(c, "Com3", &error, when);
        QCOMPARE(QFileInfo(second).fileName(), QString("2026-05-01_14-03-22_Com3_2.dtd"));
        const QString device = backups.save(c, "/dev/serial/by-id/usb-FTDI x", &error, when);
        QCOMPARE(QFileInfo(device).fileName(), QString("2026-05-01_14-03-22_serial-by-id-usb-FTDI-x_3.dtd"));
        QCOMPARE(backups.files(), (QStringList{path, second, device}));
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

    // A link planted under the next name is neither written through nor
    // counted; a folder that cannot be made gives no file and a reason.
    void refusesLinksAndReportsFailures()
    {
        const QTemporaryDir dir;
        const QTemporaryDir elsewhere;
        const QString target = elsewhere.filePath("victim");
        QVERIFY(QFile::link(target, dir.filePath("2026-05-01_14-03-22_Com3.dtd")));
        const UnitBackups backups(dir.path());
        QString error;
        const QString path = backups.save(DefaultConfig(), "Com3", &error, QDateTime(QDate(2026, 5, 1), QTime(14, 3, 22)));
        QCOMPARE(QFileInfo(path).fileName(), QString("2026-05-01_14-03-22_Com3_2.dtd"));
        QVERIFY(!QFile::exists(target));
        QCOMPARE(backups.files(), QStringList{path});

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
        QVERIFY(!QFile::exists(dir.filePath("2026-05-01_14-03-22_Com3.dtd")));

        QString error;
        const QString path = backups.save(DefaultConfig(), "Com3", &error, when);
        QCOMPARE(QFileInfo(path).fileName(), QString("2026-05-01_14-03-22_Com3.dtd"));
        QCOMPARE(ReadBytes(path), ExportKV310Bytes(DefaultConfig()));
        const QStringList everything = QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        QCOMPARE(everything, QStringList{QFileInfo(path).fileName()});
    }
};

QTEST_GUILESS_MAIN(TestUnitBackups)
#include "tst_unitbackups.moc"

// The small file and number services on real files.
#include "fileservices.h"

#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <limits>
#include <vector>

class TestFileServices : public QObject {
    Q_OBJECT
private slots:
    void fileExists()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("unit.dtd"));
        QVERIFY(!FileExists(path));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        QVERIFY(FileExists(path));   // an empty file exists too
        QVERIFY(!FileExists(dir.path()));
        QVERIFY(!FileExists(QString()));
        QVERIFY(!FileExists(dir.filePath(QStringLiteral("no/such/file"))));
        // A link to a file counts; a FIFO or device is no file to load.
        QVERIFY(QFile::link(path, dir.filePath(QStringLiteral("link.dtd"))));
        QVERIFY(FileExists(dir.filePath(QStringLiteral("link.dtd"))));
        const QString fifo = dir.filePath(QStringLiteral("fifo.dtd"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QVERIFY(!FileExists(fifo));
        QVERIFY(!FileExists(QStringLiteral("/dev/zero")));
    }

    // Names that are not UTF-8 (Latin-1 "café") still reach their file.
    void commandLinePathsInAnyEncoding()
    {
        QTemporaryDir dir;
        const QByteArray latin1 = QFile::encodeName(dir.path()) + "/caf\xe9.dtd";
        {
            const int fd = ::open(latin1.constData(), O_WRONLY | O_CREAT, 0600);
            QVERIFY(fd >= 0);
            QCOMPARE(::write(fd, "bytes", 5), ssize_t(5));
            ::close(fd);
        }
        const auto removeIt = qScopeGuard([&] { ::unlink(latin1.constData()); });
        QFile existing(CommandLinePath(latin1.constData()));
        QVERIFY(existing.open(QIODevice::ReadOnly));
        QCOMPARE(existing.readAll(), QByteArray("bytes"));
        // One still to be made, in a folder with such a name: reached
        // through its folder, and saved there.
        const QByteArray folder = QFile::encodeName(dir.path()) + "/\xff";
        QCOMPARE(::mkdir(folder.constData(), 0700), 0);
        const auto removeFolder = qScopeGuard([&] {
            ::unlink((folder + "/new.dtd").constData());
            ::rmdir(folder.constData());
        });
        QVERIFY(ReplaceFileContents(CommandLinePath((folder + "/new.dtd").constData()), "saved"));
        QFile made(CommandLinePath((folder + "/new.dtd").constData()));
        QVERIFY(made.open(QIODevice::ReadOnly));
        QCOMPARE(made.readAll(), QByteArray("saved"));
        const QString plain = dir.filePath(QStringLiteral("ordinary name.dtd"));
        QCOMPARE(CommandLinePath(QFile::encodeName(plain).constData()), plain);
    }

    void canCreateFileCreatesAndEmpties()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("new.dtd"));
        QVERIFY(CanCreateFile(path));
        QVERIFY(QFile::exists(path));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("content");
        f.close();
        QVERIFY(CanCreateFile(path));
        QCOMPARE(QFileInfo(path).size(), 0);
        QVERIFY(!CanCreateFile(dir.filePath(QStringLiteral("missing/x.dtd"))));
        QVERIFY(!CanCreateFile(dir.path()));
        QVERIFY(!CanCreateFile(QString()));
    }

    void getFolder()
    {
        QCOMPARE(GetFolder(QStringLiteral("C:\\KV310\\fw\\unit.dff")), QStringLiteral("C:\\KV310\\fw\\"));
        QCOMPARE(GetFolder(QStringLiteral("/home/op/unit.hex")), QStringLiteral("/home/op/"));
        // A backslash wins over slashes.
        QCOMPARE(GetFolder(QStringLiteral("a/b\\c/d")), QStringLiteral("a/b\\"));
        QCOMPARE(GetFolder(QStringLiteral("unit.hex")), QString());
        QCOMPARE(GetFolder(QString()), QString());
        QCOMPARE(GetFolder(QStringLiteral("/")), QStringLiteral("/"));
    }

    void ceiling()
    {
        QCOMPARE(Ceiling(2.0), 2);
        QCOMPARE(Ceiling(2.0001), 3);
        QCOMPARE(Ceiling(33.0 / 16.0), 3);
        QCOMPARE(Ceiling(0.0), 0);
        QCOMPARE(Ceiling(-0.5), 0);
        QCOMPARE(Ceiling(-1.5), -1);
        QCOMPARE(Ceiling(2147483647.0), std::numeric_limits<int32_t>::max());
        QCOMPARE(Ceiling(-2147483648.0), std::numeric_limits<int32_t>::min());
        QCOMPARE(Ceiling(2147483647.5), 0);
        QCOMPARE(Ceiling(std::numeric_limits<double>::quiet_NaN()), 0);
        QCOMPARE(Ceiling(std::numeric_limits<double>::infinity()), 0);
    }

    void arrayDimmedUntilErased()
    {
        std::optional<std::vector<uint8_t>> image;
        QVERIFY(!IsArrayDimmed(image));
        image.emplace();             // dimensioned, even with no elements yet
        QVERIFY(IsArrayDimmed(image));
        image->assign(0x8000, 0xFF);
        QVERIFY(IsArrayDimmed(image));
        image.reset();               // erased
        QVERIFY(!IsArrayDimmed(image));
        std::optional<QByteArray> bytes = QByteArray("x");
        QVERIFY(IsArrayDimmed(bytes));
    }
};

QTEST_GUILESS_MAIN(TestFileServices)
#include "tst_fileservices.moc"

// The small file and number services on real files.
#include "fileservices.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

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

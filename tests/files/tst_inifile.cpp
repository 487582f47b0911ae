#include "inifile.h"
#include "localsettingsfile.h"

#include "filebytes.h"
#include "testfolder.h"
#include "unprivileged.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

class TestIniFile : public QObject {
    Q_OBJECT

private slots:
    void missingThingsReadEmpty()
    {
        QTemporaryDir dir;
        const QString ini = dir.filePath("Locals.ini");
        QCOMPARE(ReadIniValue("KV310", "LastDTD", ini), QString());
        WriteBytes(ini, "[Other]\r\nLastDTD=elsewhere\r\n[KV310]\r\nComPort=2\r\n");
        QCOMPARE(ReadIniValue("KV310", "LastDTD", ini), QString());
        QCOMPARE(ReadIniValue("Missing", "ComPort", ini), QString());
        QCOMPARE(ReadIniValue("KV310", "ComPort", ini), QString("2"));
    }

    void writesPlainLinesWithCrLf()
    {
        QTemporaryDir dir;
        const QString ini = dir.filePath("Locals.ini");
        QVERIFY(WriteIniValue("KV310", "DTMFStrings", "12,*9", ini));
        QVERIFY(WriteIniValue("KV310", "Size", "120:240:9000:6000", ini));
        QCOMPARE(ReadBytes(ini),
                 QByteArray("[KV310]\r\nDTMFStrings=12,*9\r\nSize=120:240:9000:6000\r\n"));
        QCOMPARE(ReadIniValue("KV310", "DTMFStrings", ini), QString("12,*9"));
        QCOMPARE(ReadIniValue("KV310", "Size", ini), QString("120:240:9000:6000"));
    }

    void namesIgnoreCase()
    {
        QTemporaryDir dir;
        const QString ini = dir.filePath("x.ini");
        QVERIFY(WriteIniValue("KV310", "LastDTD", "/a/b.dtd", ini));
        QCOMPARE(ReadIniValue("kv310", "lastdtd", ini), QString("/a/b.dtd"));
        QVERIFY(WriteIniValue("Kv310", "LASTDTD", "/c.dtd", ini));
        QCOMPARE(ReadBytes(ini), QByteArray("[KV310]\r\nLASTDTD=/c.dtd\r\n"));
    }

    void valuesAreTakenAsWritten()
    {
        QTemporaryDir dir;
        const QString ini = dir.filePath("x.ini");
        QVERIFY(WriteIniValue("KV310", "InstDTMF", "a=b=c", ini));
        QCOMPARE(ReadIniValue("KV310", "InstDTMF", ini), QString("a=b=c"));
        QVERIFY(WriteIniValue("KV310", "Quoted", "\"12\" ;x", ini));
        QCOMPARE(ReadIniValue("KV310", "Quoted", ini), QString("\"12\" ;x"));
        QVERIFY(WriteIniValue("KV310", "Empty", "", ini));
        QCOMPARE(ReadIniValue("KV310", "Empty", ini), QString());
        const QString path = QString::fromUtf8("/home/bj\xC3\xB6rn/\xE4\xB8\xAD.dtd");
        QVERIFY(WriteIniValue("KV310", "LastDTD", path, ini));
        QCOMPARE(ReadIniValue("KV310", "LastDTD", ini), path);
    }

    void readsAtMost254Characters()
    {
        QTemporaryDir dir;
        const QString ini = dir.filePath("x.ini");
        QString value;
        for (int i = 0; i < 300; ++i)
            value += QChar(u'a' + i % 26);
        QVERIFY(WriteIniValue("KV310", "Long", value, ini));
        QCOMPARE(ReadIniValue("KV310", "Long", ini), value.left(254));
        QVERIFY(ReadBytes(ini).contains(value.toLatin1()));   // stored whole
    }

    void otherLinesStayAsTheyWere()
    {
        QTemporaryDir dir;
        const QString ini = dir.filePath("x.ini");
        WriteBytes(ini, "; kept comment\r\n"
                        "[KV310]\r\n"
                        "WinState=0\r\n"
                        "ComPort = 3\r\n"
                        "\r\n"
                        "[Other]\r\n"
                        "WinState=1\r\n");
        QCOMPARE(ReadIniValue("KV310", "ComPort", ini), QString("3"));
        QVERIFY(WriteIniValue("KV310", "WinState", "2", ini));
        QVERIFY(WriteIniValue("KV310", "LastDTD", "/x.dtd", ini));
        QVERIFY(WriteIniValue("New", "Key", "v", ini));
        QCOMPARE(ReadBytes(ini), QByteArray("; kept comment\r\n"
                                            "[KV310]\r\n"
                                            "WinState=2\r\n"
                                            "ComPort = 3\r\n"
                                            "LastDTD=/x.dtd\r\n"
                                            "\r\n"
                                            "[Other]\r\n"
                                            "WinState=1\r\n"
                                            "[New]\r\n"
                                            "Key=v\r\n"));
        QCOMPARE(ReadIniValue("Other", "WinState", ini), QString("1"));
    }

    void readsFilesWrittenElsewhere()
    {
        QTemporaryDir dir;
        const QString ini = dir.filePath("x.ini");
        // LF line ends, Latin-1 text, a duplicate key (the first counts).
        WriteBytes(ini, "[KV310]\nLastDTD=C:\\Daten\\M\xFC" "ller.dtd\nLastDTD=second\n");
        QCOMPARE(ReadIniValue("KV310", "LastDTD", ini), QString::fromUtf8("C:\\Daten\\M\xC3\xBCller.dtd"));
        QVERIFY(WriteIniValue("KV310", "LastDTD", "third", ini));
        QCOMPARE(ReadIniValue("KV310", "LastDTD", ini), QString("third"));
        // The line written takes CR LF; the others keep their bytes.
        QCOMPARE(ReadBytes(ini), QByteArray("[KV310]\nLastDTD=third\r\nLastDTD=second\n"));

        // UTF-8 with a byte order mark, as some editors save it.
        WriteBytes(ini, "\xEF\xBB\xBF[KV310]\r\nComPort=7\r\n");
        QCOMPARE(ReadIniValue("KV310", "ComPort", ini), QString("7"));
    }

    // A file kept by hand, or by another program: LF line ends, a comment,
    // keys this program does not know, no line end at its very end. The
    // lines nobody changes come back byte for byte.
    void untouchedLinesKeepTheirBytes()
    {
        QTemporaryDir dir;
        const QString ini = dir.filePath("Locals.ini");
        const QByteArray head = "; my settings\n[KV310]\nForeign=kept as it is  \n";
        WriteBytes(ini, head + "WinState=0\n\n[Other]\nx=1");
        QVERIFY(WriteIniValues("KV310", {{"WinState", "2"}, {"LastDTD", "/a.dtd"}}, ini));
        QCOMPARE(ReadBytes(ini), head + "WinState=2\r\nLastDTD=/a.dtd\r\n\n[Other]\nx=1");
        QVERIFY(WriteIniValue("Other", "y", "2", ini));
        QCOMPARE(ReadBytes(ini), head + "WinState=2\r\nLastDTD=/a.dtd\r\n\n[Other]\nx=1\r\ny=2\r\n");
        // Nothing to set, nothing written.
        const QDateTime before = QFileInfo(ini).lastModified();
        QVERIFY(WriteIniValues("KV310", {}, ini));
        QCOMPARE(QFileInfo(ini).lastModified(), before);
    }

    // Two programs saving at once take turns: every key of both is there at
    // the end, and no temporary or lock file is left.
    void twoProgramsSavingAtOnceKeepEveryKey()
    {
        QTemporaryDir dir;
        const QString ini = dir.filePath("Locals.ini");
        WriteBytes(ini, "[KV310]\r\n");
        constexpr int kSaves = 200;
        pid_t children[2];
        for (int k = 0; k < 2; ++k) {
            children[k] = ::fork();
            QVERIFY(children[k] >= 0);
            if (children[k] == 0) {
                bool all = true;
                for (int i = 0; i < kSaves; ++i)
                    all = WriteIniValue("KV310", QStringLiteral("P%1K%2").arg(k).arg(i), QString::number(i), ini) && all;
                ::_exit(all ? 0 : 1);
            }
        }
        for (const pid_t child : children) {
            int status = 0;
            QCOMPARE(::waitpid(child, &status, 0), child);
            QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        }
        const IniFile read = IniFile::read(ini);
        for (int k = 0; k < 2; ++k)
            for (int i = 0; i < kSaves; ++i)
                QCOMPARE(read.value("KV310", QStringLiteral("P%1K%2").arg(k).arg(i)), QString::number(i));
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{"Locals.ini"});
    }

    void lineBreaksCannotInjectEntries()
    {
        QTemporaryDir dir;
        const QString ini = dir.filePath("x.ini");
        QVERIFY(WriteIniValue("KV310", "InstDTMF", "1", ini));
        const QByteArray before = ReadBytes(ini);
        QVERIFY(!WriteIniValue("KV310", "InstDTMF", "1\r\n[KV310]\r\nLastDTD=/evil", ini));
        QVERIFY(!WriteIniValue("KV310", "a=b", "1", ini));
        QVERIFY(!WriteIniValue("KV]310", "a", "1", ini));
        QVERIFY(!WriteIniValue("KV310", "", "1", ini));
        QCOMPARE(ReadBytes(ini), before);
    }

    void emptyFileMeansLocalsIni()
    {
        const TestProgramFolder folder;
        QCOMPARE(LocalSettingsPath(), folder.file("Locals.ini"));
        QVERIFY(WriteIniValue(kLocalSettingsSection, "ComPort", "4", QString()));
        QCOMPARE(ReadBytes(folder.file("Locals.ini")), QByteArray("[KV310]\r\nComPort=4\r\n"));
        QCOMPARE(ReadIniValue(kLocalSettingsSection, "ComPort"), QString("4"));
    }

    void unwritableFileIsLeftAlone()
    {
        QTemporaryDir dir;
        Unprivileged::openForReading(dir.path());
        const QString ini = dir.filePath("Locals.ini");
        const QByteArray content = "[KV310]\r\nComPort=2\r\n";
        WriteBytes(ini, content);
        {
            const Unprivileged user;
            if (!user.effective())
                QSKIP("cannot leave root, so everything is writable");
            QString error;
            QVERIFY(!WriteIniValue("KV310", "ComPort", "5", ini, &error));
            QCOMPARE(error, QStringLiteral("Permission denied"));
            QCOMPARE(ReadIniValue("KV310", "ComPort", ini), QString("2"));
        }
        QCOMPARE(ReadBytes(ini), content);

        // A file marked read-only in a folder the user may write: said, kept.
        QTemporaryDir own;
        QVERIFY(QFile::setPermissions(own.path(), QFile::Permissions(0x7777)));
        const QString readOnly = own.filePath("Locals.ini");
        WriteBytes(readOnly, content);
        QVERIFY(QFile::setPermissions(readOnly, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        {
            const Unprivileged user;
            if (!user.effective())
                QSKIP("cannot leave root, so everything is writable");
            LocalSettingsFile settings(readOnly);
            settings.read();
            QString error;
            QVERIFY(!settings.saveChanged({{"ComPort", "5"}}, &error));
            QCOMPARE(error, QStringLiteral("Permission denied"));
            QVERIFY(settings.saveChanged({{"ComPort", "2"}}, &error));   // nothing changed, nothing written
        }
        QCOMPARE(ReadBytes(readOnly), content);
    }

    // Anything but a regular file of at most 64 KiB gives no values, is
    // never written, and a FIFO does not hold the reader up.
    void onlySmallRegularFilesAreRead()
    {
        QTemporaryDir dir;
        const QString fifo = dir.filePath("fifo.ini");
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0666), 0);
        const QString zero = dir.filePath("zero.ini");
        QVERIFY(QFile::link("/dev/zero", zero));
        const QString big = dir.filePath("big.ini");
        const QByteArray bigText = "[KV310]\r\nComPort=3\r\n" + QByteArray(64 * 1024, ';');
        WriteBytes(big, bigText);
        for (const QString& path : {fifo, zero, big}) {
            const IniFile ini = IniFile::read(path);
            QVERIFY(!ini.readable());
            QVERIFY(!ini.error().isEmpty());
            QCOMPARE(ini.value("KV310", "ComPort"), QString());
            QVERIFY(!WriteIniValue("KV310", "ComPort", "5", path));
        }
        QVERIFY(QFileInfo(fifo).exists() && !QFileInfo(fifo).isFile());
        QVERIFY(QFileInfo(zero).isSymLink());
        QCOMPARE(ReadBytes(big), bigText);

        // Just within the limit, and a file that does not exist yet.
        const QString fits = dir.filePath("fits.ini");
        WriteBytes(fits, bigText.left(64 * 1024));
        QVERIFY(IniFile::read(fits).readable());
        QCOMPARE(IniFile::read(fits).value("KV310", "ComPort"), QString("3"));
        QVERIFY(IniFile::read(dir.filePath("none.ini")).readable());
    }
};

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_inifile.moc"

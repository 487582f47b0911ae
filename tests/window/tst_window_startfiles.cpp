// The start of the main window against what a careless or hostile user
// leaves in Locals.ini's place: a FIFO, a link to an endless device, a huge
// file, a last data file that is a FIFO, window places off every screen.
#include "windowfixture.h"

#include "inifile.h"

#include <QElapsedTimer>
#include <QScreen>

#include <sys/resource.h>
#include <sys/stat.h>

namespace {

// Peak resident memory of this process so far, in MB.
double PeakMb()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss / 1024.0;
}

const QString kDefaultsQuestion = QStringLiteral(
    "Default data loaded, however it needs to be synced with the hardware.  Would you like to Download now?");

} // namespace

class WindowStartFilesTest : public QObject {
    Q_OBJECT
private slots:
    void unusableLocalSettingsAreLeftAlone_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("FIFO") << "fifo";
        QTest::newRow("link to /dev/zero") << "zero";
        QTest::newRow("107 MB file") << "huge";
    }

    // The start takes moments and little memory, says why the settings were
    // not read, starts on the defaults, and closing writes nothing there.
    void unusableLocalSettingsAreLeftAlone()
    {
        QFETCH(QString, kind);
        WindowFixture f;
        const QString ini = f.folder.file(QStringLiteral("Locals.ini"));
        const QByteArray name = QFile::encodeName(ini);
        if (kind == "fifo")
            QCOMPARE(::mkfifo(name.constData(), 0666), 0);
        else if (kind == "zero")
            QVERIFY(QFile::link(QStringLiteral("/dev/zero"), ini));
        else {
            QFile big(ini);
            QVERIFY(big.open(QIODevice::WriteOnly));
            const QByteArray line = "[KV310]\r\nDTMFStrings=" + QByteArray(200, '1') + "\r\n";
            for (qint64 written = 0; written < 107 * 1000 * 1000; written += line.size())
                big.write(line);
        }
        struct stat before {};
        QCOMPARE(::lstat(name.constData(), &before), 0);

        const double peak = PeakMb();
        QElapsedTimer clock;
        clock.start();
        frmMain& w = f.start();
        QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY2(PeakMb() - peak < 50, qPrintable(QString::number(PeakMb() - peak)));

        QCOMPARE(f.prompter.shown.size(), 2);
        const QString reason = kind == "huge" ? QStringLiteral("The file is larger than 65536 bytes.")
                                              : QStringLiteral("It is not a regular file.");
        QCOMPARE(f.prompter.shown[0].text,
                 QStringLiteral("Unable to read the local settings ") + ini + QStringLiteral(". ") + reason
                     + QStringLiteral("\r\n\r\nThe program starts with its defaults and leaves that file as it is."));
        QCOMPARE(f.prompter.shown[0].icon, MsgIcon::Exclamation);
        QCOMPARE(f.prompter.shown[1].text, kDefaultsQuestion);
        QVERIFY(w.isVisible());

        QVERIFY(w.close());
        struct stat after {};
        QCOMPARE(::lstat(name.constData(), &after), 0);
        QCOMPARE(after.st_ino, before.st_ino);
        QCOMPARE(after.st_size, before.st_size);
        QCOMPARE(after.st_mode, before.st_mode);
    }

    void lastDataFileThatIsAFifoStartsOnTheDefaults()
    {
        WindowFixture f;
        const QString fifo = f.folder.file(QStringLiteral("last.dtd"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0666), 0);
        f.writeIni("[KV310]\r\nLastDTD=" + fifo.toUtf8() + "\r\n");
        QElapsedTimer clock;
        clock.start();
        f.start();
        QVERIFY(clock.elapsed() < 3000);
        QCOMPARE(f.prompter.texts(), QStringList{kDefaultsQuestion});
    }

    void damagedOrFarPlacesOpenOnAScreen_data()
    {
        QTest::addColumn<QByteArray>("size");
        QTest::addColumn<bool>("designedSize");
        QTest::newRow("not numbers") << QByteArray("nan:inf:-inf:1e38") << true;
        QTest::newRow("too large") << QByteArray("1500:1500:1e30:9000") << true;
        QTest::newRow("no size") << QByteArray("1500:1500:0:-9000") << true;
        QTest::newRow("far up and left") << QByteArray("-3000000:-3000000:13500:9000") << false;
        QTest::newRow("far right") << QByteArray("9000000:1500:13500:9000") << false;
        QTest::newRow("title above the screen") << QByteArray("1500:-300:13500:9000") << false;
    }

    void damagedOrFarPlacesOpenOnAScreen()
    {
        QFETCH(QByteArray, size);
        QFETCH(bool, designedSize);
        WindowFixture f;
        f.writeIni("[KV310]\r\nSize=" + size + "\r\n");
        frmMain& w = f.start();
        if (designedSize)
            QCOMPARE(w.size(), QSize(824 + 96, 510 + 90));
        else
            QCOMPARE(w.size(), QSize(900, 600));
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY2(screen.contains(w.pos()), qPrintable(QStringLiteral("%1,%2").arg(w.x()).arg(w.y())));
        // What is saved again is a place on the screen.
        QVERIFY(w.close());
        const QStringList saved = f.ini(QStringLiteral("Size")).split(QLatin1Char(':'));
        QCOMPARE(saved.size(), 4);
        QVERIFY(screen.contains(QPoint(saved[0].toInt() / 15, saved[1].toInt() / 15)));
    }

    void placeOnAScreenIsKept()
    {
        WindowFixture f;
        f.writeIni("[KV310]\r\nSize=-600:1500:13500:9000\r\n");   // a little off the left edge
        frmMain& w = f.start();
        QCOMPARE(w.pos(), QPoint(-40, 100));
    }
};

QTEST_MAIN(WindowStartFilesTest)
#include "tst_window_startfiles.moc"

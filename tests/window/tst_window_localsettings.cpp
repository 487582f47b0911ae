// Locals.ini as several windows and a careless disk share it: a closing
// window writes only what it changed and leaves the rest byte for byte, a
// save that fails is said once, a last data file that cannot be read gives
// the defaults and stays the last file, and a traffic log that cannot be
// written stops and says so.
#include "windowfixture.h"

#include "defaultconfig.h"
#include "errorlog.h"
#include "smalldisk.h"
#include "trafficlog.h"

#include <QDir>
#include <QLineEdit>

namespace {
const QString kDefaultsQuestion = QStringLiteral(
    "Default data loaded, however it needs to be synced with the hardware.  Would you like to Download now?");
} // namespace

class WindowLocalSettingsTest : public QObject {
    Q_OBJECT
private slots:
    // Another window (or a hand) wrote DTMFStrings after this one started:
    // this one's close leaves it, a key it does not know and a comment as
    // they were, their LF ends included, and writes only its own changes.
    void closeKeepsWhatOthersWrote()
    {
        WindowFixture f;
        const QByteArray start = "; kept by hand\n[KV310]\nDTMFStrings=111,222\nForeign=yes\nWinState=0\n";
        f.writeIni(start);
        frmMain& w = f.start();
        const QByteArray others = "; kept by hand\n[KV310]\nDTMFStrings=111,222,333\nForeign=yes\nWinState=0\n";
        f.writeIni(others);
        w.move(30, 40);
        QVERIFY(w.close());
        const QByteArray after = ReadBytes(f.folder.file(QStringLiteral("Locals.ini")));
        QVERIFY2(after.startsWith(others), after.constData());
        const QByteArray added = after.mid(others.size());
        QVERIFY2(added.startsWith("Size=") && added.endsWith("\r\n") && added.count('\n') <= 3, added.constData());
        QVERIFY(!added.contains("DTMFStrings") && !added.contains("WinState"));
    }

    // Nowhere to save: said once in the window, whatever asks to save,
    // logged each time; the window still closes.
    void failedSaveIsSaidOnce()
    {
        WindowFixture f;
        frmMain& w = f.start();
        // A folder where the lock goes makes every save fail, for root too.
        QVERIFY(QDir().mkdir(f.folder.file(QStringLiteral("Locals.ini.lock"))));
        const qsizetype before = f.prompter.shown.size();
        w.panels().dtmfStrings->mnuEditDTMFStr_Click();
        w.panels().dtmfStrings->cmdDTMFStrOK_Click();
        f.find<QLineEdit>(QStringLiteral("txtInstDTMF"))->setText(QStringLiteral("123"));
        QVERIFY(w.close());
        const QStringList said = f.prompter.texts().mid(before);
        QCOMPARE(said.size(), 1);
        QVERIFY2(said.first().startsWith(QStringLiteral("Unable to save the local settings to %1. ")
                                             .arg(f.folder.file(QStringLiteral("Locals.ini")))),
                 qPrintable(said.first()));
        QVERIFY(said.first().endsWith(QLatin1Char('.')));
        QVERIFY(!w.isVisible());
        QVERIFY(ReadBytes(ErrorLogPath()).contains("in procedure SaveLocalSettings of Form frmMain"));
    }

    // A last data file that cannot be read: its message, then the defaults
    // and their question, and LastDTD still names it at the close, so it
    // opens again once it can. One that is not there says so.
    void unreadableLastFileGivesTheDefaults()
    {
        WindowFixture f;
        const QString damaged = f.folder.file(QStringLiteral("stick.dtd"));
        WriteBytes(damaged, DefaultConfigBytes().left(40));
        f.writeIni("[KV310]\r\nLastDTD=" + damaged.toUtf8() + "\r\n");
        frmMain& w = f.start();
        const QStringList said = f.prompter.texts();
        QCOMPARE(said.size(), 2);
        QVERIFY2(said.first().startsWith(QStringLiteral("Unable to load ") + damaged), qPrintable(said.first()));
        QCOMPARE(said.last(), kDefaultsQuestion);
        QCOMPARE(Config().Rings, DefaultConfig().Rings);
        QCOMPARE(Config().ASCIIStrings, DefaultConfig().ASCIIStrings);
        QVERIFY(w.close());
        QCOMPARE(f.ini(QStringLiteral("LastDTD")), damaged);

        // Not there at all: the status names it; it stays the last file too.
        QVERIFY(QFile::remove(damaged));
        f.start();
        QCOMPARE(LastStatus(), QStringLiteral("The last data file %1 is not there: the defaults are loaded.").arg(damaged));
        QVERIFY(f.window->close());
        QCOMPARE(f.ini(QStringLiteral("LastDTD")), damaged);
        // Opening another makes that one the last.
        f.start();
        QVERIFY(f.window->LoadFromFile(f.folder.file(QStringLiteral("Default KV310 File.dtd"))));
        QVERIFY(f.window->close());
        QCOMPARE(f.ini(QStringLiteral("LastDTD")), f.folder.file(QStringLiteral("Default KV310 File.dtd")));
    }

    // A traffic log on a disk that fills: it stops at once with a word, the
    // button goes off, the file ends with a whole record; started again on
    // the same file it goes on there after a line that marks the gap.
    void trafficLogOnAFullDiskStopsAndSaysSo()
    {
        WindowFixture f;
        const SmallDisk disk;
        if (!disk.ok())
            QSKIP("no tmpfs can be mounted here (needs root)");
        QVERIFY(disk.fill(4096));   // room for a page of records
        frmMain& w = f.start();
        auto* log = f.find<TrafficLogButton>(QStringLiteral("cmdTrafficLog"));
        const QString path = disk.file("traffic.log");
        QVERIFY(log->start(path));
        const qsizetype before = f.prompter.shown.size();
        SerialPort* port = w.unitLink().link().port();   // the port the log records
        QVERIFY(port->open());
        for (int i = 0; i < 200 && log->logging(); ++i) {   // more than the disk takes
            port->write(QByteArray(40, char('a' + i % 26)));
            QCoreApplication::processEvents();
        }
        QTRY_VERIFY(!log->logging());
        QVERIFY(!log->isChecked());
        const QStringList said = f.prompter.texts().mid(before);
        QVERIFY(said.contains(QStringLiteral("Logging the traffic to %1 stopped: No space left on device.").arg(path)));
        const QByteArray kept = ReadBytes(path);
        QVERIFY(kept.size() > 2048 && kept.endsWith('\n'));   // a page of whole records

        QVERIFY(disk.empty());
        QVERIFY(log->start(path));
        port->write("jrm");
        const QByteArray resumed = ReadBytes(path);
        QVERIFY2(resumed.startsWith(kept), resumed.constData());
        const QByteArray gap = resumed.mid(kept.size());
        QVERIFY2(gap.contains("-- logging stopped at ") && gap.contains("(No space left on device); it goes on from here\n"),
                 gap.constData());
        QVERIFY(gap.endsWith(" TX 6a 72 6d  jrm\n"));
        log->stop();
        port->close();
    }
};

QTEST_MAIN(WindowLocalSettingsTest)
#include "tst_window_localsettings.moc"

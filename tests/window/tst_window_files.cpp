// Start-up, the caption, the File menu, Locals.ini and closing, on the real
// main window in a temporary program folder.
#include "windowfixture.h"

#include "defaultconfig.h"
#include "loadercommand.h"
#include "scopedenv.h"
#include "splash.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>

namespace {
const QString kQuestion = QStringLiteral(
    "Default data loaded, however it needs to be synced with the hardware.  Would you like to "
    "Download now?");
const QString kTitle = QStringLiteral("KV-310 v1.1.24");

QString DefaultPath(const WindowFixture& f) { return f.folder.file(QStringLiteral("Default KV310 File.dtd")); }

// A valid data file that differs from the defaults (Rings 7, label of row 1 "XY").
QByteArray OtherConfigBytes()
{
    UnitConfig c = DefaultConfig();
    c.Rings = 7;
    c.SeqLabel[0] = "XY";
    c.SeqLabelLen[0] = 2;
    return ExportKV310Bytes(c);
}
} // namespace

class WindowFilesTest : public QObject {
    Q_OBJECT
private slots:
    void freshFolderWritesTheDefaultsAndAsksOnceShown();
    void freshStartReplacesALongerDefaultFile();
    void answeringYesWithoutAUnitTriesToConnectThenDownload();
    void captionShowsFileAndChangedMark();
    void openLoadsTheChosenFile();
    void unreadableFileKeepsConfigurationAndCaption();
    void saveBeforeAnyFileTurnsIntoSaveAs();
    void saveAsRefusedByVerificationLeavesTheFileAlone();
    void saveWithAJumpLoopWritesNothing();
    void localSettingsComeBackAtTheNextStart();
    void sizeNeedsExactlyFourFields();
    void cancelInTheClosePromptKeepsTheWindow();
    void yesInTheClosePromptWithARefusedSaveKeepsTheWindow();
    void firmwareUpdateStartsTheLoaderFromTheProgramFolder();
    void windowWaitsForTheLoaderWithoutTakingInput();
    void splashLogoTakesTheSplashBackground();
    void commandLineFileIsLoadedLast();
};

void WindowFilesTest::freshFolderWritesTheDefaultsAndAsksOnceShown()
{
    WindowFixture f;
    bool shownWhenAsked = false;
    f.prompter.onMessage = [&](const ScriptedPrompter::Shown& s) {
        if (s.text == kQuestion)
            shownWhenAsked = f.window->isVisible();
    };
    frmMain& w = f.start();

    const QByteArray written = ReadBytes(DefaultPath(f));
    QCOMPARE(written.size(), 1549);
    QCOMPARE(written, DefaultConfigBytes());
    QCOMPARE(f.prompter.shown.size(), 1);
    QCOMPARE(f.prompter.shown[0].text, kQuestion);
    QCOMPARE(f.prompter.shown[0].icon, MsgIcon::Information);
    QCOMPARE(f.prompter.shown[0].buttons, MsgButtons::YesNo);
    QVERIFY(shownWhenAsked);
    QCOMPARE(w.windowTitle(), kTitle + QStringLiteral(" [Default KV310 File.dtd]"));
    QCOMPARE(f.find<QLabel>(QStringLiteral("msg"))->text(), QStringLiteral("Successfully loaded."));
    // The defaults are on show: labels 01..20, strings StringA..StringT.
    QCOMPARE(f.cell(0, 1, 2), QStringLiteral("01"));
    QCOMPARE(f.cell(0, 20, 2), QStringLiteral("20"));
    QCOMPARE(f.cell(0, 1, 3), QStringLiteral("Send ASCII 'StringA'"));
    QCOMPARE(f.cell(1, 20, 2), QStringLiteral("StringT"));
    QCOMPARE(Config().ASCIIFlagChar, uint8_t('/'));
    QVERIFY(f.port.openCount() == 0);   // answered No: nothing connects
}

void WindowFilesTest::freshStartReplacesALongerDefaultFile()
{
    WindowFixture f;
    WriteBytes(DefaultPath(f), QByteArray(4000, 'x'));
    f.start();
    QCOMPARE(ReadBytes(DefaultPath(f)), DefaultConfigBytes());
}

void WindowFilesTest::answeringYesWithoutAUnitTriesToConnectThenDownload()
{
    WindowFixture f;
    f.scanner.setOpenError(SerialError::None);
    f.scanner.setPresentPorts({2});
    f.prompter.answers = {MsgAnswer::Yes};
    f.start();
    // The port box offers the one port found; Connect opened it, nothing
    // answered, so the download found no unit either.
    QCOMPARE(f.find<QComboBox>(QStringLiteral("cmbPort"))->currentText(), QStringLiteral("Com2"));
    QCOMPARE(f.port.openCount(), 1);
    QCOMPARE(f.port.portNumber(), 2);
    QVERIFY(f.port.written().startsWith("jrm"));
    QCOMPARE(LastStatus(), QStringLiteral("Unable to download, unit is not responding."));
    QVERIFY(!f.window->unitConnected());
}

void WindowFilesTest::captionShowsFileAndChangedMark()
{
    WindowFixture f;
    frmMain& w = f.start();
    SetCurrentFile(f.folder.file(QStringLiteral("New.dtd")));
    w.MarkChanged(false);
    QCOMPARE(w.windowTitle(), kTitle + QStringLiteral(" [New.dtd]"));
    w.MarkChanged(true);
    QCOMPARE(w.windowTitle(), kTitle + QStringLiteral(" [New.dtd*]"));
    QVERIFY(w.isChanged());
    SetCurrentFile(QStringLiteral("C:\\units\\site 4.dtd"));
    w.MarkChanged(false);
    QCOMPARE(w.windowTitle(), kTitle + QStringLiteral(" [site 4.dtd]"));
}

void WindowFilesTest::openLoadsTheChosenFile()
{
    WindowFixture f;
    frmMain& w = f.start();
    const QString other = f.folder.file(QStringLiteral("other.dtd"));
    WriteBytes(other, OtherConfigBytes());
    f.prompter.files = {other};
    w.mnuOpen_Click();
    QCOMPARE(f.prompter.dialogs.size(), 1);
    QCOMPARE(f.prompter.dialogs[0].title, QStringLiteral("Open KV-310 Data File"));
    QCOMPARE(f.prompter.dialogs[0].startFolder, f.folder.path());
    QCOMPARE(Config().Rings, uint8_t(7));
    QCOMPARE(f.cell(0, 1, 2), QStringLiteral("XY"));
    QCOMPARE(f.find<QLineEdit>(QStringLiteral("txtRings"))->text(), QStringLiteral("7"));
    QCOMPARE(w.windowTitle(), kTitle + QStringLiteral(" [other.dtd]"));

    // A chosen name that does not exist is no choice.
    f.prompter.files = {f.folder.file(QStringLiteral("gone.dtd"))};
    w.mnuOpen_Click();
    QCOMPARE(CurrentFile(), other);
}

void WindowFilesTest::unreadableFileKeepsConfigurationAndCaption()
{
    WindowFixture f;
    frmMain& w = f.start();
    w.MarkChanged(true);
    const QString caption = w.windowTitle();
    const UnitConfig before = Config();
    ShowStatus(QString());

    // A damaged file: its last record is cut off.
    const QString damaged = f.folder.file(QStringLiteral("damaged.dtd"));
    WriteBytes(damaged, OtherConfigBytes().chopped(3));
    QVERIFY(!w.LoadFromFile(damaged));
    QVERIFY(Config() == before);
    QCOMPARE(w.windowTitle(), caption);
    QCOMPARE(CurrentFile(), DefaultPath(f));
    QVERIFY(LastStatus() != QStringLiteral("Successfully loaded."));
    QCOMPARE(f.cell(0, 1, 2), QStringLiteral("01"));
    QVERIFY(f.prompter.texts().last().startsWith(QStringLiteral("Unable to load ")));
}

void WindowFilesTest::saveBeforeAnyFileTurnsIntoSaveAs()
{
    WindowFixture f;
    frmMain& w = f.start();
    const QString fresh = f.folder.file(QStringLiteral("New.dtd"));
    SetCurrentFile(fresh);   // as after loading, before anything was saved
    w.MarkChanged(true);
    const QString target = f.folder.file(QStringLiteral("site.dtd"));
    f.prompter.files = {target};
    w.mnuSave_Click();

    QCOMPARE(f.prompter.dialogs.size(), 1);
    const FileDialogRequest& d = f.prompter.dialogs[0];
    QCOMPARE(d.kind, FileDialogRequest::Kind::Save);
    QCOMPARE(d.title, QStringLiteral("Save KV-310 Data File"));
    QCOMPARE(d.defaultExtension, QStringLiteral("dtd"));
    QVERIFY(d.overwritePrompt);
    QVERIFY(d.initialName.endsWith(QStringLiteral("New.dtd")));
    QCOMPARE(ReadBytes(target), ExportKV310Bytes(Config()));
    QCOMPARE(CurrentFile(), target);
    QCOMPARE(w.windowTitle(), kTitle + QStringLiteral(" [site.dtd]"));
    QCOMPARE(LastStatus(), QStringLiteral("Successfully saved."));

    // Ctrl+S saves the current file straight away.
    Config().Rings = 9;
    w.MarkChanged(true);
    QApplication::setActiveWindow(&w);
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QTest::keyClick(f.list(0), Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(f.prompter.dialogs.size(), 1);
    QCOMPARE(ReadBytes(target), ExportKV310Bytes(Config()));
    QVERIFY(!w.isChanged());
}

void WindowFilesTest::saveAsRefusedByVerificationLeavesTheFileAlone()
{
    WindowFixture f;
    frmMain& w = f.start();
    const QString existing = f.folder.file(QStringLiteral("existing.dtd"));
    const QByteArray old = OtherConfigBytes();
    WriteBytes(existing, old);
    f.list(0)->topLevelItem(2)->setText(1, QStringLiteral("A1"));
    f.list(0)->topLevelItem(6)->setText(1, QStringLiteral("A1"));
    w.MarkChanged(true);
    const QString caption = w.windowTitle();

    f.prompter.files = {existing};
    w.mnuSaveAs_Click();
    QCOMPARE(f.prompter.shown.last().text,
             QStringLiteral("Following labels are not unique and must be changed.\r\n\r\n#03 label 'A1'\r\n#07 "
                            "label 'A1'"));
    QCOMPARE(f.prompter.shown.last().icon, MsgIcon::Exclamation);
    QCOMPARE(ReadBytes(existing), old);
    QCOMPARE(CurrentFile(), DefaultPath(f));
    QCOMPARE(w.windowTitle(), caption);
}

void WindowFilesTest::saveWithAJumpLoopWritesNothing()
{
    WindowFixture f;
    frmMain& w = f.start();
    const QByteArray before = ReadBytes(DefaultPath(f));
    // 01 -> 02 -> 03 -> 02
    Config().SeqContents[0] = QByteArray::fromHex("090e");
    Config().SeqContents[1] = QByteArray::fromHex("090f");
    Config().SeqContents[2] = QByteArray::fromHex("0201090e");
    w.DisplayData(false);
    QCOMPARE(f.cell(0, 3, 3), QStringLiteral("Close Relay 'Relay 1', Jump Sequence '02'"));
    w.MarkChanged(true);
    w.mnuSave_Click();
    const ScriptedPrompter::Shown& m = f.prompter.shown.last();
    QCOMPARE(m.title, QStringLiteral("Infinite jumps detected"));
    QCOMPARE(m.icon, MsgIcon::Critical);
    QCOMPARE(m.text, QStringLiteral("The following network of jumps results in an infinite repeat:\r\n\r\n"
                                    "Sequence 01 jumps to 02\r\nSequence 02 jumps to 03\r\nSequence 03 jumps "
                                    "to 02\r\n\r\nPlease correct the problem.  Nothing has been saved."));
    QCOMPARE(ReadBytes(DefaultPath(f)), before);
    QVERIFY(w.isChanged());
}

void WindowFilesTest::localSettingsComeBackAtTheNextStart()
{
    WindowFixture f;
    {
        frmMain& w = f.start();
        w.panels().dtmfStrings->RebuildDTMFMenu(QStringLiteral("12,*9"));
        f.find<QLineEdit>(QStringLiteral("txtInstDTMF"))->setText(QStringLiteral("5#"));
        w.move(40, 30);
        w.resize(900, 600);
        w.showMaximized();
        QVERIFY(w.close());
    }
    QCOMPARE(f.ini(QStringLiteral("WinState")), QStringLiteral("2"));
    QCOMPARE(f.ini(QStringLiteral("DTMFStrings")), QStringLiteral("12,*9"));
    QCOMPARE(f.ini(QStringLiteral("InstDTMF")), QStringLiteral("5#"));
    QCOMPARE(f.ini(QStringLiteral("LastDTD")), DefaultPath(f));

    const int asked = int(f.prompter.shown.size());
    Config().Rings = 42;   // the next start reads the file again
    frmMain& again = f.start();
    QVERIFY(again.windowState() & Qt::WindowMaximized);
    QCOMPARE(f.prompter.shown.size(), asked);   // no defaults, no question
    QCOMPARE(Config().Rings, uint8_t(1));
    QCOMPARE(again.windowTitle(), kTitle + QStringLiteral(" [Default KV310 File.dtd]"));
    const QList<QAction*> entries = again.panels().dtmfStrings->entries();
    QCOMPARE(entries.size(), 2);
    QCOMPARE(entries[0]->text(), QStringLiteral("Send: 12"));
    QCOMPARE(entries[1]->text(), QStringLiteral("Send: *9"));
    QCOMPARE(entries[1]->property("tag").toString(), QStringLiteral("*9"));
    QCOMPARE(f.find<QLineEdit>(QStringLiteral("txtInstDTMF"))->text(), QStringLiteral("5#"));
}

void WindowFilesTest::sizeNeedsExactlyFourFields()
{
    {
        WindowFixture f;
        f.writeIni("[KV310]\r\nSize=1500:1200:13500:9000\r\n");
        frmMain& w = f.start();
        QCOMPARE(w.size(), QSize(900, 600));
    }
    {
        WindowFixture f;
        f.writeIni("[KV310]\r\nSize=1500:1200:13500\r\n");
        frmMain& w = f.start();
        QCOMPARE(w.size(), QSize(824 + 96, 510 + 90));   // as designed
        QVERIFY(w.minimumSize() == QSize(824, 510));
        w.close();
        QCOMPARE(f.ini(QStringLiteral("Size")).split(QLatin1Char(':')).size(), 4);
    }
}

void WindowFilesTest::cancelInTheClosePromptKeepsTheWindow()
{
    WindowFixture f;
    frmMain& w = f.start();
    w.MarkChanged(true);
    QFile::remove(f.folder.file(QStringLiteral("Locals.ini")));
    f.prompter.answers = {MsgAnswer::Cancel};
    QVERIFY(!w.close());
    QVERIFY(w.isVisible());
    QCOMPARE(f.prompter.shown.last().text, QStringLiteral("Would you like to save changes?"));
    QCOMPARE(f.prompter.shown.last().buttons, MsgButtons::YesNoCancel);
    QCOMPARE(f.ini(QStringLiteral("LastDTD")), DefaultPath(f));   // written before the question
}

void WindowFilesTest::yesInTheClosePromptWithARefusedSaveKeepsTheWindow()
{
    WindowFixture f;
    frmMain& w = f.start();
    f.list(0)->topLevelItem(0)->setText(1, QStringLiteral("B"));
    f.list(0)->topLevelItem(1)->setText(1, QStringLiteral("B"));
    w.MarkChanged(true);
    f.prompter.answers = {MsgAnswer::Yes};
    QVERIFY(!w.close());
    QVERIFY(w.isVisible());
    QVERIFY(f.prompter.texts().last().startsWith(QStringLiteral("Following labels are not unique")));
}

void WindowFilesTest::firmwareUpdateStartsTheLoaderFromTheProgramFolder()
{
    WindowFixture f;
    frmMain& w = f.start();
    const ScopedEnv noLoaderOnPath("PATH", "/nonexistent");
#ifdef Q_OS_WIN
    const QString exe = QStringLiteral("NV_FWLoader.exe");
#else
    const QString exe = QStringLiteral("NV_FWLoader");
#endif
    const QString command = FirmwareLoaderCommand();
    QCOMPARE(command, QStringLiteral("\"") + QDir::toNativeSeparators(f.folder.file(exe)) + QStringLiteral("\" -KV-310"));
    // No loader in this folder: the user is told, and the window carries on.
    w.mnuFWUpdate_Click();
    QCOMPARE(f.prompter.shown.last().text,
             QStringLiteral("Unable to run '") + command + QStringLiteral("'.  Please check that file exists."));
    QCOMPARE(f.find<QPushButton>(QStringLiteral("cmdConnect"))->text(), QStringLiteral("Connect"));
}

void WindowFilesTest::windowWaitsForTheLoaderWithoutTakingInput()
{
#ifdef Q_OS_WIN
    QSKIP("the stand-in loader is a shell script");
#else
    WindowFixture f;
    frmMain& w = f.start();
    // A stand-in loader that runs for a while and notes its command line.
    const QString loader = f.folder.file(QStringLiteral("NV_FWLoader"));
    const QString ran = f.folder.file(QStringLiteral("ran.txt"));
    QFile script(loader);
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\nsleep 0.8\necho \"$1\" > '" + ran.toLocal8Bit() + "'\n");
    script.close();
    QVERIFY(script.setPermissions(script.permissions() | QFileDevice::ExeOwner));

    auto* connectButton = f.find<QPushButton>(QStringLiteral("cmdConnect"));
    QAction* newEntry = w.findChild<QAction*>(QStringLiteral("mnuNew"));
    int ticks = 0;
    bool inputClosed = false;
    bool closeRefused = false;
    QTimer ticker;   // the window's events go on while the loader runs
    QObject::connect(&ticker, &QTimer::timeout, &w, [&] { ++ticks; });
    ticker.start(50);
    QTimer::singleShot(300, &w, [&] {
        inputClosed = !connectButton->isEnabled() && !newEntry->isEnabled()
            && !f.find(QStringLiteral("lstSequences_0"))->isEnabled();
        QTest::mouseClick(connectButton, Qt::LeftButton);   // not taken, not kept for later
        closeRefused = !w.close();
    });
    w.mnuFWUpdate_Click();
    ticker.stop();
    QCOMPARE(ReadBytes(ran), QByteArray("-KV-310\n"));
    QVERIFY2(ticks >= 8, qPrintable(QString::number(ticks)));
    QVERIFY(inputClosed);
    QVERIFY(closeRefused);
    QVERIFY(w.isVisible());
    QTest::qWait(50);
    // The click did not come through afterwards (it would ask for a port).
    QVERIFY(LastStatus() != QStringLiteral("Please select a COM port first"));
    QVERIFY(connectButton->isEnabled() && newEntry->isEnabled());
    QVERIFY(f.find(QStringLiteral("lstSequences_0"))->isEnabled());
#endif
}

void WindowFilesTest::splashLogoTakesTheSplashBackground()
{
    TestProgramFolder folder;
    frmSplash splash;
    QCOMPARE(frmSplash::background(), QColor(208, 224, 255));
    const QImage logo = frmSplash::recolouredLogo();
    QCOMPARE(QColor(logo.pixel(0, 0)), frmSplash::background());
    QCOMPARE(QColor(logo.pixel(logo.width() - 1, logo.height() - 1)), frmSplash::background());
    // The drawing itself keeps its colours.
    int drawn = 0;
    for (int y = 0; y < logo.height(); ++y)
        for (int x = 0; x < logo.width(); ++x)
            drawn += QColor(logo.pixel(x, y)) != frmSplash::background();
    QVERIFY(drawn > 500);
    QCOMPARE(splash.findChild<QLabel*>(QStringLiteral("lblProductName"))->text(), QStringLiteral("KV-310"));
    QCOMPARE(splash.findChild<QLabel*>(QStringLiteral("lblVersion"))->text(), QStringLiteral("Version 1.1.24"));
    QVERIFY(QApplication::overrideCursor() == nullptr);   // the hourglass is gone once built
}

void WindowFilesTest::commandLineFileIsLoadedLast()
{
    // The real program, in a program folder of its own that already knows
    // its last file (so no question stops the start).
    QTemporaryDir folder;
    const QString exe = folder.filePath(QStringLiteral("KV310"));
    QVERIFY(QFile::copy(qEnvironmentVariable("KV310_TEST_BIN_DIR") + QStringLiteral("/KV310"), exe));
    const QString last = folder.filePath(QStringLiteral("last.dtd"));
    const QString named = folder.filePath(QStringLiteral("site 4.dtd"));
    WriteBytes(last, DefaultConfigBytes());
    WriteBytes(named, OtherConfigBytes());
    WriteBytes(folder.filePath(QStringLiteral("Locals.ini")), "[KV310]\r\nLastDTD=" + last.toLocal8Bit() + "\r\n");

    auto captionFor = [&](const QStringList& args) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("KV310_STARTUP_REPORT"), QStringLiteral("1"));
        p.setProcessEnvironment(env);
        p.start(exe, args);
        if (!p.waitForFinished(20000))
            return QString();
        for (const QByteArray& line : p.readAllStandardOutput().split('\n'))
            if (line.startsWith("caption "))
                return QString::fromLocal8Bit(line.mid(8));
        return QString();
    };
    // Quotes are removed; the name may hold blanks.
    QCOMPARE(captionFor({QStringLiteral("\"") + named + QStringLiteral("\"")}),
             kTitle + QStringLiteral(" [site 4.dtd]"));
    // A file that does not exist is ignored.
    QCOMPARE(captionFor({folder.filePath(QStringLiteral("missing.dtd"))}), kTitle + QStringLiteral(" [last.dtd]"));
}

QTEST_MAIN(WindowFilesTest)
#include "tst_window_files.moc"

// The main window against the simulated unit (kv310-sim) on a
// pseudo-terminal, through the real serial port backend: connect,
// download, edit, upload, and the line dropping.
#include "simwindow.h"

#include "defaultconfig.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QTextEdit>

namespace {
// kv310ctl with these arguments; its exit code (-1 when it did not end).
int RunCtl(const QStringList& args)
{
    QProcess ctl;
    ctl.start(SimProcess::binary(QStringLiteral("kv310ctl")), args);
    if (!ctl.waitForFinished(30000) || ctl.exitStatus() != QProcess::NormalExit)
        return -1;
    return ctl.exitCode();
}

} // namespace

class WindowUnitTest : public QObject {
    Q_OBJECT
private slots:
    void newConfigurationAnsweredYesConnectsAndDownloads();
    void editUploadAndReadBack();
    void settingsOnlyUploadLeavesFlash();
    void droppedLineEndsTheConnection();
    void commandLineDownloadGivesTheWindowsFile();
    void portVanishingAfterTheScanIsReported();
    void portStaysChosenWhileConnected();
    void durationReachesUnitAndFileAlike();
    void ctrlTabSendsATab();
};

void WindowUnitTest::newConfigurationAnsweredYesConnectsAndDownloads()
{
    SimWindow f({MsgAnswer::Yes});
    QVERIFY(f.sim.running());
    QVERIFY(f.window->unitConnected());
    QCOMPARE(f.find<QPushButton>(QStringLiteral("cmdConnect"))->text(), QStringLiteral("Disconnect"));
    QCOMPARE(LastStatus(), QStringLiteral("Download successful"));
    QCOMPARE(f.cell(0, 20, 2), QStringLiteral("20"));
    QVERIFY(f.window->isChanged());   // the configuration no longer matches its file
    QVERIFY(f.find(QStringLiteral("chkOpt_0"))->isEnabled());
}

void WindowUnitTest::editUploadAndReadBack()
{
    SimWindow f;
    QVERIFY(f.sim.running());
    frmMain& w = *f.window;
    w.cmdConnect_Click();
    QVERIFY(w.unitConnected());

    EditString(f, 1, QStringLiteral("HELLO/13/"));
    w.panels().cells->startCellEdit(f.list(0), 2, 2);
    f.find<QLineEdit>(QStringLiteral("txtCell"))->setText(QStringLiteral("AB"));
    w.panels().cells->ProcessCell(true);
    Config().SeqContents[2] = QByteArray::fromHex("02010805");
    w.DisplayData(false);

    f.prompter.answers = {MsgAnswer::No};   // do not save first
    w.mnuUpAll_Click();
    QVERIFY(LastStatus().startsWith(QStringLiteral("Upload successful (backup ")));
    QVERIFY(f.prompter.texts().contains(QStringLiteral("Would you like to save changes?")));
    QVERIFY(f.find(QStringLiteral("cmdUpload"))->isEnabled());

    // Forget it here, then read the unit back.
    Config().ASCIIStrings[0] = "lost";
    Config().SeqLabel[1] = "ZZ";
    Config().SeqContents[2].clear();
    w.DisplayData(false);
    w.cmdDownload_Click();
    QCOMPARE(LastStatus(), QStringLiteral("Download successful"));
    QCOMPARE(Config().ASCIIStrings[0], QByteArray("HELLO/13/"));
    QCOMPARE(f.cell(1, 1, 2), QStringLiteral("HELLO/13/"));
    QCOMPARE(f.cell(0, 2, 2), QStringLiteral("AB"));
    QCOMPARE(f.cell(0, 3, 3), QStringLiteral("Close Relay 'Relay 1', Pause '01.000' sec(s)"));
}

void WindowUnitTest::settingsOnlyUploadLeavesFlash()
{
    SimWindow f;
    QVERIFY(f.sim.running());
    frmMain& w = *f.window;
    w.cmdConnect_Click();
    Config().PassWord = "1234";
    EditString(f, 2, QStringLiteral("NEW"));
    w.MarkChanged(false);   // nothing to offer to save
    w.cmdUpload_Click();
    w.findChild<QMenu*>(QStringLiteral("mnuUpload"))->hide();
    w.mnuUpSetOnly_Click(0);
    QVERIFY(LastStatus().startsWith(QStringLiteral("Upload successful (backup ")));

    Config().PassWord = "0000";
    w.cmdDownload_Click();
    QCOMPARE(Config().PassWord, QByteArray("1234"));
    QCOMPARE(Config().ASCIIStrings[1], QByteArray("StringB"));   // FLASH untouched
}

void WindowUnitTest::droppedLineEndsTheConnection()
{
    SimWindow f;
    QVERIFY(f.sim.running());
    frmMain& w = *f.window;
    w.cmdConnect_Click();
    QVERIFY(w.unitConnected());
    const UnitConfig before = Config();
    f.sim.stop();
    QTRY_VERIFY(!w.unitConnected());
    QCOMPARE(f.find<QPushButton>(QStringLiteral("cmdConnect"))->text(), QStringLiteral("Connect"));
    QVERIFY(f.find(QStringLiteral("cmbPort"))->isEnabled());
    QVERIFY(!f.find(QStringLiteral("chkOpt_0"))->isEnabled());
    QVERIFY(f.prompter.texts().last().startsWith(QStringLiteral("The connection to the unit was lost.")));
    QVERIFY(Config() == before);
}

void WindowUnitTest::commandLineDownloadGivesTheWindowsFile()
{
    SimWindow f;   // started on the default configuration, not connected
    QVERIFY(f.sim.running());
    frmMain& w = *f.window;

    // A unit that no longer holds the defaults, set up by the tool.
    UnitConfig edited = DefaultConfig();
    edited.PassWord = "4321";
    edited.SeqLabel[3] = "GO";
    edited.SeqLabelLen[3] = 2;
    edited.SeqContents[3] = QByteArray::fromHex("0201080509110601FE");
    edited.ASCIIStrings[4] = "PING/13/";
    const QString editedFile = f.folder.file(QStringLiteral("edited.dtd"));
    QVERIFY(ExportKV310File(editedFile, edited));
    QCOMPARE(RunCtl({QStringLiteral("upload"), QStringLiteral("--port"), QStringLiteral("Com1"), editedFile}), 0);

    // The window: Connect, Download, Save As, Disconnect.
    w.cmdConnect_Click();
    QVERIFY(w.unitConnected());
    w.cmdDownload_Click();
    QCOMPARE(LastStatus(), QStringLiteral("Download successful"));
    const QString byWindow = f.folder.file(QStringLiteral("window.dtd"));
    f.prompter.files = {byWindow};
    w.mnuSaveAs_Click();
    w.cmdConnect_Click();
    QVERIFY(!w.unitConnected());

    const QString byTool = f.folder.file(QStringLiteral("tool.dtd"));
    QCOMPARE(RunCtl({QStringLiteral("download"), QStringLiteral("--port"), QStringLiteral("Com1"),
                     QStringLiteral("--out"), byTool}),
             0);
    const QByteArray file = ReadBytes(byWindow);
    QVERIFY(file.contains("PING/13/"));
    QVERIFY(file.contains("4321"));
    QCOMPARE(ReadBytes(byTool), file);
}

void WindowUnitTest::portVanishingAfterTheScanIsReported()
{
    SimWindow f;
    QVERIFY(f.sim.running());
    frmMain& w = *f.window;
    auto* ports = f.find<QComboBox>(QStringLiteral("cmbPort"));
    QCOMPARE(ports->currentText(), QStringLiteral("Com1"));
    const UnitConfig before = Config();
    // Com1 stands for a link to the adapter, as udev's by-id links do; pulling
    // the adapter takes the link with it. The pty's own name is no good here:
    // another test running alongside may be given the same number at once.
    const QString device = f.folder.file(QStringLiteral("usb-adapter-if00"));
    QVERIFY(QFile::link(f.sim.device(), device));
    f.sim.stop();   // the adapter is pulled after the scan listed it
    qputenv("KV310_COM1", device.toLocal8Bit());
    QVERIFY(QFile::remove(device));
    QVERIFY(!QFileInfo(device).isSymLink());
    QElapsedTimer clock;
    clock.start();
    w.cmdConnect_Click();
    QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(!w.unitConnected());
    QCOMPARE(LastStatus(), QStringLiteral("Invalid port Com1"));
    QCOMPARE(f.find<QPushButton>(QStringLiteral("cmdConnect"))->text(), QStringLiteral("Connect"));
    QVERIFY(ports->isEnabled());
    QVERIFY(Config() == before);
}

void WindowUnitTest::portStaysChosenWhileConnected()
{
    SimWindow f;
    QVERIFY(f.sim.running());
    frmMain& w = *f.window;
    auto* ports = f.find<QComboBox>(QStringLiteral("cmbPort"));
    auto* refresh = f.find(QStringLiteral("cmdRefresh"));
    w.cmdConnect_Click();
    QVERIFY(w.unitConnected());
    QVERIFY(!ports->isEnabled() && !refresh->isEnabled());
    // A download or an upload gives everything back but the port row.
    w.cmdDownload_Click();
    QCOMPARE(LastStatus(), QStringLiteral("Download successful"));
    QVERIFY(!ports->isEnabled() && !refresh->isEnabled());
    QVERIFY(f.find(QStringLiteral("cmdUpload"))->isEnabled());
    f.prompter.answers = {MsgAnswer::No};
    w.mnuUpAll_Click();
    QVERIFY(LastStatus().startsWith(QStringLiteral("Upload successful (backup ")));
    QVERIFY(!ports->isEnabled() && !refresh->isEnabled());
    QCOMPARE(ports->currentText(), QStringLiteral("Com1"));
    // Disconnected, the port can be chosen again.
    w.cmdConnect_Click();
    QVERIFY(ports->isEnabled() && refresh->isEnabled());
}

void WindowUnitTest::durationReachesUnitAndFileAlike()
{
    SimWindow f;
    QVERIFY(f.sim.running());
    frmMain& w = *f.window;
    w.cmdConnect_Click();
    auto* duration = f.find<QLineEdit>(QStringLiteral("txtDTMFOutDur"));
    duration->setText(QStringLiteral("0.125"));   // 2.5 steps of 50 ms
    w.panels().settings->txtDTMFOutDur_Validate();
    QCOMPARE(duration->text(), QStringLiteral("0.10"));
    f.prompter.answers = {MsgAnswer::No};
    w.mnuUpAll_Click();
    QVERIFY(LastStatus().startsWith(QStringLiteral("Upload successful (backup ")));
    // EEPROM address 242 holds the duration in whole 50 ms steps.
    QCOMPARE(int(uint8_t(f.sim.state().eeprom.at(242))), 2);
    const QString file = f.folder.file(QStringLiteral("site.dtd"));
    f.prompter.files = {file};
    w.mnuSaveAs_Click();
    // The record: body length - 1 (12, little-endian), the name, one byte.
    QVERIFY(ReadBytes(file).contains(QByteArray("\x0c\x00[DTMFOutDur]\x02", 15)));
}

void WindowUnitTest::ctrlTabSendsATab()
{
    SimWindow f;
    QVERIFY(f.sim.running());
    frmMain& w = *f.window;
    w.cmdConnect_Click();
    auto* terminal = f.find<QTextEdit>(QStringLiteral("txtTerminal"));
    terminal->setFocus();
    QTest::keyClicks(terminal, QStringLiteral("ab"));
    QTest::keyClick(terminal, Qt::Key_Tab, Qt::ControlModifier);
    QTest::keyClick(terminal, Qt::Key_Tab);   // moves the focus on, sends nothing
    QVERIFY(!terminal->hasFocus());
    QTRY_VERIFY(f.sim.state().idle.endsWith("ab\t"));
    QTest::qWait(100);
    QVERIFY(f.sim.state().idle.endsWith("ab\t"));
}

QTEST_MAIN(WindowUnitTest)
#include "tst_window_unit.moc"

// What an upload shows and keeps, offscreen against kv310-sim: the list of
// changes before anything is written, the read-back, the backups, the
// traffic log; and the port list following the adapters.
#include "simwindow.h"

#include "fakeportenumerator.h"
#include "portrow.h"
#include "trafficlog.h"
#include "unitbackups.h"

#include <QDir>

namespace {
// An edited string, with nothing to offer to save.
void EditSaved(WindowFixture& f, int row, const QString& text)
{
    EditString(f, row, text);
    f.window->MarkChanged(false);
}

SerialDeviceInfo Adapter(const QString& device, const QString& serial)
{
    return {device, QStringLiteral("FT232R USB UART"), serial, QString()};
}
} // namespace

class WindowUploadTest : public QObject {
    Q_OBJECT
private slots:
    void previewListsTheChangesAndCancelWritesNothing();
    void lostWriteIsReportedAsAFailure();
    void backupsOpenFromTheFileMenu();
    void trafficLogRecordsTheLine();
    void portListFollowsTheAdapters();
    void rememberedAdapterIsChosenAfterRenumbering();
    void chosenAdapterStaysChosenWhenAnotherComes();
};

void WindowUploadTest::previewListsTheChangesAndCancelWritesNothing()
{
    SimWindow f;
    QVERIFY(f.sim.running());
    frmMain& w = *f.window;
    w.cmdConnect_Click();
    QVERIFY(w.unitConnected());
    EditSaved(f, 1, QStringLiteral("HELLO"));
    const SimState before = f.sim.state();

    f.prompter.reviewAnswers = {false};
    w.mnuUpAll_Click();
    QCOMPARE(f.prompter.reviews.size(), 1);
    const ReviewRequest& review = f.prompter.reviews.first();
    QCOMPARE(review.lines, (QStringList{"ASCII strings (flag character /):", "- 01 StringA", "+ 01 HELLO"}));
    QCOMPARE(review.acceptText, QStringLiteral("Upload"));
    QCOMPARE(review.dontShowText, QStringLiteral("Don't show again"));
    const SimState after = f.sim.state();
    QCOMPARE(after.writes.size(), before.writes.size());
    QCOMPARE(after.blocks, before.blocks);
    QCOMPARE(after.eeprom, before.eeprom);
    QCOMPARE(LastStatus(), QStringLiteral("Upload cancelled: nothing was written to the unit."));
    QVERIFY(f.find(QStringLiteral("cmdUpload"))->isEnabled());

    // Upload, and no more lists from now on.
    f.prompter.tickDontShow = true;
    w.mnuUpAll_Click();
    QVERIFY(LastStatus().startsWith(QStringLiteral("Upload successful (backup ")));
    QCOMPARE(f.ini(QStringLiteral("ShowUploadChanges")), QStringLiteral("0"));
    EditSaved(f, 2, QStringLiteral("AGAIN"));
    w.mnuUpAll_Click();
    QCOMPARE(f.prompter.reviews.size(), 2);
    QVERIFY(LastStatus().startsWith(QStringLiteral("Upload successful (backup ")));
    QCOMPARE(f.sim.state().blocks.value({0, 2}).mid(1, 5), QByteArray("AGAIN"));
}

void WindowUploadTest::lostWriteIsReportedAsAFailure()
{
    // Settings, options, then the string: the third write is lost.
    SimWindow f({}, {QStringLiteral("--drop-write"), QStringLiteral("3")});
    QVERIFY(f.sim.running());
    frmMain& w = *f.window;
    w.cmdConnect_Click();
    EditSaved(f, 1, QStringLiteral("HELLO"));
    w.mnuUpAll_Click();
    QVERIFY2(LastStatus().startsWith(QStringLiteral("Upload failed: read back, the unit does not hold what was written.")),
             qPrintable(LastStatus()));
    QVERIFY(f.prompter.texts().last().endsWith(QStringLiteral("ASCII strings (flag character /):\n- 01 HELLO\n+ 01 StringA")));
    QCOMPARE(f.prompter.shown.last().icon, MsgIcon::Critical);
}

void WindowUploadTest::backupsOpenFromTheFileMenu()
{
    SimWindow f;
    QVERIFY(f.sim.running());
    frmMain& w = *f.window;
    w.cmdConnect_Click();
    EditSaved(f, 1, QStringLiteral("HELLO"));
    w.mnuUpAll_Click();
    const QString backup = w.unitLink().lastBackup();
    QCOMPARE(QFileInfo(backup).absolutePath(), QFileInfo(UnitBackups::defaultFolder()).absoluteFilePath());
    QVERIFY(LastStatus().endsWith(QFileInfo(backup).fileName() + QStringLiteral(")")));

    f.prompter.files = {backup};
    w.mnuOpenBackup_Click();
    QCOMPARE(f.prompter.dialogs.last().startFolder, UnitBackups::defaultFolder());
    QCOMPARE(Config().ASCIIStrings[0], QByteArray("StringA"));   // as the unit held it
    QVERIFY(w.isChanged());
    // Saving never goes into the backups folder.
    QCOMPARE(QFileInfo(CurrentFile()).absolutePath(), QFileInfo(App().dataFolder()).absoluteFilePath());
}

void WindowUploadTest::trafficLogRecordsTheLine()
{
    SimWindow f;
    QVERIFY(f.sim.running());
    frmMain& w = *f.window;
    auto* log = f.find<TrafficLogButton>(QStringLiteral("cmdTrafficLog"));
    QCOMPARE(log->text(), QStringLiteral("Log traffic to file..."));
    const QString path = f.folder.file(QStringLiteral("traffic.log"));
    f.prompter.files = {path};
    log->click();
    QVERIFY(log->isChecked());
    w.cmdConnect_Click();
    QVERIFY(w.unitConnected());
    log->click();   // stops
    QVERIFY(!log->isChecked());
    const QByteArray text = ReadBytes(path);
    QVERIFY(text.contains("TX 6a  j\n"));
    QVERIFY(text.contains("RX 69  i\n"));
    QVERIFY(text.contains("-- opened Com1"));
    const qsizetype size = text.size();
    w.cmdConnect_Click();   // disconnects: nothing more is logged
    QCOMPARE(ReadBytes(path).size(), size);
}

void WindowUploadTest::portListFollowsTheAdapters()
{
    FakePortEnumerator adapters;
    WindowFixture f;
    f.start();
    auto* ports = f.find<QComboBox>(QStringLiteral("cmbPort"));
    QCOMPARE(ports->count(), 0);
    adapters.plugIn(Adapter(QStringLiteral("/dev/ttyUSB0"), QStringLiteral("A1B2C3")));
    QTRY_COMPARE_WITH_TIMEOUT(ports->count(), 1, 2000);
    QCOMPARE(ports->itemText(0), QStringLiteral("Com1"));
    QCOMPARE(ports->itemData(0, Qt::ToolTipRole).toString(),
             QStringLiteral("Com1: /dev/ttyUSB0\nFT232R USB UART\nSerial number A1B2C3"));
    // A built-in port comes after the adapters.
    adapters.plugIn({QStringLiteral("/dev/ttyS0"), QString(), QString(), QString()});
    QTRY_COMPARE_WITH_TIMEOUT(ports->count(), 2, 2000);
    QCOMPARE(ports->itemData(1, Qt::ToolTipRole).toString(), QStringLiteral("Com2: /dev/ttyS0"));
    adapters.pullOut(QStringLiteral("/dev/ttyUSB0"));
    QTRY_COMPARE_WITH_TIMEOUT(ports->count(), 1, 2000);
    QCOMPARE(ports->itemData(0, Qt::ToolTipRole).toString(), QStringLiteral("Com1: /dev/ttyS0"));
    QVERIFY(f.scanner.openCount() == 0);   // nothing was opened
}

void WindowUploadTest::rememberedAdapterIsChosenAfterRenumbering()
{
    FakePortEnumerator adapters;
    // Connected last time on Com2, the adapter with serial number BBB; now
    // another adapter comes after it.
    adapters.setDevices({Adapter(QStringLiteral("/dev/ttyUSB0"), QStringLiteral("BBB")),
                         Adapter(QStringLiteral("/dev/ttyUSB1"), QStringLiteral("AAA"))});
    WindowFixture f;
    f.writeIni("[KV310]\r\nComPort=Com2\r\nComPortId=BBB\r\n");
    f.scanner.setOpenError(SerialError::None);
    f.scanner.setPresentPorts({1, 2});
    f.start();
    QCOMPARE(f.find<QComboBox>(QStringLiteral("cmbPort"))->currentText(), QStringLiteral("Com1"));

    // Connecting remembers the adapter: a pseudo-terminal is known by its path.
    SimWindow s;
    QVERIFY(s.sim.running());
    s.window->cmdConnect_Click();
    QVERIFY(s.window->unitConnected());
    QCOMPARE(s.ini(QStringLiteral("ComPortId")), s.sim.device());
}

// An adapter plugged in ahead of the chosen one renumbers it: the list
// follows the adapter, not its old number.
void WindowUploadTest::chosenAdapterStaysChosenWhenAnotherComes()
{
    FakePortEnumerator adapters;
    adapters.setDevices({Adapter(QStringLiteral("/dev/ttyUSB0"), QStringLiteral("AAA")),
                         Adapter(QStringLiteral("/dev/ttyUSB1"), QStringLiteral("BBB"))});
    WindowFixture f;
    f.scanner.setOpenError(SerialError::None);
    f.scanner.setPresentPorts({1, 2});
    f.start();
    auto* ports = f.find<QComboBox>(QStringLiteral("cmbPort"));
    ports->setCurrentIndex(ports->findText(QStringLiteral("Com2")));   // BBB
    adapters.plugIn(Adapter(QStringLiteral("/dev/ttyACM0"), QStringLiteral("CCC")));
    QTRY_COMPARE_WITH_TIMEOUT(ports->count(), 3, 2000);
    QCOMPARE(ports->currentText(), QStringLiteral("Com3"));
    QVERIFY(ports->toolTip().contains(QStringLiteral("BBB")));
    adapters.pullOut(QStringLiteral("/dev/ttyUSB0"));   // AAA, ahead of it too
    QTRY_COMPARE_WITH_TIMEOUT(ports->count(), 2, 2000);
    QCOMPARE(ports->currentText(), QStringLiteral("Com2"));
    QVERIFY(ports->toolTip().contains(QStringLiteral("BBB")));
}

QTEST_MAIN(WindowUploadTest)
#include "tst_window_upload.moc"

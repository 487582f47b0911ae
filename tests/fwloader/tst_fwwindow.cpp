// The loader window offscreen: port list, the two phases of its button,
// the repeat question, the refused close box and the hidden maker panel.
#include "bootloadersim.h"
#include "dffloader.h"
#include "errorlog.h"
#include "fakeserialport.h"
#include "frmfwupdater.h"
#include "hexfixture.h"
#include "scriptedprompter.h"
#include "testfolder.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpontaneKeyEvent>
#include <QtTest>

using namespace fixture;

namespace {

const QString kFlashed = QStringLiteral("PIC16F876A/877A flashed with firmware v2.15 successfully.");
const QString kRepeat = QStringLiteral("Would you like to flash another unit with v2.15 firmware?");

// One window on an in-memory port with a boot loader behind it.
struct Loader {
    Loader() : sim(0x20), window(port)
    {
        App().title = QStringLiteral("NV");
        App().major = 1;
        App().minor = 0;
        App().revision = 4;
        port.setPresentPorts({2, 5});
        port.setResponder([this](const QByteArray& w) { return sim.onBytes(w); });
    }
    template <class T>
    T* get(const char* name) { return window.findChild<T*>(QLatin1String(name)); }
    QPushButton* update() { return get<QPushButton>("cmdUpdate"); }
    void click(const char* button) { QTest::mouseClick(get<QPushButton>(button), Qt::LeftButton); }

    FakeSerialPort port;
    BootloaderSim sim;
    frmFWUpdater window;
};

QString WriteSmallDff(const TestProgramFolder& folder, const QString& name = QStringLiteral("fw.dff"))
{
    const QString path = folder.file(name);
    if (!WriteDff(path, Kv310Header(), DataRecords(0, "\x01\x02\x03\x04") + EepromRecord(3, "\x44") + HexEnd()))
        qFatal("cannot write the test firmware file");
    return path;
}

// Chooses the small firmware file through "Browse for DFF files" and
// confirms it, as a user does before an upload.
void BrowseSmallDff(Loader& l, const TestProgramFolder& folder, ScriptedPrompter& prompts)
{
    prompts.files = {WriteSmallDff(folder)};
    prompts.answers = {MsgAnswer::Yes};
    l.click("cmdUpdate");
}

} // namespace

class TestFwWindow : public QObject {
    Q_OBJECT
private slots:
    void startUpAndPortList();
    void browseCancelledAndLoaded();
    void uploadThenRepeatOrQuit();
    void noPortAndPortInUse();
    void mismatchReturnsToBrowse();
    void closeBoxRefused();
    void logoOpensMakerPanel();
    void makerWritesLoadableFile();
    void makerCancelAndBadVersion();
};

void TestFwWindow::startUpAndPortList()
{
    TestProgramFolder folder;
    ScriptedPrompter prompts;
    Loader l;
    QCOMPARE(l.update()->text(), QStringLiteral("Scanning available ports, please wait..."));
    l.window.Form_Load();
    QVERIFY(l.window.isVisible());
    QCOMPARE(l.window.windowTitle(), QStringLiteral("NV Firmware Updater v1.0.4"));
    auto* ports = l.get<QComboBox>("SerialCommPort");
    QCOMPARE(ports->count(), 2);
    QCOMPARE(ports->itemText(0), QStringLiteral("Com 2"));
    QCOMPARE(ports->itemText(1), QStringLiteral("Com 5"));
    QCOMPARE(ports->currentIndex(), 0);
    QVERIFY(ports->itemData(1, Qt::ToolTipRole).toString().startsWith(QStringLiteral("Com5")));
    QCOMPARE(l.update()->text(), QStringLiteral("Browse for DFF files"));
    QVERIFY(l.update()->isEnabled());
    QVERIFY(!l.port.isOpen());
    for (const char* name : {"cmdRefresh", "cmdExit", "lblMessage", "picProgress", "imgLogo", "picCreateDFF",
                             "tmrResponse", "cmbUnitIdList", "cmbPicIdList", "txtFWVer_0", "txtFWVer_1",
                             "cmdMakeDFF", "cmdCancel"})
        QVERIFY2(l.window.findChild<QObject*>(QLatin1String(name)), name);
    QVERIFY(!l.get<QWidget>("picCreateDFF")->isVisible());
    QVERIFY(prompts.shown.isEmpty());
}

void TestFwWindow::browseCancelledAndLoaded()
{
    TestProgramFolder folder;
    ScriptedPrompter prompts;
    Loader l;
    l.window.Form_Load();

    prompts.files = {QString()};
    l.click("cmdUpdate");
    QCOMPARE(l.update()->text(), QStringLiteral("Browse for DFF files"));
    QVERIFY(prompts.shown.isEmpty());
    const FileDialogRequest& request = prompts.dialogs.first();
    QCOMPARE(request.title, QStringLiteral("Load Norrvale Firmware File"));
    QCOMPARE(request.patterns, (QStringList{"*.dff", "*.*"}));
    QCOMPARE(request.startFolder, folder.path());
    QVERIFY(request.fileMustExist);

    // A file that went missing counts as none.
    prompts.files = {folder.file("gone.dff")};
    l.click("cmdUpdate");
    QVERIFY(prompts.shown.isEmpty());
    QVERIFY(!l.window.image().loaded());

    const QString dff = WriteSmallDff(folder);
    prompts.files = {dff};
    prompts.answers = {MsgAnswer::Yes};
    l.click("cmdUpdate");
    QCOMPARE(l.update()->text(), QStringLiteral("Upload the firmware (ver. 2.15)"));
    QVERIFY(l.window.image().loaded());
    QVERIFY(!l.get<QProgressBar>("picProgress")->isVisible());
    QVERIFY(!QFile::exists(folder.file("FWValidate")));

    // A refresh keeps the mode; the next browse starts from the last file.
    l.click("cmdRefresh");
    QCOMPARE(l.update()->text(), QStringLiteral("Upload the firmware (ver. 2.15)"));
}

void TestFwWindow::uploadThenRepeatOrQuit()
{
    TestProgramFolder folder;
    ScriptedPrompter prompts;
    Loader l;
    l.window.Form_Load();
    BrowseSmallDff(l, folder, prompts);
    QVERIFY(l.window.image().loaded());
    l.get<QComboBox>("SerialCommPort")->setCurrentIndex(1);

    bool checkedDuringFlash = false;
    prompts.onMessage = [&](const ScriptedPrompter::Shown& s) {
        if (s.text != kFlashed)
            return;
        checkedDuringFlash = true;
        QVERIFY(l.update()->isHidden());
        QVERIFY(!l.get<QComboBox>("SerialCommPort")->isEnabled());
        QVERIFY(!l.get<QPushButton>("cmdRefresh")->isEnabled());
        QVERIFY(!l.get<QPushButton>("cmdExit")->isEnabled());
        QVERIFY(l.port.isOpen());
        QCOMPARE(l.port.portNumber(), 5);
        QCOMPARE(l.port.settings().text(), QStringLiteral("9600,n,8,1"));
    };
    l.sim.reset();
    prompts.answers = {MsgAnswer::Yes};
    prompts.shown.clear();
    l.click("cmdUpdate");
    QVERIFY(checkedDuringFlash);
    QCOMPARE(prompts.texts(), (QStringList{kFlashed, kRepeat}));
    QCOMPARE(prompts.shown.last().icon, MsgIcon::Question);
    QCOMPARE(l.sim.eeprom().value(3), uint8_t(0x44));
    QCOMPARE(l.sim.flash().mid(8, 8), l.window.image().FlashImage.mid(8, 8));
    // "Yes": ready for the next unit, port closed, buttons back.
    QVERIFY(l.window.isVisible());
    QCOMPARE(l.update()->text(), QStringLiteral("Upload the firmware (ver. 2.15)"));
    QVERIFY(l.update()->isVisible() && l.update()->isEnabled());
    QVERIFY(l.get<QPushButton>("cmdExit")->isEnabled());
    QVERIFY(l.get<QPushButton>("cmdRefresh")->isEnabled());
    QVERIFY(!l.port.isOpen());
    QVERIFY(!l.get<QProgressBar>("picProgress")->isVisible());

    // The next unit: "No" ends the program.
    prompts.onMessage = {};
    l.sim.reset();
    prompts.answers = {MsgAnswer::No};
    l.click("cmdUpdate");
    QCOMPARE(prompts.texts().mid(2), (QStringList{kFlashed, kRepeat}));
    QVERIFY(!l.window.isVisible());
    QVERIFY(!l.window.image().loaded());
}

void TestFwWindow::noPortAndPortInUse()
{
    TestProgramFolder folder;
    ScriptedPrompter prompts;
    Loader l;
    l.port.setOpenError(SerialError::NotFound);
    l.window.Form_Load();
    QCOMPARE(l.get<QComboBox>("SerialCommPort")->count(), 0);
    BrowseSmallDff(l, folder, prompts);
    prompts.shown.clear();
    l.click("cmdUpdate");
    QCOMPARE(prompts.texts(), QStringList{QStringLiteral("Please select a COM port from the list.")});
    QCOMPARE(prompts.shown.last().icon, MsgIcon::Information);

    l.port.setOpenError(SerialError::None);
    l.click("cmdRefresh");
    l.port.setOpenError(SerialError::AlreadyOpen);
    prompts.shown.clear();
    l.click("cmdUpdate");
    QCOMPARE(prompts.texts(),
             QStringList{QStringLiteral("Unable to connect on select COM port.  The port may be in use.")});
    QCOMPARE(prompts.shown.last().icon, MsgIcon::Critical);
    QVERIFY(l.update()->isVisible() && l.update()->isEnabled());
    QVERIFY(l.get<QComboBox>("SerialCommPort")->isEnabled());
    QVERIFY(l.window.image().loaded());
}

void TestFwWindow::mismatchReturnsToBrowse()
{
    TestProgramFolder folder;
    ScriptedPrompter prompts;
    Loader l;
    l.window.Form_Load();
    BrowseSmallDff(l, folder, prompts);
    BootloaderSim otherUnit(0x61);   // HALDEN
    otherUnit.reset();
    l.port.setResponder([&](const QByteArray& w) { return otherUnit.onBytes(w); });
    prompts.answers = {MsgAnswer::Yes};
    prompts.shown.clear();
    l.click("cmdUpdate");
    QCOMPARE(prompts.shown.size(), 2);
    QCOMPARE(prompts.shown[0].title, QStringLiteral("Incorrect DFF file for connected unit."));
    QCOMPARE(prompts.shown[1].text, kRepeat);
    QCOMPARE(l.update()->text(), QStringLiteral("Browse for DFF files"));
    QVERIFY(!l.window.image().loaded());
    QVERIFY(!l.port.isOpen());
}

void TestFwWindow::closeBoxRefused()
{
    TestProgramFolder folder;
    ScriptedPrompter prompts;
    Loader l;
    l.window.Form_Load();
    // The window manager's close box arrives as a spontaneous close event.
    QCloseEvent closeBox;
    QSpontaneKeyEvent::setSpontaneous(&closeBox);
    // (sendEvent would clear the flag; deliver it as the event loop does.)
    static_cast<QObject&>(l.window).event(&closeBox);
    QVERIFY(!closeBox.isAccepted());
    QVERIFY(l.window.isVisible());
    l.click("cmdExit");
    QVERIFY(!l.window.isVisible());
}

void TestFwWindow::logoOpensMakerPanel()
{
    TestProgramFolder folder;
    ScriptedPrompter prompts;
    Loader l;
    l.window.Form_Load();
    auto* logo = l.get<QLabel>("imgLogo");
    auto* panel = l.get<QWidget>("picCreateDFF");
    QTest::mouseClick(logo, Qt::LeftButton);
    QVERIFY(!panel->isVisible());
    QTest::mouseClick(logo, Qt::RightButton, Qt::ShiftModifier);
    QVERIFY(!panel->isVisible());
    for (Qt::KeyboardModifier m : {Qt::ShiftModifier, Qt::ControlModifier, Qt::AltModifier}) {
        QTest::mouseClick(logo, Qt::LeftButton, m);
        QVERIFY(panel->isVisible());
        QTest::mouseClick(l.get<QPushButton>("cmdCancel"), Qt::LeftButton);
        QVERIFY(!panel->isVisible());
    }
    QTest::mouseClick(logo, Qt::LeftButton, Qt::ControlModifier);
    QTest::mouseClick(logo, Qt::LeftButton, Qt::ControlModifier);   // filled afresh, not twice
    auto* models = l.get<QComboBox>("cmbUnitIdList");
    auto* chips = l.get<QComboBox>("cmbPicIdList");
    QStringList modelNames, chipNames;
    for (int i = 0; i < models->count(); ++i)
        modelNames << models->itemText(i);
    for (int i = 0; i < chips->count(); ++i)
        chipNames << chips->itemText(i);
    QCOMPARE(modelNames, (QStringList{"BELMO", "KV310", "OSMIR", "HALDEN", "RQ4"}));
    QCOMPARE(chipNames, (QStringList{"PIC16F876A/877A [0]", "PIC16F873A/874A [1]", "PIC16F886/887 [2]",
                                     "PIC18F2520/4520 [3]", "PIC18F2620/4620 [4]"}));
    QCOMPARE(models->currentIndex(), 0);
    QCOMPARE(chips->currentIndex(), 0);
    QCOMPARE(l.get<QLineEdit>("txtFWVer_0")->text(), QStringLiteral("0"));

    // A version box that gets the focus selects its whole text.
    auto* minor = l.get<QLineEdit>("txtFWVer_1");
    minor->setText(QStringLiteral("15"));
    minor->deselect();
    l.window.activateWindow();
    minor->setFocus(Qt::MouseFocusReason);   // a line edit selects by itself only on Tab
    QTRY_COMPARE(minor->selectedText(), QStringLiteral("15"));
}

void TestFwWindow::makerWritesLoadableFile()
{
    TestProgramFolder folder;
    ScriptedPrompter prompts;
    Loader l;
    l.window.Form_Load();
    QTest::mouseClick(l.get<QLabel>("imgLogo"), Qt::LeftButton, Qt::ShiftModifier);
    l.get<QComboBox>("cmbUnitIdList")->setCurrentIndex(1);   // KV310
    l.get<QComboBox>("cmbPicIdList")->setCurrentIndex(2);
    l.get<QLineEdit>("txtFWVer_0")->setText(QStringLiteral("2"));
    l.get<QLineEdit>("txtFWVer_1")->setText(QStringLiteral("15"));

    const QString hex = folder.file("app.hex");
    QVERIFY(WriteFile(hex, DataRecords(0, "\x10\x20") + HexEnd()));
    const QString dff = folder.file("out.dff");
    QVERIFY(WriteFile(dff, QByteArray(5000, 'x')));   // an older, longer file
    prompts.files = {hex, dff};
    auto* bar = l.get<QProgressBar>("picProgress");
    int barShownAtMessage = -1;
    prompts.onMessage = [&](const ScriptedPrompter::Shown&) { barShownAtMessage = !bar->isHidden(); };
    l.click("cmdMakeDFF");
    QCOMPARE(prompts.texts(), QStringList{QStringLiteral("Encoding finished.")});
    QCOMPARE(barShownAtMessage, 0);   // the bar went with the cipher run, before the message
    QCOMPARE(bar->value(), bar->maximum());   // it did run to its end
    QVERIFY(!l.get<QWidget>("picCreateDFF")->isVisible());
    QCOMPARE(prompts.dialogs.size(), 2);
    QCOMPARE(prompts.dialogs[0].title, QStringLiteral("Select HEX Firmware file "));
    QCOMPARE(prompts.dialogs[0].filters.first(), QStringLiteral("KV310 HEX Firmware Files (*.HEX)"));
    QCOMPARE(prompts.dialogs[1].title, QStringLiteral("Save KV310 Firmware File"));
    QCOMPARE(prompts.dialogs[1].initialName, QStringLiteral("KV310 Firmware v2.15"));
    QCOMPARE(prompts.dialogs[1].defaultExtension, QStringLiteral("dff"));
    QVERIFY(prompts.dialogs[1].overwritePrompt);
    QCOMPARE(QDir::cleanPath(prompts.dialogs[1].startFolder), folder.path());

    QCOMPARE(ReadFile(dff).size(), 38 + ReadFile(hex).size());
    DffHeader header;
    FirmwareImage image;
    QString error;
    QVERIFY(ReadDffHeader(dff, &header, &error));
    QCOMPARE(header.UnitId, QByteArray("KV310   "));
    QCOMPARE(header.Major, uint8_t(2));
    QCOMPARE(header.Minor, uint8_t(15));
    QCOMPARE(header.ChipId, uint8_t(2));
    QVERIFY(LoadDffImage(dff, header, &image).ok());
    QCOMPARE(image.FlashImage.mid(16186, 2), QByteArray("\x10\x20"));
}

void TestFwWindow::makerCancelAndBadVersion()
{
    TestProgramFolder folder;
    ScriptedPrompter prompts;
    Loader l;
    l.window.Form_Load();
    QTest::mouseClick(l.get<QLabel>("imgLogo"), Qt::LeftButton, Qt::AltModifier);
    prompts.files = {QString()};
    l.click("cmdMakeDFF");
    QVERIFY(!l.get<QWidget>("picCreateDFF")->isVisible());   // hidden even when cancelled
    QCOMPARE(prompts.dialogs.size(), 1);
    QVERIFY(prompts.shown.isEmpty());

    QTest::mouseClick(l.get<QLabel>("imgLogo"), Qt::LeftButton, Qt::AltModifier);
    l.get<QLineEdit>("txtFWVer_0")->setText(QStringLiteral("300"));
    l.get<QLineEdit>("txtFWVer_1")->setText(QStringLiteral("beta"));
    const QString hex = folder.file("any.bin");
    QVERIFY(WriteFile(hex, "not a hex text"));
    prompts.files = {hex, folder.file("bad.dff")};
    l.click("cmdMakeDFF");
    QCOMPARE(prompts.texts(), QStringList{QStringLiteral("Encoding finished.")});
    DffHeader header;
    QString error;
    QVERIFY(ReadDffHeader(folder.file("bad.dff"), &header, &error));
    QCOMPARE(header.UnitId, QByteArray("BELMO   "));
    QCOMPARE(header.Major, uint8_t(0));
    QCOMPARE(header.Minor, uint8_t(0));
    QVERIFY(ReadFile(ErrorLogPath()).contains("Error 6 (Overflow) in procedure cmdMakeDFF_Click of Form frmFWUpdater"));
    // Keyed with the header's zeros, so it deciphers; the text just is no HEX.
    FirmwareImage image;
    QCOMPARE(LoadDffImage(folder.file("bad.dff"), header, &image).outcome, DffLoadResult::Outcome::BadImage);
}

QTEST_MAIN(TestFwWindow)
#include "tst_fwwindow.moc"

// Flashing over a real pseudo-terminal against the kv310-sim boot loader,
// through the serial backend the programs use, and the firmware commands
// of the command-line tool.
#include "bootloaderlink.h"
#include "dffloader.h"
#include "frmfwupdater.h"
#include "fwcommands.h"
#include "hexfixture.h"
#include "qtserialport.h"
#include "recordingview.h"
#include "simprocess.h"
#include "scriptedprompter.h"
#include "testfolder.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QProcess>
#include <QPushButton>
#include <QtTest>

using namespace fixture;

namespace {

// Port number the tests point at the simulator's device.
constexpr int kSimPort = 9;

// kv310-sim in boot loader mode for one test, reachable as Com<port>.
struct BootSim : SimProcess {
    explicit BootSim(const QStringList& extra, int port = kSimPort) : SimProcess(port)
    {
        start(QStringList{"--bootloader", "--unitinfo", "0x20"} + extra);
    }
};

// The loader's side of the exchange on the real serial backend, on the
// simulator's port at the KV310's line settings.
struct PtyLoader {
    QtSerialPort port;
    RecordingView view;
    BootloaderLink link{port, view};

    bool open()
    {
        port.setPortNumber(kSimPort);
        LineSettings settings;
        if (!ModelLineSettings(QStringLiteral("KV310"), &settings))
            return false;
        port.setSettings(settings);
        return port.open();
    }
};

QByteArray ProgramBytes(int size)
{
    QByteArray b;
    for (int i = 0; i < size; ++i)
        b.append(char((i * 13 + 1) & 0xFF));
    return b;
}

} // namespace

class TestFwPty : public QObject {
    Q_OBJECT
private slots:
    void flashOverPtyAtWireRate();
    void rejectedPacketOverPty();
    void hangUpMidFlashEndsAtOnce();
    void hangUpInTheEepromPhaseShowsOneError();
    void loaderWindowFlashesOverPty();
    void commandLineMakeCheckFlash();
    void commandLineUsage();
};

void TestFwPty::flashOverPtyAtWireRate()
{
    TestProgramFolder folder;
    ScriptedPrompter prompts;
    const QString imageOut = folder.file("image.bin");
    BootSim sim({"--image-out", imageOut});
    QVERIFY2(!sim.device().isEmpty(), "kv310-sim did not start");

    FirmwareImage image;
    QVERIFY(ParseHexImage(DataRecords(0x400, ProgramBytes(128)) + EepromRecord(7, "\x5a") + HexEnd(), &image).ok());
    PtyLoader loader;
    QVERIFY2(loader.open(), qPrintable(loader.port.lastErrorText()));
    QCOMPARE(loader.link.FlashUnit(Kv310Header(), image), FlashOutcome::Flashed);
    loader.port.close();
    QCOMPARE(prompts.texts(), QStringList{QStringLiteral("PIC16F876A/877A flashed with firmware v2.15 successfully.")});

    sim.stop();   // writes the --image-out file
    const QByteArray written = ReadFile(imageOut);
    QCOMPARE(written.left(FirmwareImage::kFlashSize), image.FlashImage);
    QCOMPARE(written.mid(FirmwareImage::kFlashSize), QByteArray("7=90\n"));
}

void TestFwPty::rejectedPacketOverPty()
{
    TestProgramFolder folder;
    ScriptedPrompter prompts;
    BootSim sim({"--unpaced", "--nak-at", "1"});
    QVERIFY2(!sim.device().isEmpty(), "kv310-sim did not start");
    FirmwareImage image;
    QVERIFY(ParseHexImage(HexEnd(), &image).ok());
    PtyLoader loader;
    QVERIFY(loader.open());
    QCOMPARE(loader.link.FlashUnit(Kv310Header(), image), FlashOutcome::TransferFailed);
    QCOMPARE(prompts.texts(), QStringList{QStringLiteral("Corrupted data received, please reupload the firmware.")});
}

void TestFwPty::hangUpMidFlashEndsAtOnce()
{
    TestProgramFolder folder;
    ScriptedPrompter prompts;
    // The hello and four packets get through, then the unit is unplugged.
    BootSim sim({"--unpaced", "--hangup-after", "300"});
    QVERIFY2(!sim.device().isEmpty(), "kv310-sim did not start");
    FirmwareImage image;
    QVERIFY(ParseHexImage(DataRecords(0, ProgramBytes(2048)) + HexEnd(), &image).ok());
    PtyLoader loader;
    QVERIFY(loader.open());
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(loader.link.FlashUnit(Kv310Header(), image), FlashOutcome::TransferFailed);
    QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(!loader.port.isOpen());
    QCOMPARE(prompts.texts(), QStringList{QStringLiteral("Flash Data Error.")});
}

void TestFwPty::hangUpInTheEepromPhaseShowsOneError()
{
    TestProgramFolder folder;
    // The hello (1 byte), two program packets (68 each: the code's chunk
    // and the one its relocated entry lies in) and ten EEPROM packets (5
    // each) get through; then the boot loader is gone with 90 EEPROM bytes
    // still to send.
    BootSim sim({"--unpaced", "--hangup-after", "187"});
    QVERIFY2(!sim.device().isEmpty(), "kv310-sim did not start");
    const QString dff = folder.file("eeprom.dff");
    QVERIFY(WriteDff(dff, Kv310Header(), DataRecords(0, ProgramBytes(64)) + EepromRecord(0, ProgramBytes(100)) + HexEnd()));

    QProcess ctl;
    QElapsedTimer clock;
    clock.start();
    ctl.start(SimProcess::binary(QStringLiteral("kv310ctl")), {"flash", "--port", sim.device(), dff, "--yes"});
    QVERIFY(ctl.waitForFinished(30000));
    const qint64 elapsed = clock.elapsed();
    const QString errors = QString::fromLocal8Bit(ctl.readAllStandardError());
    QCOMPARE(ctl.exitCode(), 1);
    QVERIFY2(errors.count(QStringLiteral("Eeprom Data Error.")) == 1, qPrintable(errors));
    QVERIFY2(!errors.contains(QStringLiteral("successfully")), qPrintable(errors));
    QVERIFY2(elapsed < 5000, qPrintable(QString::number(elapsed)));
}

void TestFwPty::loaderWindowFlashesOverPty()
{
    TestProgramFolder folder;
    ScriptedPrompter prompts;
    const QString imageOut = folder.file("image.bin");
    BootSim sim({"--unpaced", "--image-out", imageOut}, 1);
    QVERIFY2(!sim.device().isEmpty(), "kv310-sim did not start");
    const QString dff = folder.file("w.dff");
    QVERIFY(WriteDff(dff, Kv310Header(), DataRecords(0x40, ProgramBytes(70)) + HexEnd()));

    QtSerialPort serComm;
    frmFWUpdater window(serComm);
    window.Form_Load();
    auto* ports = window.findChild<QComboBox*>(QStringLiteral("SerialCommPort"));
    QVERIFY(ports->count() >= 1);
    QCOMPARE(ports->itemText(0), QStringLiteral("Com 1"));
    QCOMPARE(ports->itemData(0, Qt::ToolTipRole).toString(), QStringLiteral("Com1: ") + sim.device());
    auto* update = window.findChild<QPushButton*>(QStringLiteral("cmdUpdate"));
    prompts.files = {dff};
    prompts.answers = {MsgAnswer::Yes, MsgAnswer::No};
    QTest::mouseClick(update, Qt::LeftButton);
    QCOMPARE(update->text(), QStringLiteral("Upload the firmware (ver. 2.15)"));
    const FirmwareImage sent = window.image();
    QTest::mouseClick(update, Qt::LeftButton);
    QCOMPARE(prompts.texts().mid(1),
             (QStringList{QStringLiteral("PIC16F876A/877A flashed with firmware v2.15 successfully."),
                          QStringLiteral("Would you like to flash another unit with v2.15 firmware?")}));
    QVERIFY(!window.isVisible());
    QVERIFY(!serComm.isOpen());
    sim.stop();   // writes the --image-out file
    QCOMPARE(ReadFile(imageOut).left(FirmwareImage::kFlashSize), sent.FlashImage);
    qunsetenv("KV310_COM1");
}

void TestFwPty::commandLineMakeCheckFlash()
{
    TestProgramFolder folder;
    const QString hex = folder.file("app.hex");
    QVERIFY(WriteFile(hex, DataRecords(0, ProgramBytes(64)) + EepromRecord(0, "\x01\x02") + HexEnd()));
    const QString dff = folder.file("app.dff");
    bool handled = false;
    QCOMPARE(RunFwCommand({"make-dff", hex, "--unit", "KV310", "--major", "3", "--minor", "1", "--chip", "0",
                           "--out", dff},
                          &handled),
             0);
    QVERIFY(handled);
    DffHeader header;
    FirmwareImage image;
    QString error;
    QVERIFY(ReadDffHeader(dff, &header, &error));
    QCOMPARE(header.versionText(), QStringLiteral("3.1"));
    QVERIFY(LoadDffImage(dff, header, &image).ok());

    QCOMPARE(RunFwCommand({"check-dff", dff}, &handled), 0);
    QByteArray damaged = ReadFile(dff);
    damaged[8] = char(4);   // Major 3 -> 4: the key no longer fits
    QVERIFY(WriteFile(folder.file("damaged.dff"), damaged));
    QCOMPARE(RunFwCommand({"check-dff", folder.file("damaged.dff")}, &handled), 1);
    QCOMPARE(RunFwCommand({"check-dff", folder.file("none.dff")}, &handled), 1);

    BootSim sim({"--unpaced"});
    QVERIFY2(!sim.device().isEmpty(), "kv310-sim did not start");
    QCOMPARE(RunFwCommand({"flash", "--port", sim.device(), dff, "--yes"}, &handled), 0);
    BootSim silent({"--unpaced", "--late-reset", "60000"});
    QCOMPARE(RunFwCommand({"flash", "--port", silent.device(), dff, "--yes"}, &handled), 1);
}

void TestFwPty::commandLineUsage()
{
    bool handled = true;
    QCOMPARE(RunFwCommand({"download"}, &handled), 2);
    QVERIFY(!handled);
    QCOMPARE(RunFwCommand({"make-dff", "x.hex"}, &handled), 2);
    QVERIFY(handled);
    QCOMPARE(RunFwCommand({"make-dff", "x.hex", "--unit", "KV310", "--major", "256", "--out", "y"}, &handled), 2);
    QCOMPARE(RunFwCommand({"flash", "--port", "Com0", "x.dff"}, &handled), 2);
    QCOMPARE(RunFwCommand({"check-dff", "--bogus"}, &handled), 2);
}

QTEST_MAIN(TestFwPty)
#include "tst_fwpty.moc"

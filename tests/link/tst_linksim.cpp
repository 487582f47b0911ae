// The link against the real kv310-sim on a pseudo-terminal, through the
// real serial backend: connecting, reading, writing, live options and the
// simulator's fault switches.
#include "defaultconfig.h"
#include "eepromdata.h"
#include "fakeportenumerator.h"
#include "inifile.h"
#include "portresolve.h"
#include "qtserialport.h"
#include "recordingview.h"
#include "scriptedprompter.h"
#include "shorttiming.h"
#include "simprocess.h"
#include "status.h"
#include "testfolder.h"
#include "unitconfig.h"
#include "unitlink.h"
#include "wait.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QTest>

#include <memory>

namespace {
const QStringList kFast{QStringLiteral("--unpaced")};

QByteArray hex(const char* text) { return QByteArray::fromHex(text); }
} // namespace

class TestLinkSim : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        config = DefaultConfig();
        view = RecordingView();
        folder = std::make_unique<TestProgramFolder>();
        sim = std::make_unique<SimProcess>();
        port = std::make_unique<QtSerialPort>();
        link = std::make_unique<UnitLink>(port.get(), config, &view);
        link->link().setTiming(PtyLinkTiming());
    }
    void cleanup()
    {
        link.reset();
        port.reset();
        sim.reset();
        folder.reset();
    }

    // Another name of the adapter a link holds is refused as in use, not
    // opened a second time, so no command's bytes mix into another's.
    void adapterInUseUnderAnotherName()
    {
        QVERIFY(sim->start(kFast));
        QVERIFY(link->connectUnit(sim->portText()));
        const QTemporaryDir dir;
        const QString byId = dir.filePath("usb-KV310-if00");
        QVERIFY(QFile::link(sim->device(), byId));
        qputenv("KV310_COM9", QFile::encodeName(byId));
        QtSerialPort otherPort;
        UnitConfig other = DefaultConfig();
        UnitLink second(&otherPort, other);
        second.setRememberPort(false);
        QVERIFY(!second.connectUnit(QStringLiteral("Com9")));
        qunsetenv("KV310_COM9");
        QCOMPARE(LastStatus(), QStringLiteral("Com9 is in use by another program (%1)").arg(byId));
        QCOMPARE(link->download(), TransferResult::Ok);
    }

    // The adapter remembered is the one opened, read before the probe's
    // waits, during which another adapter may come and take its number.
    void rememberedAdapterIsTheOneOpened()
    {
        QVERIFY(sim->start(kFast));
        qunsetenv("KV310_COM7");
        FakePortEnumerator adapters;
        adapters.setDevices({{sim->device(), QStringLiteral("KV310 adapter"), QStringLiteral("AAA"), QString()}});
        ForgetSerialDevices();
        QTimer::singleShot(2, [&] {
            adapters.plugIn({QStringLiteral("/dev/ttyACM0"), QStringLiteral("other"), QStringLiteral("CCC"), QString()});
            ForgetSerialDevices();
        });
        QVERIFY(link->connectUnit(QStringLiteral("Com1")));
        QCOMPARE(PortDeviceInfo(1).identity(), QStringLiteral("CCC"));   // the number moved meanwhile
        QCOMPARE(ReadIniValue(QStringLiteral("KV310"), QStringLiteral("ComPortId")), QStringLiteral("AAA"));
    }

    void connectingReadsOnlyTheOptionBits()
    {
        QVERIFY(sim->start(kFast));
        config.SeqLabel[0] = "AA";
        config.Rings = 9;
        config.Settings = {0xFF, 0xFF};
        UnitConfig expected = config;
        expected.Settings = {0x44, 0x0E};
        QVERIFY(link->connectUnit(sim->portText()));
        QCOMPARE(config, expected);
        QCOMPARE(LastStatus(), QStringLiteral("Connected on COM7"));
        QCOMPARE(ReadIniValue(QStringLiteral("KV310"), QStringLiteral("ComPort")), QStringLiteral("Com7"));
        QCOMPARE(view.unitIds.last(), QStringLiteral("Firmware: v6 "));
        QCOMPARE(view.displays, QList<bool>{true});
        QCOMPARE(view.controlStates.last(), qMakePair(true, false));
        QVERIFY(link->state().UnitConnected && link->state().InputHandlingOn);
        QCOMPARE(link->identity().HardwareCode, 1);
        // Disconnecting says nothing to the unit.
        const qint64 received = sim->state().received;
        link->disconnectUnit();
        QVERIFY(!port->isOpen());
        QCOMPARE(sim->state().received, received);
    }

    void connectFailuresSayWhy()
    {
        QVERIFY(!link->connectUnit(QString()));
        QCOMPARE(LastStatus(), QStringLiteral("Please select a COM port first"));
        qputenv("KV310_COM8", "/nonexistent/kv310-tty");
        QVERIFY(!link->connectUnit(QStringLiteral("Com8")));
        qunsetenv("KV310_COM8");
        QCOMPARE(LastStatus(), QStringLiteral("Invalid port Com8"));
        QVERIFY(!port->isOpen());
        QVERIFY(ReadIniValue(QStringLiteral("KV310"), QStringLiteral("ComPort")).isEmpty());
    }

    void downloadReadsTheUnit()
    {
        QVERIFY(sim->start(kFast + QStringList{"--firmware", "9"}));
        QVERIFY(link->connectUnit(sim->portText()));
        config.SeqLabel.fill("ZZZ");
        config.ASCIIStrings.fill("x");
        QCOMPARE(link->download(), TransferResult::Ok);
        UnitConfig expected = DefaultConfig();
        expected.ASCIIFlagChar = config.ASCIIFlagChar;
        QCOMPARE(config, expected);
        QCOMPARE(view.unitIds.last(), QStringLiteral("Firmware: v9 "));
        QCOMPARE(LastStatus(), QStringLiteral("Download successful"));
    }

    void identicalConfigurationWritesSettingsOnly()
    {
        QVERIFY(sim->start(kFast));
        QVERIFY(link->connectUnit(sim->portText()));
        QCOMPARE(link->upload(UploadScope::Everything), TransferResult::Ok);
        const SimState s = sim->state();
        QCOMPARE(s.writes.size(), 2);
        QCOMPARE(s.writes[0].address, Eeprom::kSettings);
        QCOMPARE(s.writes[0].data, hex("0145050300" "0000"));
        QCOMPARE(s.writes[1].address, Eeprom::kOptions);
        QCOMPARE(s.writes[1].data, hex("440e"));
        QVERIFY(LastStatus().startsWith(QStringLiteral("Upload successful (backup ")));
        QVERIFY(!link->state().CompareMode);
    }

    void changesAreWrittenByteExact()
    {
        QVERIFY(sim->start(kFast));
        QVERIFY(link->connectUnit(sim->portText()));
        config.PassWord = "1234";
        config.SeqLabel[2] = "AB";
        config.SeqLabelNum[2] = 7;
        config.SeqContents[3] = hex("02010202");
        config.SeqContentsLen[3] = 2;
        config.ASCIIStrings[5] = QByteArray(40, 'a');
        QCOMPARE(link->upload(UploadScope::Everything), TransferResult::Ok);
        const SimState s = sim->state();
        const QList<SimState::Write> e = s.eepromWrites();
        QCOMPARE(e.size(), 4);
        QCOMPARE(e[0].address, Eeprom::kPassword);   // before the settings
        QCOMPARE(e[0].data, QByteArray("4321"));
        QCOMPARE(e[1].address, Eeprom::kSettings);
        QCOMPARE(e[2].address, Eeprom::kOptions);
        QCOMPARE(e[3].address, Eeprom::kLabelHeader + 4 * 2);
        QCOMPARE(e[3].data, hex("87") + "BA" + hex("ff"));
        QCOMPARE(s.eeprom.mid(Eeprom::kPassword, 4), QByteArray("4321"));
        const QList<SimState::Write> b = s.blockWrites();
        QCOMPARE(b.size(), 2);
        QCOMPARE(b[0].address, 1);
        QCOMPARE(b[0].index, 3);
        QCOMPARE(b[0].data, hex("0202010202ffffff"));   // four bytes gained a pad: total 8
        QCOMPARE(b[1].address, 0);
        QCOMPARE(b[1].index, 6);
        QCOMPARE(b[1].data, QByteArray(1, char(31)) + QByteArray(31, 'a'));
        QCOMPARE(config.SeqContents[3], hex("02010202ff"));
        QCOMPARE(config.ASCIIStrings[5], QByteArray(31, 'a'));
        QVERIFY(view.changedMarks.contains(true));
        // Written once, the same configuration is no longer different.
        QCOMPARE(link->upload(UploadScope::Everything), TransferResult::Ok);
        QCOMPARE(sim->state().writes.size(), s.writes.size() + 2);
    }

    void hardwareSixUsesEightByteBlocks()
    {
        QVERIFY(sim->start(kFast + QStringList{"--hardware-code", "6"}));
        QVERIFY(link->connectUnit(sim->portText()));
        QCOMPARE(link->identity().HardwareCode, 6);
        config.SeqContents[0] = hex("0201020202030204");
        config.SeqContentsLen[0] = 4;
        config.ASCIIStrings[1] = "0123456789";
        QCOMPARE(link->upload(UploadScope::FlashOnly), TransferResult::Ok);
        const QList<SimState::Write> b = sim->state().blockWrites();
        QCOMPARE(b.size(), 2);
        QCOMPARE(b[0].data, hex("040201020202030204ff") + QByteArray(6, '\xFF'));
        QCOMPARE(b[1].data, hex("0a") + "0123456789" + QByteArray(5, '\0'));
        QVERIFY(sim->state().eepromWrites().isEmpty());
    }

    void optionsAnswerWithFeedbackAndTimeOutWithout()
    {
        QVERIFY(sim->start(kFast));
        QVERIFY(link->connectUnit(sim->portText()));
        // Feedback off: the unit goes silent and the request times out.
        link->sendOption("jst");
        QCOMPARE(LastStatus(), QStringLiteral("jst sent"));
        QTRY_COMPARE_WITH_TIMEOUT(view.timedOut, QStringList{QStringLiteral("jst request.")}, 1500);
        QVERIFY(view.terminal.isEmpty());
        // Feedback on again: answers come, nothing times out.
        link->sendOption("jst");
        QTRY_COMPARE_WITH_TIMEOUT(view.terminal, QByteArray("Feedback ON\r\n"), 1000);
        link->sendOption("jse");
        QTRY_COMPARE_WITH_TIMEOUT(view.terminal, QByteArray("Feedback ON\r\nSer Echo ON\r\n"), 1000);
        WaitMs(link->link().timing().optionReplyTimeoutMs + 100);
        QCOMPARE(view.timedOut.size(), 1);
        QCOMPARE(sim->state().options, (QStringList{"jst", "jst", "jse"}));
        // With the unit's echo on, typed text comes back.
        view.terminal.clear();
        link->sendText("12#");
        QTRY_COMPARE_WITH_TIMEOUT(view.terminal, QByteArray("12#"), 1000);
        sim->command("reset");
        QTRY_VERIFY_WITH_TIMEOUT(view.terminal.contains("Reset..."), 1000);
    }

    void oneCommandAtATime()
    {
        QVERIFY(sim->start(kFast));
        QVERIFY(link->connectUnit(sim->portText()));
        const SimState before = sim->state();
        // Everything asked of the link from inside a download's waits is
        // refused and sends nothing; the download itself is whole.
        QList<TransferResult> refused;
        QList<bool> accepted;
        QTimer::singleShot(50, link.get(), [&] {
            QVERIFY(link->transferRunning());
            refused << link->download() << link->upload(UploadScope::Everything);
            accepted << link->sendText("55") << link->sendOption("jse") << link->connectUnit(sim->portText())
                     << link->disconnectUnit();
        });
        QCOMPARE(link->download(), TransferResult::Ok);
        QCOMPARE(refused, (QList<TransferResult>{TransferResult::Busy, TransferResult::Busy}));
        QCOMPARE(accepted, (QList<bool>{false, false, false, false}));
        QVERIFY(port->isOpen() && link->isConnected());
        const SimState after = sim->state();
        QCOMPARE(after.eepromReads - before.eepromReads, 1);
        QCOMPARE(after.blockReads - before.blockReads, 40);
        QCOMPARE(after.stray, 0);
        QVERIFY(!after.idle.contains("55"));
        QVERIFY(after.options.isEmpty());

        // Text that comes while text is being paced out (at the protocol's
        // pace) goes after it, in order, and a transfer cannot start in
        // between.
        link->link().setTiming(LinkTiming());
        TransferResult during = TransferResult::Ok;
        QTimer::singleShot(2, link.get(), [&] {
            QVERIFY(link->busy() && !link->transferRunning());
            QVERIFY(link->sendText("BB"));
            QVERIFY(link->sendOption("jse"));
            during = link->download();
        });
        QVERIFY(link->sendText("AAAAAAAA"));
        QCOMPARE(during, TransferResult::Busy);
        QVERIFY(!link->busy());
        QVERIFY2(sim->state().idle.endsWith("AAAAAAAABBjse"), sim->state().idle.constData());
        QCOMPARE(sim->state().options, QStringList{"jse"});
        QCOMPARE(LastStatus(), QStringLiteral("jse sent"));
    }

    void powerFailureIsAcknowledgedOnce()
    {
        ScriptedPrompter prompter;
        QVERIFY(sim->start(kFast + QStringList{"--power-fail"}));
        QVERIFY(link->connectUnit(sim->portText()));
        QCOMPARE(prompter.texts(), QStringList{QStringLiteral("Power failure detected.")});
        QCOMPARE(uint8_t(sim->state().eeprom.at(Eeprom::kPowerStatus)) & Eeprom::kPowerFailBit, 0);
        link->disconnectUnit();
        QVERIFY(link->connectUnit(sim->portText()));
        QCOMPARE(prompter.shown.size(), 1);
    }

    void unitsThatDoNotAnswerAreNotConnected_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::newRow("mute") << QStringLiteral("--mute");
        QTest::newRow("garbage") << QStringLiteral("--garbage");
    }
    void unitsThatDoNotAnswerAreNotConnected()
    {
        QFETCH(QString, fault);
        QVERIFY(sim->start(kFast + QStringList{fault}));
        const UnitConfig before = config;
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!link->connectUnit(sim->portText()));
        QVERIFY(clock.elapsed() < 6000);
        QCOMPARE(LastStatus(), QStringLiteral("Unable to connect on port Com7"));
        QVERIFY(!port->isOpen());
        QVERIFY(!link->isConnected());
        QCOMPARE(config, before);
    }

    void hangUpMidDownloadLeavesTheConfiguration()
    {
        QVERIFY(sim->start(kFast + QStringList{"--hangup-after", "60"}));
        QVERIFY(link->connectUnit(sim->portText()));
        config.Rings = 77;
        const UnitConfig before = config;
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(link->download(), TransferResult::LineDropped);
        QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(config, before);
        QCOMPARE(view.drops, 1);
        QVERIFY(!port->isOpen());
        QCOMPARE(LastStatus(), QStringLiteral("Download failed: the connection to the unit was lost."));
        QVERIFY(sim->waitForExit(3000));
    }

    void hangUpMidUploadKeepsTheModel()
    {
        // Past the reads (142 bytes with connecting), the settings session
        // (19) and the sequence block (3 + 12): in the string block.
        QVERIFY(sim->start(kFast + QStringList{"--hangup-after", "190"}));
        QVERIFY(link->connectUnit(sim->portText()));
        config.SeqContents[9] = hex("02010202");
        config.ASCIIStrings[9] = QByteArray(40, 'b');
        const UnitConfig before = config;
        QCOMPARE(link->upload(UploadScope::Everything), TransferResult::LineDropped);
        QCOMPARE(config, before);
        QCOMPARE(view.drops, 1);
        QVERIFY(view.changedMarks.isEmpty());
        QVERIFY(LastStatus().startsWith(QStringLiteral("Upload failed: the connection to the unit was lost.")));
    }

    void nothingIsReportedAsSentAfterTheLineDrops()
    {
        // Connecting, the upload's reads of both memories and its settings
        // and options take 160 bytes; the line drops in the second of eight
        // label writes.
        QVERIFY(sim->start(kFast + QStringList{"--hangup-after", "169"}));
        QVERIFY(link->connectUnit(sim->portText()));
        for (int i = 2; i < 10; ++i)
            config.SeqLabel[i] = QByteArray::number(i + 10);
        config.ASCIIStrings[7] = "changed";
        QStringList statuses;
        SetStatusSink([&statuses](const QString& text) { statuses << text; });
        QCOMPARE(link->upload(UploadScope::Everything), TransferResult::LineDropped);
        SetStatusSink({});
        const QStringList labels = statuses.filter(QStringLiteral("Uploading label #"));
        QVERIFY2(labels.size() <= 3, qPrintable(statuses.join(QLatin1Char('|'))));
        QVERIFY2(statuses.filter(QStringLiteral("Uploading FLASH")).isEmpty(), qPrintable(statuses.join(QLatin1Char('|'))));
        QVERIFY(statuses.filter(QStringLiteral("Verifying the upload")).isEmpty());
        QVERIFY(statuses.last().startsWith(QStringLiteral("Upload failed: the connection to the unit was lost.")));
        QCOMPARE(view.drops, 1);
    }

    void replyDelayWithinTheSilenceIsRead()
    {
        QVERIFY(sim->start(kFast + QStringList{"--slow", "10"}));
        QVERIFY(link->connectUnit(sim->portText()));
        config.ASCIIStrings.fill("x");
        QCOMPARE(link->download(), TransferResult::Ok);
        QCOMPARE(config.ASCIIStrings[19], QByteArray("StringT"));
    }

    void tooSlowUnitFailsCleanly()
    {
        // Answers come later than a reply's 25 ms of silence: the exchange
        // usually falls out of step (how far depends on how the machine
        // schedules the two processes). Either way it ends without a hang:
        // a whole, right read, or a clear failure with nothing taken.
        QVERIFY(sim->start(kFast + QStringList{"--slow", "300"}));
        QVERIFY(link->connectUnit(sim->portText()));
        config.Rings = 42;
        config.ASCIIStrings.fill("x");
        const UnitConfig before = config;
        QElapsedTimer clock;
        clock.start();
        const TransferResult result = link->download();
        QVERIFY2(clock.elapsed() < 60000, qPrintable(QString::number(clock.elapsed())));
        if (result == TransferResult::Ok) {
            QCOMPARE(config.ASCIIStrings[19], QByteArray("StringT"));
            QCOMPARE(LastStatus(), QStringLiteral("Download successful"));
        } else {
            QCOMPARE(config, before);
            QVERIFY2(LastStatus().startsWith(QStringLiteral("Download failed: ")), qPrintable(LastStatus()));
        }
        QCOMPARE(view.controlStates.last(), qMakePair(true, true));
    }

private:
    std::unique_ptr<TestProgramFolder> folder;
    UnitConfig config;   // the program's configuration
    RecordingView view;
    std::unique_ptr<SimProcess> sim;
    std::unique_ptr<QtSerialPort> port;
    std::unique_ptr<UnitLink> link;
};

QTEST_GUILESS_MAIN(TestLinkSim)
#include "tst_linksim.moc"

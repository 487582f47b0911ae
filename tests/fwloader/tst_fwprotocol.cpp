// The boot loader exchange against the simulated boot loader behind an
// in-memory port: packets, acknowledgements, fault switches and messages.
#include "bootloaderlink.h"
#include "bootloadersim.h"
#include "fakeserialport.h"
#include "firmwareimage.h"
#include "hexfixture.h"
#include "packets.h"
#include "recordingview.h"
#include "scriptedprompter.h"
#include "testfolder.h"

#include <QElapsedTimer>
#include <QtTest>

using namespace fixture;

namespace {

constexpr uint8_t kKv310Chip0 = 0x20;   // model 2 (KV310), chip 0

// The time-out paths run on a tenth of the protocol's times: the same
// exchange, far less waiting.
constexpr BootTiming kShort{35, 5, 3, 2, 50};

FirmwareImage SmallImage()
{
    FirmwareImage image;
    QByteArray program;
    for (int i = 0; i < 100; ++i)
        program.append(char(i));
    const QByteArray text = DataRecords(0, program) + DataRecords(0x1000, "\x42\x43")
        + EepromRecord(0, "\x07") + EepromRecord(5, "\x09") + HexEnd();
    if (!ParseHexImage(text, &image).ok())
        qFatal("fixture image does not parse");
    return image;
}

// A boot loader behind an in-memory port, reset and listening, with a
// program folder and scripted prompts of its own.
struct Bench {
    explicit Bench(uint8_t unitInfo = kKv310Chip0) : sim(unitInfo), link(port, view)
    {
        port.setResponder([this](const QByteArray& w) { return sim.onBytes(w); });
        port.open();
    }
    TestProgramFolder folder;
    ScriptedPrompter prompts;
    FakeSerialPort port;
    BootloaderSim sim;
    RecordingView view;
    BootloaderLink link;
};

// The packets in the order they were written (writes are single bytes).
QList<QByteArray> SentPackets(const QByteArray& written)
{
    QList<QByteArray> packets;
    int at = written.indexOf(char(kHelloByte)) + 1;
    while (at < written.size()) {
        const int size = uint8_t(written[at]) == kEepromMarker ? 5 : 68;
        packets.append(written.mid(at, size));
        at += size;
    }
    return packets;
}

} // namespace

class TestFwProtocol : public QObject {
    Q_OBJECT
private slots:
    void checksums();
    void packetLayout();
    void flashesWholeImage();
    void readResponseEndsOnSilence();
    void nakAtPacket();
    void rejectedEepromContinues();
    void silentAfterPacket();
    void lateResetWithinAttempts();
    void neverReset();
    void mismatchAndKK();
    void oneOrThreeCharAnswersAreNotBootloader();
    void answerWithBothLettersIsRejected();
};

void TestFwProtocol::checksums()
{
    for (const QByteArray& p : {QByteArray("\x01\x02\x03"), QByteArray("\xff\xff"), QByteArray(70, '\x5a')}) {
        uint8_t sum = PacketChecksum(p);
        for (char b : p)
            sum = uint8_t(sum + uint8_t(b));
        QCOMPARE(sum, uint8_t(0));
    }
    QCOMPARE(PacketChecksum(QByteArray("\x80\x80")), uint8_t(0x00));
    QCOMPARE(PacketChecksum(QByteArray()), uint8_t(0x00));
    QCOMPARE(PacketChecksum(QByteArray("\x01")), uint8_t(0xFF));
}

void TestFwProtocol::packetLayout()
{
    QByteArray flash(FirmwareImage::kFlashSize, char(0xFF));
    flash[16128] = 0x12;
    const QByteArray p = ProgramPacket(flash, 16128);
    QCOMPARE(p.size(), 67);
    QCOMPARE(uint8_t(p[0]), uint8_t(0x1F));   // word 8064 = 0x1F80
    QCOMPARE(uint8_t(p[1]), uint8_t(0x80));
    QCOMPARE(uint8_t(p[2]), uint8_t(64));
    QCOMPARE(p.mid(3), flash.mid(16128, 64));
    QCOMPARE(EepromPacket(5, 0x9A), QByteArray("\x40\x05\x01\x9a"));
    QVERIFY(!ChunkBlank(flash, 16128));
    QVERIFY(ChunkBlank(flash, 64));
}

void TestFwProtocol::flashesWholeImage()
{
    Bench b;
    b.sim.reset();
    FirmwareImage image = SmallImage();
    const FlashOutcome outcome = b.link.FlashUnit(Kv310Header(), image);
    QCOMPARE(outcome, FlashOutcome::Flashed);
    QCOMPARE(b.prompts.texts(), QStringList{QStringLiteral("PIC16F876A/877A flashed with firmware v2.15 successfully.")});
    QCOMPARE(b.prompts.shown.last().icon, MsgIcon::Information);

    // Only the non-blank chunks went, in order: 0, 64, 0x1000 and the last.
    const QList<QByteArray> packets = SentPackets(b.port.written());
    QCOMPARE(packets.size(), 4 + 2);
    QCOMPARE(packets[0].left(2), QByteArray("\x00\x00", 2));
    QCOMPARE(packets[1].left(2), QByteArray("\x00\x20", 2));
    QCOMPARE(packets[2].left(2), QByteArray("\x08\x00", 2));
    QCOMPARE(packets[3].left(2), QByteArray("\x1f\x80", 2));
    QCOMPARE(packets[4], QByteArray("\x40\x00\x01\x07\xb8", 5));
    QCOMPARE(packets[5], QByteArray("\x40\x05\x01\x09\xb1"));
    for (const QByteArray& p : packets)
        QCOMPARE(PacketChecksum(p.left(p.size() - 1)), uint8_t(p.back()));
    for (const QByteArray& w : b.port.writes())
        QCOMPARE(w.size(), 1);   // one write per character

    QCOMPARE(b.sim.flash(), image.FlashImage);
    QCOMPARE(b.sim.eeprom(), (QMap<int, uint8_t>{{0, 7}, {5, 9}}));
    QCOMPARE(b.view.messages.last(), QStringLiteral("Flashing firmware..."));
    QCOMPARE(b.view.maximum, image.CodeEnd);
    QVERIFY(b.view.progress.contains(0));
    QVERIFY(image.loaded());
}

void TestFwProtocol::readResponseEndsOnSilence()
{
    Bench b;
    b.port.setResponder({});
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(b.link.ReadResponse(), QByteArray());
    const qint64 empty = clock.elapsed();
    QVERIFY2(empty >= 340 && empty < 500, QByteArray::number(empty));

    b.port.injectAfter(30, "ab");
    b.port.injectAfter(45, "c");
    clock.restart();
    QCOMPARE(b.link.ReadResponse(), QByteArray("abc"));
    const qint64 answered = clock.elapsed();
    QVERIFY2(answered >= 45 + 25 && answered < 200, QByteArray::number(answered));

    // The protocol's other times.
    const BootTiming protocol;
    QCOMPARE(protocol.prePacketPauseMs, 25);
    QCOMPARE(protocol.rereadPauseMs, 10);
    QCOMPARE(protocol.helloRetryPauseMs, 500);

    // A closed port sends nothing.
    b.port.close();
    b.port.clearWrites();
    b.link.SerialSend("xyz");
    QVERIFY(b.port.written().isEmpty());
}

void TestFwProtocol::nakAtPacket()
{
    Bench b;
    b.sim.nakAtPacket(2);
    b.sim.reset();
    FirmwareImage image = SmallImage();
    QCOMPARE(b.link.FlashUnit(Kv310Header(), image), FlashOutcome::TransferFailed);
    QCOMPARE(b.prompts.texts(), QStringList{QStringLiteral("Corrupted data received, please reupload the firmware.")});
    QCOMPARE(b.prompts.shown.last().icon, MsgIcon::Critical);
    QCOMPARE(SentPackets(b.port.written()).size(), 2);   // stops at the rejected packet
    QVERIFY(image.loaded());                             // the user may try again
}

void TestFwProtocol::rejectedEepromContinues()
{
    Bench b;
    b.sim.nakAtPacket(5);   // the first EEPROM packet
    b.sim.reset();
    FirmwareImage image = SmallImage();
    QCOMPARE(b.link.FlashUnit(Kv310Header(), image), FlashOutcome::TransferFailed);
    QCOMPARE(b.prompts.texts(), QStringList{QStringLiteral("Corrupted data received, please reupload the firmware.")});
    QCOMPARE(b.sim.eeprom(), (QMap<int, uint8_t>{{5, 9}}));   // the next byte still went
}

void TestFwProtocol::silentAfterPacket()
{
    Bench b;
    b.link.setTiming(kShort);
    b.sim.silentAfterPacket(3);
    b.sim.reset();
    FirmwareImage image = SmallImage();
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(b.link.FlashUnit(Kv310Header(), image), FlashOutcome::TransferFailed);
    const qint64 ms = clock.elapsed();
    QCOMPARE(b.prompts.texts(), QStringList{QStringLiteral("Flash Data Error.")});
    // Thirty answer windows with a pause between them.
    const int windows = 30 * (kShort.answerWindowMs + kShort.rereadPauseMs);
    QVERIFY2(ms >= windows - 10 && ms < windows + 1500, QByteArray::number(ms));
    QCOMPARE(SentPackets(b.port.written()).size(), 4);
}

void TestFwProtocol::lateResetWithinAttempts()
{
    Bench b;
    b.link.setTiming(kShort);
    b.sim.lateReset(150);   // a hello every 85 ms: the second or third is heard
    b.sim.reset();
    FirmwareImage image = SmallImage();
    QCOMPARE(b.link.FlashUnit(Kv310Header(), image), FlashOutcome::Flashed);
    const int hellos = b.port.written().left(b.port.written().indexOf(char(0x00))).count(char(kHelloByte));
    QVERIFY2(hellos >= 2 && hellos <= 4, QByteArray::number(hellos));
    QCOMPARE(b.view.messages.first(), QStringLiteral("Please reset the unit... (9 seconds)"));
    QCOMPARE(b.sim.flash(), image.FlashImage);
}

void TestFwProtocol::neverReset()
{
    Bench b;   // the unit runs its application and ignores the hello
    b.link.setTiming(kShort);
    FirmwareImage image = SmallImage();
    QCOMPARE(b.link.FlashUnit(Kv310Header(), image), FlashOutcome::NotReset);
    QCOMPARE(b.port.written(), QByteArray(10, char(kHelloByte)));
    QCOMPARE(b.prompts.texts(),
             QStringList{QStringLiteral("KV310 was not reset in time or connected unit is not a KV310 (wrong baud rate)")});
    QCOMPARE(b.prompts.shown.last().icon, MsgIcon::Information);
    QCOMPARE(b.view.messages.last(), QStringLiteral("Please reset the unit... (0 seconds)"));
    QVERIFY(image.loaded());
}

void TestFwProtocol::mismatchAndKK()
{
    {
        Bench b(0x02);   // BELMO with a PIC16F886/887
        b.sim.reset();
        FirmwareImage image = SmallImage();
        QCOMPARE(b.link.FlashUnit(Kv310Header(), image), FlashOutcome::Mismatch);
        QVERIFY(!image.loaded());
        QCOMPARE(b.prompts.shown.last().title, QStringLiteral("Incorrect DFF file for connected unit."));
        QCOMPARE(b.prompts.shown.last().icon, MsgIcon::Critical);
        QCOMPARE(b.prompts.shown.last().text,
                 QStringLiteral("Connected to : \r\n\t\tBELMO\r\n\t\tPIC16F886/887\r\n\r\n"
                                "Firmware file for : \r\n\t\tKV310\r\n\t\tPIC16F876A/877A\r\n\r\n"
                                "Please obtain correct firmware for BELMO with PIC16F886/887 chip.\r\n\r\n"
                                "Upload aborted."));
        QCOMPARE(b.port.written(), QByteArray(1, char(kHelloByte)));   // nothing sent after
    }
    {
        Bench b;
        b.port.setResponder([](const QByteArray&) { return QByteArray("KK"); });
        FirmwareImage image = SmallImage();
        QCOMPARE(b.link.FlashUnit(Kv310Header(), image), FlashOutcome::Mismatch);
        QVERIFY(b.prompts.shown.last().text.startsWith(
            QStringLiteral("Connected to : \r\n\t\tOSMIR\r\n\t\tUnknown Model\r\n")));
    }
}

void TestFwProtocol::oneOrThreeCharAnswersAreNotBootloader()
{
    Bench b;
    b.link.setTiming(kShort);
    int hello = 0;
    b.port.setResponder([&](const QByteArray&) { return ++hello % 2 ? QByteArray("K") : QByteArray(" KK"); });
    FirmwareImage image = SmallImage();
    QCOMPARE(b.link.FlashUnit(Kv310Header(), image), FlashOutcome::NotReset);
    QCOMPARE(hello, 10);
}

void TestFwProtocol::answerWithBothLettersIsRejected()
{
    Bench b;
    b.port.setResponder([](const QByteArray& w) {
        if (w == QByteArray(1, char(kHelloByte)))
            return QByteArray("\x20k");   // lower case counts too
        return w.isEmpty() ? QByteArray() : QByteArray("kn");
    });
    FirmwareImage image = SmallImage();
    QCOMPARE(b.link.SendPacket(EepromPacket(1, 2)), QByteArray("N"));
    QCOMPARE(b.link.FlashUnit(Kv310Header(), image), FlashOutcome::TransferFailed);
    QCOMPARE(b.prompts.texts(), QStringList{QStringLiteral("Corrupted data received, please reupload the firmware.")});
}

QTEST_GUILESS_MAIN(TestFwProtocol)
#include "tst_fwprotocol.moc"

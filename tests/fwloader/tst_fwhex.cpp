// HEX text to firmware image: memory areas, the reset-vector rewrite and
// the damaged or unfitting texts that must load nothing.
#include "dffloader.h"
#include "errorlog.h"
#include "firmwareimage.h"
#include "hexfixture.h"
#include "scriptedprompter.h"
#include "testfolder.h"

#include <QMap>
#include <QRandomGenerator>
#include <QtTest>

#include <algorithm>

using namespace fixture;

namespace {

const QByteArray kJump = QByteArray::fromHex("1f308a00a02fffff");

HexParseResult Parse(const QByteArray& text, FirmwareImage* image) { return ParseHexImage(text, image); }

} // namespace

class TestFwHex : public QObject {
    Q_OBJECT
private slots:
    void programRecordsAndResetVector();
    void resetVectorWithoutProgram();
    void areasAboveProgramMemory();
    void eepromGrowsAndMarksPresent();
    void eepromHighByteLoggedAndKept();
    void programPastMemoryRefused();
    void damagedRecordsRefused_data();
    void damagedRecordsRefused();
    void eepromBeyond255Refused();
    void missingEndRecordSilent();
    void messagesThroughLoad();
    void anySplitAndOrderGivesOneImage_data();
    void anySplitAndOrderGivesOneImage();
};

void TestFwHex::programRecordsAndResetVector()
{
    FirmwareImage image;
    const QByteArray app = QByteArray::fromHex("0130820003288a110a12");
    const QByteArray text = DataRecords(0, app) + DataRecords(0x100, "\xAA\xBB\xCC")
        + HexRecord(5, 0, "\x00\x00\x00\x00") + HexEnd() + DataRecords(0x200, "\x11");
    QVERIFY(Parse(text, &image).ok());
    QCOMPARE(image.FlashImage.size(), 16192);
    QCOMPARE(image.FlashImage.left(8), kJump);
    QCOMPARE(image.FlashImage.mid(8, 2), app.mid(8, 2));
    QCOMPARE(image.FlashImage.mid(16184, 8), QByteArray("\x8a\x01", 2) + app.left(6));
    QCOMPARE(image.FlashImage.mid(0x100, 4), QByteArray("\xAA\xBB\xCC\xFF"));
    QCOMPARE(image.CodeEnd, 0x103);                         // the last program record
    QCOMPARE(uint8_t(image.FlashImage[0x200]), uint8_t(0xFF));  // after the end record
    QCOMPARE(image.FlashImage.count(char(0xFF)), 16192 - 19);   // jump 6, app 2, data 3, moved entry 8
}

void TestFwHex::resetVectorWithoutProgram()
{
    FirmwareImage image;
    QVERIFY(Parse(HexEnd(), &image).ok());
    QCOMPARE(image.CodeEnd, 0);
    QCOMPARE(image.FlashImage.left(8), kJump);
    QCOMPARE(image.FlashImage.mid(16184), QByteArray("\x8a\x01", 2) + QByteArray(6, char(0xFF)));
    QCOMPARE(image.EepromImage.size(), 1);
    QCOMPARE(image.EepromPresent, QByteArray(1, '\0'));
}

void TestFwHex::areasAboveProgramMemory()
{
    FirmwareImage image;
    // Boot loader / identification words (0x1FA0-0x2006) and configuration
    // words (0x2007-0x20FF) change nothing, and give no message.
    const QByteArray text = HexRecord(0, 0x1FA0 * 2, "\x01\x02") + HexRecord(0, 0x2000 * 2, "\x03\x04")
        + HexRecord(0, 0x2007 * 2, "\x72\x3F") + HexRecord(4, 0, "\x00\x00") + HexEnd();
    const HexParseResult r = Parse(text, &image);
    QVERIFY(r.ok());
    QVERIFY(r.message.isEmpty());
    QCOMPARE(image.FlashImage.mid(8, 16176), QByteArray(16176, char(0xFF)));
    QCOMPARE(image.EepromImage.size(), 1);
}

void TestFwHex::eepromGrowsAndMarksPresent()
{
    FirmwareImage image;
    const QByteArray text = EepromRecord(0, "\x11\x22") + EepromRecord(16, "\x33\x44") + HexEnd();
    QVERIFY(Parse(text, &image).ok());
    QCOMPARE(image.EepromImage.size(), 18);
    QCOMPARE(image.EepromPresent.size(), 18);
    for (int i = 0; i < 18; ++i)
        QCOMPARE(image.EepromPresent[i] != '\0', i == 0 || i == 1 || i == 16 || i == 17);
    QCOMPARE(image.EepromImage.mid(0, 2), QByteArray("\x11\x22"));
    QCOMPARE(image.EepromImage.mid(16, 2), QByteArray("\x33\x44"));
}

void TestFwHex::eepromHighByteLoggedAndKept()
{
    TestProgramFolder folder;
    FirmwareImage image;
    const QByteArray text = EepromRecord(0, "\x05") + HexRecord(0, 0x2100 * 2, "\x09\x01") + HexEnd();
    QVERIFY(Parse(text, &image).ok());
    QCOMPARE(uint8_t(image.EepromImage[0]), uint8_t(5));
    QCOMPARE(image.EepromPresent[0], char(1));
    const QByteArray log = ReadFile(ErrorLogPath());
    QVERIFY2(log.contains("Error 6 (Overflow) in procedure LoadDFFFile of Module modFW on line "), log);
}

// The address named is that of the first byte out of range (word 1FA0),
// not the start of its record, whose first four bytes fit.
void TestFwHex::programPastMemoryRefused()
{
    FirmwareImage image;
    const HexParseResult r = Parse(HexRecord(0, 0x3F3C, QByteArray(8, '\x01')) + HexEnd(), &image);
    QCOMPARE(r.outcome, HexParseResult::Outcome::InvalidAddress);
    QCOMPARE(r.message,
             QStringLiteral("Address 1FA0is invalid for this processor.  Unable to load the DFF file.  "
                            "Please contact Norrvale."));
    // The same record with four bytes fits exactly (the reset-vector rewrite
    // then puts the moved entry words over it).
    const HexParseResult fits = Parse(HexRecord(0, 0x3F3C, QByteArray(4, '\x01')) + HexEnd(), &image);
    QVERIFY(fits.ok());
    QVERIFY(fits.message.isEmpty());
    QCOMPARE(image.CodeEnd, 0x3F40);
}

void TestFwHex::damagedRecordsRefused_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("why");
    const QByteArray good = HexRecord(0, 0x10, "\x01\x02").trimmed();
    QByteArray badSum = good;
    badSum[badSum.size() - 1] = badSum.endsWith('0') ? '1' : '0';
    QByteArray badDigit = good;
    badDigit[10] = 'G';
    QTest::newRow("checksum") << badSum << "checksum";
    QTest::newRow("start") << (";" + good.mid(1)) << "start";
    QTest::newRow("odd length") << good.left(good.size() - 1) << "length";
    QTest::newRow("short") << QByteArray(":0000") << "length";
    QTest::newRow("count vs length") << (":03" + good.mid(3)) << "length";
    QTest::newRow("non-hex digit") << badDigit << "hexadecimal";
}

void TestFwHex::damagedRecordsRefused()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, why);
    FirmwareImage image;
    const QByteArray text = DataRecords(0, "\x55\x66") + "\r\n" + line + "\r\n" + HexEnd();
    const HexParseResult r = Parse(text, &image);
    QCOMPARE(r.outcome, HexParseResult::Outcome::BadRecord);
    QVERIFY2(r.message.startsWith(QStringLiteral("Line 3 of the firmware ")), qPrintable(r.message));
    QVERIFY2(r.message.contains(why), qPrintable(r.message));
    QVERIFY(r.message.endsWith(QStringLiteral("Unable to load the DFF file.  Please contact Norrvale.")));
}

void TestFwHex::eepromBeyond255Refused()
{
    FirmwareImage image;
    QVERIFY(Parse(EepromRecord(254, "\x01\x02") + HexEnd(), &image).ok());
    QCOMPARE(image.EepromImage.size(), 256);
    const HexParseResult r = Parse(EepromRecord(255, "\x01\x02") + HexEnd(), &image);
    QCOMPARE(r.outcome, HexParseResult::Outcome::EepromTooHigh);
    QVERIFY(r.message.contains(QStringLiteral("EEPROM address 256")));
}

void TestFwHex::missingEndRecordSilent()
{
    FirmwareImage image;
    const HexParseResult r = Parse(DataRecords(0, "\x01\x02\x03"), &image);
    QCOMPARE(r.outcome, HexParseResult::Outcome::NoEndRecord);
    QVERIFY(r.message.isEmpty());
    QCOMPARE(Parse(QByteArray(), &image).outcome, HexParseResult::Outcome::NoEndRecord);
}

void TestFwHex::messagesThroughLoad()
{
    TestProgramFolder folder;
    ScriptedPrompter prompts;
    prompts.defaultAnswer = MsgAnswer::Yes;
    DffHeader header;
    FirmwareImage image;
    LineSettings settings;
    const struct {
        QByteArray text;
        QString message;   // empty: no message besides the question
    } cases[] = {
        {DataRecords(0, "\x01"), QString()},
        {HexRecord(0, 0x3F3C, QByteArray(8, '\x01')) + HexEnd(), QStringLiteral("Address 1FA0is invalid")},
        {":10000000GG\r\n" + HexEnd(), QStringLiteral("Line 1 of the firmware")},
        {EepromRecord(300, "\x01") + HexEnd(), QStringLiteral("EEPROM address 300")},
    };
    for (const auto& c : cases) {
        const QString dff = folder.file("case.dff");
        QVERIFY(WriteDff(dff, Kv310Header(), c.text));
        prompts.shown.clear();
        QVERIFY(!LoadDFFFile(dff, &header, &image, &settings));
        QVERIFY(!image.loaded());
        QCOMPARE(prompts.shown.size(), c.message.isEmpty() ? 1 : 2);
        if (!c.message.isEmpty()) {
            QVERIFY2(prompts.shown.last().text.startsWith(c.message), qPrintable(prompts.shown.last().text));
            QCOMPARE(prompts.shown.last().icon, MsgIcon::Critical);
        }
        QVERIFY(!QFile::exists(folder.file("FWValidate")));
    }
}

namespace {
// Bytes by byte address as a HEX text holds them: a run of program words,
// configuration words (taken, not used) and EEPROM words (value, then 0).
QMap<int, char> FirmwareBytes()
{
    QMap<int, char> bytes;
    for (int a = 0; a < 70; ++a)
        bytes[a] = char(a * 7 + 1);
    for (int a = 0x1000; a < 0x1000 + 41; ++a)
        bytes[a] = char(a);
    bytes[0x2007 * 2] = '\x3A';
    bytes[0x2007 * 2 + 1] = '\x3F';
    for (int e = 0; e < 17; ++e) {
        bytes[(0x2100 + e) * 2] = char(0xA0 + e);
        bytes[(0x2100 + e) * 2 + 1] = '\0';
    }
    return bytes;
}

// The bytes as records of at most `size` bytes, each run of addresses cut
// from its own start, and the records in an order of their own.
QByteArray SplitHex(const QMap<int, char>& bytes, int size, quint32 seed)
{
    QList<QByteArray> records;
    for (auto it = bytes.cbegin(); it != bytes.cend();) {
        const int start = it.key();
        QByteArray data;
        while (it != bytes.cend() && it.key() == start + data.size() && data.size() < size)
            data += (it++).value();
        records << HexRecord(0, start, data);
    }
    QRandomGenerator random(seed);
    std::shuffle(records.begin(), records.end(), random);
    return records.join() + HexEnd();
}
} // namespace

void TestFwHex::anySplitAndOrderGivesOneImage_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<quint32>("seed");
    for (int size : {7, 8, 16, 32, 255})
        for (quint32 seed : {1u, 2u, 3u})
            QTest::newRow(qPrintable(QStringLiteral("%1 bytes, order %2").arg(size).arg(seed))) << size << seed;
}

void TestFwHex::anySplitAndOrderGivesOneImage()
{
    QFETCH(int, size);
    QFETCH(quint32, seed);
    const QMap<int, char> bytes = FirmwareBytes();
    FirmwareImage image;
    QVERIFY(Parse(SplitHex(bytes, size, seed), &image).ok());

    QByteArray program(16192, '\xFF');
    for (auto it = bytes.cbegin(); it != bytes.cend() && it.key() < 16192; ++it)
        program[it.key()] = it.value();
    // Words 0-3 jump to the boot loader; the entry words move to 0x1F9D.
    QCOMPARE(image.FlashImage.left(8), kJump);
    QCOMPARE(image.FlashImage.mid(8, 16184 - 8), program.mid(8, 16184 - 8));
    QCOMPARE(image.FlashImage.mid(16184), QByteArray("\x8a\x01", 2) + program.left(6));
    QByteArray eeprom;
    for (int e = 0; e < 17; ++e)
        eeprom += char(0xA0 + e);
    QCOMPARE(image.EepromImage, eeprom);
    QCOMPARE(image.EepromPresent, QByteArray(17, '\x01'));
}

QTEST_GUILESS_MAIN(TestFwHex)
#include "tst_fwhex.moc"

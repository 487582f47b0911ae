// The unit's memory images as the link parses and builds them.
#include "defaultconfig.h"
#include "eepromdata.h"
#include "flashdata.h"
#include "unitconfig.h"
#include "unitidentity.h"

#include <QTest>

#include <initializer_list>
#include <utility>

namespace {
// An EEPROM reply as the unit sends it: the 256-byte image, every byte
// 0xFF but those given by address, then one more character.
QByteArray eepromReply(std::initializer_list<std::pair<int, QByteArray>> bytes)
{
    QByteArray image(256, '\xFF');
    for (const auto& [address, data] : bytes)
        image.replace(address, data.size(), data);
    return image + 'i';
}
} // namespace

class TestLinkData : public QObject {
    Q_OBJECT
private slots:
    void identityByteGivesHardwareAndFirmware()
    {
        UnitConfig target;
        UnitIdentity id;
        ProcessEEPROMData(eepromReply({{253, "\x26"}}), target, true, id);
        QCOMPARE(id.HardwareCode, 1);
        QCOMPARE(id.firmwareVersion, 6);
        QCOMPARE(FirmwareText(id.firmwareVersion), QStringLiteral("Firmware: v6 "));
        QCOMPARE(WriteBlockSize(id.HardwareCode), 4);
        ProcessEEPROMData(eepromReply({{253, "\xDF"}}), target, true, id);
        QCOMPARE(id.HardwareCode, 6);
        QCOMPARE(id.firmwareVersion, 31);
        QCOMPARE(WriteBlockSize(6), 8);
        QCOMPARE(WriteBlockSize(0), 4);
        QCOMPARE(WriteBlockSize(7), 4);
    }

    void fullReadTakesEveryField()
    {
        const QByteArray reply = eepromReply({
            {27, "\x12\x34"},            // start address of slot 1
            {65, "\x56\x78"},            // ... of slot 20
            {115, "\x81" "10\xFF"},      // slot 1: length 2, number 1, "01" reversed
            {123, "\xFF" "CBA"},          // slot 3: length 3, number 63
            {135, "\x40" "x\xFF\xFF"},  // slot 6: length 1, read upper-cased
            {191, "\x05\xFF\xFF\xFF"}, // slot 20: no label, number 5
            {236, "#*21"},                // the password, last character first
            {240, "\x09" "E\x05\x03\x93\x05\x81"},
            {247, QByteArray(1, '\0')},
            {253, "\x26"},
            {254, "\x12\x03"},
        });
        UnitConfig target;
        UnitIdentity id;
        ProcessEEPROMData(reply, target, false, id);
        QCOMPARE(target.SeqStartAddrHB[0], uint8_t(0x12));
        QCOMPARE(target.SeqStartAddrLB[0], uint8_t(0x34));
        QCOMPARE(target.SeqStartAddrHB[19], uint8_t(0x56));
        QCOMPARE(target.SeqStartAddrLB[19], uint8_t(0x78));
        QCOMPARE(target.SeqStartAddrHB[1], uint8_t(0xFF));
        QCOMPARE(target.SeqLabel[0], QByteArray("01"));
        QCOMPARE(target.SeqLabelLen[0], uint8_t(2));
        QCOMPARE(target.SeqLabelNum[0], uint8_t(1));
        QCOMPARE(target.SeqLabel[2], QByteArray("ABC"));
        QCOMPARE(target.SeqLabelNum[2], uint8_t(63));
        QCOMPARE(target.SeqLabel[5], QByteArray("X"));
        QCOMPARE(target.SeqLabel[19], QByteArray());
        QCOMPARE(target.SeqLabelNum[19], uint8_t(5));
        QCOMPARE(target.PassWord, QByteArray("12*#"));
        QCOMPARE(target.Rings, uint8_t(9));
        QCOMPARE(target.PrefixChar, uint8_t('E'));
        QCOMPARE(target.DTMFOutDur, 5.0);
        QCOMPARE(target.InactivityDur, uint8_t(3));
        QCOMPARE(target.DisconnectInfo, uint8_t(0x93));
        QCOMPARE(target.ExtStatInfo, uint8_t(0x05));
        QCOMPARE(target.PWRONInfo, uint8_t(0x81));
        QCOMPARE(target.Settings, (std::array<uint8_t, 2>{0x12, 0x03}));
        QCOMPARE(id.HardwareCode, 1);
        QCOMPARE(id.firmwareVersion, 6);
        QVERIFY(!id.PowerFailDetected);
    }

    void settingsOnlyReadTakesOptionBitsOnly()
    {
        const QByteArray reply = eepromReply({
            {115, "\x82ZZ\xFF"},
            {236, "0000"},
            {240, "\xC8"},   // 200 rings
            {247, "\x85"},   // a power failure, status 5
            {253, "\x21"},
            {254, QByteArray("\x00\x0F", 2)},
        });
        UnitConfig target = DefaultConfig();
        target.ASCIIStrings[3] = "kept";
        UnitConfig expected = target;
        expected.Settings = {0x00, 0x0F};
        UnitIdentity id;
        ProcessEEPROMData(reply, target, true, id);
        QCOMPARE(target, expected);
        QCOMPARE(id.firmwareVersion, 1);
        QVERIFY(id.PowerFailDetected);
        QCOMPARE(id.PowerStatusByte, uint8_t(0x05));
    }

    void labelRecordIsHeaderReversedTextAndPad()
    {
        UnitConfig c = DefaultConfig();
        c.SeqLabel[0] = "abc";
        c.SeqLabelLen[0] = 3;
        c.SeqLabelNum[0] = 13;
        QCOMPARE(LabelRecord(c, 0), QByteArray("\xCD" "CBA"));
        c.SeqLabel[1] = "Q";
        c.SeqLabelLen[1] = 1;
        c.SeqLabelNum[1] = 0;
        QCOMPARE(LabelRecord(c, 1), QByteArray("\x40" "Q\xFF\xFF"));
        c.SeqLabel[2].clear();
        c.SeqLabelLen[2] = 0;
        c.SeqLabelNum[2] = 5;
        QCOMPARE(LabelRecord(c, 2), QByteArray("\x05\xFF\xFF\xFF"));
    }

    void settingRecords()
    {
        UnitConfig c = DefaultConfig();
        QCOMPARE(PasswordRecord(c), QByteArray("\x04" "1937"));
        c.DTMFOutDur = 6.6;
        QCOMPARE(SettingsRecord(c), QByteArray("\x01" "E\x07\x03\x00\x00\x00", 7));
        QCOMPARE(OptionsRecord(c), QByteArray("\x44\x0E"));
    }

    // A reply is taken only in the form its request asks for; what is not
    // is refused with the reason, never read as some other slot's data.
    void sequenceReplies_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("taken");
        QTest::addColumn<int>("count");
        QTest::addColumn<QByteArray>("contents");
        QTest::newRow("erased slot") << QByteArray("\xFF\xFF\xFF\xFFi") << true << 0 << QByteArray();
        QTest::newRow("erased, one byte") << QByteArray("\xFFi") << true << 0 << QByteArray();
        QTest::newRow("count 17, filler") << QByteArray("\x11\xFF\xFF\xFFi") << true << 0 << QByteArray();
        QTest::newRow("three actions bytes, two fillers")
            << QByteArray("\x01\x02\x01\x05\xFF\xFFi") << true << 1 << QByteArray("\x02\x01\x05");
        QTest::newRow("count 16 kept") << QByteArray("\x10\x08\x01i") << true << 16 << QByteArray("\x08\x01");
        // The late "i" of an earlier exchange, alone or ahead of a block.
        QTest::newRow("only the i") << QByteArray("i") << false << 0 << QByteArray();
        QTest::newRow("two i") << QByteArray("ii") << false << 0 << QByteArray();
        QTest::newRow("i ahead of a block") << QByteArray("i\x01\x02\x01\xFFi") << false << 0 << QByteArray();
        QTest::newRow("count 17, data") << QByteArray("\x11\x02\x01\xFFi") << false << 0 << QByteArray();
        QTest::newRow("no final i") << QByteArray("\x01\x02\x01\xFF") << false << 0 << QByteArray();
        QTest::newRow("49 action bytes") << QByteArray("\x10") + QByteArray(49, '\x02') + "i" << false << 0 << QByteArray();
        QTest::newRow("longer than a block") << QByteArray(1, '\0') + QByteArray(255, '\xFF') + "i" << false << 0 << QByteArray();
    }
    void sequenceReplies()
    {
        QFETCH(QByteArray, reply);
        QFETCH(bool, taken);
        QFETCH(int, count);
        QFETCH(QByteArray, contents);
        QString why;
        const std::optional<QByteArray> block = SequenceBlockOfReply(reply, &why);
        QCOMPARE(block.has_value(), taken);
        QCOMPARE(why.isEmpty(), taken);
        if (!taken)
            return;
        QCOMPARE(*block, reply.chopped(1));
        UnitConfig c = DefaultConfig();
        ProcessFlashData(4, *block, c);
        QCOMPARE(int(c.SeqContentsLen[4]), count);
        QCOMPARE(c.SeqContents[4], contents);
        QCOMPARE(c.SeqContents[3], DefaultConfig().SeqContents[3]);
    }

    void stringReplies()
    {
        QString why;
        QCOMPARE(StringOfReply("AT\r\ni", &why), std::optional<QByteArray>("AT\r\n"));
        QCOMPARE(StringOfReply("i", &why), std::optional<QByteArray>(QByteArray()));
        QCOMPARE(StringOfReply("Hii", &why), std::optional<QByteArray>("Hi"));
        QVERIFY(!StringOfReply("no ready", &why));
        QCOMPARE(why, QStringLiteral("8 byte(s), no final \"i\""));
        QVERIFY(!StringOfReply(QByteArray(), &why));
        QVERIFY(!StringOfReply(QByteArray(256, 'a') + "i", &why));
        UnitConfig c = DefaultConfig();
        ProcessASCIIStrings(0, "AT\r\n", c);
        QCOMPARE(c.ASCIIStrings[0], QByteArray("AT/13//10/"));   // the defaults' flag is "/"
    }

    void eepromReplies()
    {
        QString why;
        const QByteArray reply = eepromReply({{240, "\x03"}});
        QCOMPARE(EepromImageOfReply(reply, &why), std::optional<QByteArray>(reply.left(256)));
        QVERIFY(!EepromImageOfReply("i" + reply, &why));
        QCOMPARE(why, QStringLiteral("258 bytes, not 257"));
        QVERIFY(!EepromImageOfReply(reply.left(256) + "x", &why));
        QVERIFY(!EepromImageOfReply(reply.left(200), &why));
    }

    void sequenceBlockSizes_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("blockSize");
        QTest::addColumn<int>("padded");
        QTest::addColumn<int>("total");
        QTest::newRow("6 bytes, b 4") << 6 << 4 << 6 << 8;
        QTest::newRow("8 bytes, b 4: pad first") << 8 << 4 << 9 << 12;
        QTest::newRow("3 bytes, b 4") << 3 << 4 << 3 << 4;
        QTest::newRow("8 bytes, b 8: pad first") << 8 << 8 << 9 << 16;
        QTest::newRow("6 bytes, b 8") << 6 << 8 << 6 << 8;
        QTest::newRow("empty") << 0 << 4 << 0 << 4;
    }
    void sequenceBlockSizes()
    {
        QFETCH(int, length);
        QFETCH(int, blockSize);
        QFETCH(int, padded);
        QFETCH(int, total);
        const QByteArray contents = WithSequencePad(QByteArray(length, '\x02'), blockSize);
        QCOMPARE(int(contents.size()), padded);
        const QByteArray block = SequenceBlock(3, contents, blockSize);
        QCOMPARE(int(block.size()), total);
        QCOMPARE(block.at(0), char(3));
        QCOMPARE(block.mid(1, padded), contents);
        QCOMPARE(block.mid(1 + padded), QByteArray(total - 1 - padded, '\xFF'));
    }

    void stringBlockSizes()
    {
        const QByteArray ten = "0123456789";
        QCOMPARE(StringBlock(ten, 4), QByteArray("\x0A") + ten + QByteArray(5, '\0'));
        QCOMPARE(StringBlock(ten, 8).size(), 16);
        QCOMPARE(StringBlock(QByteArray(15, 'a'), 8).size(), 16);
        QCOMPARE(StringBlock(QByteArray(16, 'a'), 8).size(), 32);
        QCOMPARE(StringBlock(QByteArray(31, 'a'), 4).size(), 32);
        QCOMPARE(StringBlock(QByteArray(), 4), QByteArray(8, '\0'));
    }
};

QTEST_GUILESS_MAIN(TestLinkData)
#include "tst_linkdata.moc"

#include "datafile.h"
#include "defaultconfig.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The default configuration as its documentation lists it, field by field.
UnitConfig documentedDefaults()
{
    const uint8_t hb[kSlotCount] = {0x60, 0x90, 0xC0, 0xF0, 0x20, 0x50, 0x80, 0xB0, 0xE0, 0x10,
                                    0x40, 0x70, 0xA0, 0xD0, 0x00, 0x30, 0x60, 0x90, 0xC0, 0xF0};
    const uint8_t lb[kSlotCount] = {0x19, 0x19, 0x19, 0x1A, 0x1A, 0x1A, 0x1A, 0x1A, 0x1B, 0x1B,
                                    0x1B, 0x1B, 0x1B, 0x1C, 0x1C, 0x1C, 0x1C, 0x1C, 0x1C, 0x20};
    UnitConfig c;
    for (int i = 0; i < kSlotCount; ++i) {
        c.SeqStartAddrHB[i] = hb[i];
        c.SeqStartAddrLB[i] = lb[i];
        c.SeqContentsLen[i] = 1;
        c.SeqContents[i] = QByteArray("\0", 1) + char(i);
        c.SeqLabelLen[i] = 2;
        c.SeqLabelNum[i] = uint8_t(13 + i);
        c.SeqLabel[i] = QByteArray::number(i + 1).rightJustified(2, '0');
        c.ASCIIStrings[i] = "String" + QByteArray(1, char('A' + i));
    }
    c.ASCIIFlagChar = '/';
    c.Settings = {0x44, 0x0E};
    c.PassWord = "7391";
    c.Rings = 1;
    c.PrefixChar = 0x45;
    c.DTMFOutDur = 5;
    c.InactivityDur = 3;
    c.DisconnectInfo = 0;
    c.ExtStatInfo = 0;
    c.PWRONInfo = 0;
    return c;
}

} // namespace

class TestDefaultConfig : public QObject {
    Q_OBJECT

private slots:
    void bytesAreWhatTheWriterMakesOfTheDefaults()
    {
        QCOMPARE(DefaultConfigBytes().size(), 1549);
        QCOMPARE(ExportKV310Bytes(documentedDefaults()), DefaultConfigBytes());
    }

    void recordsComeInWriterOrderWithTheirLengths()
    {
        const QList<QPair<QByteArray, int>> expected = {
            {"[SeqStartAddrHB]", 0x0023}, {"[SeqStartAddrLB]", 0x0023},
            {"[SeqContentsLen]", 0x0023}, {"[SeqContents]", 0x03CE},
            {"[SeqLabelLen]", 0x0020},    {"[SeqLabelNum]", 0x0020},
            {"[SeqLabel]", 0x0047},       {"[ASCIIStrings]", 15 + 20 * 8 - 1},
            {"[Settings]", 0x000B},       {"[PassWord]", 0x000D},
            {"[Rings]", 0x0007},          {"[PrefixChar]", 0x000C},
            {"[DTMFOutDur]", 0x000C},     {"[InactivityDur]", 0x000F},
            {"[DisconnectInfo]", 0x0010}, {"[ExtStatInfo]", 0x000D},
            {"[PWRONInfo]", 0x000B},
        };
        const QByteArray& data = DefaultConfigBytes();
        qsizetype pos = 0;
        for (const auto& [name, lengthField] : expected) {
            QVERIFY(pos + 2 <= data.size());
            QCOMPARE(uint8_t(data[pos]) + 256 * uint8_t(data[pos + 1]), lengthField);
            QCOMPARE(data.mid(pos + 2, name.size()), name);
            pos += 2 + lengthField + 1;
        }
        QCOMPARE(pos, data.size());
    }

    void readingGivesEveryDefault()
    {
        UnitConfig c;   // zeroed, flag "\"
        QVERIFY(ImportKV310Bytes(DefaultConfigBytes(), c));
        QCOMPARE(c.SeqLabel[0], QByteArray("01"));
        QCOMPARE(c.SeqLabel[19], QByteArray("20"));
        QCOMPARE(c.ASCIIStrings[0], QByteArray("StringA"));
        QCOMPARE(c.ASCIIStrings[19], QByteArray("StringT"));
        QCOMPARE(c.SeqContents[7], QByteArray("\x00\x07", 2));
        QCOMPARE(int(c.ASCIIFlagChar), int('/'));
        QCOMPARE(int(c.Settings[0]), 0x44);
        QCOMPARE(int(c.Settings[1]), 0x0E);
        QCOMPARE(c.PassWord, QByteArray("7391"));
        QCOMPARE(int(c.PrefixChar), int('E'));
        QCOMPARE(c.DTMFOutDur, 5.0);
        QCOMPARE(int(c.SeqStartAddrLB[19]), 0x20);
        QCOMPARE(int(c.SeqLabelNum[19]), 32);
        QVERIFY(c == documentedDefaults());
        QVERIFY(DefaultConfig() == documentedDefaults());
    }

    void writingWhatWasReadGivesTheSameBytes()
    {
        UnitConfig c;
        QVERIFY(ImportKV310Bytes(DefaultConfigBytes(), c));
        QCOMPARE(ExportKV310Bytes(c), DefaultConfigBytes());
    }

    void defaultFileReplacesALongerOne()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(kDefaultFileName);
        {
            QFile old(path);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write(QByteArray(5000, 'x'));
        }
        QVERIFY(WriteDefaultFile(path));
        QFile written(path);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll(), DefaultConfigBytes());

        UnitConfig loaded;
        QVERIFY(ImportKV310File(path, loaded));
        QVERIFY(loaded == documentedDefaults());
    }

    void defaultFileIntoMissingFolderFails()
    {
        QTemporaryDir dir;
        QString error;
        QVERIFY(!WriteDefaultFile(dir.filePath("missing/" + QString(kDefaultFileName)), &error));
        QVERIFY(!error.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestDefaultConfig)
#include "tst_defaultconfig.moc"

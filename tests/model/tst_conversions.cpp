#include "binaryutils.h"
#include "runtimeerror.h"
#include "scriptedprompter.h"
#include "unitconfig.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <cfenv>
#include <cmath>
#include <QtTest>

class TestConversions : public QObject {
    Q_OBJECT

private slots:
    void bitsSetAndTest()
    {
        for (int b = 0; b < 256; ++b) {
            for (int bit = 0; bit < 8; ++bit) {
                const uint8_t on = SetBit(uint8_t(b), bit, true);
                const uint8_t off = SetBit(uint8_t(b), bit, false);
                QVERIFY(IsBitSet(on, bit));
                QVERIFY(!IsBitSet(off, bit));
                const uint8_t others = uint8_t(~(1u << bit));
                QCOMPARE(on & others, b & others);
                QCOMPARE(off & others, b & others);
            }
        }
    }

    void shifts()
    {
        QCOMPARE(ShiftRight(0xC5, 6), uint8_t(3));
        QCOMPARE(ShiftRight(0xFF, 8), uint8_t(0));
        QCOMPARE(ShiftLeft(3, 6), uint8_t(192));
        QCOMPARE(ShiftLeft(0x83, 6), uint8_t(192));   // bit 7 goes first
        QCOMPARE(ShiftLeft(0x80, 7), uint8_t(0));
        QCOMPARE(ShiftLeft(1, 7), uint8_t(128));
        for (const auto& [value, count] : {std::pair{4, 6}, std::pair{1, 8}, std::pair{0x7F, 2}}) {
            try {
                ShiftLeft(uint8_t(value), count);
                QFAIL("no overflow");
            } catch (const RuntimeError& e) {
                QCOMPARE(e.number(), 6);
            }
        }
    }

    void bytesAndWords()
    {
        QCOMPARE(HiByte(0x8001), uint8_t(0x80));
        QCOMPARE(LoByte(0x8001), uint8_t(0x01));
        QCOMPARE(HiNibble(0xA7), uint8_t(0x0A));
        QCOMPARE(LoNibble(0xA7), uint8_t(0x07));
        QCOMPARE(MakeWord(0x12, 0x34), uint16_t(0x1234));
        QCOMPARE(WordFromBytes(QByteArray("\x78\x56", 2)), uint16_t(0x5678));
        QCOMPARE(WordFromBytes(QByteArray("\xff\x00\x12", 3)), uint16_t(0x00FF));
        QCOMPARE(UnsignedWord(-1), uint16_t(65535));
        QCOMPARE(UnsignedWord(-32768), uint16_t(32768));
        try {
            WordFromBytes(QByteArray(1, 'x'));
            QFAIL("one byte made a word");
        } catch (const RuntimeError& e) {
            QCOMPARE(e.number(), 9);
        }
    }

    void bytesAsText()
    {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all += char(b);
        const QString text = BinArr2Str(all);
        QCOMPARE(text.size(), 256);
        for (int b = 0; b < 256; ++b)
            QCOMPARE(int(text.at(b).unicode()), b);
        QCOMPARE(BinArr2Str(QByteArray("ab\0cd", 5), -1, -1, true), QStringLiteral("ab"));
        QCOMPARE(BinArr2Str(QByteArray("abcdef"), 2, 4), QStringLiteral("cd"));
        QCOMPARE(BinArr2Str(QByteArray()), QString());
    }

    void shellAndWaitRunsToTheEnd()
    {
        ScriptedPrompter prompter;
        QTemporaryDir dir;
        // A path with a blank, quoted on the command line, and an argument.
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("my tools")));
        const QString script = dir.filePath(QStringLiteral("my tools/helper.sh"));
        const QString out = dir.filePath(QStringLiteral("out.txt"));
        QFile file(script);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\nsleep 0.3\necho \"$1\" > '" + out.toLocal8Bit() + "'\n");
        file.close();
        QVERIFY(file.setPermissions(file.permissions() | QFileDevice::ExeOwner));

        QElapsedTimer timer;
        timer.start();
        ShellAndWait(QLatin1Char('"') + script + QStringLiteral("\" -KV-310"));
        QVERIFY(timer.elapsed() >= 300);
        QFile result(out);
        QVERIFY(result.open(QIODevice::ReadOnly));
        QCOMPARE(result.readAll(), QByteArray("-KV-310\n"));
        QVERIFY(prompter.shown.isEmpty());
    }

    void halvesRoundToTheEvenNeighbour()
    {
        // Whatever rounding mode the process was left in.
        const int saved = std::fegetround();
        for (int mode : {FE_TONEAREST, FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO}) {
            std::fesetround(mode);
            QCOMPARE(RoundHalfEven(2.5), 2.0);
            QCOMPARE(RoundHalfEven(3.5), 4.0);
            QCOMPARE(RoundHalfEven(2.4999), 2.0);
            QCOMPARE(RoundHalfEven(2.5001), 3.0);
            QCOMPARE(RoundHalfEven(0.5), 0.0);
            QCOMPARE(RoundHalfEven(-0.5), 0.0);
            QCOMPARE(RoundHalfEven(-1.5), -2.0);
            QCOMPARE(RoundHalfEven(254.5), 254.0);
            QCOMPARE(RoundHalfEven(7.0), 7.0);
        }
        std::fesetround(saved);
        QCOMPARE(DurationSteps(2.5), uint8_t(2));
        QCOMPARE(DurationSteps(3.5), uint8_t(4));
        QCOMPARE(DurationSteps(-3), uint8_t(0));
        QCOMPARE(DurationSteps(std::nan("")), uint8_t(0));
        QCOMPARE(DurationSteps(300), uint8_t(255));
    }

    void shellAndWaitKeepsEventsGoing()
    {
        QTemporaryDir dir;
        const QString script = dir.filePath(QStringLiteral("slow.sh"));
        QFile file(script);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\nsleep 0.5\n");
        file.close();
        QVERIFY(file.setPermissions(file.permissions() | QFileDevice::ExeOwner));
        int ticks = 0;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
        ticker.start(50);
        ShellAndWait(script);
        QVERIFY2(ticks >= 5, qPrintable(QString::number(ticks)));
    }

    void shellAndWaitReportsMissingProgram()
    {
        ScriptedPrompter prompter;
        const QString command = QStringLiteral("/no/such/folder/NV_FWLoader.exe -KV-310 v1.1.24");
        ShellAndWait(command);
        QCOMPARE(prompter.shown.size(), 1);
        QCOMPARE(prompter.shown.at(0).icon, MsgIcon::Critical);
        QCOMPARE(prompter.shown.at(0).text,
                 QStringLiteral("Unable to run '/no/such/folder/NV_FWLoader.exe -KV-310 v1.1.24'.  "
                                "Please check that file exists."));
        ShellAndWait(QString());
        QCOMPARE(prompter.shown.size(), 2);
    }

    void optionsAreActiveLow()
    {
        UnitConfig config;
        config.Settings = {0xFF, 0xFF};
        for (int k = 0; k < kOptionCount; ++k)
            QVERIFY(!OptionOn(config, k));
        SetOptionOn(config, 9, true);
        QCOMPARE(config.Settings[1], uint8_t(0xFD));
        QCOMPARE(config.Settings[0], uint8_t(0xFF));
        QVERIFY(OptionOn(config, 9));
        SetOptionOn(config, 0, true);
        SetOptionOn(config, 7, true);
        QCOMPARE(config.Settings[0], uint8_t(0x7E));
        SetOptionOn(config, 9, false);
        QCOMPARE(config.Settings[1], uint8_t(0xFF));
        SetOptionOn(config, 11, true);
        QCOMPARE(config.Settings[1], uint8_t(0xF7));
        try {
            SetOptionOn(config, kOptionCount, true);
            QFAIL("option 12 accepted");
        } catch (const RuntimeError& e) {
            QCOMPARE(e.number(), 9);
        }
        QCOMPARE(config.Settings[1], uint8_t(0xF7));
    }

    void infoBytesKeepTheirSlot()
    {
        const uint8_t info = 0x85;
        QVERIFY(InfoEnabled(info));
        QCOMPARE(InfoSlot(info), 5);
        const uint8_t disabled = WithInfoEnabled(info, false);
        QCOMPARE(disabled, uint8_t(0x05));
        QVERIFY(!InfoEnabled(disabled));
        QCOMPARE(WithInfoEnabled(disabled, true), info);
        QCOMPARE(WithInfoSlot(disabled, 19), uint8_t(19));
        QCOMPARE(WithInfoSlot(info, 19), uint8_t(0x80 | 19));
    }

    void labels()
    {
        QCOMPARE(LabelHeader(3, 63), uint8_t(0xFF));
        QCOMPARE(LabelHeader(1, 5), uint8_t(69));
        QCOMPARE(LabelLenOfHeader(0xC5), uint8_t(3));
        QCOMPARE(LabelNumOfHeader(0xC5), uint8_t(5));
        QCOMPARE(LabelFieldBytes("abc"), QByteArray("CBA"));
        QCOMPARE(LabelFieldBytes("x"), QByteArray("X\xff\xff"));
        QCOMPARE(LabelFieldBytes(""), QByteArray("\xff\xff\xff"));
        QCOMPARE(LabelFromField("CBA", 3), QByteArray("ABC"));
        QCOMPARE(LabelFromField("yx\xff", 2), QByteArray("XY"));
        QCOMPARE(LabelFromField("X\xff\xff", 0), QByteArray());
    }

    void dtmfDurationText()
    {
        QCOMPARE(DTMFOutDurText(0), QByteArray("0.00"));
        QCOMPARE(DTMFOutDurText(5), QByteArray("0.25"));
        QCOMPARE(DTMFOutDurText(255), QByteArray("12.75"));
    }
};

QTEST_GUILESS_MAIN(TestConversions)
#include "tst_conversions.moc"

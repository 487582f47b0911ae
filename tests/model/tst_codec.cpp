#include "codec.h"

#include "bytes.h"
#include "errorlogtext.h"
#include "testfolder.h"
#include "unitconfig.h"

#include <QtTest>


class TestCodec : public QObject {
    Q_OBJECT

private:
    TestProgramFolder* folder_ = nullptr;
    AsciiStringList strings_;   // what Send ASCII actions name

private slots:
    void init()
    {
        strings_ = AsciiStringList{};
        folder_ = new TestProgramFolder;
    }
    void cleanup() { delete folder_; }

    void textForms()
    {
        strings_[4] = QByteArray("Hi\\13\\");
        QCOMPARE(Action2English(strings_, Pause, 3), QStringLiteral("Pause '00.600' sec(s)"));
        QCOMPARE(Action2English(strings_, Pause, 255), QStringLiteral("Pause '51.000' sec(s)"));
        QCOMPARE(Action2English(strings_, TimedClosure, 0, 7),
                 QStringLiteral("Timed Closure 'Telco Relay' for '01.400' sec(s)"));
        QCOMPARE(Action2English(strings_, CloseRelay, 2), QStringLiteral("Close Relay 'Relay 2'"));
        QCOMPARE(Action2English(strings_, OutputDTMFTone, 11), QStringLiteral("Output DTMF Tone '#'"));
        QCOMPARE(Action2English(strings_, JumpSequence, 17), QStringLiteral("Jump Sequence '05'"));
        // The string is shown as held, flag codes and all.
        QCOMPARE(Action2English(strings_, SendASCII, 4), QStringLiteral("Send ASCII 'Hi\\13\\'"));
        QCOMPARE(DurationText(7), QStringLiteral("01.400"));
        QCOMPARE(DurationText(0), QStringLiteral("00.000"));
        QVERIFY(ErrorLogText().isEmpty());
    }

    void parameterOutOfListGivesEmptyTextAndLogs_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("p1");
        QTest::addColumn<int>("p2");
        QTest::newRow("ascii 20") << 0 << 20 << 0;
        QTest::newRow("ascii -1") << 0 << -1 << 0;
        QTest::newRow("tone 17") << 1 << 17 << 0;
        QTest::newRow("relay 5") << 2 << 5 << 0;
        QTest::newRow("timed relay 5") << 6 << 5 << 1;
    }
    void parameterOutOfListGivesEmptyTextAndLogs()
    {
        QFETCH(int, code);
        QFETCH(int, p1);
        QFETCH(int, p2);
        QCOMPARE(Action2English(strings_, uint8_t(code), p1, p2), QString());
        QVERIFY2(ErrorLogText().contains(QStringLiteral(
                     "Error 9 (Subscript out of range) in procedure Action2English of Module modUtils on line ")),
                 qPrintable(ErrorLogText()));
    }

    void codeWithoutNameIsEmptyAndQuiet()
    {
        QCOMPARE(Action2English(strings_, 10, 0), QString());
        QCOMPARE(Action2English(strings_, 255, 1, 1), QString());
        QVERIFY(ErrorLogText().isEmpty());
    }

    void everyActionRoundTrips()
    {
        for (int i = 0; i < kSlotCount; ++i)
            strings_[i] = "String " + QByteArray::number(i);
        int checked = 0;
        const auto check = [&](int code, int p1, int p2) {
            const QByteArray bytes = ActionByteCount(uint8_t(code)) == 3 ? Bytes({code, p1, p2}) : Bytes({code, p1});
            const QString text = Action2English(strings_, uint8_t(code), p1, p2);
            QVERIFY2(!text.isEmpty(), qPrintable(QStringLiteral("code %1 p1 %2").arg(code).arg(p1)));
            QCOMPARE(English2Action(strings_, text), bytes);
            ++checked;
        };
        for (int s = 0; s < kSlotCount; ++s)
            check(SendASCII, s, 0);
        for (int t = 0; t < DTMFToneNames().size(); ++t)
            check(OutputDTMFTone, t, 0);
        for (int code = CloseRelay; code <= MomentaryRelay; ++code)
            for (int r = 0; r < RelayNames().size(); ++r)
                check(code, r, 0);
        for (int code = TimedClosure; code <= TimedOpen; ++code)
            for (int r = 0; r < RelayNames().size(); ++r)
                for (int d = 0; d <= 255; ++d)
                    check(code, r, d);
        for (int d = 0; d <= 255; ++d)
            check(Pause, d, 0);
        // Every byte survives a jump, including those below the offset.
        for (int j = 0; j <= 255; ++j)
            check(JumpSequence, j, 0);
        QCOMPARE(checked, 20 + 17 + 20 + 2 * 5 * 256 + 256 + 256);
        QVERIFY(ErrorLogText().isEmpty());
    }

    void englishQuirks()
    {
        QCOMPARE(English2Action(strings_, QStringLiteral("Jump Sequence '05'")), Bytes({9, 17}));
        QCOMPARE(English2Action(strings_, QStringLiteral("Timed Closure 'Telco Relay' for '01.400' sec(s)")), Bytes({6, 0, 7}));
        // Action names are found ignoring case, relay names only exactly.
        QCOMPARE(English2Action(strings_, QStringLiteral("CLOSE RELAY 'Relay 3'")), Bytes({2, 3}));
        QCOMPARE(English2Action(strings_, QStringLiteral("Close Relay 'relay 3'")), Bytes({2, 0}));
        // The fraction is milliseconds as written.
        QCOMPARE(English2Action(strings_, QStringLiteral("Pause '1.3' sec(s)")), Bytes({8, 5}));
        QCOMPARE(English2Action(strings_, QStringLiteral("Jump Sequence '5'")), Bytes({9, 17}));
    }

    void asciiLookup()
    {
        strings_[3] = "hello";
        strings_[7] = "HELLO";
        strings_[9] = "it's on";
        strings_[11] = "Pause tone";
        QCOMPARE(English2Action(strings_, QStringLiteral("Send ASCII 'Hello'")), Bytes({0, 3}));
        QCOMPARE(English2Action(strings_, QStringLiteral("Send ASCII 'no such string'")), Bytes({0, 0}));
        // The keyword test sees "ascii" first whatever the string holds.
        QCOMPARE(English2Action(strings_, QStringLiteral("Send ASCII 'Pause tone'")), Bytes({0, 11}));
        // A quote inside the string does not cut it short.
        QCOMPARE(English2Action(strings_, Action2English(strings_, SendASCII, 9)), Bytes({0, 9}));
        QVERIFY(ErrorLogText().isEmpty());
    }

    void pauseText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("steps");
        QTest::newRow("00.600") << "00.600" << 3;
        QTest::newRow("01.400") << "01.400" << 7;
        QTest::newRow("1.3 is 1003 ms") << "1.3" << 5;
        QTest::newRow("0.199") << "0.199" << 0;
        QTest::newRow("0.200") << "0.200" << 1;
        QTest::newRow("no fraction") << "2" << 10;
        QTest::newRow("51.000") << "51.000" << 255;
        QTest::newRow("50.999") << "50.999" << 254;
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("not a number") << "abc" << 0;
        QTest::newRow("blanks") << " 1 . 400 " << 7;
    }
    void pauseText()
    {
        QFETCH(QString, text);
        QFETCH(int, steps);
        QCOMPARE(int(PauseStr2Byte(text)), steps);
        QVERIFY(ErrorLogText().isEmpty());
    }

    void pauseAboveRangeLogsAndGivesZero_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("51.200") << "51.200";
        QTest::newRow("huge") << "99999999999999999999";
        QTest::newRow("negative") << "-1.000";
        QTest::newRow("fraction too long") << "0.60000";
    }
    void pauseAboveRangeLogsAndGivesZero()
    {
        QFETCH(QString, text);
        QCOMPARE(int(PauseStr2Byte(text)), 0);
        QVERIFY2(ErrorLogText().contains(QStringLiteral("Error 6 (Overflow) in procedure PauseStr2Byte of Module modUtils")),
                 qPrintable(ErrorLogText()));
    }

    void relayIndexIsExact()
    {
        QCOMPARE(RelayIndex(QStringLiteral("Relay 1")), 1);
        QCOMPARE(RelayIndex(QStringLiteral("relay 1")), 0);
        QCOMPARE(RelayIndex(QStringLiteral("Relay 1 ")), 0);
        QCOMPARE(RelayIndex(QStringLiteral("Relay 5")), 0);
        QCOMPARE(RelayIndex(QString()), 0);
    }

    // Lines the editor never writes: no crash, the log says why, and a named
    // action still gives its full bytes so a sequence keeps its layout.
    void malformedLines_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("logged");
        QTest::newRow("relay without quote") << "Close Relay Relay 1" << Bytes({2, 0})
                                             << "Error 9 (Subscript out of range) in procedure English2Action";
        QTest::newRow("unknown tone") << "Output DTMF Tone 'X'" << Bytes({1, 0})
                                      << "Error 9 (Subscript out of range) in procedure English2Action";
        QTest::newRow("timed without duration") << "Timed Closure 'Relay 2'" << Bytes({6, 2, 0})
                                                << "Error 9 (Subscript out of range) in procedure English2Action";
        QTest::newRow("jump beyond a byte") << "Jump Sequence '300'" << Bytes({9, 0})
                                            << "Error 6 (Overflow) in procedure English2Action";
        QTest::newRow("pause too long") << "Pause '99.000' sec(s)" << Bytes({8, 0})
                                        << "Error 6 (Overflow) in procedure PauseStr2Byte";
        QTest::newRow("ascii without quote") << "Send ASCII hello" << Bytes({0, 0})
                                             << "Error 9 (Subscript out of range) in procedure English2Action";
        QTest::newRow("no action name") << "Shut Relay 'Relay 1'" << QByteArray() << "";
        QTest::newRow("empty") << "" << QByteArray() << "";
    }
    void malformedLines()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, logged);
        QCOMPARE(English2Action(strings_, text), bytes);
        if (logged.isEmpty())
            QVERIFY(ErrorLogText().isEmpty());
        else
            QVERIFY2(ErrorLogText().contains(logged), qPrintable(ErrorLogText()));
    }
};

QTEST_GUILESS_MAIN(TestCodec)
#include "tst_codec.moc"

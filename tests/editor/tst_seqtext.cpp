#include "seqtext.h"

#include "bytes.h"
#include "codec.h"
#include "testfolder.h"
#include "unitconfig.h"

#include <QTest>

class TestSeqText : public QObject {
    Q_OBJECT
private:
    UnitConfig config_;
    const AsciiStringList& strings_ = config_.ASCIIStrings;

private slots:
    void init()
    {
        config_ = UnitConfig{};
        config_.ASCIIStrings[0] = "Hello";
        config_.ASCIIStrings[3] = "Dial\\13\\";
    }

    void lineJoinsActions()
    {
        QByteArray seq = Bytes({2, 1, 8, 5, 9, 17});
        QCOMPARE(GetENGSequenceFromUDT(seq, strings_),
                 QStringLiteral("Close Relay 'Relay 1', Pause '01.000' sec(s), Jump Sequence '05'"));
        QCOMPARE(seq, Bytes({2, 1, 8, 5, 9, 17}));
    }

    void missingParametersReadAsZero()
    {
        QByteArray timed = Bytes({6, 2});
        QCOMPARE(GetENGSequenceFromUDT(timed, strings_),
                 QStringLiteral("Timed Closure 'Relay 2' for '00.000' sec(s)"));
        // A last action without its first parameter byte.
        QCOMPARE(ActionTexts(Bytes({0, 3, 8}), strings_),
                 (QStringList{QStringLiteral("Send ASCII 'Dial\\13\\'"), QStringLiteral("Pause '00.000' sec(s)")}));
        const QList<SplitAction> split = SplitActions(Bytes({7, 4, 12, 1, 16}));
        QCOMPARE(split.size(), 2);
        QCOMPARE(split[0].p2, 12);
        QCOMPARE(split[1].code, uint8_t(1));
        QCOMPARE(split[1].p1, 16);
    }

    void shortStringsHoldNoAction()
    {
        QByteArray one = Bytes({2});
        QCOMPARE(GetENGSequenceFromUDT(one, strings_), QString());
        QVERIFY(ActionTexts(one, strings_).isEmpty());
        QByteArray none;
        QCOMPARE(GetENGSequenceFromUDT(none, strings_), QString());
    }

    void fillerIsStrippedFromTheCallersVariable()
    {
        config_.SeqContents[4] = Bytes({3, 4, 255, 255, 255});
        QCOMPARE(GetENGSequenceFromUDT(config_.SeqContents[4], strings_),
                 QStringLiteral("Open Relay 'Relay 4'"));
        QCOMPARE(config_.SeqContents[4], Bytes({3, 4}));

        QByteArray onlyFiller = Bytes({255, 255, 255, 255});
        QCOMPARE(GetENGSequenceFromUDT(onlyFiller, strings_), QString());
        QVERIFY(onlyFiller.isEmpty());
    }

    void rowsRebuildBytesSkippingBlanks()
    {
        QStringList rows(kActionRows);
        rows[0] = QStringLiteral("Close Relay 'Relay 3'");
        rows[1] = QStringLiteral("   ");
        rows[2] = QStringLiteral("  Timed Open 'Telco Relay' for '50.800' sec(s) ");
        rows[6] = QStringLiteral("Send ASCII 'hello'");
        const TempSeq t = UpdateTempSequence(rows, strings_);
        QCOMPARE(t.ActionCount, int16_t(3));
        QCOMPARE(t.Contents, Bytes({2, 3, 7, 0, 254, 0, 0}));

        const TempSeq blank =
            UpdateTempSequence(QStringList(kActionRows, QStringLiteral(" ")), strings_);
        QCOMPARE(blank.ActionCount, int16_t(0));
        QVERIFY(blank.Contents.isEmpty());
    }

    void textsRoundTripToTheSameBytes()
    {
        const QByteArray seq = Bytes({0, 3, 1, 11, 2, 0, 5, 4, 6, 1, 254, 7, 3, 0, 8, 255, 9, 32});
        const TempSeq t = UpdateTempSequence(ActionTexts(seq, strings_), strings_);
        QCOMPARE(t.Contents, seq);
        QCOMPARE(t.ActionCount, int16_t(8));
    }

    void unknownCodeGivesEmptyActionText()
    {
        // A code without a name: its text is empty (the codec logs it).
        const TestProgramFolder folder;
        QByteArray seq = Bytes({2, 1, 12, 0});
        QCOMPARE(GetENGSequenceFromUDT(seq, strings_), QStringLiteral("Close Relay 'Relay 1', "));
        QCOMPARE(ActionTexts(Bytes({2, 9}), strings_), QStringList{QString()});
        QVERIFY(UpdateTempSequence(ActionTexts(Bytes({2, 9}), strings_), strings_)
                    .Contents.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestSeqText)
#include "tst_seqtext.moc"

#include "verification.h"

#include "scriptedprompter.h"
#include "status.h"
#include "testfolder.h"
#include "unitconfig.h"

#include <QFile>
#include <QTest>

namespace {
const QString kCrLf = QStringLiteral("\r\n");

QString Jump(int target) { return QStringLiteral("Jump Sequence '%1'").arg(target, 2, 10, QLatin1Char('0')); }

QString LogText(const TestProgramFolder& folder)
{
    QFile f(folder.file(QStringLiteral("ErrorLog.txt")));
    return f.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(f.readAll()) : QString();
}

QString LoopMessage(const QStringList& lines)
{
    return QStringLiteral("The following network of jumps results in an infinite repeat:") + kCrLf + kCrLf
        + lines.join(kCrLf) + kCrLf + kCrLf + QStringLiteral("Please correct the problem.  Nothing has been saved.");
}
} // namespace

class TestVerification : public QObject {
    Q_OBJECT
private:
    QStringList labels;
    QStringList lines;

private slots:
    void init()
    {
        labels = QStringList(kSequenceRows);
        lines = QStringList(kSequenceRows);
    }

    void duplicateLabelsNameTheLowestRowsFirst()
    {
        ScriptedPrompter prompts;
        labels[2] = labels[6] = labels[11] = QStringLiteral("A1");
        lines[0] = Jump(1);   // a loop that must not be reported
        QVERIFY(!VerifyInformation(labels, lines, true));
        QCOMPARE(prompts.shown.size(), 1);
        QCOMPARE(prompts.shown[0].text,
                 QStringLiteral("Following labels are not unique and must be changed.\r\n\r\n"
                                "#03 label 'A1'\r\n#07 label 'A1'"));
        QCOMPARE(prompts.shown[0].icon, MsgIcon::Exclamation);
        QCOMPARE(prompts.shown[0].buttons, MsgButtons::Ok);
        QVERIFY(prompts.shown[0].title.isEmpty());
        QCOMPARE(LastStatus(), QStringLiteral("Verifying labels..."));
    }

    void labelsCompareExactlyAndEmptyOnesNeverClash()
    {
        ScriptedPrompter prompts;
        labels[0] = QStringLiteral("a1");
        labels[1] = QStringLiteral("A1");
        labels[2] = QStringLiteral("A2");
        QVERIFY(VerifyInformation(labels, lines, false));
        QVERIFY(VerifyInformation(labels, lines, true));
        QVERIFY(prompts.shown.isEmpty());
    }

    void withoutJumpCheckLoopsPass()
    {
        ScriptedPrompter prompts;
        lines[3] = Jump(4);
        QVERIFY(VerifyInformation(labels, lines, false));
        QVERIFY(prompts.shown.isEmpty());
        QCOMPARE(LastStatus(), QStringLiteral("Verifying labels..."));
    }

    void chainThatEndsPasses()
    {
        ScriptedPrompter prompts;
        QStringList statuses;
        SetStatusSink([&](const QString& t) { statuses.append(t); });
        lines[0] = Jump(5);
        lines[4] = QStringLiteral("Close Relay 'Relay 1'");
        QVERIFY(VerifyInformation(labels, lines, true));
        SetStatusSink({});
        QVERIFY(prompts.shown.isEmpty());
        QCOMPARE(statuses, (QStringList{QStringLiteral("Verifying labels..."),
                                        QStringLiteral("Verifying jumpto pointers..."), QString()}));
    }

    void loopIntoACycleListsTheWholeWalk()
    {
        ScriptedPrompter prompts;
        lines[0] = Jump(2);
        lines[1] = Jump(3);
        lines[2] = Jump(2);
        JumpTables tables;
        QVERIFY(!VerifyInformation(labels, lines, true, tables));
        QCOMPARE(prompts.shown.size(), 1);
        QCOMPARE(prompts.shown[0].text,
                 LoopMessage({QStringLiteral("Sequence 01 jumps to 02"), QStringLiteral("Sequence 02 jumps to 03"),
                              QStringLiteral("Sequence 03 jumps to 02")}));
        QCOMPARE(prompts.shown[0].icon, MsgIcon::Critical);
        QCOMPARE(prompts.shown[0].title, QStringLiteral("Infinite jumps detected"));
        QCOMPARE(LastStatus(), QString());
        QCOMPARE(tables.JumpTo[0], int16_t(1));
        QCOMPARE(tables.JumpTo[5], int16_t(-1));
        for (int k = 0; k < kSequenceRows; ++k)
            QCOMPARE(tables.Visited[k], k <= 2);
    }

    void selfJumpAndJumpAfterOtherActions()
    {
        ScriptedPrompter prompts;
        lines[3] = QStringLiteral("Close Relay 'Relay 1', ") + Jump(4);
        QVERIFY(!VerifyInformation(labels, lines, true));
        QCOMPARE(prompts.shown.at(0).text, LoopMessage({QStringLiteral("Sequence 04 jumps to 04")}));
    }

    void onlyTheFirstFailingWalkIsReported()
    {
        ScriptedPrompter prompts;
        lines[9] = Jump(11);
        lines[10] = Jump(10);
        lines[4] = Jump(6);
        lines[5] = Jump(5);
        QVERIFY(!VerifyInformation(labels, lines, true));
        QCOMPARE(prompts.shown.at(0).text,
                 LoopMessage({QStringLiteral("Sequence 05 jumps to 06"), QStringLiteral("Sequence 06 jumps to 05")}));
    }

    void jumpTextInsideAnAsciiStringCounts()
    {
        ScriptedPrompter prompts;
        // The string stands before the real jump, so its number is taken.
        lines[0] = QStringLiteral("Send ASCII 'say jump sequence '01' now', ") + Jump(2);
        JumpTables tables;
        ExtractJumps(lines, tables);
        QCOMPARE(tables.JumpTo[0], int16_t(0));
        QVERIFY(!VerifyInformation(labels, lines, true));
        QCOMPARE(prompts.shown.at(0).text, LoopMessage({QStringLiteral("Sequence 01 jumps to 01")}));
    }

    void unusableTargetsEndTheWalk()
    {
        const TestProgramFolder folder;
        ScriptedPrompter prompts;
        lines[0] = Jump(25);
        lines[1] = QStringLiteral("Jump Sequence '00'");
        lines[2] = QStringLiteral("Jump Sequence '03");        // no closing quote
        lines[3] = QStringLiteral("Jump Sequence '99999'");    // beyond a 16-bit integer
        lines[4] = QStringLiteral("Jump Sequence '-3'");
        JumpTables tables;
        QVERIFY(VerifyInformation(labels, lines, true, tables));
        QVERIFY(prompts.shown.isEmpty());
        QCOMPARE(tables.JumpTo[0], int16_t(24));
        QCOMPARE(tables.JumpTo[1], int16_t(-1));
        QCOMPARE(tables.JumpTo[2], int16_t(-1));
        QCOMPARE(tables.JumpTo[3], int16_t(-1));
        QCOMPARE(tables.JumpTo[4], int16_t(-4));
        const QString log = LogText(folder);
        QVERIFY2(log.contains(QStringLiteral("Error 9 (Subscript out of range) in procedure FollowJumps of Form frmMain")),
                 qPrintable(log));
        QVERIFY(log.contains(QStringLiteral("Error 6 (Overflow) in procedure ExtractJumps of Form frmMain")));
    }

    void textsBuiltFromTheModel()
    {
        UnitConfig config;
        config.SeqLabel[0] = "ab";
        config.SeqContents[0] = QByteArray("\x02\x01\x09\x11\xff", 5);
        const SequenceTexts texts = SequenceListTexts(config);
        QCOMPARE(texts.labels.size(), kSequenceRows);
        QCOMPARE(texts.labels[0], QStringLiteral("AB"));
        QCOMPARE(texts.lines[0], QStringLiteral("Close Relay 'Relay 1', Jump Sequence '05'"));
        QCOMPARE(texts.lines[1], QString());
        QCOMPARE(config.SeqContents[0].size(), 5);   // the model is not touched
    }
};

QTEST_GUILESS_MAIN(TestVerification)
#include "tst_verification.moc"

// Differences between two configurations in the listing's own form.
#include "configdiff.h"
#include "configlisting.h"
#include "defaultconfig.h"
#include "unitconfig.h"

#include <QTest>

class TestConfigDiff : public QObject {
    Q_OBJECT
private slots:
    void equalConfigurationsHaveNoDifference()
    {
        const UnitConfig c = DefaultConfig();
        QVERIFY(ConfigDifferences(c, c).isEmpty());
        // The pad a write leaves after a sequence is no difference.
        UnitConfig padded = c;
        padded.SeqContents[0] += char(0xFF);
        QVERIFY(ConfigDifferences(c, padded).isEmpty());
    }

    void labelStringAndPasswordEachShowBothSides()
    {
        const UnitConfig a = DefaultConfig();
        UnitConfig b = a;
        b.SeqLabel[1] = "XY";
        b.ASCIIStrings[4] = "ATDT/13/";
        b.PassWord = "4444";
        const QStringList d = ConfigDifferences(a, b);
        const QStringList expected{
            "Settings:",
            "- Password: 7391",
            "+ Password: 4444",
            "Sequences:",
            "- 02 [02] Send ASCII 'StringB'",
            "+ 02 [XY] Send ASCII 'StringB'",
            "ASCII strings (flag character /):",
            "- 05 StringE",
            "+ 05 ATDT/13/",
        };
        QCOMPARE(d, expected);
    }

    // A sequence that sends a changed string is itself unchanged; each side
    // names its own string where a sequence did change.
    void sequencesCompareByTheirOwnBytes()
    {
        const UnitConfig a = DefaultConfig();
        UnitConfig b = a;
        b.ASCIIStrings[0] = "Hello";
        QStringList d = ConfigDifferences(a, b);
        QCOMPARE(d, (QStringList{"ASCII strings (flag character /):", "- 01 StringA", "+ 01 Hello"}));

        b.SeqContents[0] = QByteArray("\x00\x00\x02\x01", 4);
        b.SeqContentsLen[0] = 2;
        d = ConfigDifferences(a, b);
        QVERIFY(d.contains("- 01 [01] Send ASCII 'StringA'"));
        QVERIFY(d.contains("+ 01 [01] Send ASCII 'Hello', Close Relay 'Relay 1'"));
    }

    void settingsOptionsAndEventsAreListed()
    {
        const UnitConfig a = DefaultConfig();
        UnitConfig b = a;
        b.Rings = 9;
        b.DisconnectInfo = WithInfoEnabled(WithInfoSlot(0, 4), true);
        SetOptionOn(b, 4, !OptionOn(a, 4));
        const QStringList d = ConfigDifferences(a, b);
        QVERIFY(d.contains("- Rings: 1"));
        QVERIFY(d.contains("+ Rings: 9"));
        QVERIFY(d.contains("+ Disconnect: on, sequence 05"));
        // The options' title holds their bytes: it differs too.
        QVERIFY(d.filter(QRegularExpression("^[-+] Options \\(")).size() == 2);
        QVERIFY(d.contains(OptionOn(b, 4) ? "+ Auto-Ans: ON" : "+ Auto-Ans: OFF"));
        QVERIFY(!d.contains("Sequences:"));
    }

    // Nothing reaches a terminal raw, on either side.
    void differencesAreEscaped()
    {
        const UnitConfig a = DefaultConfig();
        UnitConfig b = a;
        b.ASCIIStrings[2] = "\x1b[2J";
        const QStringList d = ConfigDifferences(a, b);
        QVERIFY(d.contains("+ 03 \\x1B[2J"));
    }

    // The dump's form: each title, the lines indented by two blanks.
    void listingKeepsItsForm()
    {
        const QString listing = ConfigListing(DefaultConfig());
        QVERIFY(listing.startsWith("Settings:\n  Rings: 1\n"));
        QVERIFY(listing.contains("\nSequences:\n  01 [01] Send ASCII 'StringA'\n"));
        QVERIFY(listing.endsWith("  20 StringT\n"));
    }
};

QTEST_GUILESS_MAIN(TestConfigDiff)
#include "tst_configdiff.moc"

// Units that answer late or flood the line, as kv310ctl meets them on a
// pseudo-terminal with the protocol's own times: whatever the delay, a
// command either ends with the unit and the file alike or fails naming
// what failed. It never says "successful" over a difference.
#include "datafile.h"
#include "defaultconfig.h"
#include "filebytes.h"
#include "simprocess.h"
#include "toolrun.h"
#include "unitconfig.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>

namespace {
ToolRun ctl(const QStringList& args)
{
    return RunTool(SimProcess::binary(QStringLiteral("kv310ctl")), args);
}

// A configuration unlike the simulator's in both memories.
UnitConfig changedConfig()
{
    UnitConfig c = DefaultConfig();
    c.Rings = 6;
    c.SeqLabel[3] = "NEW";
    c.SeqLabelLen[3] = 3;
    c.SeqContents[4] = QByteArray::fromHex("0201");
    c.SeqContentsLen[4] = 1;
    c.ASCIIStrings[6] = "late /13/";
    return c;
}

long childPeakKb()
{
    rusage usage {};
    getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_maxrss;
}
} // namespace

class TestSlowUnit : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        SimProcess sim(21);
        QVERIFY(sim.start({"--unpaced"}));
        const QString file = dir.filePath("reference.dtd");
        QCOMPARE(ctl({"download", "--port", sim.device(), "--out", file}).code, 0);
        reference = ReadBytes(file);
        QVERIFY(!reference.isEmpty());
        QVERIFY(ExportKV310File(dir.filePath("changed.dtd"), changedConfig()));
    }

    void repliesUpTo60msLate() { sweep({0, 60}); }
    void replies100To130msLate() { sweep({100, 130}); }
    void replies150To180msLate() { sweep({150, 180}); }
    void replies220To300msLate() { sweep({220, 300}); }

    // Noise without end after the EEPROM read: the download fails at the
    // first block, at once, in bounded memory.
    void floodingUnit()
    {
        SimProcess sim(22);
        QVERIFY(sim.start({"--unpaced", "--flood-after-eeprom"}));
        const QString file = dir.filePath("flood.dtd");
        QElapsedTimer clock;
        clock.start();
        const ToolRun r = ctl({"download", "--port", sim.device(), "--out", file});
        QCOMPARE(r.code, 1);
        QVERIFY2(clock.elapsed() < 15000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY2(r.err.contains("Download failed: the reply to sequence #01"), r.err.constData());
        QVERIFY(!r.err.contains("Download successful"));
        QVERIFY(!QFile::exists(file));
        QVERIFY2(childPeakKb() < 64 * 1024, qPrintable(QString::number(childPeakKb())));
    }

private:
    void sweep(const QList<int>& delays)
    {
        for (const int delay : delays) {
            SimProcess sim(30 + delay % 50);
            QVERIFY(sim.start({"--unpaced", "--slow", QString::number(delay)}));
            const QString where = QStringLiteral("%1 ms late").arg(delay);
            const QString file = dir.filePath(QStringLiteral("late%1.dtd").arg(delay));
            const ToolRun d = ctl({"download", "--port", sim.device(), "--out", file});
            if (d.code == 0) {
                QVERIFY2(d.err.contains("Download successful"), qPrintable(where));
                QVERIFY2(ReadBytes(file) == reference, qPrintable(where + ": the file differs from the unit"));
            } else {
                QVERIFY2(d.err.contains("Download failed: "), qPrintable(where + ": " + d.err));
                QVERIFY2(!d.err.contains("successful"), qPrintable(where));
                QVERIFY2(!QFile::exists(file), qPrintable(where));
            }

            const QTemporaryDir backups;
            const ToolRun u = ctl({"upload", "--backup-dir", backups.path(), "--port", sim.device(),
                                   dir.filePath("changed.dtd")});
            if (u.code != 0) {
                QVERIFY2(u.err.contains("Upload failed: "), qPrintable(where + ": " + u.err));
                QVERIFY2(!u.err.contains("Upload successful"), qPrintable(where));
                continue;
            }
            QVERIFY2(u.err.contains("Upload successful"), qPrintable(where));
            const QString after = dir.filePath(QStringLiteral("after%1.dtd").arg(delay));
            const ToolRun check = ctl({"download", "--port", sim.device(), "--out", after});
            QVERIFY2(check.code == 0, qPrintable(where + ": " + check.err));
            const ToolRun same = ctl({"diff", dir.filePath("changed.dtd"), after});
            QVERIFY2(same.code == 0, qPrintable(where + ": the unit differs from the file:\n" + same.out));
        }
    }

    QTemporaryDir dir;
    QByteArray reference;
};

QTEST_GUILESS_MAIN(TestSlowUnit)
#include "tst_slowunit.moc"

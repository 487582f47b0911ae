// kv310ctl as a user runs it: against the real simulator, on real files.
#include "datafile.h"
#include "defaultconfig.h"
#include "eepromdata.h"
#include "filebytes.h"
#include "qtserialport.h"
#include "simprocess.h"
#include "testfolder.h"
#include "toolrun.h"
#include "unitconfig.h"
#include "unitlink.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <functional>
#include <sys/resource.h>
#include <unistd.h>

namespace {
using Run = ToolRun;

// Runs kv310ctl; `inChild` runs in the child before the program starts.
Run ctl(const QStringList& args, const std::function<void()>& inChild = {})
{
    return RunTool(SimProcess::binary(QStringLiteral("kv310ctl")), args, inChild);
}

} // namespace

class TestKv310Ctl : public QObject {
    Q_OBJECT
private slots:
    void init() { sim = std::make_unique<SimProcess>(); }
    void cleanup() { sim.reset(); }

    void downloadThenDump()
    {
        QVERIFY(sim->start({"--unpaced", "--firmware", "7"}));
        const QString file = dir.filePath("unit.dtd");
        const Run d = ctl({"download", "--port", sim->device(), "--out", file});
        QCOMPARE(d.code, 0);
        QVERIFY(d.err.contains("Download successful"));
        QVERIFY(d.err.contains("Firmware: v7"));
        const Run l = ctl({"dump", file});
        QCOMPARE(l.code, 0);
        QVERIFY(l.out.contains("  01 [01] Send ASCII 'StringA'\n"));
        QVERIFY(l.out.contains("  20 [20] Send ASCII 'StringT'\n"));
        QVERIFY(l.out.contains("  Feedback: ON\n"));
        QVERIFY(l.out.contains("  PW Check: OFF\n"));
        QVERIFY(l.out.contains("  Password: 7391\n"));
        QVERIFY(l.out.contains("  05 StringE\n"));
    }

    void toolAndLinkDownloadTheSameFile()
    {
        QVERIFY(sim->start({"--unpaced"}));
        const QString file = dir.filePath("tool.dtd");
        QCOMPARE(ctl({"download", "--port", sim->portText(), "--out", file}).code, 0);

        // The same read through the link in this process, from the defaults.
        TestProgramFolder folder;
        UnitConfig config = DefaultConfig();
        QtSerialPort port;
        UnitLink link(&port, config);
        QVERIFY(link.connectUnit(sim->portText()));
        QCOMPARE(link.download(), TransferResult::Ok);
        link.disconnectUnit();
        const QByteArray tool = ReadBytes(file);
        QVERIFY(!tool.isEmpty());
        QCOMPARE(tool, ExportKV310Bytes(config));
    }

    void uploadWritesTheFileDifferences()
    {
        QVERIFY(sim->start({"--unpaced"}));
        UnitConfig c = DefaultConfig();
        c.Rings = 5;
        c.SeqContents[0] = QByteArray::fromHex("0201");
        const QString file = dir.filePath("changed.dtd");
        QVERIFY(ExportKV310File(file, c));

        const Run settings = ctl({"upload", "--port", sim->device(), file, "--settings-only"});
        QCOMPARE(settings.code, 0);
        SimState s = sim->state();
        QCOMPARE(uint8_t(s.eeprom.at(Eeprom::kSettings)), uint8_t(5));
        QVERIFY(s.blockWrites().isEmpty());

        QCOMPARE(ctl({"upload", "--port", sim->device(), file}).code, 0);
        s = sim->state();
        QCOMPARE(s.blockWrites().size(), 1);
        QCOMPARE(s.blockWrites().first().data, QByteArray::fromHex("010201ff"));
    }

    void verificationFailureStopsTheUpload()
    {
        QVERIFY(sim->start({"--unpaced"}));
        UnitConfig c = DefaultConfig();
        c.SeqLabel[6] = "01";   // same as sequence 01
        const QString file = dir.filePath("duplicate.dtd");
        QVERIFY(ExportKV310File(file, c));
        const Run r = ctl({"upload", "--port", sim->device(), file});
        QCOMPARE(r.code, 1);
        QVERIFY(r.err.contains("Following labels are not unique"));
        QVERIFY(sim->state().writes.isEmpty());
    }

    // The saved file may grow no further than a few hundred bytes: with
    // the default signal the tool is killed in the middle of its save, with
    // the signal ignored the write fails as on a full disk.
    void interruptedSaveKeepsTheOldFile()
    {
        QVERIFY(sim->start({"--unpaced"}));
        const QTemporaryDir saveDir;
        const QString file = saveDir.filePath("kept.dtd");
        const QByteArray old = DefaultConfigBytes();
        {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(old);
        }
        const auto limitFileSize = [] {
            const rlimit limit{600, 600};
            setrlimit(RLIMIT_FSIZE, &limit);
        };
        const QStringList args{"download", "--port", sim->device(), "--out", file};
        const Run killed = ctl(args, limitFileSize);
        QCOMPARE(killed.code, -1);   // died of the signal
        QCOMPARE(ReadBytes(file), old);

        const Run full = ctl(args, [limitFileSize] {
            std::signal(SIGXFSZ, SIG_IGN);
            limitFileSize();
        });
        QCOMPARE(full.code, 1);
        QVERIFY2(full.err.contains(("Unable to save/export " + file).toLocal8Bit()), full.err.constData());
        QVERIFY(!full.err.contains("Saved"));
        QCOMPARE(ReadBytes(file), old);
        QCOMPARE(QDir(saveDir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"kept.dtd"});
    }

    // Every byte of every field shows, none reaches the terminal raw, and a
    // listing that cannot be written whole is a failure.
    void dumpPrintsEveryByteEscaped()
    {
        UnitConfig c = DefaultConfig();
        c.ASCIIStrings[0] = QByteArray("AB\0CD", 5);
        c.ASCIIStrings[1] = "\x1b[2J\x1b]0;owned\x07\r\nX\xff";
        c.PassWord = QByteArray("1\x00" "9\x9b", 4);
        c.SeqLabel[2] = QByteArray("A\nB", 3);
        // A name that is not UTF-8 ("café" in Latin-1) is still opened.
        const QByteArray latin1Name = QFile::encodeName(dir.path()) + "/caf\xe9.dtd";
        const QString utf8Name = dir.filePath("ok.dtd");
        QVERIFY(ExportKV310File(utf8Name, c));
        QCOMPARE(::rename(QFile::encodeName(utf8Name).constData(), latin1Name.constData()), 0);
        // QDir cannot name it to remove it.
        const auto removeLatin1 = qScopeGuard([&] { ::unlink(latin1Name.constData()); });

        QProcess p;
        p.start("/bin/sh", {"-c", "exec \"$0\" dump \"$(printf '%s/caf\\351.dtd' \"$1\")\"",
                            SimProcess::binary("kv310ctl"), dir.path()});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 0);
        const QByteArray out = p.readAllStandardOutput();
        QVERIFY2(out.contains("  01 AB\\x00CD\n"), out.constData());
        QVERIFY(out.contains("  02 \\x1B[2J\\x1B]0;owned\\x07\\x0D\\x0AX\\xFF\n"));
        QVERIFY(out.contains("  Password: 1\\x009\\x9B\n"));
        QVERIFY(out.contains("  03 [A\\x0AB]"));
        for (const char b : out)
            QVERIFY(b == '\n' || (b >= 0x20 && b <= 0x7E));

        QProcess toFull;
        toFull.setStandardOutputFile("/dev/full");
        QVERIFY(ExportKV310File(utf8Name, c));
        toFull.start(SimProcess::binary("kv310ctl"), {"dump", utf8Name});
        QVERIFY(toFull.waitForFinished(60000));
        QCOMPARE(toFull.exitCode(), 1);
        QVERIFY(toFull.readAllStandardError().contains("Unable to print the whole listing: No space left on device"));
    }

    void exitCodes()
    {
        QCOMPARE(ctl({}).code, 2);
        QCOMPARE(ctl({"bogus"}).code, 2);
        QCOMPARE(ctl({"dump"}).code, 2);
        QCOMPARE(ctl({"download", "--out", dir.filePath("x.dtd")}).code, 2);
        QCOMPARE(ctl({"upload", "--port", "Com3"}).code, 2);
        QCOMPARE(ctl({"upload", "--port", "Com3", "a.dtd", "--settings-only", "--flash-only"}).code, 2);
        QCOMPARE(ctl({"dump", dir.filePath("missing.dtd")}).code, 1);
        QVERIFY(sim->start({"--unpaced", "--mute"}));
        const Run r = ctl({"download", "--port", sim->device(), "--out", dir.filePath("m.dtd")});
        QCOMPARE(r.code, 1);
        QVERIFY(r.err.contains("Unable to connect on port"));
        QVERIFY(!QFile::exists(dir.filePath("m.dtd")));
    }

private:
    QTemporaryDir dir;
    std::unique_ptr<SimProcess> sim;
};

QTEST_GUILESS_MAIN(TestKv310Ctl)
#include "tst_kv310ctl.moc"

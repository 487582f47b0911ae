// kv310ctl as a user runs it: against the real simulator, on real files.
#include "datafile.h"
#include "defaultconfig.h"
#include "eepromdata.h"
#include "filebytes.h"
#include "qtserialport.h"
#include "simprocess.h"
#include "smalldisk.h"
#include "testfolder.h"
#include "toolrun.h"
#include "unitconfig.h"
#include "unitlink.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/stat.h>
#include <sys/sysmacros.h>
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

    // The file's option bits are what the unit gets: connecting does not put
    // the unit's into the file first, and the preview lists them.
    void uploadWritesTheFilesOptions()
    {
        QVERIFY(sim->start({"--unpaced"}));
        QCOMPARE(sim->state().eeprom.mid(254, 2), QByteArray("\x44\x0E"));
        UnitConfig c = DefaultConfig();
        c.Settings = {0x40, 0x06};   // Inact Tmr and Ser Echo on as well
        const QString file = dir.filePath("options.dtd");
        QVERIFY(ExportKV310File(file, c));
        const QTemporaryDir backups;
        const Run preview = ctl({"upload", "--dry-run", "--backup-dir", backups.path(), "--port", sim->device(), file});
        QCOMPARE(preview.code, 0);
        QVERIFY2(preview.out.contains("- Options (44 0e):\n+ Options (40 06):\n"), preview.out.constData());
        QVERIFY(preview.out.contains("+ Ser Echo: ON\n"));
        QCOMPARE(sim->state().eeprom.mid(254, 2), QByteArray("\x44\x0E"));
        const Run r = ctl({"upload", "--backup-dir", backups.path(), "--port", sim->device(), file});
        QCOMPARE(r.code, 0);
        QCOMPARE(sim->state().eeprom.mid(254, 2), QByteArray("\x40\x06"));
        QCOMPARE(ReadBytes(file), ExportKV310Bytes(c));
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

    void diffListsEveryDifference()
    {
        const QString a = dir.filePath("a.dtd");
        const QString b = dir.filePath("b.dtd");
        UnitConfig c = DefaultConfig();
        QVERIFY(ExportKV310File(a, c));
        c.SeqLabel[1] = "XY";
        c.ASCIIStrings[4] = "ATDT/13/";
        c.PassWord = "4444";
        QVERIFY(ExportKV310File(b, c));

        const Run same = ctl({"diff", a, a});
        QCOMPARE(same.code, 0);
        QVERIFY(same.out.isEmpty());
        const Run different = ctl({"diff", a, b});
        QCOMPARE(different.code, 1);
        QCOMPARE(different.out, QByteArray("Settings:\n"
                                           "- Password: 7391\n"
                                           "+ Password: 4444\n"
                                           "Sequences:\n"
                                           "- 02 [02] Send ASCII 'StringB'\n"
                                           "+ 02 [XY] Send ASCII 'StringB'\n"
                                           "ASCII strings (flag character /):\n"
                                           "- 05 StringE\n"
                                           "+ 05 ATDT/13/\n"));
        QCOMPARE(ctl({"diff", a}).code, 2);
        QCOMPARE(ctl({"diff", a, dir.filePath("missing.dtd")}).code, 2);
        WriteBytes(dir.filePath("cut.dtd"), ReadBytes(a).left(100));
        QCOMPARE(ctl({"diff", dir.filePath("cut.dtd"), a}).code, 2);
    }

    // Files that differ in a field the listing's lines of actions and
    // labels do not show still differ, and say where.
    void diffShowsEveryField_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QByteArray>("removed");
        QTest::addColumn<QByteArray>("added");
        QTest::newRow("SeqLabelNum") << "SeqLabelNum" << QByteArray("- 04 count 1, label length 2, label number 0, start address 00 00")
                                     << QByteArray("+ 04 count 1, label length 2, label number 9, start address 00 00");
        QTest::newRow("SeqStartAddrHB") << "SeqStartAddrHB" << QByteArray("- 04 count 1, label length 2, label number 0, start address 00 00")
                                        << QByteArray("+ 04 count 1, label length 2, label number 0, start address 12 00");
        QTest::newRow("SeqStartAddrLB") << "SeqStartAddrLB" << QByteArray("- 04 count 1, label length 2, label number 0, start address 00 00")
                                        << QByteArray("+ 04 count 1, label length 2, label number 0, start address 00 34");
        QTest::newRow("SeqContentsLen") << "SeqContentsLen" << QByteArray("- 04 count 1, label length 2, label number 0, start address 00 00")
                                        << QByteArray("+ 04 count 3, label length 2, label number 0, start address 00 00");
        QTest::newRow("SeqLabelLen") << "SeqLabelLen" << QByteArray("- 04 count 1, label length 2, label number 0, start address 00 00")
                                     << QByteArray("+ 04 count 1, label length 1, label number 0, start address 00 00");
    }
    void diffShowsEveryField()
    {
        QFETCH(QString, field);
        QFETCH(QByteArray, removed);
        QFETCH(QByteArray, added);
        UnitConfig c = DefaultConfig();
        c.SeqContentsLen[3] = 1;
        c.SeqLabelLen[3] = 2;
        c.SeqLabelNum[3] = 0;
        c.SeqStartAddrHB[3] = 0;
        c.SeqStartAddrLB[3] = 0;
        const QString a = dir.filePath(field + "-a.dtd");
        const QString b = dir.filePath(field + "-b.dtd");
        QVERIFY(ExportKV310File(a, c));
        if (field == "SeqLabelNum")
            c.SeqLabelNum[3] = 9;
        else if (field == "SeqStartAddrHB")
            c.SeqStartAddrHB[3] = 0x12;
        else if (field == "SeqStartAddrLB")
            c.SeqStartAddrLB[3] = 0x34;
        else if (field == "SeqContentsLen")
            c.SeqContentsLen[3] = 3;
        else
            c.SeqLabelLen[3] = 1;
        QVERIFY(ExportKV310File(b, c));
        const Run r = ctl({"diff", a, b});
        QCOMPARE(r.code, 1);
        QCOMPARE(r.out, "Slots:\n" + removed + "\n" + added + "\n");
        QVERIFY(ctl({"dump", b}).out.contains("  " + added.mid(2) + "\n"));
    }

    // A dry run only reads, also when the unit reports a power failure: the
    // report stays, and the preview says the upload would clear it.
    void dryRunLeavesAReportedPowerFailure()
    {
        QVERIFY(sim->start({"--unpaced", "--power-fail"}));
        UnitConfig c = DefaultConfig();
        c.Rings = 8;
        const QString file = dir.filePath("rings.dtd");
        QVERIFY(ExportKV310File(file, c));
        const QTemporaryDir backups;
        const Run r = ctl({"upload", "--dry-run", "--backup-dir", backups.path(), "--port", sim->device(), file});
        QCOMPARE(r.code, 0);
        QVERIFY2(r.out.contains("- Power failure: reported\n+ Power failure: cleared\n"), r.out.constData());
        const SimState after = sim->state();
        QVERIFY(after.writes.isEmpty());
        QVERIFY(uint8_t(after.eeprom.at(Eeprom::kPowerStatus)) & Eeprom::kPowerFailBit);
    }

    void dryRunListsAndWritesNothing()
    {
        QVERIFY(sim->start({"--unpaced"}));
        const SimState before = sim->state();
        UnitConfig c = DefaultConfig();
        c.SeqLabel[1] = "XY";
        const QString file = dir.filePath("label.dtd");
        QVERIFY(ExportKV310File(file, c));
        const QTemporaryDir backups;
        const Run r = ctl({"upload", "--dry-run", "--backup-dir", backups.path(), "--port", sim->device(), file});
        QCOMPARE(r.code, 0);
        QVERIFY2(r.out.contains("- 02 [02] Send ASCII 'StringB'\n+ 02 [XY] Send ASCII 'StringB'\n"), r.out.constData());
        const SimState after = sim->state();
        QVERIFY(after.writes.isEmpty());
        QCOMPARE(after.eeprom, before.eeprom);
        QCOMPARE(after.blocks, before.blocks);
        QVERIFY(QDir(backups.path()).isEmpty());
    }

    // The backup holds what the unit held before; the written memories are
    // read back after the writes.
    void uploadKeepsABackupAndReadsBack()
    {
        QVERIFY(sim->start({"--unpaced"}));
        const QString held = dir.filePath("held.dtd");
        QCOMPARE(ctl({"download", "--port", sim->device(), "--out", held}).code, 0);
        UnitConfig c = DefaultConfig();
        c.SeqLabel[1] = "XY";
        c.ASCIIStrings[2] = "new";
        const QString file = dir.filePath("new.dtd");
        QVERIFY(ExportKV310File(file, c));
        const QTemporaryDir backups;
        const SimState before = sim->state();
        const Run r = ctl({"upload", "--backup-dir", backups.path(), "--port", sim->device(), file});
        QCOMPARE(r.code, 0);
        const QStringList saved = QDir(backups.path()).entryList(QDir::Files);
        QCOMPARE(saved.size(), 1);
        QVERIFY(QRegularExpression("^000001_\\d{4}-\\d\\d-\\d\\d_\\d\\d-\\d\\d-\\d\\d_pts-\\d+\\.dtd$").match(saved[0]).hasMatch());
        QCOMPARE(ReadBytes(backups.filePath(saved[0])), ReadBytes(held));
        QVERIFY(r.err.contains(("(backup " + saved[0] + ")").toUtf8()));
        const SimState after = sim->state();
        QCOMPARE(after.writes.size(), 4);   // settings, options, label, string
        // Connecting only probes; one EEPROM image and 40 blocks before the
        // writes; after them the EEPROM and the one block written.
        QCOMPARE(after.eepromReads - before.eepromReads, 2);
        QCOMPARE(after.blockReads - before.blockReads, 41);
        QVERIFY(r.err.contains("Verifying the upload..."));
        QVERIFY(r.err.indexOf("Verifying the upload...") > r.err.indexOf("Changes to FLASH data uploaded successfully"));
    }

    void lostWriteFailsTheUpload()
    {
        QVERIFY(sim->start({"--unpaced", "--drop-write", "3"}));
        UnitConfig c = DefaultConfig();
        c.SeqLabel[1] = "XY";
        const QString file = dir.filePath("lost.dtd");
        QVERIFY(ExportKV310File(file, c));
        const QTemporaryDir backups;
        const Run r = ctl({"upload", "--backup-dir", backups.path(), "--port", sim->device(), file});
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains("- 02 [XY] Send ASCII 'StringB'\n+ 02 [02] Send ASCII 'StringB'"), r.err.constData());
        QVERIFY(r.err.contains("Upload failed: read back, the unit does not hold what was written."));
        QVERIFY(!r.err.contains("Upload successful"));
        // Without the read-back the same loss goes unseen.
        const Run unverified = ctl({"upload", "--no-verify", "--backup-dir", backups.path(), "--port", sim->device(), file});
        QCOMPARE(unverified.code, 0);
        QVERIFY(!unverified.err.contains("Verifying the upload"));
    }

    void traceHoldsEveryChunk()
    {
        QVERIFY(sim->start({"--unpaced"}));
        const QString trace = dir.filePath("trace.log");
        QCOMPARE(ctl({"--trace", trace, "download", "--port", sim->device(), "--out", dir.filePath("t.dtd")}).code, 0);
        const QList<QByteArray> lines = ReadBytes(trace).split('\n');
        QVERIFY(lines.size() > 100);
        // "jrm" goes out a byte at a time.
        qsizetype j = -1;
        for (qsizetype i = 0; i + 2 < lines.size() && j < 0; ++i)
            if (lines[i].endsWith("TX 6a  j") && lines[i + 1].endsWith("TX 72  r") && lines[i + 2].endsWith("TX 6d  m"))
                j = i;
        QVERIFY(j >= 0);
        // The EEPROM reply: everything received between 0xD1 and the next byte sent.
        QByteArray reply;
        bool inReply = false;
        for (const QByteArray& line : lines) {
            if (line.contains(" TX "))
                inReply = line.endsWith("TX d1  .") && reply.isEmpty();
            else if (inReply && line.contains(" RX ")) {
                const QByteArray hex = line.mid(line.indexOf(" RX ") + 4);
                reply += QByteArray::fromHex(hex.left(hex.indexOf("  ")));
            }
        }
        QCOMPARE(reply.size(), Eeprom::kReplySize);
        QCOMPARE(reply.left(Eeprom::kSize), sim->state().eeprom);
        QVERIFY(reply.endsWith('i'));
        QCOMPARE(ctl({"--trace", dir.filePath("no/such/folder/t.log"), "dump", dir.filePath("t.dtd")}).code, 1);
    }

    // The trace is a new file of its own: a FIFO, a device, a link or a file
    // of the command is refused before anything else happens and left as it
    // was; a regular file is replaced without being written through.
    void traceIsANewFileOfItsOwn()
    {
        QVERIFY(sim->start({"--unpaced"}));
        const QTemporaryDir own;   // private, as a user's folder
        const QString out = own.filePath("out.dtd");
        const auto download = [&](const QString& trace) {
            return ctl({"--trace", trace, "download", "--port", sim->device(), "--out", out});
        };
        const auto refused = [&](const Run& r, const QString& trace) {
            return r.code == 2 && r.err.startsWith(("Unable to write the trace " + trace + ": ").toLocal8Bit())
                && !QFile::exists(out) && sim->state().received == 0;
        };
        const QString fifo = own.filePath("fifo");
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        Run r = download(fifo);
        QVERIFY2(refused(r, fifo), r.err.constData());
        QVERIFY(r.err.contains("It is not a regular file."));
        QVERIFY(QFileInfo(fifo).isFile() == false && QFileInfo::exists(fifo));

        const QString node = own.filePath("null");
        if (::mknod(QFile::encodeName(node).constData(), S_IFCHR | 0600, makedev(1, 3)) == 0) {
            r = download(node);
            QVERIFY2(refused(r, node), r.err.constData());
            struct stat st {};
            QCOMPARE(::lstat(QFile::encodeName(node).constData(), &st), 0);
            QVERIFY(S_ISCHR(st.st_mode));
        }

        const QString kept = own.filePath("kept.txt");
        WriteBytes(kept, "keep me");
        const QString link = own.filePath("link.log");
        QVERIFY(QFile::link(kept, link));
        r = download(link);
        QVERIFY2(refused(r, link), r.err.constData());
        QCOMPARE(ReadBytes(kept), QByteArray("keep me"));

        // The command's own input: nothing is uploaded, the file stays.
        UnitConfig c = DefaultConfig();
        c.Rings = 9;
        const QString input = own.filePath("input.dtd");
        QVERIFY(ExportKV310File(input, c));
        const QByteArray inputBytes = ReadBytes(input);
        r = ctl({"--trace", input, "upload", "--port", sim->device(), input});
        QVERIFY2(r.code == 2 && r.err.contains("a file the command reads or writes"), r.err.constData());
        QCOMPARE(ReadBytes(input), inputBytes);
        QCOMPARE(ctl({"--trace", out, "download", "--port", sim->device(), "--out", out}).code, 2);
        QVERIFY(sim->state().writes.isEmpty());
        QCOMPARE(sim->state().received, qint64(0));

        // A regular file is replaced by a new one; another name of it keeps
        // what it held.
        const QString old = own.filePath("old.log");
        WriteBytes(old, "old trace");
        const QString other = own.filePath("other-name.log");
        QCOMPARE(::link(QFile::encodeName(old).constData(), QFile::encodeName(other).constData()), 0);
        QCOMPARE(download(old).code, 0);
        QVERIFY(ReadBytes(old).contains(" TX 6a  j"));
        QCOMPARE(ReadBytes(other), QByteArray("old trace"));
        QCOMPARE(QFileInfo(old).permissions() & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());
    }

    // A trace that cannot be written fails the command, saying why.
    void traceOnAFullDiskFailsTheCommand()
    {
        QVERIFY(sim->start({"--unpaced"}));
        const SmallDisk disk;
        if (!disk.ok())
            QSKIP("no tmpfs can be mounted here (needs root)");
        QVERIFY(disk.fill());
        const QString trace = disk.file("trace.log");
        const Run r = ctl({"--trace", trace, "download", "--port", sim->device(), "--out", dir.filePath("t.dtd")});
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains(("Unable to write the trace " + trace + ": No space left on device").toLocal8Bit()),
                 r.err.constData());
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
        // Bad usage shows the commands once; a file that cannot be read is
        // named, without the commands.
        const Run bad = ctl({"diff", dir.filePath("only.dtd")});
        QCOMPARE(bad.code, 2);
        QCOMPARE(bad.err.count("Commands:"), 1);
        const Run badFw = ctl({"make-dff"});
        QCOMPARE(badFw.code, 2);
        QCOMPARE(badFw.err.count("make-dff HEX"), 1);
        WriteBytes(dir.filePath("only.dtd"), DefaultConfigBytes());
        const Run unreadable = ctl({"diff", dir.filePath("only.dtd"), dir.filePath("missing.dtd")});
        QCOMPARE(unreadable.code, 2);
        QVERIFY(unreadable.err.contains("missing.dtd"));
        QVERIFY(!unreadable.err.contains("Commands:"));
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

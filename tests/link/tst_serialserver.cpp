// kv310ctl through a real ser2net on 127.0.0.1, a simulated unit on a pty
// behind it, over its telnet(rfc2217) accepter and its raw tcp accepter:
// the same files and images as on the local pty, every byte value through,
// and a server that goes away mid-transfer said once, with nothing
// reported as written after it.
#include "datafile.h"
#include "faultproxy.h"
#include "defaultconfig.h"
#include "filebytes.h"
#include "hexfixture.h"
#include "ser2netprocess.h"
#include "simprocess.h"
#include "textforms.h"
#include "toolrun.h"
#include "unitconfig.h"

#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <csignal>
#include <memory>

using namespace fixture;

namespace {
// ser2net closes the device a moment after a client left; until then it
// turns the next one away.
constexpr int kServerLetsGoMs = 500;

ToolRun ctl(const QStringList& args, int timeoutMs = 120000)
{
    const ToolRun r = RunTool(SimProcess::binary(QStringLiteral("kv310ctl")), args, {}, timeoutMs);
    QTest::qWait(kServerLetsGoMs);
    return r;
}

// Every byte value, 0 to 255, in the strings (13 a string, as codes).
UnitConfig EveryByteConfig()
{
    UnitConfig c = DefaultConfig();
    for (int i = 0; i < kSlotCount; ++i) {
        QByteArray raw;
        for (int b = i * 13; b < qMin(256, (i + 1) * 13); ++b)
            raw += char(b);
        c.ASCIIStrings[i] = EncodeASCIICodes(raw, char(c.ASCIIFlagChar), false);
    }
    c.Rings = 9;
    c.SeqLabel[2] = "NET";
    c.SeqLabelLen[2] = 3;
    return c;
}

// A firmware file whose program holds every byte value.
QByteArray EveryByteProgram()
{
    QByteArray b;
    for (int i = 0; i < 1024; ++i)
        b.append(char(i % 256));
    return b;
}
} // namespace

class TestSerialServer : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (!Ser2NetProcess::installed())
            QSKIP("ser2net is not installed (./test.sh installs it)");
    }

    void downloadAndUploadThroughBothAccepters()
    {
        SimProcess sim(41);
        QVERIFY(sim.start({"--unpaced"}));
        Ser2NetProcess server;
        QVERIFY2(server.start(sim.device()), server.log().constData());
        const QString local = dir.filePath("local.dtd");
        QCOMPARE(ctl({"download", "--port", sim.device(), "--out", local}).code, 0);
        for (const QString& url : {server.rfc2217Url(), server.socketUrl()}) {
            const QString remote = dir.filePath("remote.dtd");
            const ToolRun d = ctl({"download", "--port", url, "--out", remote});
            QVERIFY2(d.code == 0, d.err.constData());
            QVERIFY(d.err.contains(("Connected on " + url).toUtf8()));
            QCOMPARE(ReadBytes(remote), ReadBytes(local));
        }

        // Every byte value through each accepter, written and read back.
        const QString every = dir.filePath("every.dtd");
        QVERIFY(ExportKV310File(every, EveryByteConfig()));
        for (const QString& url : {server.rfc2217Url(), server.socketUrl()}) {
            QVERIFY(ExportKV310File(dir.filePath("back.dtd"), DefaultConfig()));
            QCOMPARE(ctl({"upload", "--backup-dir", dir.filePath("b"), "--port", sim.device(), dir.filePath("back.dtd")}).code, 0);
            const ToolRun u = ctl({"upload", "--backup-dir", dir.filePath("b"), "--port", url, every});
            QVERIFY2(u.code == 0 && u.err.contains("Upload successful"), u.err.constData());
            const QString held = dir.filePath("held.dtd");
            QCOMPARE(ctl({"download", "--port", sim.device(), "--out", held}).code, 0);
            const ToolRun same = ctl({"diff", every, held});
            QVERIFY2(same.code == 0, (url + ":\n" + same.out).toUtf8().constData());
        }
    }

    void flashThroughBothAccepters()
    {
        const QString dff = dir.filePath("every.dff");
        QVERIFY(WriteDff(dff, Kv310Header(), DataRecords(0, EveryByteProgram()) + EepromRecord(0, "\xff\x00\x01") + HexEnd()));
        QByteArray images[3];
        int n = 0;
        for (const int way : {0, 1, 2}) {
            SimProcess boot(42 + way);
            const QString image = dir.filePath(QStringLiteral("image%1").arg(way));
            QVERIFY(boot.start({"--bootloader", "--unitinfo", "0x20", "--unpaced", "--image-out", image}));
            Ser2NetProcess server;
            QString port = boot.device();
            if (way > 0) {
                QVERIFY2(server.start(boot.device()), server.log().constData());
                port = way == 1 ? server.rfc2217Url() : server.socketUrl();
            }
            const QString trace = dir.filePath(QStringLiteral("flash%1.log").arg(way));
            const ToolRun f = ctl({"--trace", trace, "flash", "--port", port, dff, "--yes"});
            QVERIFY2(f.code == 0, (port + ":\n" + f.err + ReadBytes(trace).left(2000) + server.log()).toUtf8().constData());
            boot.stop();
            images[n++] = ReadBytes(image);
            QVERIFY(!images[n - 1].isEmpty());
        }
        QCOMPARE(images[1], images[0]);
        QCOMPARE(images[2], images[0]);
    }

    // The server goes away while the writes go out: one message, no
    // write reported after it, no "successful".
    void serverStoppedMidUpload()
    {
        SimProcess sim(45);
        QVERIFY(sim.start({"--baud", "9600"}));
        Ser2NetProcess server;
        QVERIFY2(server.start(sim.device()), server.log().constData());
        const QString every = dir.filePath("cut.dtd");
        QVERIFY(ExportKV310File(every, EveryByteConfig()));
        QProcess upload;
        upload.start(SimProcess::binary(QStringLiteral("kv310ctl")),
                     {"upload", "--backup-dir", dir.filePath("b"), "--port", server.rfc2217Url(), every});
        QVERIFY(upload.waitForStarted());
        // The reads before take about 3 s at 9600 baud; then the writes.
        QElapsedTimer clock;
        clock.start();
        QByteArray err;
        while (clock.elapsed() < 20000 && !err.contains("Uploading FLASH ASCII string #02")) {
            upload.waitForReadyRead(100);
            err += upload.readAllStandardError();
        }
        QVERIFY2(err.contains("Uploading FLASH ASCII string #02"), err.constData());
        server.stop();
        QVERIFY(upload.waitForFinished(30000));
        err += upload.readAllStandardError();
        QCOMPARE(upload.exitCode(), 1);
        QVERIFY2(err.contains("Upload failed: the connection to the unit was lost."), err.constData());
        QVERIFY(!err.contains("successful (backup"));
        const qsizetype lost = err.indexOf("lost");
        QVERIFY(!err.mid(lost).contains("Uploading"));
        QCOMPARE(err.count("The connection to the unit was lost."), 1);
    }

    // A network between: delayed each way, jittered, cut into chunks. Every
    // command completes byte-exact or fails with one message.
    void through50msEachWay() { throughANetwork({50, 20, 7, -1}); }
    void through100msEachWay() { throughANetwork({100, 30, 5, -1}); }
    void through200msEachWay() { throughANetwork({200, 40, 13, -1}); }

    // The boot loader's answer windows (350 ms) are shorter than this round
    // trip: the answers still come, in the windows after.
    void flashThrough200msEachWay()
    {
        const QString dff = dir.filePath("far.dff");
        QVERIFY(WriteDff(dff, Kv310Header(), DataRecords(0, EveryByteProgram()) + EepromRecord(0, "\xff\x00") + HexEnd()));
        QByteArray images[2];
        for (const int way : {0, 1}) {
            SimProcess boot(60 + way);
            const QString image = dir.filePath(QStringLiteral("far%1").arg(way));
            QVERIFY(boot.start({"--bootloader", "--unitinfo", "0x20", "--unpaced", "--image-out", image}));
            Ser2NetProcess server;
            std::unique_ptr<FaultProxy> proxy;
            QString port = boot.device();
            if (way == 1) {
                QVERIFY2(server.start(boot.device()), server.log().constData());
                proxy = std::make_unique<FaultProxy>(QStringLiteral("127.0.0.1"), quint16(QUrl(server.rfc2217Url()).port()),
                                                     FaultProxy::Faults{200, 40, 9, -1});
                port = QStringLiteral("rfc2217://127.0.0.1:%1").arg(proxy->port());
            }
            const ToolRun f = ctl({"flash", "--port", port, dff, "--yes"});
            QVERIFY2(f.code == 0, f.err.constData());
            boot.stop();
            images[way] = ReadBytes(image);
        }
        QVERIFY(!images[0].isEmpty());
        QCOMPARE(images[1], images[0]);
    }

    // The connection cut at several points of a download, an upload and a
    // flash: one message each time, nothing called successful that was not.
    void connectionCutAtSeveralPoints()
    {
        SimProcess sim(46);
        QVERIFY(sim.start({"--unpaced"}));
        Ser2NetProcess server;
        QVERIFY2(server.start(sim.device()), server.log().constData());
        const QString every = dir.filePath("cutting.dtd");
        QVERIFY(ExportKV310File(every, EveryByteConfig()));
        for (const qint64 cut : {40, 300, 700, 1100}) {
            FaultProxy proxy(QStringLiteral("127.0.0.1"), quint16(QUrl(server.rfc2217Url()).port()), {0, 0, 0, cut});
            QVERIFY(proxy.listening());
            const QString url = QStringLiteral("rfc2217://127.0.0.1:%1").arg(proxy.port());
            const QString out = dir.filePath(QStringLiteral("cut%1.dtd").arg(cut));
            const ToolRun d = ctl({"download", "--port", url, "--out", out});
            QVERIFY2(d.code != 0, d.err.constData());
            QVERIFY2(!d.err.contains("Download successful") && !QFile::exists(out), d.err.constData());
            QVERIFY2(d.err.count("Download failed") + d.err.count("Unable to") == 1, d.err.constData());
            FaultProxy again(QStringLiteral("127.0.0.1"), quint16(QUrl(server.rfc2217Url()).port()), {0, 0, 0, cut});
            const QString url2 = QStringLiteral("rfc2217://127.0.0.1:%1").arg(again.port());
            const ToolRun u = ctl({"upload", "--backup-dir", dir.filePath("b"), "--port", url2, every});
            QVERIFY2(u.code != 0 && !u.err.contains("Upload successful"), u.err.constData());
            QVERIFY2(u.err.count("Upload failed") + u.err.count("Unable to") == 1, u.err.constData());
        }
    }

private:
    void throughANetwork(const FaultProxy::Faults& faults)
    {
        SimProcess sim(47 + faults.delayMs / 50);
        QVERIFY(sim.start({"--unpaced"}));
        Ser2NetProcess server;
        QVERIFY2(server.start(sim.device()), server.log().constData());
        const QString local = dir.filePath(QStringLiteral("local%1.dtd").arg(faults.delayMs));
        QCOMPARE(ctl({"download", "--port", sim.device(), "--out", local}).code, 0);
        FaultProxy proxy(QStringLiteral("127.0.0.1"), quint16(QUrl(server.rfc2217Url()).port()), faults);
        QVERIFY(proxy.listening());
        const QString url = QStringLiteral("rfc2217://127.0.0.1:%1").arg(proxy.port());

        const QString remote = dir.filePath(QStringLiteral("remote%1.dtd").arg(faults.delayMs));
        const ToolRun d = ctl({"download", "--port", url, "--out", remote});
        if (d.code == 0)
            QCOMPARE(ReadBytes(remote), ReadBytes(local));
        else
            QVERIFY2(d.err.count("Download failed") == 1 && !d.err.contains("Download successful"), d.err.right(600).constData());

        const QString every = dir.filePath(QStringLiteral("net%1.dtd").arg(faults.delayMs));
        QVERIFY(ExportKV310File(every, EveryByteConfig()));
        const ToolRun u = ctl({"upload", "--backup-dir", dir.filePath("b"), "--port", url, every});
        if (u.code == 0) {
            const QString held = dir.filePath(QStringLiteral("held%1.dtd").arg(faults.delayMs));
            QCOMPARE(ctl({"download", "--port", sim.device(), "--out", held}).code, 0);
            QVERIFY2(ctl({"diff", every, held}).code == 0, u.err.constData());
        } else {
            QVERIFY2(u.err.count("Upload failed") == 1 && !u.err.contains("Upload successful"), u.err.right(600).constData());
        }
        QVERIFY2(d.code == 0 && u.code == 0, (d.err.right(600) + u.err.right(600)).constData());   // and at these delays, they do complete
    }

    QTemporaryDir dir;
};

QTEST_GUILESS_MAIN(TestSerialServer)
#include "tst_serialserver.moc"

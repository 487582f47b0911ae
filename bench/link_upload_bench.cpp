// Uploads to kv310-sim at 9600 baud: the upload (both memories read first,
// the changes listed, a backup kept, the writes) against the protocol
// floor, and what reading back to verify adds, against one download.
//   link_upload_bench [--baud N]
#include "benchfigures.h"
#include "defaultconfig.h"
#include "linkfloor.h"
#include "qtserialport.h"
#include "simbench.h"
#include "status.h"
#include "unitconfig.h"
#include "unitlink.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>

namespace {
constexpr double kTargetRatio = 1.15;

// A change of one label and one string, different each time.
void Change(UnitConfig& config, int round)
{
    config.SeqLabel[round] = QByteArray::number(50 + round);
    config.SeqLabelLen[round] = 2;
    config.ASCIIStrings[round] = "Changed " + QByteArray::number(round);
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    SimBench bench;
    if (const int code = bench.start("link_upload_bench"))
        return code;
    const int baud = bench.baud();

    UnitConfig config = DefaultConfig();
    QtSerialPort port;
    UnitLink link(&port, config);
    link.setBackupFolder(bench.scratch(QStringLiteral("backups")));
    if (!link.connectUnit(bench.port())) {
        std::fprintf(stderr, "no unit on the simulator's port\n");
        return 1;
    }
    QElapsedTimer clock;
    link.link().counters() = LinkCounters();
    clock.start();
    bool ok = link.download() == TransferResult::Ok;
    const double downloadMs = clock.nsecsElapsed() / 1e6;

    // Without the read-back: the upload as it always was, plus what the
    // preview and the backup cost.
    Change(config, 0);
    link.setVerify(false);
    link.link().counters() = LinkCounters();
    clock.start();
    ok = ok && link.upload(UploadScope::Everything) == TransferResult::Ok;
    const double uploadMs = clock.nsecsElapsed() / 1e6;
    const double floor = ProtocolFloorMs(link.link().counters(), link.link().timing(), baud, "upload");

    // With it: the time from the read-back's start to the end.
    Change(config, 1);
    link.setVerify(true);
    double verifyStartMs = -1;
    SetStatusSink([&](const QString& text) {
        if (text == QLatin1String("Verifying the upload..."))
            verifyStartMs = clock.nsecsElapsed() / 1e6;
    });
    clock.start();
    ok = ok && link.upload(UploadScope::Everything) == TransferResult::Ok;
    const double verifiedMs = clock.nsecsElapsed() / 1e6;
    SetStatusSink({});
    link.disconnectUnit();
    if (!ok || verifyStartMs < 0) {
        std::fprintf(stderr, "a transfer failed\n");
        return 1;
    }
    const double verifyMs = verifiedMs - verifyStartMs;
    std::printf("at %d baud: download %.0f ms; upload without read-back %.0f ms; with it %.0f ms, "
                "of which the read-back %.0f ms\n",
                baud, downloadMs, uploadMs, verifiedMs, verifyMs);
    const double ratio = uploadMs / floor;
    Figure(QStringLiteral("upload (reads, list, backup, writes) / protocol floor"), QString::number(ratio, 'f', 3),
           QStringLiteral("<= %1").arg(kTargetRatio), ratio <= kTargetRatio);
    const double verifyShare = verifyMs / downloadMs;
    Figure(QStringLiteral("upload's read-back / one download"), QString::number(verifyShare, 'f', 3),
           QStringLiteral("<= 1"), verifyShare <= 1);
    return 0;
}

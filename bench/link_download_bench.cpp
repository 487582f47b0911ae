// Full download from kv310-sim at 9600 baud as kv310ctl makes it
// (connecting with the probe only, then the download): wall time against
// the protocol floor, and the CPU time this program spent meanwhile.
//   link_download_bench [--baud N]
#include "benchfigures.h"
#include "defaultconfig.h"
#include "linkfloor.h"
#include "qtserialport.h"
#include "simbench.h"
#include "unitconfig.h"
#include "unitlink.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>

namespace {
constexpr double kTargetRatio = 1.03;
constexpr double kCpuTargetPercent = 5;
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    SimBench bench;
    if (const int code = bench.start("link_download_bench"))
        return code;
    const int baud = bench.baud();

    UnitConfig config = DefaultConfig();
    QtSerialPort port;
    UnitLink link(&port, config);
    link.setRememberPort(false);
    link.setConnectReadsSettings(false);
    QElapsedTimer clock;
    const double cpuBefore = CpuMs();
    clock.start();
    if (!link.connectUnit(bench.port())) {
        std::fprintf(stderr, "no unit on the simulator's port\n");
        return 1;
    }
    const TransferResult result = link.download();
    const double wallMs = clock.nsecsElapsed() / 1e6;
    const double cpu = CpuMs() - cpuBefore;
    link.disconnectUnit();
    if (result != TransferResult::Ok) {
        std::fprintf(stderr, "download failed\n");
        return 1;
    }

    std::printf("connect and full download at %d baud: %.0f ms\n", baud, wallMs);
    const double floor = ProtocolFloorMs(link.link().counters(), link.link().timing(), baud, "download");
    const double ratio = wallMs / floor;
    const double cpuPercent = 100 * cpu / wallMs;
    Figure(QStringLiteral("connect and full download / protocol floor"), QString::number(ratio, 'f', 3),
           QStringLiteral("<= %1").arg(kTargetRatio), ratio <= kTargetRatio);
    Figure(QStringLiteral("CPU share during the download"), QStringLiteral("%1 %").arg(cpuPercent, 0, 'f', 2),
           QStringLiteral("< %1 %").arg(kCpuTargetPercent), cpuPercent < kCpuTargetPercent);
    return 0;
}

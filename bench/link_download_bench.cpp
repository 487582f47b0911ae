// Full download from kv310-sim at 9600 baud: wall time against the
// protocol floor, and the CPU time this program spent meanwhile.
//   link_download_bench [--baud N]
#include "appinfo.h"
#include "benchfigures.h"
#include "defaultconfig.h"
#include "linkfloor.h"
#include "qtserialport.h"
#include "unitconfig.h"
#include "unitlink.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

namespace {
constexpr int kPort = 9;
constexpr double kTargetRatio = 1.15;
constexpr double kCpuTargetPercent = 5;
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    int baud = 9600;
    const QStringList args = app.arguments();
    if (args.size() == 3 && args[1] == QLatin1String("--baud"))
        baud = args[2].toInt();
    if (baud <= 0) {
        std::fprintf(stderr, "usage: link_download_bench [--baud N]\n");
        return 2;
    }
    QTemporaryDir folder;
    App().folder = folder.path();   // Locals.ini and the error log stay out of the way

    QProcess sim;
    sim.start(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("kv310-sim")),
              {QStringLiteral("--baud"), QString::number(baud)});
    if (!sim.waitForStarted() || !sim.waitForReadyRead(5000)) {
        std::fprintf(stderr, "kv310-sim did not start\n");
        return 1;
    }
    qputenv("KV310_COM9", sim.readLine().trimmed());

    UnitConfig config = DefaultConfig();
    QtSerialPort port;
    UnitLink link(&port, config);
    if (!link.connectUnit(QStringLiteral("Com%1").arg(kPort))) {
        std::fprintf(stderr, "no unit on the simulator's port\n");
        return 1;
    }
    link.link().counters() = LinkCounters();
    QElapsedTimer clock;
    const double cpuBefore = CpuMs();
    clock.start();
    const TransferResult result = link.download();
    const double wallMs = clock.nsecsElapsed() / 1e6;
    const double cpu = CpuMs() - cpuBefore;
    link.disconnectUnit();
    sim.terminate();
    sim.waitForFinished();
    if (result != TransferResult::Ok) {
        std::fprintf(stderr, "download failed\n");
        return 1;
    }

    std::printf("full download at %d baud: %.0f ms\n", baud, wallMs);
    const double floor = ProtocolFloorMs(link.link().counters(), link.link().timing(), baud, "download");
    const double ratio = wallMs / floor;
    const double cpuPercent = 100 * cpu / wallMs;
    Figure(QStringLiteral("full download / protocol floor"), QString::number(ratio, 'f', 3),
           QStringLiteral("<= %1").arg(kTargetRatio), ratio <= kTargetRatio);
    Figure(QStringLiteral("CPU share during the download"), QStringLiteral("%1 %").arg(cpuPercent, 0, 'f', 2),
           QStringLiteral("< %1 %").arg(kCpuTargetPercent), cpuPercent < kCpuTargetPercent);
    return 0;
}

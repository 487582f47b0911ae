// Firmware loader figures: the load of a full-size firmware file, and a
// full flash against the simulated boot loader at the wire rate compared
// with the protocol's floor.
//   fw_bench [--runs N] [--no-flash]
#include "benchfigures.h"
#include "bootloaderlink.h"
#include "dffloader.h"
#include "hexfixture.h"
#include "packets.h"
#include "qtserialport.h"
#include "recordingview.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

using namespace fixture;

namespace {

constexpr double kLoadTargetMs = 10.0;
constexpr double kFlashTargetRatio = 1.02;
constexpr double kCpuTargetPercent = 5;
constexpr int kBaud = 9600;
constexpr double kByteMs = 10.0 * 1000.0 / kBaud;   // start, 8 data, stop bit
constexpr int kBenchPort = 9;
constexpr int kSimStartMs = 10000;

QByteArray FullProgram()
{
    QByteArray program;
    for (int i = 0; i < FirmwareImage::kFlashSize; ++i)
        program.append(char(i % 251));   // never 0xFF: every chunk is sent
    return program;
}

int BenchLoad(const QTemporaryDir& dir, int runs)
{
    const DffHeader header = Kv310Header();
    const QByteArray hex = DataRecords(0, FullProgram()) + HexEnd();
    const QString dff = dir.filePath("full.dff");
    if (!WriteDff(dff, header, hex))
        return 1;
    QList<double> ms;
    for (int i = 0; i < runs; ++i) {
        FirmwareImage image;
        QElapsedTimer clock;
        clock.start();
        const bool ok = LoadDffImage(dff, header, &image).ok();
        ms.append(clock.nsecsElapsed() / 1e6);
        if (!ok)
            return 1;
    }
    const double median = Median(ms);
    std::printf("fw load: full-size DFF (%lld bytes of HEX text), %d runs\n", qlonglong(hex.size()), runs);
    Figure(QStringLiteral("DFF load (decipher and parse), median"), QStringLiteral("%1 ms").arg(median, 0, 'f', 2),
           QStringLiteral("< %1 ms").arg(kLoadTargetMs), median < kLoadTargetMs);
    return 0;
}

int BenchFlash()
{
    FirmwareImage image;
    if (!ParseHexImage(DataRecords(0, FullProgram()) + HexEnd(), &image).ok())
        return 1;
    QProcess sim;
    sim.start(QCoreApplication::applicationDirPath() + "/kv310-sim",
              {"--bootloader", "--unitinfo", "0x20", "--baud", QString::number(kBaud)});
    if (!sim.waitForStarted(kSimStartMs) || !sim.waitForReadyRead(kSimStartMs)) {
        std::printf("fw flash: kv310-sim not available, skipped\n");
        return 1;
    }
    qputenv("KV310_COM9", sim.readLine().trimmed());
    QtSerialPort port;
    port.setPortNumber(kBenchPort);
    LineSettings settings;
    LineSettings::parse(QStringLiteral("9600,n,8,1"), &settings);
    port.setSettings(settings);
    if (!port.open())
        return 1;
    RecordingView view;
    BootloaderLink link(port, view);

    int packets = 0;
    for (int i = 0; i < FirmwareImage::kFlashSize - 1; i += kChunkBytes)
        packets += ChunkBlank(image.FlashImage, i) ? 0 : 1;
    // Floor: hello and its answer, each packet (68 bytes) and its "K" on
    // the wire, the pause before each packet and the silence ending each answer.
    const BootTiming& timing = link.timing();
    const double floorMs = (1 + 2) * kByteMs + timing.answerSilenceMs
        + packets * ((68 + 1) * kByteMs + timing.prePacketPauseMs + timing.answerSilenceMs);

    QElapsedTimer clock;
    const double cpuBefore = CpuMs();
    clock.start();
    const FlashOutcome outcome = link.FlashUnit(Kv310Header(), image);
    const double ms = clock.nsecsElapsed() / 1e6;
    const double cpu = CpuMs() - cpuBefore;
    port.close();
    sim.terminate();
    sim.waitForFinished(kSimStartMs);
    if (outcome != FlashOutcome::Flashed) {
        std::printf("fw flash: transfer failed\n");
        return 1;
    }
    const double ratio = ms / floorMs;
    std::printf("fw flash: %d packets at %d baud in %.0f ms, protocol floor %.0f ms\n", packets, kBaud, ms, floorMs);
    Figure(QStringLiteral("flash of a full image / protocol floor"), QString::number(ratio, 'f', 3),
           QStringLiteral("<= %1").arg(kFlashTargetRatio), ratio <= kFlashTargetRatio);
    Figure(QStringLiteral("CPU share during the flash"), QStringLiteral("%1 %").arg(100 * cpu / ms, 0, 'f', 2),
           QStringLiteral("< %1 %").arg(kCpuTargetPercent), 100 * cpu / ms < kCpuTargetPercent);
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);   // figures in order with the messages on stderr
    const QStringList args = app.arguments();
    const int runsAt = int(args.indexOf("--runs"));
    const int runs = runsAt > 0 ? args.value(runsAt + 1).toInt() : 50;
    QTemporaryDir dir;
    int rc = BenchLoad(dir, qMax(1, runs));
    if (!args.contains("--no-flash"))
        rc |= BenchFlash();
    return rc;
}

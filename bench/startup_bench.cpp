// Starts KV310 repeatedly, offscreen, from a program folder that holds a
// data file and Locals.ini naming it (so no question stops the start), and
// reports the time until the main window is shown and the resident memory.
// KV310 prints its own figures when KV310_STARTUP_REPORT is set.
#include "benchfigures.h"
#include "defaultconfig.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

namespace {
constexpr int kRuns = 15;
constexpr int kRunTimeoutMs = 20000;
constexpr double kTargetMs = 300;
constexpr double kTargetMb = 80;

double Field(const QByteArray& out, const QByteArray& key)
{
    for (const QByteArray& line : out.split('\n'))
        if (line.startsWith(key + ' '))
            return line.mid(key.size() + 1).trimmed().toDouble();
    return -1;
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir folder;
    const QString exe = folder.filePath(QStringLiteral("KV310"));
    if (!QFile::copy(QCoreApplication::applicationDirPath() + QStringLiteral("/KV310"), exe)) {
        std::fprintf(stderr, "startup_bench: KV310 not found next to the benchmark\n");
        return 1;
    }
    const QString data = folder.filePath(QString::fromLatin1(kDefaultFileName));
    WriteDefaultFile(data);
    QFile ini(folder.filePath(QStringLiteral("Locals.ini")));
    if (!ini.open(QIODevice::WriteOnly))
        return 1;
    ini.write("[KV310]\r\nLastDTD=" + data.toLocal8Bit() + "\r\nWinState=0\r\n");
    ini.close();

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("KV310_STARTUP_REPORT"), QStringLiteral("1"));
    QList<double> inside, outside, rss, hwm;
    for (int i = 0; i < kRuns; ++i) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::SeparateChannels);
        QElapsedTimer t;
        t.start();
        p.start(exe, {});
        if (!p.waitForFinished(kRunTimeoutMs) || p.exitCode() != 0) {
            std::fprintf(stderr, "startup_bench: run %d failed\n", i + 1);
            return 1;
        }
        const QByteArray out = p.readAllStandardOutput();
        outside.append(t.nsecsElapsed() / 1e6);
        inside.append(Field(out, "startup_ms"));
        rss.append(Field(out, "vmrss_kb") / 1024);
        hwm.append(Field(out, "vmhwm_kb") / 1024);
    }
    const double ms = Median(inside);
    const double mb = *std::max_element(hwm.begin(), hwm.end());
    std::printf("KV310 start-up over %d offscreen runs\n", kRuns);
    Figure(QStringLiteral("KV310 start-up to main window shown, median"), QStringLiteral("%1 ms").arg(ms, 0, 'f', 1),
           QStringLiteral("< %1 ms").arg(kTargetMs), ms < kTargetMs);
    Figure(QStringLiteral("KV310 start-up with process launch and exit, median"),
           QStringLiteral("%1 ms").arg(Median(outside), 0, 'f', 1));
    Figure(QStringLiteral("KV310 resident memory after start-up (peak)"),
           QStringLiteral("%1 MB (median RSS %2 MB)").arg(mb, 0, 'f', 1).arg(Median(rss), 0, 'f', 1),
           QStringLiteral("< %1 MB").arg(kTargetMb), mb < kTargetMb);
    return 0;
}

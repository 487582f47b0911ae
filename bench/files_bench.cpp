// Data file figures: load and save of the default configuration and of a
// configuration with every sequence and string at its longest, on disk.
//   files_bench [--runs N]
#include "benchfigures.h"
#include "datafile.h"
#include "defaultconfig.h"
#include "unitconfig.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

namespace {

UnitConfig FullConfig()
{
    UnitConfig c = DefaultConfig();
    for (int i = 0; i < kSlotCount; ++i) {
        c.SeqContents[i] = QByteArray(kMaxSeqBytes, char(0x02));
        c.ASCIIStrings[i] = QByteArray(31, char('A' + i));
    }
    return c;
}

// Median milliseconds of `runs` calls of step; false from step stops it.
template <class Step>
double MedianMs(int runs, Step step, bool* ok)
{
    QList<double> ms;
    for (int i = 0; i < runs && *ok; ++i) {
        QElapsedTimer clock;
        clock.start();
        *ok = step();
        ms.append(clock.nsecsElapsed() / 1e6);
    }
    return Median(ms);
}

bool Bench(const QString& name, const UnitConfig& config, const QString& path, int runs)
{
    bool ok = true;
    const double save = MedianMs(runs, [&] { return ExportKV310File(path, config); }, &ok);
    UnitConfig loaded;
    const double load = MedianMs(runs, [&] { return ImportKV310File(path, loaded); }, &ok);
    if (!ok || !(loaded == config)) {
        std::fprintf(stderr, "files_bench: %s did not round-trip\n", qPrintable(name));
        return false;
    }
    const qint64 bytes = QFile(path).size();
    Figure(QStringLiteral("data file load, %1 (%2 bytes), median").arg(name).arg(bytes),
           QStringLiteral("%1 ms").arg(load, 0, 'f', 3));
    Figure(QStringLiteral("data file save, %1 (%2 bytes), median").arg(name).arg(bytes),
           QStringLiteral("%1 ms").arg(save, 0, 'f', 3));
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int runsAt = int(args.indexOf("--runs"));
    const int runs = qMax(1, runsAt > 0 ? args.value(runsAt + 1).toInt() : 200);
    QTemporaryDir dir;
    std::printf("data files: %d saves and loads each\n", runs);
    const bool ok = Bench(QStringLiteral("defaults"), DefaultConfig(), dir.filePath("defaults.dtd"), runs)
        && Bench(QStringLiteral("every field at its longest"), FullConfig(), dir.filePath("full.dtd"), runs);
    return ok ? 0 : 1;
}

// Uploads to kv310-sim at 9600 baud, each against the protocol floor of
// what it must do: the reads before (both memories), the writes of its
// plan and the read-back of what it wrote. Three uploads: one changed
// label, one changed sequence, everything changed.
//   link_upload_bench [--baud N]
#include "benchfigures.h"
#include "defaultconfig.h"
#include "linkfloor.h"
#include "linkview.h"
#include "qtserialport.h"
#include "simbench.h"
#include "status.h"
#include "unitconfig.h"
#include "unitlink.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <functional>

namespace {
constexpr double kTargetRatio = 1.05;

// Where an upload stands: counters and time when its reads ended (the
// preview) and when its writes ended (the read-back starts).
class PhaseView : public LinkView {
public:
    PhaseView(SerialLink& link, const QElapsedTimer& clock) : link_(link), clock_(clock) {}
    bool confirmUpload(const QStringList&) override
    {
        readsEnd = {link_.counters(), clock_.nsecsElapsed() / 1e6};
        return true;
    }
    struct Mark {
        LinkCounters counters;
        double ms = 0;
    };
    Mark readsEnd;

private:
    SerialLink& link_;
    const QElapsedTimer& clock_;
};

struct Kind {
    const char* name;
    std::function<void(UnitConfig&)> change;
};

void ChangeEverything(UnitConfig& c)
{
    for (int i = 0; i < kSlotCount; ++i) {
        c.SeqLabel[i] = "L" + QByteArray::number(i + 10);
        c.SeqLabelLen[i] = 3;
        c.SeqContents[i] = QByteArray::fromHex("0201") + QByteArray(1, char(8)) + QByteArray(1, char(i + 1));
        c.SeqContentsLen[i] = 2;
        c.ASCIIStrings[i] = "Everything " + QByteArray::number(i);
    }
    c.PassWord = "2580";
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
    link.setRememberPort(false);
    link.setBackupFolder(bench.scratch(QStringLiteral("backups")));
    QElapsedTimer clock;
    PhaseView view(link.link(), clock);
    link.setView(&view);
    if (!link.connectUnit(bench.port())) {
        std::fprintf(stderr, "no unit on the simulator's port\n");
        return 1;
    }
    PhaseView::Mark writesEnd;
    SetStatusSink([&](const QString& text) {
        if (text == QLatin1String("Verifying the upload..."))
            writesEnd = {link.link().counters(), clock.nsecsElapsed() / 1e6};
    });

    const Kind kinds[] = {
        {"one changed label", [](UnitConfig& c) { c.SeqLabel[4] = "XY"; }},
        {"one changed sequence", [](UnitConfig& c) { c.SeqContents[6] = QByteArray::fromHex("02020803"); c.SeqContentsLen[6] = 2; }},
        {"everything changed", ChangeEverything},
    };
    const LinkTiming& timing = link.link().timing();
    for (const Kind& kind : kinds) {
        kind.change(config);
        link.link().counters() = LinkCounters();
        clock.start();
        if (link.upload(UploadScope::Everything) != TransferResult::Ok) {
            std::fprintf(stderr, "the upload of %s failed: %s\n", kind.name, qPrintable(LastStatus()));
            return 1;
        }
        const double totalMs = clock.nsecsElapsed() / 1e6;
        const LinkCounters all = link.link().counters();
        std::printf("upload of %s at %d baud: %.0f ms, reads before %.0f ms, writes %.0f ms, read-back %.0f ms\n",
                    kind.name, baud, totalMs, view.readsEnd.ms, writesEnd.ms - view.readsEnd.ms,
                    totalMs - writesEnd.ms);
        const double reads = ProtocolFloorMs(view.readsEnd.counters, timing, baud, "reads before");
        const double writes = ProtocolFloorMs(writesEnd.counters - view.readsEnd.counters, timing, baud, "writes");
        const double readBack = ProtocolFloorMs(all - writesEnd.counters, timing, baud, "read-back");
        const double ratio = totalMs / (reads + writes + readBack);
        Figure(QStringLiteral("upload of %1 / protocol floor").arg(QLatin1String(kind.name)),
               QStringLiteral("%1 (reads before %2, writes %3, read-back %4)")
                   .arg(ratio, 0, 'f', 3)
                   .arg(view.readsEnd.ms / reads, 0, 'f', 3)
                   .arg((writesEnd.ms - view.readsEnd.ms) / writes, 0, 'f', 3)
                   .arg((totalMs - writesEnd.ms) / readBack, 0, 'f', 3),
               QStringLiteral("<= %1").arg(kTargetRatio), ratio <= kTargetRatio);
    }
    SetStatusSink({});
    link.disconnectUnit();
    return 0;
}

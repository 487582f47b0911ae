// The terminal pane, offscreen: what one arrival of 1 KB costs (appending,
// reading the unit's replies, drawing) when 50 KB and when 8 MB have
// already been received, shown as text and shown as character codes, and
// the resident memory after the 50 KB and after the 8 MB. Each display
// mode runs in a process of its own, so that neither inherits the other's
// memory.
//   terminal_bench [--runs N] [--mode text|codes]
#include "benchfigures.h"
#include "fakeserialport.h"
#include "mainwindow.h"
#include "scriptedprompter.h"
#include "terminalpane.h"
#include "testfolder.h"
#include "textforms.h"
#include "unitconfig.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTimer>

#include <cstdio>

namespace {

constexpr qint64 kEarly = 50 * 1024;
constexpr qint64 kLate = 8 * 1024 * 1024;
constexpr double kSameWithinNoise = 1.5;   // late cost over early cost
constexpr int kTrickleSeconds = 3;
constexpr double kMemoryTargetMb = 10;      // growth from 50 KB to 8 MB received

// 1 KB as a unit sends it: short lines of status text and replies.
QByteArray Arrival()
{
    static const QByteArray lines[] = {"Ser Echo ON\r\n", "DTMF Received: 1234#\r\n", "Relay 2 closed\r\n",
                                       "Line idle, ring count 0\r\n", "CR/LF OFF\r\n"};
    QByteArray text;
    for (int i = 0; text.size() < 1024; ++i)
        text += lines[i % 5];
    return text.left(1024);
}

double RssMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024;
    return -1;
}

class TerminalRun {
public:
    explicit TerminalRun(bool codes)
    {
        Config().ASCIIFlagChar = '\\';
        scanner_.setOpenError(SerialError::NotFound);
        window_ = std::make_unique<frmMain>(&port_, &scanner_);
        window_->Form_Load();
        window_->findChild<QCheckBox*>(QStringLiteral("chkTermAscCodeDisplay"))->setChecked(codes);
    }

    // One arrival as the receive handler delivers it, drawn.
    void arrive(const QByteArray& bytes)
    {
        window_->panels().terminal->terminalAppend(bytes);
        received_ += bytes.size();
        QApplication::processEvents();
    }

    void fillTo(qint64 total, const QByteArray& bytes)
    {
        while (received_ < total)
            arrive(bytes);
        // What is still to be coloured after the burst, as its pause would.
        window_->panels().terminal->tmrHighLight_Timer();
    }

    // Median milliseconds of one arrival, the highlighting it starts included.
    double arrivalMs(const QByteArray& bytes, int runs)
    {
        QList<double> ms;
        for (int i = 0; i < runs; ++i) {
            QElapsedTimer clock;
            clock.start();
            arrive(bytes);
            window_->panels().terminal->tmrHighLight_Timer();
            QApplication::processEvents();
            ms.append(clock.nsecsElapsed() / 1e6);
        }
        return Median(ms);
    }

    // CPU share while 20 bytes arrive every 100 ms for a while, the event
    // loop running as in the program (the highlighting timer included).
    double trickleCpuShare(int seconds)
    {
        const QByteArray line = "Ring count 0 idle\r\n";
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, [&] { arrive(line); });
        tick.start(100);
        QEventLoop loop;
        QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
        const double cpu = CpuMs();
        QElapsedTimer wall;
        wall.start();
        loop.exec();
        return (CpuMs() - cpu) / double(wall.elapsed());
    }

private:
    TestProgramFolder folder_;
    ScriptedPrompter prompter_;
    FakeSerialPort port_;
    FakeSerialPort scanner_;
    std::unique_ptr<frmMain> window_;
    qint64 received_ = 0;
};

void Measure(bool codes, int runs)
{
    const QByteArray bytes = Arrival();
    TerminalRun run(codes);
    const double rssBefore = RssMb();
    const QString shown = codes ? QStringLiteral("shown as codes") : QStringLiteral("shown as text");
    run.fillTo(kEarly, bytes);
    const double rssEarly = RssMb();
    const double early = run.arrivalMs(bytes, runs);
    const double earlyCpu = run.trickleCpuShare(kTrickleSeconds);
    run.fillTo(kLate, bytes);
    const double late = run.arrivalMs(bytes, runs);
    const double lateCpu = run.trickleCpuShare(kTrickleSeconds);
    Figure(QStringLiteral("Terminal: one 1 KB arrival after 50 KB, %1").arg(shown),
           QStringLiteral("%1 ms").arg(early, 0, 'f', 2));
    Figure(QStringLiteral("Terminal: one 1 KB arrival after 8 MB, %1").arg(shown),
           QStringLiteral("%1 ms (%2 x the cost after 50 KB)").arg(late, 0, 'f', 2).arg(late / early, 0, 'f', 2),
           QStringLiteral("< %1 x").arg(kSameWithinNoise), late < early * kSameWithinNoise);
    Figure(QStringLiteral("Terminal: CPU for 200 B/s, after 50 KB / after 8 MB, %1").arg(shown),
           QStringLiteral("%1 % / %2 %").arg(earlyCpu * 100, 0, 'f', 1).arg(lateCpu * 100, 0, 'f', 1));
    const double rssLate = RssMb();
    Figure(QStringLiteral("Terminal: resident memory at the start / after 50 KB / after 8 MB received, %1").arg(shown),
           QStringLiteral("%1 MB / %2 MB / %3 MB").arg(rssBefore, 0, 'f', 1).arg(rssEarly, 0, 'f', 1).arg(rssLate, 0, 'f', 1),
           QStringLiteral("8 MB within %1 MB of 50 KB").arg(kMemoryTargetMb), rssLate - rssEarly <= kMemoryTargetMb);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const int at = int(args.indexOf(QStringLiteral("--runs")));
    const int runs = at > 0 ? args.value(at + 1).toInt() : 50;
    const int modeAt = int(args.indexOf(QStringLiteral("--mode")));
    if (modeAt > 0) {
        Measure(args.value(modeAt + 1) == QLatin1String("codes"), runs);
        return 0;
    }
    std::printf("Terminal arrivals of 1 KB, median of %d each\n", runs);
    std::fflush(stdout);
    int rc = 0;
    for (const char* mode : {"text", "codes"}) {
        QProcess run;
        run.setProcessChannelMode(QProcess::ForwardedChannels);
        run.start(QCoreApplication::applicationFilePath(),
                  {QStringLiteral("--runs"), QString::number(runs), QStringLiteral("--mode"), QLatin1String(mode)});
        if (!run.waitForFinished(-1) || run.exitCode() != 0)
            rc = 1;
    }
    return rc;
}

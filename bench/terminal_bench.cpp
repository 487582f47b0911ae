// The terminal pane, offscreen: what one arrival of 1 KB costs (appending,
// reading the unit's replies, drawing) when 50 KB and when 8 MB have
// already been received, shown as text and shown as character codes, and
// the resident memory after the 8 MB.
//   terminal_bench [--runs N]
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
#include <QTimer>

#include <cstdio>

namespace {

constexpr qint64 kEarly = 50 * 1024;
constexpr qint64 kLate = 8 * 1024 * 1024;
constexpr double kSameWithinNoise = 1.5;   // late cost over early cost
constexpr int kTrickleSeconds = 3;

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
    Figure(QStringLiteral("Terminal: resident memory before / after 8 MB received, %1").arg(shown),
           QStringLiteral("%1 MB / %2 MB").arg(rssBefore, 0, 'f', 1).arg(RssMb(), 0, 'f', 1));
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int at = QCoreApplication::arguments().indexOf(QStringLiteral("--runs"));
    const int runs = at > 0 ? QCoreApplication::arguments().value(at + 1).toInt() : 50;
    std::printf("Terminal arrivals of 1 KB, median of %d each\n", runs);
    Measure(false, runs);
    Measure(true, runs);
    return 0;
}

// kv310-sim: a KV310 unit on a pseudo-terminal, for the programs and their
// tests. Prints the slave device path first, then serves until told to stop.
#include "bootloadersim.h"
#include "defaultconfig.h"
#include "programstart.h"
#include "ptyhost.h"
#include "simoptions.h"
#include "unitsim.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QSocketNotifier>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <memory>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace {
int g_signalPipe[2] = {-1, -1};
constexpr int kFloodChunk = 4096;   // noise queued at a time
constexpr int kFloodTickMs = 2;
constexpr int kFloodStartMs = 100;   // after the EEPROM reply, longer than its silence

void onSignal(int number)
{
    const char c = char(number);
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &c, 1);
}

void say(const char* line)
{
    std::fputs(line, stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}
} // namespace

int main(int argc, char* argv[])
{
#ifdef __linux__
    // A simulator left behind by a program that ended would hold on forever.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
#endif
    QCommandLineParser parser;
    SimOptions::declare(parser);
    const ProgramHelp help{
        QStringLiteral("kv310-sim"), kSuiteVersion,
        QStringLiteral("A simulated KV310 unit on a pseudo-terminal, for trying the programs without a\n"
                       "unit and for their tests: the configuration firmware, or the boot loader with\n"
                       "--bootloader, with faults to order."),
        SimOptions::moreHelp()};
    if (const auto code = AnswerHelpOrVersion(argc, argv, parser, help))
        return *code;
    SimOptions options;
    QString error;
    if (!options.read(parser, &error)) {
        std::fprintf(stderr, "kv310-sim: %s (see kv310-sim --help)\n", qPrintable(error));
        return 2;
    }
    QCoreApplication app(argc, argv);

    std::unique_ptr<UnitSim> unit;
    std::unique_ptr<BootloaderSim> loader;
    PtyHost::Device device;
    if (options.bootloader) {
        loader = std::make_unique<BootloaderSim>(uint8_t(options.unitInfo));
        if (options.nakAt > 0)
            loader->nakAtPacket(options.nakAt);
        if (options.silentAfter > 0)
            loader->silentAfterPacket(options.silentAfter);
        loader->lateReset(options.lateResetMs);
        loader->reset();
        device = [&](const QByteArray& in) { return loader->onBytes(in); };
    } else {
        unit = std::make_unique<UnitSim>(DefaultConfig(), options.hardwareCode, options.firmware);
        unit->setMute(options.mute);
        unit->setGarbage(options.garbage);
        unit->setWriteAck(!options.noWriteAck);
        unit->setDropWrite(options.dropWrite);
        unit->setPowerFail(options.powerFail);
        device = [&](const QByteArray& in) { return unit->onBytes(in); };
    }

    PtyHost host(device);
    if (!host.open()) {
        std::fprintf(stderr, "kv310-sim: no pseudo-terminal: %s\n", qPrintable(host.errorText()));
        return 1;
    }
    host.setBaud(options.baud);
    host.setReplyDelay(options.slowMs);
    host.setHangupAfter(options.hangupAfter);
    // A unit gone wrong: once its EEPROM image went out whole, noise as
    // fast as the line takes it, for ever.
    QTimer flood;
    QElapsedTimer sinceRead;
    if (unit && options.flood) {
        QObject::connect(&flood, &QTimer::timeout, &app, [&] {
            if (unit->eepromReads() == 0)
                return;
            if (!sinceRead.isValid() && host.pendingOutput() == 0)
                sinceRead.start();
            if (!sinceRead.isValid() || sinceRead.elapsed() < kFloodStartMs || host.pendingOutput() >= kFloodChunk)
                return;
            QByteArray noise(kFloodChunk, '\0');
            for (char& c : noise)
                c = char(QRandomGenerator::global()->bounded(256));
            host.say(noise);
        });
        flood.start(kFloodTickMs);
    }
    if (!options.link.isEmpty()) {
        QFile::remove(options.link);
        if (!QFile::link(host.slavePath(), options.link)) {
            std::fprintf(stderr, "kv310-sim: cannot link %s\n", qPrintable(options.link));
            return 1;
        }
    }

    auto saveState = [&] {
        if (unit && !options.stateFile.isEmpty())
            unit->writeState(options.stateFile);
        if (loader && !options.imageOut.isEmpty())
            loader->writeImage(options.imageOut);
    };
    auto finish = [&] {
        saveState();
        if (!options.link.isEmpty())
            QFile::remove(options.link);
        app.quit();
    };
    QObject::connect(&host, &PtyHost::hungUp, &app, finish);

    // Signals arrive through a pipe so they are handled in the event loop.
    if (::pipe(g_signalPipe) == 0) {
        auto* signalNotifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &app);
        QObject::connect(signalNotifier, &QSocketNotifier::activated, &app, [&] {
            char c = 0;
            if (::read(g_signalPipe[0], &c, 1) != 1)
                return;
            if (c == SIGUSR1)
                saveState();
            else
                finish();
        });
        std::signal(SIGUSR1, onSignal);
        std::signal(SIGTERM, onSignal);
        std::signal(SIGINT, onSignal);
        std::signal(SIGHUP, onSignal);
    }

    // Commands on stdin, one per line; end of input just stops listening.
    auto* input = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, &app);
    QByteArray pending;
    QObject::connect(input, &QSocketNotifier::activated, &app, [&] {
        char buffer[256];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            input->setEnabled(false);
            return;
        }
        pending.append(buffer, int(n));
        qsizetype end;
        while ((end = pending.indexOf('\n')) >= 0) {
            const QByteArray command = pending.left(end).trimmed();
            pending.remove(0, end + 1);
            if (command == "reset") {
                if (loader)
                    loader->reset();
                else
                    host.say(UnitSim::resetText());
            } else if (command == "state") {
                saveState();
                say("state written");
            } else if (command == "quit") {
                finish();
            }
        }
    });

    say(qPrintable(host.slavePath()));
    return app.exec();
}

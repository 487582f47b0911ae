// kv310ctl: the configuration program's unit commands and the firmware
// loader's file and flash commands, without windows.
#include "appinfo.h"
#include "configcommands.h"
#include "exitstatus.h"
#include "errorlog.h"
#include "fileservices.h"
#include "fwcommands.h"
#include "programstart.h"
#include "status.h"
#include "safefile.h"
#include "toolport.h"
#include "tracewriter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdio>
#include <new>

namespace {
using namespace ExitStatus;

QString commandsText()
{
    return QStringLiteral("Commands:\n") + ConfigCommandsUsage() + FwCommandsUsage();
}

int usage()
{
    std::fprintf(stderr, "%s", qPrintable(commandsText()));
    return kUsage;
}

// Why the trace may not go to path for this command: it names one of the
// command's own files, or something that is no regular file. Empty when
// it may.
QString traceProblem(const QString& path, const QStringList& command)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    for (const QString& arg : command) {
        if (QFileInfo(arg).absoluteFilePath() == absolute || IsSameFile(arg, path))
            return QStringLiteral("It is also a file the command reads or writes (%1).").arg(arg);
    }
    return ReplaceProblem(path);
}
} // namespace

int main(int argc, char* argv[])
{
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("One of the commands below."),
                                 QStringLiteral("command [arguments]"));
    const ProgramHelp help{
        QStringLiteral("kv310ctl"), kSuiteVersion,
        QStringLiteral("The KV310 configuration program's unit commands and the firmware loader's file\n"
                       "and flash commands on the command line: list a data file, download a unit into\n"
                       "one, compare two, upload one to a unit (showing the changes, keeping a backup\n"
                       "and reading it back), make and check firmware data files, flash a unit.\n"
                       "Progress goes to stderr."),
        commandsText()
            + QStringLiteral("\nExit status:\n  0 success, 1 failure, 2 bad usage.\n")};
    if (const auto code = AnswerHelpOrVersion(argc, argv, parser, help))
        return *code;

    QCoreApplication app(argc, argv);
    StartApp(QStringLiteral("kv310ctl"), kSuiteVersion,
             QDir::toNativeSeparators(QCoreApplication::applicationDirPath()));
    RemoveErrorLogCopies();
    SetStatusSink([](const QString& text) {
        if (!text.isEmpty()) {
            std::fprintf(stderr, "%s\n", qPrintable(text));
            std::fflush(stderr);
        }
    });

    // From argv itself: file names in any encoding stay openable.
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args.append(CommandLinePath(argv[i]));
    QString tracePath;
    if (args.value(0) == QLatin1String("--trace")) {
        if (args.size() < 3)
            return usage();
        tracePath = args.at(1);
        args.remove(0, 2);
        const QString problem = traceProblem(tracePath, args);
        QString error;
        if (!problem.isEmpty() || !StartToolTrace(tracePath, &error)) {
            std::fprintf(stderr, "Unable to write the trace %s: %s\n", qPrintable(tracePath),
                         qPrintable(problem.isEmpty() ? error : problem));
            return problem.isEmpty() ? kFailed : kUsage;
        }
    }
    if (args.isEmpty())
        return usage();
    bool handled = false;
    int code = kFailed;
    try {
        code = RunConfigCommand(args, &handled);
        if (!handled)
            code = RunFwCommand(args, &handled);
    } catch (const std::bad_alloc&) {
        // A huge input under a memory limit: a failure like any other, and
        // unwinding lets temporary files go.
        std::fprintf(stderr, "Out of memory\n");
        return kFailed;
    }
    // The firmware commands explain their own bad usage.
    if (!handled || code == kShowUsage)
        return usage();
    if (TraceWriter* trace = ToolTrace(); trace && !trace->finish()) {
        std::fprintf(stderr, "Unable to write the trace %s: %s\n", qPrintable(tracePath),
                     qPrintable(trace->errorText()));
        return kFailed;
    }
    return code;
}

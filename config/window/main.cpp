// The configuration program: sets up who it is, loads the main window and,
// when the command line names an existing data file, loads it.
#include "mainwindow.h"

#include "appinfo.h"
#include "errorlog.h"
#include "fileservices.h"
#include "programstart.h"
#include "startupreport.h"
#include "unitconfig.h"
#include "widgetprompter.h"

#include <QApplication>
#include <QElapsedTimer>

namespace {
constexpr uint8_t kStartFlagChar = '\\';
}

int main(int argc, char** argv)
{
    QElapsedTimer sinceStart;
    sinceStart.start();
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("file"),
                                 QStringLiteral("A configuration data file (.dtd) to open once the window "
                                                "is up; the last one used otherwise."),
                                 QStringLiteral("[file]"));
    const ProgramHelp help{
        QStringLiteral("KV310"), kSuiteVersion,
        QStringLiteral("Configures a KV310 telephone-line DTMF controller unit on a serial port: edits\n"
                       "its action sequences, ASCII strings, labels, options and settings, keeps them\n"
                       "in data files, downloads them from the unit and uploads the differences, and\n"
                       "talks to the unit in a terminal."),
        QStringLiteral("Files:\n"
                       "  Run from a folder it may write (a build or portable folder), KV310 keeps\n"
                       "  Locals.ini, ErrorLog.txt and \"Default KV310 File.dtd\" there. Installed, it\n"
                       "  keeps Locals.ini in ~/.config/kv310, ErrorLog.txt in ~/.local/state/kv310\n"
                       "  and the default data file in ~/.local/share/kv310, where Save As starts.\n"
                       "\n"
                       "Environment:\n"
                       "  KV310_COM<N>  the device that port Com<N> stands for, e.g. /dev/ttyUSB0.\n")};
    if (const auto code = AnswerBeforeWindow(argc, argv, parser, help))
        return *code;

    QApplication app(argc, argv);
    StartApp(QStringLiteral("KV-310"), kSuiteVersion, QCoreApplication::applicationDirPath());
    QApplication::setApplicationName(App().titleWithVersion());

    RemoveErrorLogCopies();

    WidgetPrompter prompter;
    SetPrompter(&prompter);
    Config().ASCIIFlagChar = kStartFlagChar;

    frmMain window;
    window.Form_Load();

    const ProcedureTrap trap("Main", "modMain");
    trap([&] {
        QStringList words;   // from argv itself: names in any encoding stay openable
        for (int i = 1; i < argc; ++i)
            words.append(CommandLinePath(argv[i]));
        QString named = words.join(QLatin1Char(' '));
        named.remove(QLatin1Char('"'));
        if (!named.isEmpty() && FileExists(named))
            window.LoadFromFile(named);
    });
    ReportStartupWhenAsked(sinceStart, &window);
    const int status = app.exec();
    SetPrompter(nullptr);
    return status;
}

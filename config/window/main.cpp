// The configuration program: sets up who it is, loads the main window and,
// when the command line names an existing data file, loads it.
#include "mainwindow.h"

#include "appinfo.h"
#include "errorlog.h"
#include "fileservices.h"
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
    QApplication app(argc, argv);
    AppInfo& info = App();
    info.title = QStringLiteral("KV-310");
    info.major = 1;
    info.minor = 1;
    info.revision = 24;
    info.company = QStringLiteral("Norrvale");
    info.folder = QCoreApplication::applicationDirPath();
    QApplication::setApplicationName(info.titleWithVersion());

    WidgetPrompter prompter;
    SetPrompter(&prompter);
    Config().ASCIIFlagChar = kStartFlagChar;

    frmMain window;
    window.Form_Load();

    const ProcedureTrap trap("Main", "modMain");
    trap([&] {
        QString named = QCoreApplication::arguments().mid(1).join(QLatin1Char(' '));
        named.remove(QLatin1Char('"'));
        if (!named.isEmpty() && FileExists(named))
            window.LoadFromFile(named);
    });
    ReportStartupWhenAsked(sinceStart, &window);
    const int status = app.exec();
    SetPrompter(nullptr);
    return status;
}

// NV_FWLoader: flashes a unit's firmware through its boot loader. Anything
// on the command line but --help and --version is ignored.
#include "appinfo.h"
#include "errorlog.h"
#include "frmfwupdater.h"
#include "programstart.h"
#include "qtserialport.h"
#include "widgetprompter.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QCommandLineParser parser;
    const ProgramHelp help{
        QStringLiteral("NV_FWLoader"), kLoaderVersion,
        QStringLiteral("Replaces the firmware of a unit through its serial boot loader: pick a port\n"
                       "and a firmware data file (.dff), reset the unit when told, and the loader\n"
                       "sends the image. Its hidden DFF maker panel makes such files from Intel HEX\n"
                       "files. Any other argument is ignored."),
        QStringLiteral("Files:\n"
                       "  ErrorLog.txt beside the program when it runs from a folder it may write,\n"
                       "  else in ~/.local/state/kv310, shared with KV310.\n")};
    if (const auto code = AnswerBeforeWindow(argc, argv, parser, help))
        return *code;

    QApplication app(argc, argv);
    StartApp(QStringLiteral("NV"), kLoaderVersion, QCoreApplication::applicationDirPath());

    RemoveErrorLogCopies();

    WidgetPrompter prompter;
    SetPrompter(&prompter);
    QtSerialPort serComm;
    frmFWUpdater window(serComm);
    window.Form_Load();
    const int code = app.exec();
    SetPrompter(nullptr);
    return code;
}

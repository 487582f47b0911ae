// NV_FWLoader: flashes a unit's firmware through its boot loader. The
// command line is ignored.
#include "appinfo.h"
#include "frmfwupdater.h"
#include "qtserialport.h"
#include "widgetprompter.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    App().title = QStringLiteral("NV");
    App().major = 1;
    App().minor = 0;
    App().revision = 4;
    App().company = QStringLiteral("Norrvale");
    App().folder = QCoreApplication::applicationDirPath();

    WidgetPrompter prompter;
    SetPrompter(&prompter);
    QtSerialPort serComm;
    frmFWUpdater window(serComm);
    window.Form_Load();
    const int code = app.exec();
    SetPrompter(nullptr);
    return code;
}

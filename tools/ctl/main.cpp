// kv310ctl: the configuration program's unit commands and the firmware
// loader's file and flash commands, without windows.
#include "appinfo.h"
#include "configcommands.h"
#include "fwcommands.h"
#include "status.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>

namespace {
constexpr int kExitUsage = 2;

int usage()
{
    std::fprintf(stderr, "usage:\n%s%s", qPrintable(ConfigCommandsUsage()),
                 qPrintable(FwCommandsUsage()));
    return kExitUsage;
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    App().title = QStringLiteral("kv310ctl");
    App().major = 1;
    App().minor = 1;
    App().revision = 24;
    App().company = QStringLiteral("Norrvale");
    App().folder = QDir::toNativeSeparators(QCoreApplication::applicationDirPath());
    SetStatusSink([](const QString& text) {
        if (!text.isEmpty()) {
            std::fprintf(stderr, "%s\n", qPrintable(text));
            std::fflush(stderr);
        }
    });

    const QStringList args = app.arguments().mid(1);
    if (args.isEmpty())
        return usage();
    bool handled = false;
    int code = RunConfigCommand(args, &handled);
    if (!handled)
        code = RunFwCommand(args, &handled);
    if (!handled || code == kExitUsage)
        return usage();
    return code;
}

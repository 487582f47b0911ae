#include "loadercommand.h"

#include "appinfo.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
#ifdef Q_OS_WIN
const QString kFirmwareLoader = QStringLiteral("NV_FWLoader.exe");
#else
const QString kFirmwareLoader = QStringLiteral("NV_FWLoader");
#endif
} // namespace

QString FirmwareLoaderCommand()
{
    QString loader = App().inFolder(kFirmwareLoader);
    if (!QFileInfo(loader).isExecutable()) {
        const QString onPath = QStandardPaths::findExecutable(kFirmwareLoader);
        if (!onPath.isEmpty())
            loader = onPath;
    }
    return QStringLiteral("\"") + QDir::toNativeSeparators(loader) + QStringLiteral("\" -") + App().title;
}

#include "scratchfile.h"

#include "appinfo.h"
#include "safefile.h"

#include <QDir>
#include <QRandomGenerator>

QString ScratchFile::programFolderPath() { return App().inFolder(QStringLiteral("FWValidate")); }

void ScratchFile::removeStale()
{
    // Removing a name never follows a link: only the entry itself goes.
    QFile::remove(programFolderPath());
}

ScratchFile::ScratchFile()
{
    if (!App().folder.isEmpty() && !App().installed()) {
        removeStale();
        if (createAt(programFolderPath()))
            return;
    }
    const QString name = QStringLiteral("FWValidate-%1").arg(QRandomGenerator::global()->generate64(), 16, 16,
                                                             QLatin1Char('0'));
    createAt(QDir::temp().filePath(name));
}

bool ScratchFile::createAt(const QString& path)
{
    if (!CreatePrivateFile(file_, path, &error_))
        return false;
    QFile::remove(path);
    return true;
}

#include "scratchfile.h"

#include "appinfo.h"

#include <QDir>
#include <QFile>

QString ScratchFile::programFolderPath() { return App().inFolder(QStringLiteral("FWValidate")); }

ScratchFile::ScratchFile()
{
    QFile inFolder(programFolderPath());
    if (!App().folder.isEmpty() && !App().installed() && inFolder.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        path_ = inFolder.fileName();
        return;
    }
    temp_ = std::make_unique<QTemporaryFile>(QDir::temp().filePath(QStringLiteral("FWValidate-XXXXXX")));
    if (temp_->open()) {
        path_ = temp_->fileName();
        temp_->close();
    }
}

ScratchFile::~ScratchFile()
{
    if (!path_.isEmpty())
        QFile::remove(path_);
}

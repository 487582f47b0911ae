#pragma once
#include "errorlog.h"

#include <QFile>
#include <QString>

// What the error log holds so far ("" when nothing was logged).
inline QString ErrorLogText()
{
    QFile file(ErrorLogPath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLocal8Bit(file.readAll());
}

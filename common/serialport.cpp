#include "serialport.h"

#include <QStringList>

bool LineSettings::parse(const QString& text, LineSettings* out)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4)
        return false;
    LineSettings s;
    bool ok1 = false, ok2 = false, ok3 = false;
    s.baud = parts[0].trimmed().toInt(&ok1);
    const QString parity = parts[1].trimmed().toLower();
    s.dataBits = parts[2].trimmed().toInt(&ok2);
    s.stopBits = parts[3].trimmed().toDouble(&ok3);
    if (!ok1 || !ok2 || !ok3 || parity.size() != 1 || !QStringLiteral("neoms").contains(parity)
        || s.baud <= 0 || s.dataBits < 5 || s.dataBits > 8
        || !(s.stopBits == 1 || s.stopBits == 1.5 || s.stopBits == 2))
        return false;
    s.parity = parity.at(0).toLatin1();
    *out = s;
    return true;
}

QString LineSettings::text() const
{
    return QStringLiteral("%1,%2,%3,%4").arg(baud).arg(QLatin1Char(parity)).arg(dataBits).arg(stopBits);
}

#include "dffmaker.h"

#include "keystem.h"
#include "runtimeerror.h"
#include "safefile.h"

#include <QRegularExpression>

uint8_t VersionFieldByte(const QString& text)
{
    static const QRegularExpression kLeadingNumber(QStringLiteral("^\\s*([+-]?\\d+)"));
    const QRegularExpressionMatch m = kLeadingNumber.match(text);
    if (!m.hasMatch())
        return 0;
    bool ok = false;
    const qlonglong value = m.captured(1).toLongLong(&ok);
    if (!ok || value < 0 || value > 255)
        throw RuntimeError::overflow();
    return uint8_t(value);
}

QString DefaultDffName(const QString& model, const QString& majorText, const QString& minorText)
{
    return model + QStringLiteral(" Firmware v") + majorText + QLatin1Char('.') + minorText;
}

bool MakeDff(const QString& hexPath, const QString& dffPath, const DffHeader& header,
             const CipherProgress& progress, QString* problem)
{
    // Replacing the input with its own enciphered form would lose it.
    if (IsSameFile(hexPath, dffPath)) {
        if (problem)
            *problem = QStringLiteral("'%1' is the HEX file itself; the firmware file needs another name.")
                           .arg(dffPath);
        return false;
    }
    return EncMD5(hexPath, dffPath, DffKey(header.Major, header.Minor), header, progress, problem);
}

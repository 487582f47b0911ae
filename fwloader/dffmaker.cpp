#include "dffmaker.h"

#include "keystem.h"
#include "numbertext.h"
#include "runtimeerror.h"
#include "safefile.h"

#include <cmath>

uint8_t VersionFieldByte(const QString& text)
{
    const double whole = std::trunc(LeadingNumber(text));
    if (!(whole >= 0 && whole <= 255))
        throw RuntimeError::overflow();
    return uint8_t(whole);
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

#include "unitidentity.h"

int WriteBlockSize(int hardwareCode)
{
    return hardwareCode == 6 ? 8 : 4;
}

QString FirmwareText(int version)
{
    return QStringLiteral("Firmware: v%1 ").arg(version);
}

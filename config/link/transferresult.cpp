#include "transferresult.h"

namespace {
QString reason(TransferResult result)
{
    switch (result) {
    case TransferResult::Ok:
        return QString();
    case TransferResult::NotResponding:
        return QStringLiteral("the unit is not responding.");
    case TransferResult::IncompleteReply:
        return QStringLiteral("the unit's EEPROM reply was incomplete.");
    case TransferResult::StoppedResponding:
        return QStringLiteral("the unit stopped responding.");
    case TransferResult::Unconfirmed:
        return QStringLiteral("the unit did not confirm every write.");
    case TransferResult::LineDropped:
        return QStringLiteral("the connection to the unit was lost.");
    case TransferResult::Cancelled:
        return QStringLiteral("cancelled.");
    case TransferResult::Busy:
        return QStringLiteral("another command is still running.");
    case TransferResult::BackupFailed:
        return QStringLiteral("what the unit held could not be saved, so nothing was written.");
    case TransferResult::Mismatch:
        return QStringLiteral("read back, the unit does not hold what was written.");
    }
    return QString();
}
} // namespace

QString DownloadFailureText(TransferResult result)
{
    return QStringLiteral("Download failed: ") + reason(result);
}

QString UploadFailureText(TransferResult result)
{
    return QStringLiteral("Upload failed: ") + reason(result);
}

#include "transferresult.h"

namespace {
QString within(const QString& what) { return what.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(what); }

QString reason(TransferResult result, const QString& what)
{
    switch (result) {
    case TransferResult::Ok:
        return QString();
    case TransferResult::NotResponding:
        return QStringLiteral("the unit is not responding.");
    case TransferResult::MalformedReply:
        return (what.isEmpty() ? QStringLiteral("a reply") : what) + QStringLiteral(" was not in the form asked for.");
    case TransferResult::StoppedResponding:
        return QStringLiteral("the unit stopped responding") + within(what) + QLatin1Char('.');
    case TransferResult::Unconfirmed:
        return what.isEmpty() ? QStringLiteral("the unit did not confirm every write.")
                              : QStringLiteral("the unit did not confirm ") + what + QLatin1Char('.');
    case TransferResult::LineDropped:
        return QStringLiteral("the connection to the unit was lost.");
    case TransferResult::Cancelled:
        return QStringLiteral("cancelled.");
    case TransferResult::Unencodable:
        return what + QStringLiteral(" Nothing was written to the unit.");
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

QString DownloadFailureText(TransferResult result, const QString& what)
{
    return QStringLiteral("Download failed: ") + reason(result, what);
}

QString UploadFailureText(TransferResult result, const QString& what)
{
    return QStringLiteral("Upload failed: ") + reason(result, what);
}

#pragma once
#include <QString>

// How a read or write of the unit ended.
enum class TransferResult {
    Ok,
    NotResponding,    // the probe got no "i": nothing was transferred
    MalformedReply,   // a reply was not of the form its request asks for
    StoppedResponding,// a request stayed unanswered
    Unconfirmed,      // a write (or entering a mode for one) never got its "i"
    LineDropped,      // the port went away during the transfer
    Cancelled,        // verification failed or the user cancelled: nothing sent
    Unencodable,      // the configuration holds what the unit cannot: nothing sent
    Busy,             // another command held the unit: refused, nothing sent
    BackupFailed,     // what the unit held could not be saved: nothing written
    Mismatch,         // read back after the writes, the unit differs
};

// The status text a failed download or upload ends with; what names what
// failed ("the reply to sequence #03 (...)", "the write of label #02").
QString DownloadFailureText(TransferResult result, const QString& what = QString());
QString UploadFailureText(TransferResult result, const QString& what = QString());

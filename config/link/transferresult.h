#pragma once
#include <QString>

// How a read or write of the unit ended.
enum class TransferResult {
    Ok,
    NotResponding,    // the probe got no "i": nothing was transferred
    IncompleteReply,  // the EEPROM reply had the wrong length
    StoppedResponding,// a FLASH block request stayed unanswered
    Unconfirmed,      // a write (or entering a mode) never got its "i"
    LineDropped,      // the port went away during the transfer
    Cancelled,        // verification failed or the user cancelled: nothing sent
    Busy,             // another command held the unit: refused, nothing sent
    BackupFailed,     // what the unit held could not be saved: nothing written
    Mismatch,         // read back after the writes, the unit differs
};

// The status text a failed download or upload ends with.
QString DownloadFailureText(TransferResult result);
QString UploadFailureText(TransferResult result);

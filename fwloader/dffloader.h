#pragma once
#include "dffheader.h"
#include "firmwareimage.h"
#include "md5cipher.h"

#include <QString>

// Reading a firmware data file into an image, without asking anything:
// the part the loader window, the command-line tool and tests share.
struct DffLoadResult {
    enum class Outcome {
        Loaded,
        Unreadable,     // the file cannot be opened (message says why)
        InvalidKey,     // check block wrong: other key, changed header, damaged file
        BadImage,       // the HEX text is damaged or does not fit (message)
        NoEndRecord,    // the text has no end record (no message)
    };
    Outcome outcome = Outcome::Unreadable;
    QString message;
    bool ok() const { return outcome == Outcome::Loaded; }
};

// The header of a firmware file; a short file gives zeros for what is
// missing. False (with *error) when the file cannot be read.
bool ReadDffHeader(const QString& path, DffHeader* header, QString* error);

// Deciphers and parses the file whose header is given. The image is
// erased unless the load succeeds.
DffLoadResult LoadDffImage(const QString& path, const DffHeader& header, FirmwareImage* image,
                           const CipherProgress& progress = {});

// The text of the invalid-file message for a model.
QString InvalidDffMessage(const QString& trimmedUnitId);

// The loader's load of a firmware file, with its question and messages:
// reads the header, sets *settings for the model, asks the user to
// confirm, then deciphers and parses. True when the image is ready to send.
bool LoadDFFFile(const QString& path, DffHeader* header, FirmwareImage* image,
                 LineSettings* settings, const CipherProgress& progress = {});

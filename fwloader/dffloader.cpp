#include "dffloader.h"

#include "errorlog.h"
#include "prompter.h"
#include "safefile.h"
#include "keystem.h"
#include "scratchfile.h"

#include <QFile>

namespace {

constexpr const char* kModule = "modFW";
// The start of every message about a firmware file that cannot be used.
const QString kAccessFailure = QStringLiteral("Unable to access the DFF file. ");

QString ConfirmText(const DffHeader& h)
{
    return QStringLiteral("Firmware file for ") + h.trimmedUnitId() + QStringLiteral(" detected:\r\n\r\n")
        + QStringLiteral("Version ") + h.versionText() + QStringLiteral(" for ") + ChipName(h.ChipId)
        + QStringLiteral("\r\n\r\nDo you want to continue?");
}

DffLoadResult Result(DffLoadResult::Outcome outcome, const QString& message = QString())
{
    DffLoadResult r;
    r.outcome = outcome;
    r.message = message;
    return r;
}

} // namespace

bool ReadDffHeader(const QString& path, DffHeader* header, QString* error)
{
    QFile file;
    if (!OpenRegularFile(file, path, kMaxDffFileBytes, error))
        return false;
    *header = DffHeader::fromBytes(file.read(DffHeader::kSize));
    return true;
}

QString InvalidDffMessage(const QString& trimmedUnitId)
{
    return QStringLiteral("Invalid DFF file.  Please obtain the latest ") + trimmedUnitId
        + QStringLiteral(" software and DFF files.");
}

DffLoadResult LoadDffImage(const QString& path, const DffHeader& header, FirmwareImage* image,
                           const CipherProgress& progress)
{
    image->erase();
    ScratchFile scratch;
    if (!scratch.isOpen())
        return Result(DffLoadResult::Outcome::Unreadable,
                      QStringLiteral("Unable to create a temporary file to verify the DFF file. ")
                          + scratch.errorString());
    QString problem;
    if (!DecMD5(path, scratch.file(), DffKey(header.Major, header.Minor), progress, &problem))
        return problem.isEmpty()
            ? Result(DffLoadResult::Outcome::InvalidKey, InvalidDffMessage(header.trimmedUnitId()))
            : Result(DffLoadResult::Outcome::Unreadable, kAccessFailure + problem);

    // Read back through the same descriptor: the text never travels by name.
    QByteArray text;
    if (scratch.file().seek(0))
        text = scratch.file().readAll();
    if (scratch.file().error() != QFileDevice::NoError)
        return Result(DffLoadResult::Outcome::Unreadable, kAccessFailure + scratch.file().errorString());
    const HexParseResult parsed = ParseHexImage(text, image);
    if (parsed.ok())
        return Result(DffLoadResult::Outcome::Loaded);
    image->erase();
    return Result(parsed.outcome == HexParseResult::Outcome::NoEndRecord
                      ? DffLoadResult::Outcome::NoEndRecord
                      : DffLoadResult::Outcome::BadImage,
                  parsed.message);
}

bool LoadDFFFile(const QString& path, DffHeader* header, FirmwareImage* image,
                 LineSettings* settings, const CipherProgress& progress)
{
    const ProcedureTrap trap("LoadDFFFile", kModule);
    image->erase();
    if (path.isEmpty())
        return false;

    QString error;
    if (!ReadDffHeader(path, header, &error)) {
        Prompts().message(kAccessFailure + error);
        return false;
    }
    LineSettings modelSettings;
    if (ModelLineSettings(header->trimmedUnitId(), &modelSettings))
        *settings = modelSettings;

    if (Prompts().message(ConfirmText(*header), MsgIcon::Question, MsgButtons::YesNo) != MsgAnswer::Yes) {
        // A file left behind by an interrupted run goes too.
        ScratchFile::removeStale();
        return false;
    }

    DffLoadResult result;
    QString description;
    if (!trap([&] { result = LoadDffImage(path, *header, image, progress); }, &description))
        result = Result(DffLoadResult::Outcome::Unreadable, kAccessFailure + description);
    if (!result.message.isEmpty())
        Prompts().message(result.message, MsgIcon::Critical);
    return result.ok();
}

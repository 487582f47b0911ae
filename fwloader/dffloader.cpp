#include "dffloader.h"

#include "errorlog.h"
#include "prompter.h"
#include "runtimeerror.h"
#include "keystem.h"
#include "scratchfile.h"

#include <QFile>

namespace {

constexpr const char* kModule = "modFW";

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
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.error() == QFileDevice::PermissionsError
            ? RuntimeError::permissionDenied().description()
            : RuntimeError::fileNotFound().description();
        return false;
    }
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
    const ScratchFile scratch;
    if (scratch.path().isEmpty())
        return Result(DffLoadResult::Outcome::Unreadable,
                      QStringLiteral("Unable to create a temporary file to verify the DFF file."));
    if (!DecMD5(path, scratch.path(), DffKey(header.Major, header.Minor), progress))
        return Result(DffLoadResult::Outcome::InvalidKey, InvalidDffMessage(header.trimmedUnitId()));

    QFile text(scratch.path());
    if (!text.open(QIODevice::ReadOnly))
        return Result(DffLoadResult::Outcome::Unreadable,
                      QStringLiteral("Unable to access the DFF file. ") + text.errorString());
    const HexParseResult parsed = ParseHexImage(text.readAll(), image);
    text.close();
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
        Prompts().message(QStringLiteral("Unable to access the DFF file. ") + error);
        return false;
    }
    LineSettings modelSettings;
    if (ModelLineSettings(header->trimmedUnitId(), &modelSettings))
        *settings = modelSettings;

    if (Prompts().message(ConfirmText(*header), MsgIcon::Question, MsgButtons::YesNo) != MsgAnswer::Yes) {
        // A file left behind by an interrupted run goes too.
        QFile::remove(ScratchFile::programFolderPath());
        return false;
    }

    DffLoadResult result;
    trap([&] { result = LoadDffImage(path, *header, image, progress); });
    if (!result.message.isEmpty())
        Prompts().message(result.message, MsgIcon::Critical);
    return result.ok();
}

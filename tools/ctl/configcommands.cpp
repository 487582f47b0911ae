#include "configcommands.h"
#include "exitstatus.h"

#include "configdiff.h"
#include "configlisting.h"
#include "datafile.h"
#include "defaultconfig.h"
#include "linkview.h"
#include "networkport.h"
#include "portresolve.h"
#include "seqtext.h"
#include "status.h"
#include "toolport.h"
#include "unitconfig.h"
#include "unitlink.h"
#include "verification.h"

#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {
using namespace ExitStatus;
// A device path given as the port is served under this port number.
constexpr int kPathPortNumber = 99;

void err(const QString& text)
{
    std::fprintf(stderr, "%s\n", qPrintable(text));
    std::fflush(stderr);
}

// Prints text whole on stdout; false (told on stderr) when it could not.
bool print(const QString& text)
{
    const QByteArray bytes = text.toLatin1();
    if (std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) != size_t(bytes.size())
        || std::fflush(stdout) != 0) {
        err(QStringLiteral("Unable to print the whole listing: ") + QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    return true;
}

QString lines(const QStringList& list)
{
    return list.isEmpty() ? QString() : list.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

// The tool's face towards the link: progress on stderr, the checks a
// window would run before an upload of config, the changes on stdout.
class ToolView : public LinkView {
public:
    explicit ToolView(const UnitConfig& config) : config_(config) {}

    bool dryRun = false;
    bool previewShown = false;

    void showUnitId(const QString& text) override { err(text.trimmed()); }
    bool verifyForUpload() override
    {
        const SequenceTexts texts = SequenceListTexts(config_);
        return VerifyInformation(texts.labels, texts.lines, true);
    }
    bool confirmUpload(const QStringList& changes) override
    {
        previewShown = print(changes.isEmpty()
                                 ? QStringLiteral("The unit holds this configuration already.\n")
                                 : QStringLiteral("Changes (- the unit holds, + it will hold):\n") + lines(changes));
        return previewShown && !dryRun;
    }
    void uploadMismatch(const QStringList& differences) override
    {
        err(QStringLiteral("Read back, the unit differs (- written, + read back):\n") + lines(differences).trimmed());
    }
    void lineDropped() override { err(QStringLiteral("The connection to the unit was lost.")); }

private:
    const UnitConfig& config_;
};

// "ComN", a serial server's URL, or a device path made reachable as
// Com99. Empty on bad text.
QString portEntry(const QString& port)
{
    if (IsNetworkPortEntry(port))
        return port;
    if (PortNumberOf(port) > 0 && port.startsWith(QLatin1String("com"), Qt::CaseInsensitive))
        return port;
    if (port.isEmpty())
        return QString();
    qputenv(qPrintable(QStringLiteral("KV310_COM%1").arg(kPathPortNumber)), port.toLocal8Bit());
    return QStringLiteral("Com%1").arg(kPathPortNumber);
}

struct Parsed {
    QString port, out, backupDir;
    QStringList files;
    UploadScope scope = UploadScope::Everything;
    bool dryRun = false;
    bool noVerify = false;
    bool ok = true;

    // None of the upload's own switches was given.
    bool nothingOfUpload() const
    {
        return backupDir.isEmpty() && scope == UploadScope::Everything && !dryRun && !noVerify;
    }
};

Parsed parse(const QStringList& args)
{
    Parsed p;
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args.at(i);
        const bool valued = a == QLatin1String("--port") || a == QLatin1String("--out")
            || a == QLatin1String("--backup-dir");
        if (valued && i + 1 < args.size())
            (a == QLatin1String("--port") ? p.port : a == QLatin1String("--out") ? p.out : p.backupDir) = args.at(++i);
        else if (a == QLatin1String("--settings-only") && p.scope == UploadScope::Everything)
            p.scope = UploadScope::SettingsOnly;
        else if (a == QLatin1String("--flash-only") && p.scope == UploadScope::Everything)
            p.scope = UploadScope::FlashOnly;
        else if (a == QLatin1String("--dry-run"))
            p.dryRun = true;
        else if (a == QLatin1String("--no-verify"))
            p.noVerify = true;
        else if (!a.startsWith(QLatin1String("--")))
            p.files << a;
        else
            p.ok = false;
    }
    return p;
}

bool load(const QString& file, UnitConfig& config)
{
    if (!QFileInfo::exists(file)) {
        err(QStringLiteral("No such file: ") + file);
        return false;
    }
    return ImportKV310File(file, config);
}

int dump(const Parsed& p)
{
    if (p.files.size() != 1 || !p.port.isEmpty() || !p.out.isEmpty() || !p.nothingOfUpload())
        return kShowUsage;
    UnitConfig config;
    if (!load(p.files[0], config))
        return kFailed;
    return print(ConfigListing(config)) ? kOk : kFailed;
}

// 0 equal, 1 different, 2 bad usage or a file that cannot be read.
int diff(const Parsed& p)
{
    if (p.files.size() != 2 || !p.port.isEmpty() || !p.out.isEmpty() || !p.nothingOfUpload())
        return kShowUsage;
    // Both from the same start, so sections that neither file holds agree.
    UnitConfig a;
    UnitConfig b;
    if (!load(p.files[0], a) || !load(p.files[1], b))
        return kUsage;
    const QStringList differences = ConfigDifferences(a, b);
    if (differences.isEmpty())
        return kOk;
    return print(lines(differences)) ? kDifferent : kUsage;
}

// Connects on the parsed port; the caller's link then runs one command,
// which reads the unit itself: connecting only probes, so a file's option
// bits are not replaced by the unit's before it is uploaded.
bool connect(UnitLink& link, const Parsed& p)
{
    link.setRememberPort(false);
    link.setConnectReadsSettings(false);
    const QString entry = portEntry(p.port);
    return !entry.isEmpty() && link.connectUnit(entry);
}

int download(const Parsed& p)
{
    if (p.port.isEmpty() || p.out.isEmpty() || !p.files.isEmpty() || !p.nothingOfUpload())
        return kShowUsage;
    // What the unit does not hold (the strings' flag character) comes from
    // the defaults, as in the window started on them.
    UnitConfig config = DefaultConfig();
    ToolPort port;
    ToolView view(config);
    UnitLink link(&port.port(), config, &view);
    if (!connect(link, p))
        return kFailed;
    const bool read = link.download() == TransferResult::Ok;
    link.disconnectUnit();
    if (!read)
        return kFailed;
    if (!ExportKV310File(p.out, config))
        return kFailed;
    err(QStringLiteral("Saved ") + p.out);
    return kOk;
}

int upload(const Parsed& p)
{
    if (p.port.isEmpty() || p.files.size() != 1 || !p.out.isEmpty())
        return kShowUsage;
    UnitConfig config;
    if (!load(p.files[0], config))
        return kFailed;
    ToolPort port;
    ToolView view(config);
    view.dryRun = p.dryRun;
    UnitLink link(&port.port(), config, &view);
    link.setVerify(!p.noVerify);
    if (!p.backupDir.isEmpty())
        link.setBackupFolder(p.backupDir);
    if (!connect(link, p))
        return kFailed;
    link.setPortName(p.port);
    const TransferResult result = link.upload(p.scope);
    link.disconnectUnit();
    if (p.dryRun)
        return result == TransferResult::Cancelled && view.previewShown ? kOk : kFailed;
    return result == TransferResult::Ok ? kOk : kFailed;
}
} // namespace

int RunConfigCommand(const QStringList& args, bool* handled)
{
    *handled = true;
    const QString command = args.value(0);
    const Parsed p = parse(args);
    int code = kShowUsage;
    if (command == QLatin1String("dump"))
        code = p.ok ? dump(p) : kShowUsage;
    else if (command == QLatin1String("diff"))
        code = p.ok ? diff(p) : kShowUsage;
    else if (command == QLatin1String("download"))
        code = p.ok ? download(p) : kShowUsage;
    else if (command == QLatin1String("upload"))
        code = p.ok ? upload(p) : kShowUsage;
    else
        *handled = false;
    return code;
}

QString ConfigCommandsUsage()
{
    return QStringLiteral(
        "  kv310ctl dump FILE.dtd\n"
        "      Lists the configuration a data file holds.\n"
        "  kv310ctl diff A.dtd B.dtd\n"
        "      Lists what differs between two data files (- A, + B): exit 0 when\n"
        "      equal, 1 when different, 2 when a file cannot be read.\n"
        "  kv310ctl download --port PORT --out FILE.dtd\n"
        "      Reads a unit into a data file. PORT: ComN, a device path, or a serial\n"
        "      server's port, rfc2217://HOST:PORT or socket://HOST:PORT.\n"
        "  kv310ctl upload --port PORT FILE.dtd [--settings-only | --flash-only]\n"
        "                  [--dry-run] [--backup-dir DIR] [--no-verify]\n"
        "      Reads the unit, lists the changes, saves what it held in DIR (default\n"
        "      ~/.local/share/kv310/backups; the newest 50 are kept), writes what\n"
        "      differs and reads it back to compare. --dry-run only lists.\n"
        "  kv310ctl --trace FILE COMMAND ...\n"
        "      Also records every chunk sent and received in FILE.\n");
}

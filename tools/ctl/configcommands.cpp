#include "configcommands.h"

#include "configlisting.h"
#include "datafile.h"
#include "defaultconfig.h"
#include "linkview.h"
#include "portresolve.h"
#include "qtserialport.h"
#include "seqtext.h"
#include "status.h"
#include "unitconfig.h"
#include "unitlink.h"
#include "verification.h"

#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
// A device path given as the port is served under this port number.
constexpr int kPathPortNumber = 99;

void err(const QString& text)
{
    std::fprintf(stderr, "%s\n", qPrintable(text));
    std::fflush(stderr);
}

// The tool's face towards the link: progress on stderr, the checks a
// window would run before an upload of config.
class ToolView : public LinkView {
public:
    explicit ToolView(const UnitConfig& config) : config_(config) {}
    void showUnitId(const QString& text) override { err(text.trimmed()); }
    bool verifyForUpload() override
    {
        const SequenceTexts texts = SequenceListTexts(config_);
        return VerifyInformation(texts.labels, texts.lines, true);
    }
    void lineDropped() override { err(QStringLiteral("The connection to the unit was lost.")); }

private:
    const UnitConfig& config_;
};

// "ComN", or a device path made reachable as Com99. Empty on bad text.
QString portEntry(const QString& port)
{
    if (PortNumberOf(port) > 0 && port.startsWith(QLatin1String("com"), Qt::CaseInsensitive))
        return port;
    if (port.isEmpty())
        return QString();
    qputenv(qPrintable(QStringLiteral("KV310_COM%1").arg(kPathPortNumber)), port.toLocal8Bit());
    return QStringLiteral("Com%1").arg(kPathPortNumber);
}

struct Parsed {
    QString port, out, file;
    UploadScope scope = UploadScope::Everything;
    bool ok = true;
};

Parsed parse(const QStringList& args)
{
    Parsed p;
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args.at(i);
        if ((a == QLatin1String("--port") || a == QLatin1String("--out")) && i + 1 < args.size())
            (a == QLatin1String("--port") ? p.port : p.out) = args.at(++i);
        else if (a == QLatin1String("--settings-only") && p.scope == UploadScope::Everything)
            p.scope = UploadScope::SettingsOnly;
        else if (a == QLatin1String("--flash-only") && p.scope == UploadScope::Everything)
            p.scope = UploadScope::FlashOnly;
        else if (!a.startsWith(QLatin1String("--")) && p.file.isEmpty())
            p.file = a;
        else
            p.ok = false;
    }
    return p;
}

int dump(const Parsed& p)
{
    if (p.file.isEmpty() || !p.port.isEmpty() || !p.out.isEmpty())
        return kExitUsage;
    if (!QFileInfo::exists(p.file)) {
        err(QStringLiteral("No such file: ") + p.file);
        return kExitFailed;
    }
    UnitConfig config;
    if (!ImportKV310File(p.file, config))
        return kExitFailed;
    const QByteArray listing = ConfigListing(config).toLatin1();
    if (std::fwrite(listing.constData(), 1, size_t(listing.size()), stdout) != size_t(listing.size())
        || std::fflush(stdout) != 0) {
        err(QStringLiteral("Unable to print the whole listing: ") + QString::fromLocal8Bit(std::strerror(errno)));
        return kExitFailed;
    }
    return kExitOk;
}

// Connects on the parsed port; the caller's link then runs one command.
bool connect(UnitLink& link, const Parsed& p)
{
    link.setRememberPort(false);
    const QString entry = portEntry(p.port);
    return !entry.isEmpty() && link.connectUnit(entry);
}

int download(const Parsed& p)
{
    if (p.port.isEmpty() || p.out.isEmpty() || !p.file.isEmpty() || p.scope != UploadScope::Everything)
        return kExitUsage;
    // What the unit does not hold (the strings' flag character) comes from
    // the defaults, as in the window started on them.
    UnitConfig config = DefaultConfig();
    QtSerialPort port;
    ToolView view(config);
    UnitLink link(&port, config, &view);
    if (!connect(link, p))
        return kExitFailed;
    const bool read = link.download() == TransferResult::Ok;
    link.disconnectUnit();
    if (!read)
        return kExitFailed;
    if (!ExportKV310File(p.out, config))
        return kExitFailed;
    err(QStringLiteral("Saved ") + p.out);
    return kExitOk;
}

int upload(const Parsed& p)
{
    if (p.port.isEmpty() || p.file.isEmpty() || !p.out.isEmpty())
        return kExitUsage;
    if (!QFileInfo::exists(p.file)) {
        err(QStringLiteral("No such file: ") + p.file);
        return kExitFailed;
    }
    UnitConfig config;
    if (!ImportKV310File(p.file, config))
        return kExitFailed;
    QtSerialPort port;
    ToolView view(config);
    UnitLink link(&port, config, &view);
    if (!connect(link, p))
        return kExitFailed;
    const bool written = link.upload(p.scope) == TransferResult::Ok;
    link.disconnectUnit();
    return written ? kExitOk : kExitFailed;
}
} // namespace

int RunConfigCommand(const QStringList& args, bool* handled)
{
    *handled = true;
    const QString command = args.value(0);
    const Parsed p = parse(args);
    int code = kExitUsage;
    if (command == QLatin1String("dump"))
        code = p.ok ? dump(p) : kExitUsage;
    else if (command == QLatin1String("download"))
        code = p.ok ? download(p) : kExitUsage;
    else if (command == QLatin1String("upload"))
        code = p.ok ? upload(p) : kExitUsage;
    else
        *handled = false;
    return code;
}

QString ConfigCommandsUsage()
{
    return QStringLiteral(
        "  kv310ctl dump FILE.dtd\n"
        "      Lists the configuration a data file holds.\n"
        "  kv310ctl download --port PORT --out FILE.dtd\n"
        "      Reads a unit into a data file. PORT: ComN, or a device path.\n"
        "  kv310ctl upload --port PORT FILE.dtd [--settings-only | --flash-only]\n"
        "      Writes what differs to the unit.\n");
}

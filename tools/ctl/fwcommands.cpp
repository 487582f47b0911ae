#include "fwcommands.h"
#include "exitstatus.h"

#include "bootloaderlink.h"
#include "dffloader.h"
#include "dffmaker.h"
#include "flashview.h"
#include "packets.h"
#include "networkport.h"
#include "portresolve.h"
#include "printabletext.h"
#include "runtimeerror.h"
#include "toolport.h"

#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QTextStream>

#include <cstdio>

namespace {

using namespace ExitStatus;
// Port numbers tried, from the top down, for a device given by its path.
constexpr int kHighestPortNumber = 255;
const char* const kDefaultLine = "9600,n,8,1";

QTextStream& err()
{
    static QTextStream stream(stderr);
    return stream;
}

QTextStream& out()
{
    static QTextStream stream(stdout);
    return stream;
}

int Usage(const QString& problem)
{
    err() << problem << "\nusage:\n" << FwCommandsUsage() << Qt::flush;
    return kUsage;
}

// "--name value" options and plain arguments of one subcommand.
struct Options {
    QStringList plain;
    QMap<QString, QString> named;
    QStringList flags;
    QString problem;

    Options(const QStringList& args, const QStringList& valued, const QStringList& switches)
    {
        for (int i = 1; i < args.size(); ++i) {
            const QString& a = args[i];
            if (valued.contains(a)) {
                if (i + 1 >= args.size()) {
                    problem = a + QStringLiteral(" needs a value");
                    return;
                }
                named[a] = args[++i];
            } else if (switches.contains(a)) {
                flags.append(a);
            } else if (a.startsWith(QLatin1String("--"))) {
                problem = QStringLiteral("unknown option ") + a;
                return;
            } else {
                plain.append(a);
            }
        }
    }
};

// A version or chip number given on the command line, 0..255.
bool ByteArgument(const QString& text, uint8_t* value)
{
    bool ok = false;
    const int v = text.toInt(&ok, 0);
    if (!ok || v < 0 || v > 255)
        return false;
    *value = uint8_t(v);
    return true;
}

int MakeDffCommand(const QStringList& args)
{
    const Options o(args, {"--unit", "--major", "--minor", "--chip", "--out"}, {});
    if (!o.problem.isEmpty())
        return Usage(o.problem);
    if (o.plain.size() != 1 || !o.named.contains("--unit") || !o.named.contains("--out"))
        return Usage(QStringLiteral("make-dff needs a HEX file, --unit and --out"));
    DffHeader header = DffHeader::forModel(o.named["--unit"], 0, 0, 0);
    if (!ByteArgument(o.named.value("--major", "0"), &header.Major)
        || !ByteArgument(o.named.value("--minor", "0"), &header.Minor)
        || !ByteArgument(o.named.value("--chip", "0"), &header.ChipId))
        return Usage(QStringLiteral("--major, --minor and --chip take numbers 0..255"));
    QString problem;
    if (!MakeDff(o.plain[0], o.named["--out"], header, {}, &problem)) {
        err() << problem << Qt::endl;
        return kFailed;
    }
    out() << o.named["--out"] << ": " << header.trimmedUnitId() << " v" << header.versionText() << " for "
          << ChipName(header.ChipId) << Qt::endl;
    return kOk;
}

// Reads and deciphers a firmware file; prints why it cannot be used.
bool LoadChecked(const QString& path, DffHeader* header, FirmwareImage* image)
{
    QString error;
    if (!ReadDffHeader(path, header, &error)) {
        err() << path << ": " << error << Qt::endl;
        return false;
    }
    const DffLoadResult r = LoadDffImage(path, *header, image);
    if (!r.ok()) {
        // The messages name the file's own model: shown escaped.
        err() << path << ": "
              << PrintableText(r.message.isEmpty() ? QStringLiteral("the firmware text has no end record") : r.message)
              << Qt::endl;
        return false;
    }
    return true;
}

int CheckDffCommand(const QStringList& args)
{
    const Options o(args, {}, {});
    if (!o.problem.isEmpty() || o.plain.size() != 1)
        return Usage(o.problem.isEmpty() ? QStringLiteral("check-dff needs one file") : o.problem);
    DffHeader header;
    FirmwareImage image;
    const bool ok = LoadChecked(o.plain[0], &header, &image);
    out() << "unit:    " << PrintableText(header.trimmedUnitId()) << "\nversion: " << header.versionText()
          << "\nchip:    " << ChipName(header.ChipId) << " [" << header.ChipId << "]" << Qt::endl;
    if (!ok)
        return kFailed;
    int packets = 0;
    for (int i = 0; i < FirmwareImage::kFlashSize - 1; i += kChunkBytes)
        packets += ChunkBlank(image.FlashImage, i) ? 0 : 1;
    const int eeprom = int(image.EepromPresent.count(char(1)));
    out() << "program: " << image.CodeEnd << " bytes (code end 0x" << QString::number(image.CodeEnd, 16)
          << "), " << packets << " packets\neeprom:  " << eeprom << " bytes\nstatus:  valid" << Qt::endl;
    return kOk;
}

// Progress of a flash on stderr.
class StderrView : public FlashView {
public:
    void showMessage(const QString& text) override { err() << text << Qt::endl; }
    void startProgress(int maximum) override { maximum_ = qMax(1, maximum); }
    void setProgress(int value) override
    {
        const int percent = qMin(100, value * 100 / maximum_);
        if (percent / 10 != shown_ / 10)
            err() << "  " << percent << "%" << Qt::endl;
        shown_ = percent;
    }

private:
    int maximum_ = 1;
    int shown_ = 0;
};

// The port number standing for PORT: "ComN", or a free number whose
// variable is pointed at the device path.
int PortNumberFor(const QString& port)
{
    if (port.startsWith(QLatin1String("com"), Qt::CaseInsensitive)) {
        const int n = PortNumberOf(port);
        return n <= kHighestPortNumber ? n : 0;
    }
    for (int n = kHighestPortNumber; n >= 1; --n) {
        const QByteArray variable = "KV310_COM" + QByteArray::number(n);
        if (!qEnvironmentVariableIsSet(variable.constData())) {
            qputenv(variable.constData(), QFile::encodeName(port));
            return n;
        }
    }
    return 0;
}

bool Confirmed(const DffHeader& header)
{
    err() << "Firmware file for " << header.trimmedUnitId() << ": version " << header.versionText() << " for "
          << ChipName(header.ChipId) << ". Continue? [y/N] " << Qt::flush;
    char answer[16] = {};
    return std::fgets(answer, sizeof answer, stdin) && (answer[0] == 'y' || answer[0] == 'Y');
}

int FlashCommand(const QStringList& args)
{
    const Options o(args, {"--port"}, {"--yes"});
    if (!o.problem.isEmpty())
        return Usage(o.problem);
    if (o.plain.size() != 1 || !o.named.contains("--port"))
        return Usage(QStringLiteral("flash needs --port and one file"));
    const QString portText = o.named["--port"];
    const bool network = IsNetworkPortEntry(portText);
    const int number = network ? 0 : PortNumberFor(portText);
    if (!network && number == 0)
        return Usage(QStringLiteral("bad port ") + portText);

    DffHeader header;
    FirmwareImage image;
    if (!LoadChecked(o.plain[0], &header, &image))
        return kFailed;
    if (!o.flags.contains("--yes") && !Confirmed(header))
        return kFailed;

    LineSettings settings;
    if (!ModelLineSettings(header.trimmedUnitId(), &settings))
        LineSettings::parse(QLatin1String(kDefaultLine), &settings);
    ToolPort tool;
    SerialPort& port = tool.port();
    if (network)
        port.setNetworkPort(portText);
    else
        port.setPortNumber(number);
    port.setSettings(settings);
    if (!port.open()) {
        err() << "Unable to connect on select COM port.  The port may be in use. (" << port.lastErrorText() << ")"
              << Qt::endl;
        return kFailed;
    }
    StderrView view;
    BootloaderLink link(port, view);
    view.showMessage(QStringLiteral("Please reset the unit... (10 seconds)"));
    const FlashOutcome outcome = link.FlashUnit(header, image);
    port.close();
    return outcome == FlashOutcome::Flashed ? kOk : kFailed;
}

} // namespace

QString FwCommandsUsage()
{
    return QStringLiteral(
        "  kv310ctl make-dff HEX --unit NAME --major M --minor N --chip C --out FILE.dff\n"
        "      Makes a firmware data file from an Intel HEX file.\n"
        "  kv310ctl check-dff FILE.dff\n"
        "      Checks a firmware data file and shows its model, version and chip.\n"
        "  kv310ctl flash --port PORT FILE.dff [--yes]\n"
        "      Flashes a unit through its boot loader (--yes: without asking).\n");
}

int RunFwCommand(const QStringList& args, bool* handled)
{
    *handled = true;
    const QString command = args.value(0);
    try {
        if (command == QLatin1String("make-dff"))
            return MakeDffCommand(args);
        if (command == QLatin1String("check-dff"))
            return CheckDffCommand(args);
        if (command == QLatin1String("flash"))
            return FlashCommand(args);
    } catch (const RuntimeError& e) {
        err() << "Error " << e.number() << " (" << e.description() << ")" << Qt::endl;
        return kFailed;
    }
    *handled = false;
    return kUsage;
}

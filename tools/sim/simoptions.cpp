#include "simoptions.h"

namespace {
bool number(const QString& text, qint64* out)
{
    bool ok = false;
    const qint64 v = text.toLongLong(&ok, 0);   // 0x.. accepted
    if (ok && v >= 0)
        *out = v;
    return ok && v >= 0;
}
} // namespace

bool SimOptions::parse(const QStringList& args, QString* error)
{
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args.at(i);
        auto value = [&](QString* out) {
            if (i + 1 >= args.size()) {
                *error = a + QStringLiteral(" needs a value");
                return false;
            }
            *out = args.at(++i);
            return true;
        };
        auto integer = [&](auto* out) {
            QString text;
            qint64 v = 0;
            if (!value(&text))
                return false;
            if (!number(text, &v)) {
                *error = QStringLiteral("%1: not a number: %2").arg(a, text);
                return false;
            }
            *out = decltype(+*out)(v);
            return true;
        };
        bool ok = true;
        if (a == QLatin1String("--link")) ok = value(&link);
        else if (a == QLatin1String("--baud")) ok = integer(&baud);
        else if (a == QLatin1String("--unpaced")) baud = 0;
        else if (a == QLatin1String("--hardware-code")) ok = integer(&hardwareCode);
        else if (a == QLatin1String("--firmware")) ok = integer(&firmware);
        else if (a == QLatin1String("--power-fail")) powerFail = true;
        else if (a == QLatin1String("--mute")) mute = true;
        else if (a == QLatin1String("--garbage")) garbage = true;
        else if (a == QLatin1String("--no-write-ack")) noWriteAck = true;
        else if (a == QLatin1String("--hangup-after")) ok = integer(&hangupAfter);
        else if (a == QLatin1String("--slow")) ok = integer(&slowMs);
        else if (a == QLatin1String("--state")) ok = value(&stateFile);
        else if (a == QLatin1String("--bootloader")) bootloader = true;
        else if (a == QLatin1String("--unitinfo")) ok = integer(&unitInfo);
        else if (a == QLatin1String("--nak-at")) ok = integer(&nakAt);
        else if (a == QLatin1String("--silent-after")) ok = integer(&silentAfter);
        else if (a == QLatin1String("--late-reset")) ok = integer(&lateResetMs);
        else if (a == QLatin1String("--image-out")) ok = value(&imageOut);
        else {
            *error = QStringLiteral("unknown option ") + a;
            return false;
        }
        if (!ok)
            return false;
    }
    if (hardwareCode > 7 || firmware > 31 || unitInfo > 255) {
        *error = QStringLiteral("--hardware-code is 0-7, --firmware 0-31, --unitinfo 0-255");
        return false;
    }
    return true;
}

QString SimOptions::usage()
{
    return QStringLiteral(
        "usage: kv310-sim [--link PATH] [--baud N | --unpaced] [--slow MS]\n"
        "                 [--hardware-code N] [--firmware V] [--power-fail]\n"
        "                 [--mute | --garbage] [--no-write-ack] [--hangup-after N]\n"
        "                 [--state FILE]\n"
        "       kv310-sim --bootloader --unitinfo 0xNN [--nak-at N] [--silent-after N]\n"
        "                 [--late-reset MS] [--image-out FILE] [--link PATH] [--baud N | --unpaced]\n"
        "Prints the device path of the simulated unit as its first line. Commands on\n"
        "stdin: \"reset\" (the unit reports a reset; the boot loader opens its window),\n"
        "\"state\" (writes the state file, answers \"state written\"), \"quit\".\n"
        "SIGUSR1 writes the state file; SIGTERM and SIGINT end the simulator.\n");
}

#include "simoptions.h"

#include <QCommandLineParser>

namespace {
struct OptionText {
    const char* name;
    const char* valueName;   // nullptr for a switch
    const char* description;
};

constexpr OptionText kOptions[] = {
    {"link", "PATH", "Also make PATH a symbolic link to the device."},
    {"baud", "N", "Pace the replies at N baud (default 9600)."},
    {"unpaced", nullptr, "Reply at once, unpaced (for tests)."},
    {"slow", "MS", "Wait MS milliseconds before each reply."},
    {"hardware-code", "N", "Hardware code the unit reports, 0-7 (default 1)."},
    {"firmware", "V", "Firmware version the unit reports, 0-31 (default 6)."},
    {"power-fail", nullptr, "Report a power failure after each write."},
    {"mute", nullptr, "Never answer."},
    {"garbage", nullptr, "Answer with garbage."},
    {"no-write-ack", nullptr, "Never confirm a write."},
    {"flood-after-eeprom", nullptr, "Once the EEPROM was read, send noise without end."},
    {"drop-write", "N", "Confirm write N (1 the first) but do not store it."},
    {"hangup-after", "N", "Hang up the line after N bytes received."},
    {"state", "FILE", "Write the unit's memories to FILE on \"state\", SIGUSR1 and at the end."},
    {"bootloader", nullptr, "Be the boot loader instead of the configuration firmware."},
    {"unitinfo", "0xNN", "Boot loader: the identification byte (model and chip)."},
    {"nak-at", "N", "Boot loader: refuse packet N once."},
    {"silent-after", "N", "Boot loader: fall silent after packet N."},
    {"late-reset", "MS", "Boot loader: open its window MS milliseconds after \"reset\"."},
    {"image-out", "FILE", "Boot loader: write the flashed image to FILE at the end."},
};

// Decimal or 0x-prefixed, not negative.
bool Number(const QString& text, qint64* out)
{
    bool ok = false;
    const qint64 v = text.toLongLong(&ok, 0);
    if (ok && v >= 0)
        *out = v;
    return ok && v >= 0;
}
} // namespace

void SimOptions::declare(QCommandLineParser& parser)
{
    for (const OptionText& o : kOptions) {
        QCommandLineOption option(QString::fromLatin1(o.name), QString::fromLatin1(o.description));
        if (o.valueName)
            option.setValueName(QString::fromLatin1(o.valueName));
        parser.addOption(option);
    }
}

bool SimOptions::read(const QCommandLineParser& parser, QString* error)
{
    if (!parser.errorText().isEmpty()) {
        *error = parser.errorText();
        return false;
    }
    if (!parser.positionalArguments().isEmpty()) {
        *error = QStringLiteral("unexpected argument ") + parser.positionalArguments().first();
        return false;
    }
    const auto text = [&](const char* name, QString* out) {
        if (parser.isSet(QString::fromLatin1(name)))
            *out = parser.value(QString::fromLatin1(name));
    };
    bool ok = true;
    const auto integer = [&](const char* name, auto* out) {
        const QString key = QString::fromLatin1(name);
        qint64 v = 0;
        if (!ok || !parser.isSet(key))
            return;
        if (!Number(parser.value(key), &v)) {
            *error = QStringLiteral("--%1: not a number: %2").arg(key, parser.value(key));
            ok = false;
            return;
        }
        *out = decltype(+*out)(v);
    };
    const auto flag = [&](const char* name) { return parser.isSet(QString::fromLatin1(name)); };

    text("link", &link);
    integer("baud", &baud);
    if (flag("unpaced"))
        baud = 0;
    integer("slow", &slowMs);
    integer("hardware-code", &hardwareCode);
    integer("firmware", &firmware);
    powerFail = flag("power-fail");
    mute = flag("mute");
    garbage = flag("garbage");
    noWriteAck = flag("no-write-ack");
    flood = flag("flood-after-eeprom");
    integer("drop-write", &dropWrite);
    integer("hangup-after", &hangupAfter);
    text("state", &stateFile);
    bootloader = flag("bootloader");
    integer("unitinfo", &unitInfo);
    integer("nak-at", &nakAt);
    integer("silent-after", &silentAfter);
    integer("late-reset", &lateResetMs);
    text("image-out", &imageOut);
    if (!ok)
        return false;
    if (hardwareCode > 7 || firmware > 31 || unitInfo > 255) {
        *error = QStringLiteral("--hardware-code is 0-7, --firmware 0-31, --unitinfo 0-255");
        return false;
    }
    return true;
}

QString SimOptions::moreHelp()
{
    return QStringLiteral(
        "Prints the device path of the simulated unit as its first line. Commands on\n"
        "stdin: \"reset\" (the unit reports a reset; the boot loader opens its window),\n"
        "\"state\" (writes the state file, answers \"state written\"), \"quit\".\n"
        "SIGUSR1 writes the state file; SIGTERM and SIGINT end the simulator.\n");
}

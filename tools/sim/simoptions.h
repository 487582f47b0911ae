#pragma once
#include <QString>

class QCommandLineParser;

// The command line of kv310-sim.
struct SimOptions {
    QString link;            // --link PATH: a symlink to the slave device
    int baud = 9600;         // --baud N; --unpaced makes it 0
    int hardwareCode = 1;    // --hardware-code N
    int firmware = 6;        // --firmware V
    bool powerFail = false;  // --power-fail
    bool mute = false;       // --mute
    bool garbage = false;    // --garbage
    bool noWriteAck = false; // --no-write-ack: writes are never confirmed
    int dropWrite = 0;       // --drop-write N: write N is confirmed, not stored
    qint64 hangupAfter = -1; // --hangup-after N
    int slowMs = 0;          // --slow MS
    bool flood = false;      // --flood-after-eeprom
    QString stateFile;       // --state FILE
    // Boot loader mode
    bool bootloader = false; // --bootloader
    int unitInfo = 0;        // --unitinfo 0xNN
    int nakAt = 0;           // --nak-at N
    int silentAfter = 0;     // --silent-after N
    int lateResetMs = 0;     // --late-reset MS
    QString imageOut;        // --image-out FILE

    // Declares the options on the parser.
    static void declare(QCommandLineParser& parser);
    // Takes them from a parser that has parsed the command line; false with
    // error set on a bad one.
    bool read(const QCommandLineParser& parser, QString* error);
    // What --help says after the options: the commands on stdin, signals.
    static QString moreHelp();
};

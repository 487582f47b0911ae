// Writes the seed corpora of the fuzzers from what the programs themselves
// write: the default data file and edits of it, a Locals.ini, action lines,
// ASCII strings in their flag-code form, a HEX image, firmware files and
// the simulated boot loader's answers.
// Usage: make_seeds OUTDIR
#include "appinfo.h"
#include "bootloadersim.h"
#include "codec.h"
#include "datafile.h"
#include "hexfixture.h"
#include "defaultconfig.h"
#include "dffheader.h"
#include "firmwareimage.h"
#include "inifile.h"
#include "keystem.h"
#include "md5cipher.h"
#include "packets.h"
#include "unitconfig.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdio>

namespace {

QDir g_out;

void Put(const QString& target, const QString& name, const QByteArray& bytes)
{
    g_out.mkpath(target);
    QFile f(g_out.filePath(target + QLatin1Char('/') + name));
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
}

QByteArray SampleHex()
{
    QByteArray hex;
    for (int address = 0; address < 0x200; address += 16)
        hex += fixture::HexRecord(0, address, QByteArray(16, char(address / 16 + 1)));
    hex += fixture::HexRecord(0, 0x4200, QByteArray::fromHex("12003400"));   // EEPROM words
    hex += fixture::HexRecord(0, 0x400E, QByteArray::fromHex("723F"));       // configuration word
    hex += fixture::HexRecord(1, 0, {});
    return hex;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds OUTDIR\n");
        return 2;
    }
    g_out = QDir(QString::fromLocal8Bit(argv[1]));
    g_out.mkpath(QStringLiteral("."));
    App().folder = g_out.absolutePath();

    UnitConfig config = DefaultConfig();
    Put(QStringLiteral("fuzz_datafile"), QStringLiteral("default.dtd"), ExportKV310Bytes(config));
    config.SeqContents[2] = QByteArray::fromHex("0201080509110601FE");
    config.SeqContentsLen[2] = 4;
    config.ASCIIStrings[5] = "Line\\13\\\\10\\";
    config.ASCIIFlagChar = '\\';
    config.SeqLabel[7] = "ABC";
    Put(QStringLiteral("fuzz_datafile"), QStringLiteral("edited.dtd"), ExportKV310Bytes(config));

    const QString ini = g_out.filePath(QStringLiteral("Locals.ini"));
    WriteIniValue(QStringLiteral("KV310"), QStringLiteral("WinState"), QStringLiteral("2"), ini);
    WriteIniValue(QStringLiteral("KV310"), QStringLiteral("Size"), QStringLiteral("1200:900:12360:7650"), ini);
    WriteIniValue(QStringLiteral("KV310"), QStringLiteral("LastDTD"), QStringLiteral("/home/user/Unit A.dtd"), ini);
    WriteIniValue(QStringLiteral("KV310"), QStringLiteral("DTMFStrings"), QStringLiteral("12,*9"), ini);
    WriteIniValue(QStringLiteral("KV310"), QStringLiteral("ComPort"), QStringLiteral("Com1"), ini);
    QFile iniFile(ini);
    if (iniFile.open(QIODevice::ReadOnly))
        Put(QStringLiteral("fuzz_inifile"), QStringLiteral("Locals.ini"), iniFile.readAll());
    QFile::remove(ini);

    const AsciiStringList strings = DefaultConfig().ASCIIStrings;
    const int samples[][3] = {{0, 3, 0}, {1, 11, 0}, {2, 2, 0}, {5, 4, 0}, {6, 0, 7},
                              {7, 3, 254}, {8, 3, 0}, {9, 17, 0}};
    int n = 0;
    for (const auto& s : samples)
        Put(QStringLiteral("fuzz_action_text"), QStringLiteral("action%1.txt").arg(n++),
            Action2English(strings, uint8_t(s[0]), s[1], s[2]).toLatin1());

    const QByteArray raws[] = {"StringA", QByteArray("\r\n", 2), QByteArray("A\0B\x1b\xff", 5), "C:\\dir\r"};
    n = 0;
    for (const QByteArray& raw : raws) {
        const char flag = (n % 2) ? '/' : '\\';
        Put(QStringLiteral("fuzz_ascii_codes"), QStringLiteral("string%1.txt").arg(n++),
            flag + EncodeASCIICodes(raw, flag));
    }

    const QByteArray hex = SampleHex();
    Put(QStringLiteral("fuzz_hex"), QStringLiteral("sample.hex"), hex);
    const DffHeader header = DffHeader::forModel(QStringLiteral("KV310"), 2, 15, 2);
    Put(QStringLiteral("fuzz_dff"), QStringLiteral("plain.bin"),
        QByteArray(1, '\0') + header.toBytes() + QByteArray::fromHex("39300000") + hex);
    const QString hexPath = g_out.filePath(QStringLiteral("sample.hex"));
    const QString dffPath = g_out.filePath(QStringLiteral("sample.dff"));
    Put(QStringLiteral("."), QStringLiteral("sample.hex"), hex);
    if (EncMD5WithSalt(hexPath, dffPath, DffKey(2, 15), header, 12345)) {
        QFile dff(dffPath);
        if (dff.open(QIODevice::ReadOnly))
            Put(QStringLiteral("fuzz_dff"), QStringLiteral("file.bin"), QByteArray(1, '\1') + dff.readAll());
    }
    QFile::remove(hexPath);
    QFile::remove(dffPath);

    BootloaderSim loader(0x12);
    loader.nakAtPacket(2);
    loader.reset();
    const QByteArray flash(FirmwareImage::kFlashSize, char(0x3F));
    const QByteArray answers[] = {
        loader.onBytes(QByteArray(1, char(BootloaderSim::kHello))),
        loader.onBytes(ProgramPacket(flash, 0) + char(PacketChecksum(ProgramPacket(flash, 0)))),
        loader.onBytes(EepromPacket(1, 2) + char(PacketChecksum(EepromPacket(1, 2)))),
    };
    n = 0;
    for (const QByteArray& answer : answers)
        Put(QStringLiteral("fuzz_boot_answers"), QStringLiteral("answer%1.bin").arg(n++), answer);
    return 0;
}

#include "firmwareimage.h"

#include "errorlog.h"
#include "runtimeerror.h"

#include <QList>
#include <QMap>

#include <optional>

namespace {

// First word address of the EEPROM image in a HEX text.
constexpr int kEepromWordStart = 0x2100;
constexpr int kRecordData = 0;
constexpr int kRecordEnd = 1;
// Byte index of the application's entry after the rewrite (word 0x1F9C).
constexpr int kRelocatedEntry = 16184;
// Where the boot loader lies, and how it is reached from word 0.
const QByteArray kBootJump = QByteArray::fromHex("1f308a00a02fffff");
const QByteArray kClearPclath = QByteArray::fromHex("8a01");

const QString kContactTail =
    QStringLiteral("  Unable to load the DFF file.  Please contact Norrvale.");

struct Record {
    int line = 0;
    int count = 0;
    int address = 0;
    int type = 0;
    QByteArray data;
};

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Decodes ":CCAAAATT<data>SS"; false when the line is not such a record.
bool DecodeRecord(const QByteArray& line, Record* out, QString* why)
{
    if (!line.startsWith(':')) {
        *why = QStringLiteral("does not start with ':'");
        return false;
    }
    const QByteArray digits = line.mid(1);
    if (digits.size() < 10 || digits.size() % 2 != 0) {
        *why = QStringLiteral("has a wrong length");
        return false;
    }
    QByteArray bytes;
    bytes.reserve(digits.size() / 2);
    for (qsizetype i = 0; i < digits.size(); i += 2) {
        const int hi = HexValue(digits[i]);
        const int lo = HexValue(digits[i + 1]);
        if (hi < 0 || lo < 0) {
            *why = QStringLiteral("holds a character that is not a hexadecimal digit");
            return false;
        }
        bytes.append(char(hi * 16 + lo));
    }
    const int count = uint8_t(bytes[0]);
    if (bytes.size() != count + 5) {
        *why = QStringLiteral("has a wrong length");
        return false;
    }
    uint8_t sum = 0;
    for (char b : bytes)
        sum = uint8_t(sum + uint8_t(b));
    if (sum != 0) {
        *why = QStringLiteral("has a wrong checksum");
        return false;
    }
    out->count = count;
    out->address = uint8_t(bytes[1]) * 256 + uint8_t(bytes[2]);
    out->type = uint8_t(bytes[3]);
    out->data = bytes.mid(4, count);
    return true;
}

HexParseResult Fail(HexParseResult::Outcome outcome, const QString& message)
{
    HexParseResult r;
    r.outcome = outcome;
    r.message = message;
    return r;
}

// Reads the records up to the end record; false (with result set) when
// a line is damaged.
bool ReadRecords(const QByteArray& text, QList<Record>* records, bool* sawEnd, HexParseResult* result)
{
    const QList<QByteArray> lines = text.split('\n');
    *sawEnd = false;
    for (int n = 0; n < lines.size(); ++n) {
        const QByteArray line = lines[n].trimmed();
        if (line.isEmpty())
            continue;
        Record r;
        r.line = n + 1;
        QString why;
        if (!DecodeRecord(line, &r, &why)) {
            *result = Fail(HexParseResult::Outcome::BadRecord,
                           QStringLiteral("Line %1 of the firmware %2.").arg(r.line).arg(why)
                               + kContactTail);
            return false;
        }
        records->append(r);
        if (r.type == kRecordEnd) {
            *sawEnd = true;
            break;
        }
    }
    return true;
}

// The EEPROM words a HEX text gives, byte by byte at their byte addresses:
// word w is bytes 2w (its value) and 2w + 1 (which must be 0), wherever the
// records that carry them start and end. A word takes its value once both
// bytes came (or at the end, a value byte alone); one whose high byte is
// not 0 is logged and keeps the value it had, still marked present.
class EepromWords {
public:
    explicit EepromWords(const ProcedureTrap& trap) : trap_(trap) {}

    void put(int byteAddress, char byte)
    {
        Word& w = words_[byteAddress / 2 - kEepromWordStart];
        (byteAddress % 2 == 0 ? w.low : w.high) = byte;
        if (w.low && w.high)
            settle(w);
    }
    // Into the image, growing it to the highest address given.
    void store(FirmwareImage* image)
    {
        for (auto it = words_.begin(); it != words_.end(); ++it) {
            settle(*it);
            const int at = it.key();
            if (at >= image->EepromImage.size()) {
                image->EepromImage.resize(at + 1, '\0');
                image->EepromPresent.resize(at + 1, '\0');
            }
            image->EepromImage[at] = it->value;
            image->EepromPresent[at] = 1;
        }
    }

private:
    struct Word {
        char value = '\0';
        std::optional<char> low;
        std::optional<char> high;
    };

    void settle(Word& w)
    {
        if (!w.low && !w.high)
            return;
        trap_([&] {
            if (w.high.value_or('\0') != '\0')
                throw RuntimeError::overflow();
            if (w.low)
                w.value = *w.low;
        });
        w.low.reset();
        w.high.reset();
    }

    const ProcedureTrap& trap_;
    QMap<int, Word> words_;
};

bool IsEepromByte(int byteAddress)
{
    return byteAddress >= FirmwareImage::kFlashSize && byteAddress / 2 >= kEepromWordStart;
}

} // namespace

void FirmwareImage::erase()
{
    FlashImage.clear();
    EepromImage.clear();
    EepromPresent.clear();
    CodeEnd = 0;
}

void FirmwareImage::clearForLoad()
{
    FlashImage = QByteArray(kFlashSize, char(0xFF));
    EepromImage = QByteArray(1, '\0');
    EepromPresent = QByteArray(1, '\0');
    CodeEnd = 0;
}

void RewriteResetVector(QByteArray& flash)
{
    const QByteArray entry = flash.left(6);
    flash.replace(0, kBootJump.size(), kBootJump);
    flash.replace(kRelocatedEntry, 8, kClearPclath + entry);
}

HexParseResult ParseHexImage(const QByteArray& hexText, FirmwareImage* image)
{
    const ProcedureTrap trap("LoadDFFFile", "modFW");
    image->clearForLoad();

    QList<Record> records;
    bool sawEnd = false;
    HexParseResult result;
    if (!ReadRecords(hexText, &records, &sawEnd, &result))
        return result;
    if (!sawEnd)
        return Fail(HexParseResult::Outcome::NoEndRecord, QString());

    // Refuse EEPROM data the boot loader cannot address before storing anything.
    for (const Record& r : records) {
        if (r.type != kRecordData || r.address < FirmwareImage::kFlashSize)
            continue;
        for (int i = 0; i < r.count; ++i) {
            const int at = (r.address + i) / 2 - kEepromWordStart;
            if (IsEepromByte(r.address + i) && at >= FirmwareImage::kEepromSize)
                return Fail(HexParseResult::Outcome::EepromTooHigh,
                            QStringLiteral("EEPROM address %1 is beyond the %2 bytes of the unit's "
                                           "EEPROM.")
                                    .arg(at).arg(FirmwareImage::kEepromSize)
                                + kContactTail);
        }
    }

    // Every data byte lands at its own byte address: however the same bytes
    // are split into records, and in whatever order, the image is the same.
    int lastAddress = 0;
    int lastCount = 0;
    EepromWords eeprom(trap);
    for (const Record& r : records) {
        if (r.type == kRecordEnd)
            break;
        if (r.type != kRecordData)
            continue;
        if (r.address < FirmwareImage::kFlashSize) {
            for (int i = 0; i < r.count; ++i) {
                const int at = r.address + i;
                if (at >= FirmwareImage::kFlashSize)
                    return Fail(HexParseResult::Outcome::InvalidAddress,
                                QStringLiteral("Address ") + QString::number(at / 2, 16).toUpper()
                                    + QStringLiteral("is invalid for this processor.") + kContactTail);
                image->FlashImage[at] = r.data[i];
            }
            lastAddress = r.address;
            lastCount = r.count;
            continue;
        }
        // Configuration words (0x2007-0x20FF) are accepted and not sent; the
        // boot loader's own area and the identification words are left alone.
        for (int i = 0; i < r.count; ++i)
            if (IsEepromByte(r.address + i))
                eeprom.put(r.address + i, r.data[i]);
    }
    eeprom.store(image);
    image->CodeEnd = lastAddress + lastCount;
    RewriteResetVector(image->FlashImage);
    result.outcome = HexParseResult::Outcome::Loaded;
    return result;
}

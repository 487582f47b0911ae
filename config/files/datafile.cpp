#include "datafile.h"

#include "textforms.h"
#include "errorlog.h"
#include "fileservices.h"
#include "prompter.h"
#include "safefile.h"

#include <QScopedValueRollback>

#include <algorithm>
#include <cmath>

namespace {

constexpr char kPadByte = char(0xFF);
constexpr int kPassWordLen = 4;
constexpr int kMaxAsciiText = 255;   // one length byte per string
constexpr qsizetype kMaxRecordBody = 65536;
// Far beyond any real data file; keeps a wrong pick (a device, a disk
// image) from being read into memory whole.
constexpr qint64 kMaxFileBytes = 16 * 1024 * 1024;

QString g_currentFile;
int g_currentFileChanges = 0;
bool g_writeInProgress = false;

template <std::size_t N>
QByteArray bytePayload(const std::array<uint8_t, N>& entries)
{
    QByteArray out;
    for (uint8_t b : entries)
        out.append(char(b));
    return out;
}

// Entries beyond a short payload keep their values.
template <std::size_t N>
void applyBytes(std::array<uint8_t, N>& entries, const QByteArray& payload)
{
    const qsizetype n = std::min<qsizetype>(qsizetype(N), payload.size());
    for (qsizetype i = 0; i < n; ++i)
        entries[i] = uint8_t(payload[i]);
}

// Width and pad byte, then every field cut or padded to that width.
QByteArray fixedWidthPayload(const std::array<QByteArray, kSlotCount>& fields, int width,
                             bool upper)
{
    QByteArray out;
    out.append(char(width));
    out.append(kPadByte);
    for (const QByteArray& field : fields) {
        QByteArray text = field.left(width);
        if (upper)
            text = text.toUpper();
        out.append(text);
        out.append(QByteArray(width - text.size(), kPadByte));
    }
    return out;
}

// Fields are read as far as whole fields are present; a field wider than
// the model allows is cut so editors and transfers never see more.
void applyFixedWidth(std::array<QByteArray, kSlotCount>& fields, const QByteArray& payload,
                     int maxLen, bool upper)
{
    if (payload.size() < 2)
        return;
    const int width = uint8_t(payload[0]);
    const uint8_t pad = uint8_t(payload[1]);
    if (width == 0)
        return;   // no field fits in zero bytes
    const QByteArray rest = payload.mid(2);
    const qsizetype count = std::min<qsizetype>(kSlotCount, rest.size() / width);
    for (qsizetype i = 0; i < count; ++i) {
        QByteArray field = StripLastNulls(rest.mid(i * width, width).left(maxLen), pad);
        fields[i] = upper ? field.toUpper() : field;
    }
}

QByteArray asciiStringsPayload(const UnitConfig& c)
{
    QByteArray out;
    out.append(char(c.ASCIIFlagChar));
    for (const QByteArray& s : c.ASCIIStrings) {
        const QByteArray text = s.left(kMaxAsciiText);
        out.append(char(text.size()));
        out.append(text);
    }
    return out;
}

void applyAsciiStrings(UnitConfig& c, const QByteArray& payload)
{
    if (payload.size() <= 2)
        return;
    c.ASCIIFlagChar = uint8_t(payload[0]);
    qsizetype pos = 1;
    for (QByteArray& s : c.ASCIIStrings) {
        if (pos >= payload.size())
            return;
        const int n = uint8_t(payload[pos++]);
        if (payload.size() - pos < n) {
            s = payload.mid(pos);   // a cut-off string ends the section
            return;
        }
        s = payload.mid(pos, n);
        pos += n;
    }
}

QByteArray fixedPassWord(const QByteArray& text)
{
    QByteArray out = text.left(kPassWordLen);
    out.append(QByteArray(kPassWordLen - out.size(), ' '));
    return out;
}

// A single-byte section of any other length means its default.
uint8_t singleByte(const QByteArray& payload, uint8_t fallback)
{
    return payload.size() == 1 ? uint8_t(payload[0]) : fallback;
}

QByteArray oneByte(uint8_t b) { return QByteArray(1, char(b)); }

struct Section {
    const char* name;
    QByteArray (*payload)(const UnitConfig&);
    void (*apply)(UnitConfig&, const QByteArray&);
};

// In the order the writer puts them.
const Section kSections[] = {
    {"[SeqStartAddrHB]", [](const UnitConfig& c) { return bytePayload(c.SeqStartAddrHB); },
     [](UnitConfig& c, const QByteArray& p) { applyBytes(c.SeqStartAddrHB, p); }},
    {"[SeqStartAddrLB]", [](const UnitConfig& c) { return bytePayload(c.SeqStartAddrLB); },
     [](UnitConfig& c, const QByteArray& p) { applyBytes(c.SeqStartAddrLB, p); }},
    {"[SeqContentsLen]", [](const UnitConfig& c) { return bytePayload(c.SeqContentsLen); },
     [](UnitConfig& c, const QByteArray& p) { applyBytes(c.SeqContentsLen, p); }},
    {"[SeqContents]",
     [](const UnitConfig& c) { return fixedWidthPayload(c.SeqContents, kMaxSeqBytes, false); },
     [](UnitConfig& c, const QByteArray& p) {
         applyFixedWidth(c.SeqContents, p, kMaxSeqBytes, false);
     }},
    {"[SeqLabelLen]", [](const UnitConfig& c) { return bytePayload(c.SeqLabelLen); },
     [](UnitConfig& c, const QByteArray& p) { applyBytes(c.SeqLabelLen, p); }},
    {"[SeqLabelNum]", [](const UnitConfig& c) { return bytePayload(c.SeqLabelNum); },
     [](UnitConfig& c, const QByteArray& p) { applyBytes(c.SeqLabelNum, p); }},
    {"[SeqLabel]",
     [](const UnitConfig& c) { return fixedWidthPayload(c.SeqLabel, kMaxLabelLen, true); },
     [](UnitConfig& c, const QByteArray& p) {
         applyFixedWidth(c.SeqLabel, p, kMaxLabelLen, true);
     }},
    {"[ASCIIStrings]", asciiStringsPayload, applyAsciiStrings},
    {"[Settings]", [](const UnitConfig& c) { return bytePayload(c.Settings); },
     [](UnitConfig& c, const QByteArray& p) { applyBytes(c.Settings, p); }},
    {"[PassWord]", [](const UnitConfig& c) { return fixedPassWord(c.PassWord); },
     [](UnitConfig& c, const QByteArray& p) { c.PassWord = fixedPassWord(p); }},
    {"[Rings]", [](const UnitConfig& c) { return oneByte(c.Rings); },
     [](UnitConfig& c, const QByteArray& p) { c.Rings = singleByte(p, 1); }},
    {"[PrefixChar]", [](const UnitConfig& c) { return oneByte(c.PrefixChar); },
     [](UnitConfig& c, const QByteArray& p) { c.PrefixChar = singleByte(p, 'E'); }},
    {"[DTMFOutDur]", [](const UnitConfig& c) { return oneByte(DurationSteps(c.DTMFOutDur)); },
     [](UnitConfig& c, const QByteArray& p) { c.DTMFOutDur = singleByte(p, 5); }},
    {"[InactivityDur]", [](const UnitConfig& c) { return oneByte(c.InactivityDur); },
     [](UnitConfig& c, const QByteArray& p) { c.InactivityDur = singleByte(p, 3); }},
    {"[DisconnectInfo]", [](const UnitConfig& c) { return oneByte(c.DisconnectInfo); },
     [](UnitConfig& c, const QByteArray& p) { c.DisconnectInfo = singleByte(p, 0); }},
    {"[ExtStatInfo]", [](const UnitConfig& c) { return oneByte(c.ExtStatInfo); },
     [](UnitConfig& c, const QByteArray& p) { c.ExtStatInfo = singleByte(p, 0); }},
    {"[PWRONInfo]", [](const UnitConfig& c) { return oneByte(c.PWRONInfo); },
     [](UnitConfig& c, const QByteArray& p) { c.PWRONInfo = singleByte(p, 0); }},
};

const Section* findSection(const QByteArray& name)
{
    for (const Section& s : kSections)
        if (name == s.name)
            return &s;
    return nullptr;
}

// Applies one record body; bodies without a bracketed name, the one-byte
// zero record and unknown sections change nothing.
void applyRecord(const QByteArray& body, UnitConfig& config)
{
    if (body.size() == 1 && body[0] == '\0')
        return;
    const qsizetype open = body.indexOf('[');
    if (open < 0)
        return;
    const qsizetype close = body.indexOf(']', open);
    if (close < 0)
        return;
    const Section* section = findSection(body.mid(open, close - open + 1));
    if (!section)
        return;
    // Only the name itself is taken out: payload bytes that happen to spell
    // the name (an ASCII string "[Rings]", say) are data and stay.
    section->apply(config, body.left(open) + body.mid(close + 1));
}

bool reportSaveFailure(const QString& path, const QString& description)
{
    Prompts().message("Unable to save/export " + path + ". " + description, MsgIcon::Critical);
    return false;
}

bool reportLoadFailure(const QString& path, const QString& description)
{
    Prompts().message("Unable to load " + path + ". " + description, MsgIcon::Critical);
    return false;
}

} // namespace

void WriteRecord(const QByteArray& body, QByteArray& out)
{
    Q_ASSERT(!body.isEmpty() && body.size() <= kMaxRecordBody);
    const qsizetype stored = body.size() - 1;
    out.append(char(stored & 0xFF));
    out.append(char(stored >> 8));
    out.append(body);
}

bool ReadRecord(const QByteArray& data, qsizetype& pos, QByteArray& body)
{
    if (data.size() - pos < 2)
        return false;
    const qsizetype length = qsizetype(uint8_t(data[pos])) + 256 * uint8_t(data[pos + 1]) + 1;
    if (data.size() - pos - 2 < length)
        return false;
    body = data.mid(pos + 2, length);
    pos += 2 + length;
    return true;
}

QByteArray ExportKV310Bytes(const UnitConfig& config)
{
    QByteArray out;
    for (const Section& s : kSections)
        WriteRecord(QByteArray(s.name) + s.payload(config), out);
    return out;
}

bool ImportKV310Bytes(const QByteArray& data, UnitConfig& config)
{
    // Built on a copy so a damaged file changes nothing at all.
    UnitConfig loaded = config;
    qsizetype pos = 0;
    QByteArray body;
    while (pos < data.size()) {
        if (!ReadRecord(data, pos, body))
            return false;
        applyRecord(body, loaded);
    }
    config = std::move(loaded);
    return true;
}

bool ExportKV310File(const QString& path, const UnitConfig& config)
{
    if (g_writeInProgress)
        return false;
    const QScopedValueRollback busy(g_writeInProgress, true);

    QString error;
    if (!ReplaceFileContents(path, ExportKV310Bytes(config), &error))
        return reportSaveFailure(path, error);
    return true;
}

bool ImportKV310File(const QString& path, UnitConfig& config)
{
    const ProcedureTrap trap("ImportKV310File", "modFileIO");
    QString error;
    std::optional<QByteArray> data;
    const bool ran = trap([&] { data = ReadRegularFile(path, kMaxFileBytes, &error); });
    if (!data)
        return reportLoadFailure(path, ran ? error : QStringLiteral("The file could not be read."));
    bool complete = false;
    trap([&] { complete = ImportKV310Bytes(*data, config); });
    if (!complete)
        return reportLoadFailure(path, QStringLiteral("The file is damaged or incomplete."));
    return true;
}

const QString& CurrentFile() { return g_currentFile; }

void SetCurrentFile(const QString& path)
{
    g_currentFile = path;
    ++g_currentFileChanges;
}

int CurrentFileChanges() { return g_currentFileChanges; }

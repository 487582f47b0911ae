#include "inifile.h"

#include "appinfo.h"
#include "fileservices.h"
#include "safefile.h"

#include <QFileInfo>
#include <QStringDecoder>
#include <QStringList>

#include <optional>

namespace {

constexpr qsizetype kReadBufferChars = 255;   // including the terminating zero
// Far more than the program ever writes; a bigger file is not its settings.
constexpr qint64 kMaxIniBytes = 64 * 1024;

QString resolved(const QString& file) { return file.isEmpty() ? LocalSettingsPath() : file; }

bool sameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The file's lines without line ends; a missing file has none. Files are
// written as UTF-8 (paths need it); one saved elsewhere in Latin-1 still reads.
// Nothing (and the reason in *error) when the file exists but cannot be
// read, is no regular file (a FIFO would block, a device never end) or is
// larger than any settings file.
std::optional<QStringList> readLines(const QString& path, QString* error)
{
    if (!QFileInfo::exists(path))
        return QStringList();
    const std::optional<QByteArray> data = ReadRegularFile(path, kMaxIniBytes, error);
    if (!data)
        return std::nullopt;
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8(*data);
    if (utf8.hasError())
        text = QString::fromLatin1(*data);
    QStringList lines = text.split(u'\n');
    for (QString& line : lines)
        if (line.endsWith(u'\r'))
            line.chop(1);
    if (lines.last().isEmpty())
        lines.removeLast();   // what follows the last line end
    return lines;
}

// The name of a "[name]" line; nothing for any other line.
std::optional<QString> sectionName(const QString& line)
{
    const QString t = line.trimmed();
    if (!t.startsWith(u'['))
        return std::nullopt;
    const qsizetype close = t.indexOf(u']');
    return (close < 0 ? t.mid(1) : t.mid(1, close - 1)).trimmed();
}

bool isKeyLine(const QString& line, const QString& key)
{
    const qsizetype eq = line.indexOf(u'=');
    return eq >= 0 && sameName(line.left(eq).trimmed(), key);
}

// Where a key sits: its section's header line, the line after the
// section's last one, and the key's own line (-1 when absent). The first
// section and the first key of that name count, as on Windows.
struct Location {
    qsizetype header = -1;
    qsizetype end = -1;
    qsizetype keyLine = -1;
};

Location locate(const QStringList& lines, const QString& section, const QString& key)
{
    Location at;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (const auto name = sectionName(lines[i])) {
            if (at.header >= 0) {
                at.end = i;
                return at;
            }
            if (sameName(*name, section))
                at.header = i;
        } else if (at.header >= 0 && at.keyLine < 0 && isKeyLine(lines[i], key)) {
            at.keyLine = i;
        }
    }
    if (at.header >= 0)
        at.end = lines.size();
    return at;
}

bool breaksLines(const QString& text)
{
    return text.contains(u'\r') || text.contains(u'\n');
}

} // namespace

QString LocalSettingsPath() { return App().settingsFile(QStringLiteral("Locals.ini")); }

IniFile IniFile::read(const QString& file)
{
    IniFile ini;
    ini.lines_ = readLines(resolved(file), &ini.error_);
    return ini;
}

QString IniFile::value(const QString& section, const QString& key) const
{
    if (!lines_)
        return QString();
    const Location at = locate(*lines_, section, key);
    if (at.keyLine < 0)
        return QString();
    const QString& line = (*lines_)[at.keyLine];
    return line.mid(line.indexOf(u'=') + 1).trimmed().left(kReadBufferChars - 1);
}

QString ReadIniValue(const QString& section, const QString& key, const QString& file)
{
    return IniFile::read(file).value(section, key);
}

bool WriteIniValue(const QString& section, const QString& key, const QString& value,
                   const QString& file)
{
    if (key.trimmed().isEmpty() || key.contains(u'=') || section.contains(u']')
        || breaksLines(section) || breaksLines(key) || breaksLines(value))
        return false;
    const QString path = resolved(file);
    std::optional<QStringList> lines = readLines(path, nullptr);
    if (!lines)
        return false;   // rewriting would lose what could not be read

    const QString entry = key + u'=' + value;
    const Location at = locate(*lines, section, key);
    if (at.keyLine >= 0) {
        (*lines)[at.keyLine] = entry;
    } else if (at.header >= 0) {
        // After the section's last entry, ahead of blank lines that part it
        // from the next section.
        qsizetype pos = at.end;
        while (pos > at.header + 1 && (*lines)[pos - 1].trimmed().isEmpty())
            --pos;
        lines->insert(pos, entry);
    } else {
        lines->append(u'[' + section + u']');
        lines->append(entry);
    }

    return ReplaceFileContents(path, (lines->join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8());
}

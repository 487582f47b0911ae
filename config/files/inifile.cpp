#include "inifile.h"

#include "appinfo.h"
#include "fileservices.h"
#include "safefile.h"

#include <QFileInfo>
#include <QLockFile>
#include <QStringDecoder>
#include <QStringList>

#include <cerrno>
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

// One line of a file: its bytes as they are (line end included, so that a
// line nobody changes is written back exactly) and its text without them.
struct Line {
    QByteArray bytes;
    QString text;
};

// The file's lines; a missing file has none. Files are written as UTF-8
// (paths need it); one saved elsewhere in Latin-1 still reads. Nothing (and
// the reason in *error) when the file exists but cannot be read, is no
// regular file (a FIFO would block, a device never end) or is larger than
// any settings file.
std::optional<QList<Line>> readFileLines(const QString& path, QString* error)
{
    if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink())
        return QList<Line>();
    const std::optional<QByteArray> data = ReadRegularFile(path, kMaxIniBytes, error);
    if (!data)
        return std::nullopt;
    QStringDecoder check(QStringDecoder::Utf8);
    [[maybe_unused]] const QString whole = check(*data);
    const bool utf8 = !check.hasError();
    QList<Line> lines;
    for (qsizetype at = 0; at < data->size();) {
        const qsizetype end = data->indexOf('\n', at);
        const qsizetype next = end < 0 ? data->size() : end + 1;
        Line line{data->mid(at, next - at), QString()};
        QByteArray content = line.bytes;
        while (content.endsWith('\n') || content.endsWith('\r'))
            content.chop(1);
        if (at == 0 && content.startsWith("\xEF\xBB\xBF"))
            content.remove(0, 3);
        line.text = utf8 ? QString::fromUtf8(content) : QString::fromLatin1(content);
        lines.append(line);
        at = next;
    }
    return lines;
}

QStringList texts(const QList<Line>& lines)
{
    QStringList out;
    for (const Line& line : lines)
        out << line.text;
    return out;
}

std::optional<QStringList> readLines(const QString& path, QString* error)
{
    const std::optional<QList<Line>> lines = readFileLines(path, error);
    if (!lines)
        return std::nullopt;
    return texts(*lines);
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

namespace {
constexpr int kLockWaitMs = 5000;       // another program's save takes far less
constexpr int kLockStaleMs = 30000;     // a lock older than this was left by a killed save

bool fail(QString* error, const QString& why)
{
    if (error)
        *error = why;
    return false;
}

Line written(const QString& text) { return {(text + QStringLiteral("\r\n")).toUtf8(), text}; }

// Sets key's line in lines (see WriteIniValues).
void setValue(QList<Line>& lines, const QString& section, const QString& key, const QString& value)
{
    const QString entry = key + u'=' + value;
    const Location at = locate(texts(lines), section, key);
    if (at.keyLine >= 0) {
        lines[at.keyLine] = written(entry);
        return;
    }
    // What follows a last line without its line end starts a line of its own.
    const auto insert = [&](qsizetype pos, const Line& line) {
        if (pos == lines.size() && !lines.isEmpty() && !lines.last().bytes.endsWith('\n'))
            lines.last().bytes += "\r\n";
        lines.insert(pos, line);
    };
    if (at.header >= 0) {
        // After the section's last entry, ahead of blank lines that part it
        // from the next section.
        qsizetype pos = at.end;
        while (pos > at.header + 1 && lines[pos - 1].text.trimmed().isEmpty())
            --pos;
        insert(pos, written(entry));
    } else {
        insert(lines.size(), written(u'[' + section + u']'));
        insert(lines.size(), written(entry));
    }
}
} // namespace

bool WriteIniValues(const QString& section, const IniValues& values, const QString& file, QString* error)
{
    if (section.contains(u']') || breaksLines(section))
        return fail(error, QStringLiteral("The section name would break the file's lines."));
    for (const auto& [key, value] : values)
        if (key.trimmed().isEmpty() || key.contains(u'=') || breaksLines(key) || breaksLines(value))
            return fail(error, QStringLiteral("The value of %1 would break the file's lines.").arg(key));
    if (values.isEmpty())
        return true;
    const QString path = resolved(file);
    // Read, changed and replaced while no other program does the same.
    QLockFile lock(path + QStringLiteral(".lock"));
    lock.setStaleLockTime(kLockStaleMs);
    if (!lock.tryLock(kLockWaitMs)) {
        switch (lock.error()) {
        case QLockFile::LockFailedError:
            return fail(error, QStringLiteral("Another program holds it locked."));
        case QLockFile::PermissionError:
            return fail(error, FileErrorText(EACCES));
        default:
            return fail(error, QStringLiteral("Its lock file %1 cannot be made.").arg(lock.fileName()));
        }
    }
    QString why;
    std::optional<QList<Line>> lines = readFileLines(path, &why);
    if (!lines)
        return fail(error, why);   // rewriting would lose what could not be read
    for (const auto& [key, value] : values)
        setValue(*lines, section, key, value);
    QByteArray bytes;
    for (const Line& line : *lines)
        bytes += line.bytes;
    return ReplaceFileContents(path, bytes, error);
}

bool WriteIniValue(const QString& section, const QString& key, const QString& value, const QString& file,
                   QString* error)
{
    return WriteIniValues(section, {{key, value}}, file, error);
}

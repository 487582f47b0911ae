#include "errorlog.h"

#include "appinfo.h"
#include "prompter.h"
#include "runtimeerror.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QStringList>

#include <exception>
#include <new>
#include <stdexcept>

namespace {

const QString kLogName = QStringLiteral("ErrorLog.txt");
// "MM/DD/YYYY HH:NN", the start of every entry line.
const QString kStampFormat = QStringLiteral("MM/dd/yyyy HH:mm");
constexpr qsizetype kStampLength = 16;
// A log past this size is shown to the user and started afresh.
constexpr qint64 kLogSizeLimit = 0x1FFFF;
// How much of the log's end is read to find its last line: a whole log
// that is still being written to.
constexpr qint64 kTailBytes = kLogSizeLimit + 1;

// Error numbers 400 and 401 come from closing windows and are harmless.
bool IsIgnoredErrorNumber(const QString& message)
{
    const QStringList words = message.split(QLatin1Char(' '));
    if (words.size() < 3)
        return false;
    bool ok = false;
    const double number = words.at(1).toDouble(&ok);
    return ok && (number == 400 || number == 401);
}

QByteArray LastLine(QFile& file)
{
    const qint64 size = file.size();
    if (size <= 2)
        return {};
    const qint64 start = qMax<qint64>(0, size - kTailBytes);
    if (!file.seek(start))
        return {};
    QByteArray tail = file.readAll();
    while (tail.endsWith('\n') || tail.endsWith('\r'))
        tail.chop(1);
    const qsizetype cut = qMax(tail.lastIndexOf('\n'), tail.lastIndexOf('\r'));
    return cut >= 0 ? tail.mid(cut + 1) : tail;
}

// The viewer starts asynchronously and would find the log already gone, so
// it is shown a copy kept in the temporary folder.
QString CopyForViewer(const QString& path)
{
    const QString folder = QDir::temp().filePath(App().title + QStringLiteral(" error log"));
    if (!QDir().mkpath(folder))
        return path;
    const QString copy = QDir(folder).filePath(kLogName);
    QFile::remove(copy);
    return QFile::copy(path, copy) ? copy : path;
}

// Set while the too-large notice is up: its message box runs the event
// loop, and errors raised meanwhile must not show the notice again.
bool g_showingTooLarge = false;

void ShowTooLargeAndDelete(const QString& path)
{
    g_showingTooLarge = true;
    const auto done = qScopeGuard([] { g_showingTooLarge = false; });
    Prompts().openWithViewer(CopyForViewer(path));
    Prompts().message(
        QStringLiteral("'ErrorLog.txt' is too large, indicating there's something wrong with the "
                       "software and/or its components.\r\n\r\nPlease email the contents of "
                       "'ErrorLog.txt' shown in the Notepad window to ")
            + App().company + QStringLiteral("'s support team."),
        MsgIcon::Information);
    QFile::remove(path);
}

void AppendEntry(const QString& message)
{
    if (g_showingTooLarge || IsIgnoredErrorNumber(message))
        return;

    const QString path = ErrorLogPath();
    QFile file(path);
    const QByteArray entryText = message.toLocal8Bit();
    if (file.exists() && file.open(QIODevice::ReadOnly)) {
        const QByteArray last = LastLine(file);
        file.close();
        // The same message as the last entry is not repeated. Compared as
        // plain text and as the whole message, so that "... on line 10"
        // after "... on line 100" is still logged.
        if (last.size() > 2 && last.mid(kStampLength + 1) == entryText)
            return;
    }

    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return;
    const qint64 size = file.size();
    QByteArray out;
    if (size == 0) {
        out += App().titleWithVersion().toLocal8Bit() + " Error Log\r\n";
        out += QByteArray(32, '=') + "\r\n";
    } else if (size > kLogSizeLimit) {
        file.close();
        ShowTooLargeAndDelete(path);
        return;
    }
    out += QDateTime::currentDateTime().toString(kStampFormat).toLatin1();
    out += ' ' + entryText + "\r\n";
    file.write(out);
    file.close();
}

} // namespace

QString ErrorLogPath() { return App().logFile(kLogName); }

void LogError(const QString& message)
{
    try {
        AppendEntry(message);
    } catch (...) {
        // Called from error handlers: an entry that cannot be written is dropped.
    }
}

QString ProcedureTrap::message(int number, const QString& description, int line) const
{
    return QStringLiteral("Error ") + QString::number(number) + QStringLiteral(" (") + description
        + QStringLiteral(") in procedure ") + QLatin1String(procedure_)
        + (kind_ == Container::Form ? QStringLiteral(" of Form ") : QStringLiteral(" of Module "))
        + QLatin1String(container_) + QStringLiteral(" on line ") + QString::number(line);
}

void ProcedureTrap::logCurrentException(int line) const
{
    int number = 5;
    QString description = QStringLiteral("Invalid procedure call or argument");
    try {
        throw;
    } catch (const RuntimeError& e) {
        number = e.number();
        description = e.description();
    } catch (const std::out_of_range&) {
        number = 9;
        description = QStringLiteral("Subscript out of range");
    } catch (const std::bad_alloc&) {
        number = 7;
        description = QStringLiteral("Out of memory");
    } catch (const std::exception& e) {
        description = QString::fromLocal8Bit(e.what());
    } catch (...) {
    }
    LogError(message(number, description, line));
}

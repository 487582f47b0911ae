#include "errorlog.h"

#include "appinfo.h"
#include "prompter.h"
#include "runtimeerror.h"
#include "safefile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QScopedValueRollback>
#include <QStringList>
#include <QTemporaryDir>

#include <exception>
#include <limits>
#include <new>
#include <stdexcept>

#include <unistd.h>

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
// How much of an oversized log the viewer is shown.
constexpr qint64 kViewerCopyBytes = 128 * 1024;

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

// The log's last size bytes at most.
QByteArray Tail(QFile& file, qint64 size)
{
    if (!file.seek(qMax<qint64>(0, file.size() - size)))
        return {};
    return file.read(size);
}

QByteArray LastLine(QFile& file)
{
    if (file.size() <= 2)
        return {};
    QByteArray tail = Tail(file, kTailBytes);
    while (tail.endsWith('\n') || tail.endsWith('\r'))
        tail.chop(1);
    const qsizetype cut = qMax(tail.lastIndexOf('\n'), tail.lastIndexOf('\r'));
    return cut >= 0 ? tail.mid(cut + 1) : tail;
}

QString CopyFolderPrefix() { return App().title + QStringLiteral("-errorlog-"); }

// The viewer starts asynchronously and would find the log already gone, so
// it is shown a copy of the log's end, in a folder only this user can enter
// (the shared temporary folder is no place for it); RemoveErrorLogCopies
// clears it at the next start. Empty when no copy could be made.
QString CopyForViewer(QFile& log)
{
    QTemporaryDir folder(QDir::temp().filePath(CopyFolderPrefix() + QStringLiteral("XXXXXX")));
    if (!folder.isValid())
        return {};
    QFile copy;
    if (!CreatePrivateFile(copy, folder.filePath(kLogName), nullptr) || !WriteAll(copy, Tail(log, kViewerCopyBytes)))
        return {};
    folder.setAutoRemove(false);
    return folder.filePath(kLogName);
}

// Set while the too-large notice is up: its message box runs the event
// loop, and errors raised meanwhile must not show the notice again.
bool g_showingTooLarge = false;

void ShowTooLargeAndDelete(const QString& path, QFile& log)
{
    const QScopedValueRollback showing(g_showingTooLarge, true);
    const QString copy = CopyForViewer(log);
    log.close();
    if (!copy.isEmpty())
        Prompts().openWithViewer(copy);
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

    // The program folder may be shared: the log is never followed through a
    // link, and anything but a regular file (a FIFO would block) drops the entry.
    const QString path = ErrorLogPath();
    const QByteArray entryText = message.toLocal8Bit();
    {
        QFile file;
        if (OpenRegularFile(file, path, std::numeric_limits<qint64>::max(), nullptr, Links::DoNotFollow)) {
            const QByteArray last = LastLine(file);
            // The same message as the last entry is not repeated. Compared as
            // plain text and as the whole message, so that "... on line 10"
            // after "... on line 100" is still logged.
            if (last.size() > 2 && last.mid(kStampLength + 1) == entryText)
                return;
        }
    }

    QFile file;
    if (!OpenForAppend(file, path))
        return;
    const qint64 size = file.size();
    QByteArray out;
    if (size == 0) {
        out += App().titleWithVersion().toLocal8Bit() + " Error Log\r\n";
        out += QByteArray(32, '=') + "\r\n";
    } else if (size > kLogSizeLimit) {
        QFile whole;
        if (OpenRegularFile(whole, path, std::numeric_limits<qint64>::max(), nullptr, Links::DoNotFollow))
            ShowTooLargeAndDelete(path, whole);
        return;
    }
    out += QDateTime::currentDateTime().toString(kStampFormat).toLatin1();
    out += ' ' + entryText + "\r\n";
    WriteAll(file, out);
}

} // namespace

QString ErrorLogPath() { return App().logFile(kLogName); }

void RemoveErrorLogCopies()
{
    const QDir temp = QDir::temp();
    for (const QString& name : temp.entryList({CopyFolderPrefix() + QStringLiteral("??????")}, QDir::Dirs | QDir::Hidden)) {
        const QFileInfo folder(temp.filePath(name));
        // Only this user's own folders, never through a link.
        if (!folder.isSymLink() && folder.ownerId() == ::geteuid())
            QDir(folder.filePath()).removeRecursively();
    }
}

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

QString ProcedureTrap::logCurrentException(int line) const
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
    return description;
}

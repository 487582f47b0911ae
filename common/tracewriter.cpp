#include "tracewriter.h"

#include "safefile.h"

#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <unistd.h>

namespace {
const QByteArray kFullLine = QByteArrayLiteral("-- the trace is full; nothing more is recorded\n");
} // namespace

TraceWriter::TraceWriter(const QString& path, qint64 maxBytes, bool rotate)
    : path_(path)
    , maxBytes_(maxBytes)
    , rotate_(rotate)
{
}

bool TraceWriter::open(QString* error)
{
    clock_.start();
    return start(error);
}

bool TraceWriter::openToContinue(const QString& gapNote, QString* error)
{
    clock_.start();
    if (!QFileInfo::exists(path_) && !QFileInfo(path_).isSymLink())
        return start(error);
    const QString problem = ReplaceProblem(path_);
    if (!problem.isEmpty() || !OpenForAppend(file_, path_)) {
        *error = problem.isEmpty() ? FileErrorText(EACCES) : problem;
        return false;
    }
    written_ = file_.size();
    note(gapNote);
    if (failed()) {
        *error = error_;
        return false;
    }
    return true;
}

bool TraceWriter::start(QString* error)
{
    file_.close();
    written_ = 0;
    return CreateFreshPrivateFile(file_, path_, error);
}

bool TraceWriter::writeRecord(const QByteArray& text)
{
    if (WriteAll(file_, text))
        return true;
    const QString why = file_.errorString();
    [[maybe_unused]] const int cut = ::ftruncate(file_.handle(), written_);
    stopWith(why);
    return false;
}

void TraceWriter::stopWith(const QString& error)
{
    const bool first = error_.isEmpty();
    if (first)
        error_ = error;
    file_.close();
    if (first && onFailure_)
        onFailure_(error_);
}

bool TraceWriter::finish()
{
    if (file_.isOpen() && ::fdatasync(file_.handle()) != 0 && errno != EINVAL)
        stopWith(FileErrorText(errno));
    file_.close();
    return !failed();
}

QByteArray TraceWriter::line(double ms, Direction direction, const QByteArray& bytes)
{
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%10.3f ", ms);
    QByteArray out(stamp);
    if (direction == Direction::Event)
        return out + "-- " + bytes + '\n';
    out += direction == Direction::Sent ? "TX " : "RX ";
    out += bytes.toHex(' ');
    out += "  ";
    for (const char c : bytes)
        out += (c >= 0x20 && c <= 0x7E) ? c : '.';
    return out + '\n';
}

void TraceWriter::record(Direction direction, const QByteArray& bytes)
{
    if (!file_.isOpen() || full_)
        return;
    write(line(double(clock_.nsecsElapsed()) / 1e6, direction, bytes));
}

void TraceWriter::write(const QByteArray& text)
{
    if (written_ + text.size() + kFullLine.size() > maxBytes_) {
        if (rotate_) {
            file_.close();
            QString error;
            if (!RenameOverRegular(path_, path_ + QStringLiteral(".1"), &error) || !start(&error)) {
                stopWith(error);
                return;
            }
        } else {
            full_ = true;
            writeRecord(kFullLine);
            return;
        }
    }
    // One write per record; a part that went out before the disk filled is
    // taken back, so the file ends with the last whole record.
    if (!writeRecord(text))
        return;
    written_ += text.size();
}

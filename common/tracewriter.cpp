#include "tracewriter.h"

#include "safefile.h"

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

bool TraceWriter::start(QString* error)
{
    file_.close();
    written_ = 0;
    return CreateFreshPrivateFile(file_, path_, error);
}

void TraceWriter::stopWith(const QString& error)
{
    if (error_.isEmpty())
        error_ = error;
    file_.close();
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
            if (!WriteAll(file_, kFullLine))
                stopWith(file_.errorString());
            return;
        }
    }
    if (!WriteAll(file_, text)) {
        stopWith(file_.errorString());
        return;
    }
    written_ += text.size();
}

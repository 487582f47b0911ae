#include "tracewriter.h"

#include "safefile.h"

#include <cstdio>

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
    // A new file each time: what was there (or a link of that name) goes.
    QFile::remove(path_);
    return CreatePrivateFile(file_, path_, error);
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
            const QString old = path_ + QStringLiteral(".1");
            QFile::remove(old);
            QFile::rename(path_, old);
            QString error;
            if (!start(&error))
                return;
        } else {
            WriteAll(file_, kFullLine);
            full_ = true;
            return;
        }
    }
    if (WriteAll(file_, text))
        written_ += text.size();
}

#pragma once
#include "fakeserialport.h"
#include "unitsim.h"

#include <QTimer>
#include <functional>

// The simulated unit behind the in-memory port, in this process. A filter
// may change or swallow each reply (given the bytes written so far).
class SimPort {
public:
    using Filter = std::function<QByteArray(const QByteArray& written, const QByteArray& reply)>;

    SimPort(FakeSerialPort& port, UnitSim& sim) : port_(port), sim_(sim)
    {
        port_.setResponder([this](const QByteArray& w) {
            written_ += w;
            const QByteArray reply = sim_.onBytes(w);
            return filter_ ? filter_(written_, reply) : reply;
        });
    }
    void setFilter(Filter filter) { filter_ = std::move(filter); }
    // Drops the line once the program has written this many bytes.
    void dropAfter(qint64 bytes)
    {
        setFilter([this, bytes](const QByteArray& w, const QByteArray& reply) {
            if (w.size() == bytes)
                QTimer::singleShot(0, &port_, [this] { port_.injectError(SerialError::LineDropped); });
            return reply;
        });
    }
    const QByteArray& written() const { return written_; }
    void clearWritten() { written_.clear(); }

private:
    FakeSerialPort& port_;
    UnitSim& sim_;
    Filter filter_;
    QByteArray written_;
};

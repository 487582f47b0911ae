#pragma once
#include <QByteArray>
#include <QObject>
#include <QThread>

class QTcpServer;

// What a network does to a serial server's traffic, between a client and
// the server, for the tests: each way delayed (plus a random jitter), the
// bytes cut into random chunks with pauses between them, and the
// connection cut once so many bytes went through. It runs in a thread of
// its own, so that a test may wait on a program while it forwards.
class FaultProxy {
public:
    struct Faults {
        int delayMs = 0;        // each way
        int jitterMs = 0;       // up to this much more, at random, for each chunk
        int maxChunk = 0;       // bytes go on in chunks of 1 to this many (0: as they come)
        qint64 cutAfter = -1;   // bytes both ways, then the connection is cut
    };

    FaultProxy(const QString& upstreamHost, quint16 upstreamPort, const Faults& faults);
    ~FaultProxy();

    bool listening() const { return port_ != 0; }
    quint16 port() const { return port_; }
    // The bytes that went through so far, both ways.
    qint64 forwarded() const;

private:
    QThread thread_;
    QObject* worker_ = nullptr;
    quint16 port_ = 0;
};

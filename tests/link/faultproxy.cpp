#include "faultproxy.h"

#include <QElapsedTimer>
#include <QMetaObject>
#include <QMutex>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <atomic>
#include <deque>

namespace {

// One way of one connection: what came in, when it may go out.
class Lane : public QObject {
public:
    Lane(QTcpSocket* from, QTcpSocket* to, const FaultProxy::Faults& faults, std::atomic<qint64>& through,
         QObject* parent)
        : QObject(parent), from_(from), to_(to), faults_(faults), through_(through), random_(quint32(quintptr(this)))
    {
        timer_.setSingleShot(true);
        timer_.setTimerType(Qt::PreciseTimer);
        connect(&timer_, &QTimer::timeout, this, &Lane::pump);
        connect(from_, &QTcpSocket::readyRead, this, &Lane::take);
        clock_.start();
    }

private:
    struct Chunk {
        qint64 dueMs;
        QByteArray bytes;
    };

    void take()
    {
        QByteArray bytes = from_->readAll();
        qint64 due = qMax(clock_.elapsed() + faults_.delayMs, lastDueMs_);
        while (!bytes.isEmpty()) {
            const int size = faults_.maxChunk > 0 ? int(random_.bounded(1, faults_.maxChunk + 1)) : int(bytes.size());
            due += faults_.jitterMs > 0 ? random_.bounded(faults_.jitterMs + 1) : 0;
            queue_.push_back({due, bytes.left(size)});
            bytes.remove(0, size);
        }
        lastDueMs_ = due;
        pump();
    }

    void pump()
    {
        while (!queue_.empty() && queue_.front().dueMs <= clock_.elapsed()) {
            QByteArray bytes = queue_.front().bytes;
            queue_.pop_front();
            if (faults_.cutAfter >= 0 && through_ + bytes.size() >= faults_.cutAfter) {
                bytes.truncate(qMax<qint64>(0, faults_.cutAfter - through_));
                to_->write(bytes);
                to_->flush();
                from_->abort();
                to_->abort();
                queue_.clear();
                return;
            }
            through_ += bytes.size();
            to_->write(bytes);
            to_->flush();
        }
        if (!queue_.empty())
            timer_.start(int(qMax<qint64>(0, queue_.front().dueMs - clock_.elapsed())));
    }

    QTcpSocket* from_;
    QTcpSocket* to_;
    FaultProxy::Faults faults_;
    std::atomic<qint64>& through_;
    QRandomGenerator random_;
    QElapsedTimer clock_;
    QTimer timer_;
    std::deque<Chunk> queue_;
    qint64 lastDueMs_ = 0;
};

class Worker : public QObject {
public:
    Worker(const QString& host, quint16 port, const FaultProxy::Faults& faults)
        : host_(host), port_(port), faults_(faults)
    {
    }

    quint16 listen()
    {
        server_ = new QTcpServer(this);
        if (!server_->listen(QHostAddress::LocalHost, 0))
            return 0;
        connect(server_, &QTcpServer::newConnection, this, &Worker::accept);
        return server_->serverPort();
    }

    std::atomic<qint64> through{0};

private:
    void accept()
    {
        while (QTcpSocket* client = server_->nextPendingConnection()) {
            auto* upstream = new QTcpSocket(this);
            client->setParent(this);
            upstream->connectToHost(host_, port_);
            if (!upstream->waitForConnected(3000)) {
                client->abort();
                continue;
            }
            for (QTcpSocket* s : {client, upstream})
                s->setSocketOption(QAbstractSocket::LowDelayOption, 1);
            new Lane(client, upstream, faults_, through, this);
            new Lane(upstream, client, faults_, through, this);
            connect(client, &QTcpSocket::disconnected, upstream, &QTcpSocket::disconnectFromHost);
            connect(upstream, &QTcpSocket::disconnected, client, &QTcpSocket::disconnectFromHost);
        }
    }

    QString host_;
    quint16 port_;
    FaultProxy::Faults faults_;
    QTcpServer* server_ = nullptr;
};

} // namespace

FaultProxy::FaultProxy(const QString& upstreamHost, quint16 upstreamPort, const Faults& faults)
{
    auto* worker = new Worker(upstreamHost, upstreamPort, faults);
    worker_ = worker;
    worker->moveToThread(&thread_);
    QObject::connect(&thread_, &QThread::finished, worker, &QObject::deleteLater);
    thread_.start();
    QMetaObject::invokeMethod(worker, [this, worker] { port_ = worker->listen(); }, Qt::BlockingQueuedConnection);
}

FaultProxy::~FaultProxy()
{
    thread_.quit();
    thread_.wait();
}

qint64 FaultProxy::forwarded() const { return static_cast<Worker*>(worker_)->through.load(); }

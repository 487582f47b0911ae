// The in-memory port other tests build on: replies arrive through the
// event loop (inside WaitMs), bytes in flight die with the line, faults
// are scripted.
#include "fakeserialport.h"
#include "portservices.h"
#include "wait.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

class TestFakeSerialPort : public QObject {
    Q_OBJECT
private slots:
    void repliesArriveWhileTheCallerWaits()
    {
        FakeSerialPort port;
        port.setResponder([](const QByteArray& w) { return w == "jrm" ? QByteArray("i") : QByteArray(); });
        QVERIFY(port.open());
        QSignalSpy ready(&port, &SerialPort::readyRead);
        QVERIFY(port.write("jrm"));
        // Not synchronously: a real line answers later.
        QCOMPARE(port.bytesAvailable(), 0);
        WaitMs(5);
        QCOMPARE(ready.count(), 1);
        QCOMPARE(port.readAll(), QByteArray("i"));
        QVERIFY(port.write("xyz"));
        WaitMs(5);
        QCOMPARE(ready.count(), 1);
        QCOMPARE(port.writes(), (QList<QByteArray>{"jrm", "xyz"}));
        QCOMPARE(port.written(), QByteArray("jrmxyz"));
        port.clearWrites();
        QCOMPARE(port.written(), QByteArray());
    }

    void delayedRepliesAndInjectedBytes()
    {
        FakeSerialPort port;
        port.setResponder([](const QByteArray&) { return QByteArray("\xF0", 1); });
        port.setReplyDelay(100);
        QVERIFY(port.open());
        QElapsedTimer clock;
        clock.start();
        QVERIFY(port.write("a"));
        WaitMs(10);
        QCOMPARE(port.bytesAvailable(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(port.bytesAvailable(), 1, 1000);
        QVERIFY(clock.elapsed() >= 99);
        QCOMPARE(port.readAll(), QByteArray("\xF0", 1));

        port.inject("ON\r\n");
        port.injectAfter(100, "OFF\r\n");
        WaitMs(5);
        QCOMPARE(port.readAll(), QByteArray("ON\r\n"));
        WaitMs(120);
        QCOMPARE(port.readAll(), QByteArray("OFF\r\n"));
    }

    void stalledFarEndHearsButDoesNotAnswer()
    {
        FakeSerialPort port;
        int heard = 0;
        port.setResponder([&](const QByteArray&) { ++heard; return QByteArray("i"); });
        port.setStalled(true);
        QVERIFY(port.open());
        QVERIFY(port.write("jrm"));
        WaitMs(10);
        QCOMPARE(heard, 1);
        QCOMPARE(port.bytesAvailable(), 0);
        port.setStalled(false);
        QVERIFY(port.write("jrm"));
        WaitMs(5);
        QCOMPARE(port.readAll(), QByteArray("i"));
    }

    void bytesInFlightDieWithTheLine()
    {
        FakeSerialPort port;
        QVERIFY(port.open());
        port.injectAfter(10, "late");
        port.close();
        QVERIFY(port.open());
        WaitMs(20);
        QCOMPARE(port.bytesAvailable(), 0);
        // Nothing reaches a closed port, and it cannot be written.
        port.close();
        port.inject("x");
        WaitMs(2);
        QCOMPARE(port.readAll(), QByteArray());
        QVERIFY(!port.write("x"));
        QCOMPARE(port.lastError(), SerialError::WriteFailed);
        QCOMPARE(port.openCount(), 2);
        QCOMPARE(port.closeCount(), 2);
    }

    void scriptedOpenAndWriteFaults()
    {
        FakeSerialPort port;
        port.setOpenError(SerialError::PermissionDenied, QStringLiteral("no dialout"));
        QVERIFY(!port.open());
        QVERIFY(!port.isOpen());
        QCOMPARE(port.lastError(), SerialError::PermissionDenied);
        QCOMPARE(port.lastErrorText(), QStringLiteral("no dialout"));
        port.setOpenError(SerialError::None);
        QVERIFY(port.open());
        QVERIFY(!port.open());
        QCOMPARE(port.lastError(), SerialError::AlreadyOpen);
        port.setWriteFails(true);
        QVERIFY(!port.write("x"));
        QCOMPARE(port.lastError(), SerialError::WriteFailed);
        QVERIFY(port.writes().isEmpty());
    }

    void injectedLineDropClosesThePort()
    {
        FakeSerialPort port;
        QVERIFY(port.open());
        QSignalSpy errors(&port, &SerialPort::errorOccurred);
        port.injectAfter(5, "lost");
        port.injectError(SerialError::LineDropped);
        QCOMPARE(errors.count(), 1);
        QCOMPARE(errors.at(0).at(0).value<SerialError>(), SerialError::LineDropped);
        QVERIFY(!port.isOpen());
        WaitMs(10);
        QCOMPARE(port.bytesAvailable(), 0);
        // Other faults leave the line up.
        QVERIFY(port.open());
        port.injectError(SerialError::WriteFailed);
        QVERIFY(port.isOpen());
        QCOMPARE(errors.count(), 2);
    }

    void portScanOverPresentPorts()
    {
        FakeSerialPort prober;
        prober.setPresentPorts({2, 5});
        QList<int> found;
        for (int p = 1; p <= 16; ++p)
            if (PortAvailable(p, prober))
                found.append(p);
        QCOMPARE(found, (QList<int>{2, 5}));
        QVERIFY(!prober.isOpen());
        QCOMPARE(prober.openCount(), 2);
        QCOMPARE(prober.closeCount(), 2);
        // A prober already holding a port finds nothing, and keeps its port.
        prober.setPortNumber(2);
        QVERIFY(prober.open());
        QVERIFY(!PortAvailable(5, prober));
        QVERIFY(prober.isOpen());
    }
};

QTEST_GUILESS_MAIN(TestFakeSerialPort)
#include "tst_fakeserialport.moc"

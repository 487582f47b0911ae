// The serial primitives on the in-memory port: pacing, reply collection,
// the ready handshake, the probe and the receive handler.
#include "fakeserialport.h"
#include "recordingview.h"
#include "shorttiming.h"
#include "seriallink.h"
#include "status.h"
#include "wait.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

class TestLinkPrimitives : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        port = new FakeSerialPort(this);
        QVERIFY(port->open());
        link = new SerialLink(port, this);
        link->setView(&view);
        view = RecordingView();
    }
    void cleanup()
    {
        delete link;
        delete port;
    }

    void waitReadyNeedsReadyLast_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("ready");
        QTest::newRow("i alone") << QByteArray("i") << true;
        QTest::newRow("ends in i") << QByteArray("xi") << true;
        QTest::newRow("i not last") << QByteArray("ix") << false;
    }
    void waitReadyNeedsReadyLast()
    {
        QFETCH(QByteArray, reply);
        QFETCH(bool, ready);
        port->setResponder([&](const QByteArray& w) { return w == "m" ? reply : QByteArray(); });
        QCOMPARE(link->WaitReady("jrm"), ready);
        // Without the ready character: six attempts, each after leaving the mode.
        const QByteArray expected = ready ? QByteArray("jrm")
                                          : QByteArray("jrm") + QByteArray("\xF0jrm").repeated(5);
        QCOMPARE(port->written(), expected);
        QVERIFY(!link->state().InputHandlingOn);
    }

    void emptyWaitReadyOnlyListens()
    {
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!link->WaitReady(QByteArray()));
        QVERIFY(port->written().isEmpty());
        // Six reads of about 25 ms, then the drain.
        QVERIFY2(clock.elapsed() >= 6 * 25 && clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
    }

    void probeWithPortClosedSendsNothing()
    {
        port->close();
        link->state().UnitConnected = true;
        QVERIFY(!link->IsResponding());
        QVERIFY(port->written().isEmpty());
        QVERIFY(link->state().UnitConnected);
    }

    void probeTriesTwiceThenGivesUp()
    {
        link->state().UnitConnected = true;
        port->setResponder([](const QByteArray& w) { return w == "m" ? QByteArray("x") : QByteArray(); });
        QVERIFY(!link->IsResponding());
        QCOMPARE(port->written(), QByteArray("jrm\xF0jrm"));
        QVERIFY(!link->state().UnitConnected);
    }

    void probeLeavesReadModeWhenAnswered()
    {
        port->setResponder([](const QByteArray& w) { return w == "m" ? QByteArray("i") : QByteArray(); });
        link->state().InputHandlingOn = true;
        QVERIFY(link->IsResponding());
        QCOMPARE(port->written(), QByteArray("jrm\xF0"));
        QVERIFY(link->state().UnitConnected);
        QVERIFY(link->state().InputHandlingOn);
    }

    void sendDataPacesCharacters()
    {
        QList<qint64> at;
        QElapsedTimer clock;
        clock.start();
        port->setResponder([&](const QByteArray&) {
            at << clock.nsecsElapsed();
            return QByteArray();
        });
        link->SendData("abcd");
        const qint64 end = clock.nsecsElapsed();
        QCOMPARE(port->writes(), (QList<QByteArray>{"a", "b", "c", "d"}));
        QVERIFY(at[1] - at[0] >= 5'000'000);
        QVERIFY(at[2] - at[1] >= 1'000'000);
        QVERIFY(at[3] - at[2] >= 1'000'000);
        QVERIFY(end - at[3] >= 1'000'000);
        QVERIFY2(end < 150'000'000, "pacing far beyond 5 + 3 x 1 ms");
        QVERIFY(!link->state().SendBusy);
    }

    void nestedSendHoldsBackThenSendsOnce()
    {
        // The nested call comes while the first is being paced out.
        LinkTiming paced = InMemoryLinkTiming();
        paced.pacing = LinkTiming().pacing;
        link->setTiming(paced);
        const int holdBack = link->timing().busyRetryMs;
        QElapsedTimer clock;
        qint64 nestedDone = 0;
        QTimer::singleShot(2, this, [&] {
            clock.start();
            link->SendData("X");
            nestedDone = clock.elapsed();
        });
        link->SendData("0123456789");
        const QByteArray w = port->written();
        QCOMPARE(w.count('X'), 1);
        QCOMPARE(QByteArray(w).replace("X", ""), QByteArray("0123456789"));
        QVERIFY(!w.startsWith('X') && !w.endsWith('X'));
        QVERIFY2(nestedDone >= 6 * holdBack, qPrintable(QString::number(nestedDone)));
        QVERIFY(!link->state().SendBusy);
    }

    void failedWriteClosesPort()
    {
        port->setWriteFails(true);
        link->SendData("abc");
        QVERIFY(!port->isOpen());
        QVERIFY(!link->state().SendBusy);
        QVERIFY(port->written().isEmpty());
    }

    void emptyReplyReturnsAfterSilence()
    {
        QElapsedTimer clock;
        clock.start();
        QVERIFY(link->GetRawBuffer(true).isEmpty());
        QVERIFY2(clock.elapsed() >= 25 && clock.elapsed() < 500, qPrintable(QString::number(clock.elapsed())));
    }

    void protocolTimesAreTheDefaults()
    {
        const LinkTiming protocol;
        QCOMPARE(protocol.pacing.firstCharMs, 5);
        QCOMPARE(protocol.pacing.nextCharMs, 1);
        QCOMPARE(protocol.busyRetryMs, 200);
        QCOMPARE(protocol.replySilenceMs, 25);
        QCOMPARE(protocol.replyBoundMs, 2000);
        QCOMPARE(protocol.modeRetryPauseMs, 20);
        QCOMPARE(protocol.optionReplyTimeoutMs, 1000);
        QCOMPARE(link->timing().replyBoundMs, 2000);
    }

    // Waiting for a first byte ends at the bound (2 s; here shortened).
    void replyWaitIsBounded()
    {
        link->setTiming(InMemoryLinkTiming());
        QElapsedTimer clock;
        clock.start();
        QVERIFY(link->GetRawBuffer(false).isEmpty());
        QVERIFY2(clock.elapsed() >= 199 && clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
    }

    void replyEndsTwentyFiveMsAfterItsLastByte()
    {
        port->injectAfter(100, "ab");
        port->injectAfter(115, "cd");
        port->injectAfter(130, "ef");
        port->injectAfter(450, "gh");
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(link->GetRawBuffer(false), QByteArray("abcdef"));
        QVERIFY2(clock.elapsed() >= 150 && clock.elapsed() < 430, qPrintable(QString::number(clock.elapsed())));
        // The late part is the next reply.
        QCOMPARE(link->GetRawBuffer(false), QByteArray("gh"));
    }

    void bytesWaitWhileHandlingIsOff()
    {
        link->state().InputHandlingOn = false;
        port->inject("hello");
        WaitMs(20);
        QCOMPARE(port->bytesAvailable(), 5);
        QVERIFY(view.terminal.isEmpty());
        QCOMPARE(link->GetRawBuffer(true), QByteArray("hello"));
    }

    void handlerFeedsTerminalWhenEchoIsOn()
    {
        link->state().InputHandlingOn = true;
        link->state().TerminalEchoOn = true;
        port->inject("Ser Echo ON\r\n");
        WaitMs(20);
        QCOMPARE(view.terminal, QByteArray("Ser Echo ON\r\n"));
        QCOMPARE(port->bytesAvailable(), 0);
        // Consumed but not shown without echo.
        link->state().TerminalEchoOn = false;
        port->inject("more");
        WaitMs(20);
        QCOMPARE(port->bytesAvailable(), 0);
        QCOMPARE(view.terminal, QByteArray("Ser Echo ON\r\n"));
    }

    void echoStateSavesAndRestoresHandling()
    {
        link->state().InputHandlingOn = true;
        link->state().TerminalEchoOn = true;
        bool saved = false;
        link->KV310EchoState(false, saved);
        QVERIFY(saved);
        QVERIFY(!link->state().InputHandlingOn && !link->state().TerminalEchoOn);
        bool off = false;
        link->KV310EchoState(true, off);
        QVERIFY(link->state().TerminalEchoOn);
        QVERIFY(!link->state().InputHandlingOn);
    }

    void optionWithoutAnswerTimesOut()
    {
        link->setTiming(InMemoryLinkTiming());
        const int timeout = link->timing().optionReplyTimeoutMs;
        link->state().InputHandlingOn = true;
        link->sendOption("jst");
        QCOMPARE(LastStatus(), QStringLiteral("jst sent"));
        QCOMPARE(link->pendingRequest(), QStringLiteral("jst request."));
        WaitMs(timeout * 0.7);
        QVERIFY(view.timedOut.isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(view.timedOut, QStringList{QStringLiteral("jst request.")}, 500);
        QVERIFY(link->pendingRequest().isEmpty());
    }

    void answeredOptionDoesNotTimeOut()
    {
        LinkTiming paced = InMemoryLinkTiming();
        paced.pacing = LinkTiming().pacing;
        link->setTiming(paced);
        link->state().InputHandlingOn = true;
        link->state().TerminalEchoOn = true;
        // The answer comes while the command is still being paced out.
        port->setResponder([](const QByteArray& w) { return w == "e" ? QByteArray("Ser Echo ON\r\n") : QByteArray(); });
        link->sendOption("jse");
        WaitMs(link->timing().optionReplyTimeoutMs * 1.2);
        QVERIFY(view.timedOut.isEmpty());
        QCOMPARE(view.terminal, QByteArray("Ser Echo ON\r\n"));
    }

    void droppedLineEndsAReadAtOnce()
    {
        QSignalSpy lost(link, &SerialLink::lineLost);
        QTimer::singleShot(50, this, [&] { port->injectError(SerialError::LineDropped); });
        QElapsedTimer clock;
        clock.start();
        QVERIFY(link->GetRawBuffer(false).isEmpty());
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(link->lineDropped());
        QCOMPARE(lost.count(), 1);
        // Nothing more goes out on a dropped line.
        QVERIFY(!link->WaitReady("jrm"));
        QVERIFY(port->written().isEmpty());
    }

private:
    FakeSerialPort* port = nullptr;
    SerialLink* link = nullptr;
    RecordingView view;
};

QTEST_GUILESS_MAIN(TestLinkPrimitives)
#include "tst_linkprimitives.moc"

// The traffic trace: what a port sends and receives, line by line, in a
// bounded file.
#include "fakeserialport.h"
#include "filebytes.h"
#include "tracewriter.h"
#include "tracingserialport.h"
#include "unprivileged.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

class TestTrace : public QObject {
    Q_OBJECT
private slots:
    void lineForm()
    {
        QCOMPARE(TraceWriter::line(125.0344, TraceWriter::Direction::Sent, "jrm"),
                 QByteArray("   125.034 TX 6a 72 6d  jrm\n"));
        QCOMPARE(TraceWriter::line(3, TraceWriter::Direction::Received, QByteArray("A\r\n\xff", 4)),
                 QByteArray("     3.000 RX 41 0d 0a ff  A...\n"));
        QCOMPARE(TraceWriter::line(0.5, TraceWriter::Direction::Event, "closed"),
                 QByteArray("     0.500 -- closed\n"));
    }

    // Every chunk in order, with the time since the start; nothing changes
    // on the way through.
    void portRecordsBothDirections()
    {
        const QTemporaryDir dir;
        FakeSerialPort inner;
        inner.setResponder([](const QByteArray& w) { return w == "m" ? QByteArray("i") : QByteArray(); });
        TracingSerialPort port(&inner);
        TraceWriter trace(dir.filePath("t.log"), 1 << 20, false);
        QString error;
        QVERIFY(trace.open(&error));
        port.setTrace(&trace);
        QSignalSpy ready(&port, &SerialPort::readyRead);
        QVERIFY(port.open());
        for (const char c : QByteArray("jrm"))
            QVERIFY(port.write(QByteArray(1, c)));
        QVERIFY(ready.wait(1000));
        QCOMPARE(port.readAll(), QByteArray("i"));
        QCOMPARE(port.readAll(), QByteArray());   // nothing: no line
        port.close();
        QCOMPARE(inner.written(), QByteArray("jrm"));

        const QList<QByteArray> lines = ReadBytes(trace.path()).split('\n');
        QCOMPARE(lines.size(), 7);   // open, 3 sent, 1 received, closed, end
        QVERIFY(lines[0].contains("-- opened Com1"));
        QVERIFY(lines[1].endsWith("TX 6a  j"));
        QVERIFY(lines[3].endsWith("TX 6d  m"));
        QVERIFY(lines[4].endsWith("RX 69  i"));
        QVERIFY(lines[5].endsWith("-- closed"));
        double last = -1;
        for (int i = 0; i < 6; ++i) {
            const double ms = lines[i].left(10).trimmed().toDouble();
            QVERIFY(ms >= last);
            last = ms;
        }
        QVERIFY(QFileInfo(trace.path()).permissions() & QFile::ReadOwner);
        QVERIFY(!(QFileInfo(trace.path()).permissions() & (QFile::ReadGroup | QFile::ReadOther)));
    }

    // A single trace stops at its size with a line saying so; a rotating
    // one moves on to a fresh file and keeps one before it.
    void bounded()
    {
        const QTemporaryDir dir;
        const QByteArray chunk(100, 'x');
        TraceWriter single(dir.filePath("one.log"), 4096, false);
        QString error;
        QVERIFY(single.open(&error));
        for (int i = 0; i < 200; ++i)
            single.record(TraceWriter::Direction::Sent, chunk);
        const QByteArray text = ReadBytes(single.path());
        QVERIFY(text.size() <= 4096);
        QVERIFY(text.endsWith("the trace is full; nothing more is recorded\n"));

        TraceWriter rotating(dir.filePath("r.log"), 4096, true);
        QVERIFY(rotating.open(&error));
        for (int i = 0; i < 200; ++i)
            rotating.record(TraceWriter::Direction::Received, chunk);
        const QByteArray current = ReadBytes(rotating.path());
        const QByteArray previous = ReadBytes(rotating.path() + ".1");
        QVERIFY(current.size() <= 4096 && !current.isEmpty());
        QVERIFY(previous.size() <= 4096 && previous.size() > 3000);
        QVERIFY(!QFile::exists(rotating.path() + ".2"));
        QVERIFY(current.endsWith(TraceWriter::line(0, TraceWriter::Direction::Received, chunk).mid(10)));
    }

    // An old file of the name is replaced by a new one, never written
    // through; a link of the name is refused, and so is a rotation onto
    // something that is no regular file, which ends the trace with a word.
    void newFileEachTime()
    {
        const QTemporaryDir dir;
        const QString target = dir.filePath("target");
        WriteBytes(target, "keep");
        QVERIFY(QFile::link(target, dir.filePath("t.log")));
        QString error;
        TraceWriter linked(dir.filePath("t.log"), 4096, false);
        QVERIFY(!linked.open(&error));
        QCOMPARE(error, QStringLiteral("It is a link, and links are not followed here."));
        QCOMPARE(ReadBytes(target), QByteArray("keep"));

        const QString path = dir.filePath("r.log");
        WriteBytes(path, "old");
        QVERIFY(QFile::link(path, dir.filePath("r-link")));   // another name of the old file's place
        QCOMPARE(::link(QFile::encodeName(path).constData(), QFile::encodeName(dir.filePath("r-hard")).constData()), 0);
        TraceWriter trace(path, 4096, false);
        QVERIFY2(trace.open(&error), qPrintable(error));
        trace.note("x");
        QVERIFY(ReadBytes(path).endsWith("-- x\n"));
        QVERIFY(!ReadBytes(path).contains("old"));
        QCOMPARE(ReadBytes(dir.filePath("r-hard")), QByteArray("old"));
        QVERIFY(trace.finish());
        QVERIFY(!trace.failed());

        TraceWriter nowhere(dir.filePath("missing/t.log"), 4096, false);
        QVERIFY(!nowhere.open(&error));
        QVERIFY(!error.isEmpty());

        const QString rotating = dir.filePath("rot.log");
        QCOMPARE(::mkfifo(QFile::encodeName(rotating + ".1").constData(), 0600), 0);
        TraceWriter rotor(rotating, 200, true);
        QVERIFY(rotor.open(&error));
        for (int i = 0; i < 10; ++i)
            rotor.note("a line of some length");
        QVERIFY(rotor.failed());
        QCOMPARE(rotor.errorText(), QStringLiteral("It is not a regular file."));
        QVERIFY(!rotor.finish());
        QVERIFY(!QFileInfo(rotating + ".1").isFile());
    }

    // A rotation the folder refuses (made unwritable meanwhile, as an
    // ordinary user) ends the trace with the reason, said once, and leaves
    // the file ending with a whole record.
    void refusedRotationEndsTheTrace()
    {
        const QTemporaryDir dir;
        constexpr uid_t kNobody = 65534;
        if (::geteuid() == 0)
            QCOMPARE(::chown(QFile::encodeName(dir.path()).constData(), kNobody, kNobody), 0);   // the user's own folder
        const QString path = dir.filePath("t.log");
        const std::optional<QByteArray> report = RunUnprivileged([&] {
            TraceWriter trace(path, 300, true);
            QString error;
            if (!trace.open(&error))
                return "open: " + error.toUtf8();
            int told = 0;
            QString reason;
            trace.setFailureHandler([&](const QString& why) { ++told, reason = why; });
            ::chmod(QFile::encodeName(dir.path()).constData(), 0555);
            for (int i = 0; i < 20; ++i)
                trace.note(QStringLiteral("a line of some length %1").arg(i));
            ::chmod(QFile::encodeName(dir.path()).constData(), 0700);
            return QByteArray::number(told) + ' ' + QByteArray::number(trace.failed()) + ' ' + reason.toUtf8();
        });
        if (!report)
            QSKIP("cannot drop privileges here");
        QCOMPARE(*report, QByteArray("1 1 Permission denied"));
        const QByteArray kept = ReadBytes(path);
        QVERIFY(!kept.isEmpty() && kept.endsWith('\n'));
        QVERIFY(!QFile::exists(path + ".1"));
    }
};

QTEST_GUILESS_MAIN(TestTrace)
#include "tst_trace.moc"

// The four programs answer --help and --version without a display, and
// the window programs say in one line that they need one.
#include "defaultconfig.h"
#include "filebytes.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {
struct Run {
    int code = -1;
    QByteArray out;
    QByteArray err;
};

// Runs a program as from a text console: no display of any kind. A bare
// name is one of the built programs.
Run Start(const QString& program, const QStringList& args, const QStringList& extraEnv = {})
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    for (const QString& assignment : extraEnv)
        env.insert(assignment.section(QLatin1Char('='), 0, 0), assignment.section(QLatin1Char('='), 1));
    p.setProcessEnvironment(env);
    p.start(QDir(qEnvironmentVariable("KV310_TEST_BIN_DIR")).filePath(program), args);
    Run run;
    if (p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit)
        run.code = p.exitCode();
    run.out = p.readAllStandardOutput();
    run.err = p.readAllStandardError();
    return run;
}
} // namespace

class TestProgramStart : public QObject {
    Q_OBJECT
private slots:
    void versionNamesTheProgram_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("KV310") << "KV310" << QByteArray("KV310 1.1.24\n");
        QTest::newRow("NV_FWLoader") << "NV_FWLoader" << QByteArray("NV_FWLoader 1.0.4\n");
        QTest::newRow("kv310ctl") << "kv310ctl" << QByteArray("kv310ctl 1.1.24\n");
        QTest::newRow("kv310-sim") << "kv310-sim" << QByteArray("kv310-sim 1.1.24\n");
    }
    void versionNamesTheProgram()
    {
        QFETCH(QString, program);
        QFETCH(QByteArray, expected);
        for (const QString& option : {QStringLiteral("--version"), QStringLiteral("-v")}) {
            const Run run = Start(program, {option});
            QCOMPARE(run.code, 0);
            QCOMPARE(run.out, expected);
            QCOMPARE(run.err, QByteArray());
        }
    }

    void helpShowsTheUsage_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QByteArray>("usage");
        QTest::addColumn<QByteArray>("mentions");
        QTest::newRow("KV310") << "KV310" << QByteArray("Usage: KV310 [options] [file]\n") << QByteArray("Locals.ini");
        QTest::newRow("NV_FWLoader") << "NV_FWLoader" << QByteArray("Usage: NV_FWLoader [options]\n")
                                     << QByteArray("ErrorLog.txt");
        QTest::newRow("kv310ctl") << "kv310ctl" << QByteArray("Usage: kv310ctl [options] command [arguments]\n")
                                  << QByteArray("kv310ctl flash --port PORT FILE.dff");
        QTest::newRow("kv310-sim") << "kv310-sim" << QByteArray("Usage: kv310-sim [options]\n")
                                   << QByteArray("--hangup-after <N>");
    }
    void helpShowsTheUsage()
    {
        QFETCH(QString, program);
        QFETCH(QByteArray, usage);
        QFETCH(QByteArray, mentions);
        for (const QString& option : {QStringLiteral("--help"), QStringLiteral("-h")}) {
            const Run run = Start(program, {option});
            QCOMPARE(run.code, 0);
            QVERIFY2(run.out.startsWith(usage), run.out.constData());
            QVERIFY(run.out.contains("-v, --version"));
            QVERIFY2(run.out.contains(mentions), run.out.constData());
            QCOMPARE(run.err, QByteArray());
        }
    }

    void theLoaderIgnoresWhatKv310Passes()
    {
        // KV310 starts it as "NV_FWLoader -KV-310": no option is read from that.
        const Run plain = Start(QStringLiteral("NV_FWLoader"), {QStringLiteral("-KV-310")});
        QCOMPARE(plain.code, 1);   // on to the window, which needs a display
        QCOMPARE(plain.out, QByteArray());
        const Run asked = Start(QStringLiteral("NV_FWLoader"), {QStringLiteral("-KV-310"), QStringLiteral("--version")});
        QCOMPARE(asked.code, 0);
        QCOMPARE(asked.out, QByteArray("NV_FWLoader 1.0.4\n"));
    }

    void windowProgramsWithoutADisplaySaySoInOneLine()
    {
        for (const QString& program : {QStringLiteral("KV310"), QStringLiteral("NV_FWLoader")}) {
            const Run run = Start(program, {});
            QCOMPARE(run.code, 1);
            QCOMPARE(run.err.count('\n'), 1);
            QVERIFY2(run.err.startsWith(program.toLatin1() + ": needs a graphical session"), run.err.constData());
            QVERIFY(run.err.contains("QT_QPA_PLATFORM=offscreen"));
        }
    }

    void aPlatformOnTheCommandLineIsEnough()
    {
        // A program folder of its own that knows its last file, so that no
        // question stops the start; the program reports once its window is up.
        QTemporaryDir folder;
        const QString exe = folder.filePath(QStringLiteral("KV310"));
        QVERIFY(QFile::copy(QDir(qEnvironmentVariable("KV310_TEST_BIN_DIR")).filePath(QStringLiteral("KV310")), exe));
        WriteBytes(folder.filePath(QStringLiteral("last.dtd")), DefaultConfigBytes());
        WriteBytes(folder.filePath(QStringLiteral("Locals.ini")),
                   "[KV310]\r\nLastDTD=" + folder.filePath(QStringLiteral("last.dtd")).toLocal8Bit() + "\r\n");
        const Run run = Start(exe, {QStringLiteral("-platform"), QStringLiteral("offscreen")},
                              {QStringLiteral("KV310_STARTUP_REPORT=1")});
        QCOMPARE(run.code, 0);
        QVERIFY2(run.out.contains("caption KV-310 v1.1.24 [last.dtd]"), run.out.constData());
    }

    void badUsageOfTheToolsStillFails()
    {
        const Run ctl = Start(QStringLiteral("kv310ctl"), {});
        QCOMPARE(ctl.code, 2);
        QVERIFY(ctl.err.contains("kv310ctl dump FILE.dtd"));
        const Run sim = Start(QStringLiteral("kv310-sim"), {QStringLiteral("--bogus")});
        QCOMPARE(sim.code, 2);
        QVERIFY2(sim.err.startsWith("kv310-sim: Unknown option 'bogus'"), sim.err.constData());
        const Run value = Start(QStringLiteral("kv310-sim"), {QStringLiteral("--baud"), QStringLiteral("fast")});
        QCOMPARE(value.code, 2);
        QVERIFY2(value.err.contains("--baud: not a number: fast"), value.err.constData());
    }
};

QTEST_GUILESS_MAIN(TestProgramStart)
#include "tst_programstart.moc"

// The error log on disk: heading, entry format, repeats, ignored numbers,
// the size limit, unwritable logs, and the trapping convention's messages.
#include "errorlog.h"
#include "filebytes.h"
#include "runtimeerror.h"
#include "scriptedprompter.h"
#include "testfolder.h"
#include "unprivileged.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QScopeGuard>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTest>

#include <stdexcept>

#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qint64 kLimit = 131071;
const QString kTitleLine = QStringLiteral("KV-310 v1.1.24 Error Log");

// Lines of the log; every line must end in CR LF.
QStringList LogLines(const QString& path)
{
    const QByteArray data = ReadBytes(path);
    if (data.isEmpty())
        return {};
    if (!data.endsWith("\r\n"))
        return {QStringLiteral("<no CR LF at end>")};
    QStringList lines = QString::fromLocal8Bit(data).split(QStringLiteral("\r\n"));
    lines.removeLast();
    for (const QString& line : lines)
        if (line.contains(QLatin1Char('\r')) || line.contains(QLatin1Char('\n')))
            return {QStringLiteral("<stray line break>")};
    return lines;
}

QString EntryMessage(const QString& line) { return line.mid(17); }

// A log of exactly size bytes whose last line is an entry.
void WriteLogOfSize(const QString& path, qint64 size)
{
    QByteArray data = kTitleLine.toLatin1() + "\r\n" + QByteArray(32, '=') + "\r\n";
    const QByteArray last = "01/02/2026 03:04 Error 5 (earlier) in procedure P of Module M on line 10\r\n";
    const QByteArray filler = "01/02/2026 03:04 Error 5 (filler) in procedure P of Module M on line 20\r\n";
    while (data.size() + filler.size() + last.size() <= size)
        data += filler;
    const qint64 pad = size - data.size() - last.size();
    if (pad > 0)
        data += QByteArray(pad - 2, 'x') + "\r\n";
    data += last;
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(data);
    f.close();
    QCOMPARE(QFileInfo(path).size(), size);
}

} // namespace

class TestErrorLog : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        folder_ = std::make_unique<TestProgramFolder>();
        prompter_ = std::make_unique<ScriptedPrompter>();
        log_ = folder_->file(QStringLiteral("ErrorLog.txt"));
    }
    void cleanup()
    {
        RemoveErrorLogCopies();
        prompter_.reset();
        folder_.reset();
    }

    void firstEntryWritesTheHeading()
    {
        QCOMPARE(ErrorLogPath(), log_);
        const QDateTime before = QDateTime::currentDateTime();
        LogError(QStringLiteral("Error 6 (Overflow) in procedure Foo of Module modMain on line 30"));
        const QDateTime after = QDateTime::currentDateTime();

        const QStringList lines = LogLines(log_);
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines.at(0), kTitleLine);
        QCOMPARE(lines.at(1), QString(32, QLatin1Char('=')));
        const QRegularExpression entry(QStringLiteral(
            "^(\\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d) Error 6 \\(Overflow\\) in procedure Foo of Module modMain on line 30$"));
        const QRegularExpressionMatch m = entry.match(lines.at(2));
        QVERIFY2(m.hasMatch(), qPrintable(lines.at(2)));
        const QString stamp = m.captured(1);
        QVERIFY(stamp == before.toString(QStringLiteral("MM/dd/yyyy HH:mm"))
                || stamp == after.toString(QStringLiteral("MM/dd/yyyy HH:mm")));
        QVERIFY(prompter_->shown.isEmpty());
    }

    void repeatsAreSkippedUntilAnotherMessage()
    {
        const QString a = QStringLiteral("Error 5 (a) in procedure A of Module modMain on line 10");
        const QString b = QStringLiteral("Error 5 (b) in procedure B of Module modMain on line 10");
        LogError(a);
        LogError(a);
        QCOMPARE(LogLines(log_).size(), 3);
        LogError(b);
        LogError(a);
        const QStringList lines = LogLines(log_);
        QCOMPARE(lines.size(), 5);
        QCOMPARE(EntryMessage(lines.at(2)), a);
        QCOMPARE(EntryMessage(lines.at(3)), b);
        QCOMPARE(EntryMessage(lines.at(4)), a);
    }

    void repeatTestIsLiteralAndWholeMessage()
    {
        // Pattern characters in a message are ordinary characters.
        const QString brackets = QStringLiteral("Error 9 (Subscript [1] out of range #2) in procedure P of Module M on line 10");
        LogError(brackets);
        LogError(brackets);
        QCOMPARE(LogLines(log_).size(), 3);
        LogError(QStringLiteral("*"));
        LogError(QStringLiteral("Error 9 (Subscript ?1? out of range ?2) in procedure P of Module M on line 10"));
        // A message that is only part of the last one is a different error.
        LogError(QStringLiteral("Error 9 (x) in procedure P of Module M on line 100"));
        LogError(QStringLiteral("Error 9 (x) in procedure P of Module M on line 10"));
        const QStringList lines = LogLines(log_);
        QCOMPARE(lines.size(), 7);
        QCOMPARE(EntryMessage(lines.at(3)), QStringLiteral("*"));
        QCOMPARE(EntryMessage(lines.at(6)), QStringLiteral("Error 9 (x) in procedure P of Module M on line 10"));
    }

    void errorNumbers400And401AreNotLogged()
    {
        LogError(QStringLiteral("Error 400 (Form already displayed) in procedure A of Form frmMain on line 10"));
        LogError(QStringLiteral("Error 401 (Can't show non-modal form) in procedure A of Form frmMain on line 20"));
        QVERIFY(!QFile::exists(log_));
        LogError(QStringLiteral("Error 4000 (Other) in procedure A of Form frmMain on line 30"));
        // Two words only: the rule needs three.
        LogError(QStringLiteral("Error 400"));
        const QStringList lines = LogLines(log_);
        QCOMPARE(lines.size(), 4);
        QVERIFY(lines.at(2).endsWith(QLatin1String("Error 4000 (Other) in procedure A of Form frmMain on line 30")));
        QVERIFY(lines.at(3).endsWith(QLatin1String(" Error 400")));
    }

    void logAtTheLimitStillTakesTheEntry()
    {
        WriteLogOfSize(log_, kLimit);
        LogError(QStringLiteral("Error 5 (at limit) in procedure P of Module M on line 10"));
        const QStringList lines = LogLines(log_);
        QVERIFY(lines.last().endsWith(QLatin1String(" Error 5 (at limit) in procedure P of Module M on line 10")));
        QVERIFY(prompter_->viewed.isEmpty());
        QVERIFY(prompter_->shown.isEmpty());
    }

    void logPastTheLimitIsShownAndStartedAfresh()
    {
        WriteLogOfSize(log_, kLimit + 1);
        const QByteArray before = ReadBytes(log_);
        LogError(QStringLiteral("Error 5 (lost) in procedure P of Module M on line 10"));

        QVERIFY(!QFile::exists(log_));
        QCOMPARE(prompter_->viewed.size(), 1);
        // The viewer is shown a copy (here the whole log: 128 KiB), which
        // outlives the deletion.
        QCOMPARE(QFileInfo(prompter_->viewed.first()).fileName(), QStringLiteral("ErrorLog.txt"));
        QCOMPARE(ReadBytes(prompter_->viewed.first()), before);
        QCOMPARE(prompter_->shown.size(), 1);
        QCOMPARE(prompter_->shown.first().icon, MsgIcon::Information);
        QCOMPARE(prompter_->shown.first().text,
                 QStringLiteral("'ErrorLog.txt' is too large, indicating there's something wrong with the "
                                "software and/or its components.\r\n\r\nPlease email the contents of "
                                "'ErrorLog.txt' shown in the Notepad window to Norrvale's support team."));

        LogError(QStringLiteral("Error 5 (fresh) in procedure P of Module M on line 10"));
        const QStringList lines = LogLines(log_);
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines.at(0), kTitleLine);
        QVERIFY(lines.at(2).endsWith(QLatin1String("(fresh) in procedure P of Module M on line 10")));
    }

    void errorsDuringTheNoticeDoNotRepeatIt()
    {
        WriteLogOfSize(log_, kLimit + 1);
        // The notice's message box runs the event loop; a handler failing
        // meanwhile logs again.
        prompter_->onMessage = [](const ScriptedPrompter::Shown&) {
            LogError(QStringLiteral("Error 5 (meanwhile) in procedure T of Module M on line 10"));
        };
        LogError(QStringLiteral("Error 5 (first) in procedure P of Module M on line 10"));
        QCOMPARE(prompter_->shown.size(), 1);
        QCOMPARE(prompter_->viewed.size(), 1);
        QVERIFY(!QFile::exists(log_));
        prompter_->onMessage = nullptr;
        LogError(QStringLiteral("Error 5 (later) in procedure P of Module M on line 10"));
        QCOMPARE(LogLines(log_).size(), 3);
    }

    // A 2 GB (sparse) log: the viewer gets its last 128 KiB in a folder of
    // this user's alone, which the program's next start removes.
    void viewerCopyIsPrivateBoundedAndCleared()
    {
        const QString title = App().title;
        RemoveErrorLogCopies();
        WriteLogOfSize(log_, kLimit + 1);
        const QByteArray end = ReadBytes(log_).right(1000);
        {
            QFile f(log_);
            QVERIFY(f.open(QIODevice::ReadWrite));
            QVERIFY(f.resize(qint64(2) << 30));
            QVERIFY(f.seek(f.size()));
            QCOMPARE(f.write(end), qint64(end.size()));
        }
        // Another user's folder of the same name pattern is neither used nor removed.
        const QString planted = QDir::temp().filePath(title + QStringLiteral("-errorlog-planted"));
        QVERIFY(QDir().mkpath(planted));
        const auto removePlanted = qScopeGuard([&] { QDir(planted).removeRecursively(); });
        if (::geteuid() == 0)
            QCOMPARE(::chown(QFile::encodeName(planted).constData(), 65534, 65534), 0);

        LogError(QStringLiteral("Error 5 (lost) in procedure P of Module M on line 10"));
        QVERIFY(!QFile::exists(log_));
        QCOMPARE(prompter_->viewed.size(), 1);
        const QString copy = prompter_->viewed.first();
        const QFileInfo folder(QFileInfo(copy).path());
        QVERIFY(folder.fileName().startsWith(title + QStringLiteral("-errorlog-")));
        QVERIFY(folder.filePath() != planted);
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(folder.filePath()).constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, mode_t(0700));
        QCOMPARE(st.st_uid, ::geteuid());
        QCOMPARE(QFileInfo(copy).size(), qint64(128 * 1024));
        QVERIFY(ReadBytes(copy).endsWith(end));

        RemoveErrorLogCopies();   // what the next start does
        QVERIFY(!folder.exists());
        QVERIFY(QFileInfo(planted).isDir() || ::geteuid() != 0);
    }

    // Another user who may write the program folder links ErrorLog.txt to
    // a victim's file, or puts a FIFO there: the entry is dropped, the
    // victim's file stays as it was, and nothing waits for the FIFO.
    void linksFifosAndHardLinksDropTheEntry()
    {
        const QString victim = folder_->file(QStringLiteral("victim.txt"));
        WriteBytes(victim, "victim's own");
        QVERIFY(QFile::link(victim, log_));
        LogError(QStringLiteral("Error 5 (x) in procedure P of Module M on line 10"));
        QCOMPARE(ReadBytes(victim), QByteArray("victim's own"));
        QVERIFY(QFile::remove(log_));

        QCOMPARE(::link(QFile::encodeName(victim).constData(), QFile::encodeName(log_).constData()), 0);
        LogError(QStringLiteral("Error 5 (y) in procedure P of Module M on line 10"));
        QCOMPARE(ReadBytes(victim), QByteArray("victim's own"));
        QVERIFY(QFile::remove(log_));

        QCOMPARE(::mkfifo(QFile::encodeName(log_).constData(), 0666), 0);
        QElapsedTimer clock;
        clock.start();
        LogError(QStringLiteral("Error 5 (z) in procedure P of Module M on line 10"));
        QVERIFY(clock.elapsed() < 2000);
        QVERIFY(QFileInfo(log_).exists() && !QFileInfo(log_).isFile());
        QVERIFY(prompter_->shown.isEmpty());
    }

    void unwritableLogIsDroppedQuietly()
    {
        // The log's name taken by a folder: it can be neither read nor written.
        QVERIFY(QDir(folder_->path()).mkdir(QStringLiteral("ErrorLog.txt")));
        LogError(QStringLiteral("Error 5 (x) in procedure P of Module M on line 10"));
        QVERIFY(QFileInfo(log_).isDir());
        QVERIFY(prompter_->shown.isEmpty());

        // A program folder that does not exist.
        App().folder = folder_->file(QStringLiteral("missing/deeper"));
        LogError(QStringLiteral("Error 5 (y) in procedure P of Module M on line 10"));
        QVERIFY(!QFile::exists(ErrorLogPath()));
    }

    void readOnlyFolderIsDroppedQuietly()
    {
        const QFileDevice::Permissions readOnly = QFileDevice::ReadOwner | QFileDevice::ExeOwner
            | QFileDevice::ReadOther | QFileDevice::ExeOther;
        QVERIFY(QFile::setPermissions(folder_->path(), readOnly));
        // As an ordinary user also when the tests run as root; the child
        // finishing normally shows that nothing was thrown.
        const std::optional<QByteArray> done = RunUnprivileged([] {
            LogError(QStringLiteral("Error 5 (x) in procedure P of Module M on line 10"));
            return QByteArray("returned");
        });
        QFile::setPermissions(folder_->path(), readOnly | QFileDevice::WriteOwner);
        if (!done)
            QSKIP("cannot drop privileges here");
        QCOMPARE(*done, QByteArray("returned"));
        QVERIFY(!QFile::exists(log_));
    }

    void trapLogsTheFailingStatementAndCarriesOn()
    {
        const ProcedureTrap trap("ProcessData", "modDataComm");
        QStringList ran;
        trap([&] { ran << QStringLiteral("first"); });
        const int failingLine = __LINE__ + 1;
        const bool ok = trap([&] { throw RuntimeError::overflow(); });
        trap([&] { ran << QStringLiteral("after"); });
        QVERIFY(!ok);
        QCOMPARE(ran, (QStringList{QStringLiteral("first"), QStringLiteral("after")}));

        const ProcedureTrap formTrap = ProcedureTrap::form("Form_Load", "frmMain");
        const int indexLine = __LINE__ + 1;
        formTrap([&] { throw std::out_of_range("index"); });
        const int otherLine = __LINE__ + 1;
        formTrap([&] { throw std::runtime_error("disk on fire"); });

        const QStringList lines = LogLines(log_);
        QCOMPARE(lines.size(), 5);
        QCOMPARE(EntryMessage(lines.at(2)),
                 QStringLiteral("Error 6 (Overflow) in procedure ProcessData of Module modDataComm on line %1").arg(failingLine));
        QCOMPARE(EntryMessage(lines.at(3)),
                 QStringLiteral("Error 9 (Subscript out of range) in procedure Form_Load of Form frmMain on line %1").arg(indexLine));
        QCOMPARE(EntryMessage(lines.at(4)),
                 QStringLiteral("Error 5 (disk on fire) in procedure Form_Load of Form frmMain on line %1").arg(otherLine));
    }

private:
    std::unique_ptr<TestProgramFolder> folder_;
    std::unique_ptr<ScriptedPrompter> prompter_;
    QString log_;
};

QTEST_GUILESS_MAIN(TestErrorLog)
#include "tst_errorlog.moc"

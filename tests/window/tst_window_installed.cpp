// The configuration program installed: the default data file, Locals.ini,
// the error log and the file dialogs use the user's folders and leave the
// program folder alone; the firmware loader is found beside the program,
// then on the PATH. Also the real program started as an ordinary user.
#include "windowfixture.h"

#include "defaultconfig.h"
#include "loadercommand.h"
#include "errorlog.h"
#include "inifile.h"
#include "scopedenv.h"

#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>

#include <grp.h>
#include <unistd.h>

namespace {
constexpr uid_t kNobody = 65534;
const QString kTitle = QStringLiteral("KV-310 v1.1.24");
const QString kDefaultName = QStringLiteral("Default KV310 File.dtd");

#ifdef Q_OS_WIN
const QString kLoaderName = QStringLiteral("NV_FWLoader.exe");
#else
const QString kLoaderName = QStringLiteral("NV_FWLoader");
#endif

// Makes the window's program run as installed, with the user's folders in home.
UserFolders InstallInto(const WindowFixture& f, const QTemporaryDir& home)
{
    const UserFolders folders{home.filePath(QStringLiteral("config")), home.filePath(QStringLiteral("state")),
                              home.filePath(QStringLiteral("data"))};
    // The program folder is where the package puts the programs.
    PlaceFiles(App(), folders, f.folder.path());
    return folders;
}

// A program that notes its arguments in a file beside it, for a loader.
void WriteLoaderStandIn(const QString& path)
{
    // Shell built-ins only: the tests search an otherwise empty PATH.
    WriteBytes(path, "#!/bin/sh\necho \"$0 $*\" > \"${0%/*}/ran\"\n");
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
}

QString Ran(const QString& folder) { return QString::fromLocal8Bit(ReadBytes(QDir(folder).filePath(QStringLiteral("ran")))).trimmed(); }

QByteArray IniText(const QString& dataFile) { return "[KV310]\r\nLastDTD=" + dataFile.toLocal8Bit() + "\r\n"; }

// Starts the real program with the environment of a fresh user whose home is
// given, as "nobody" when the test runs as root, and returns its caption
// once the window is up.
QString CaptionAsUser(const QString& exe, const QString& home)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_STATE_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR"})
        env.remove(QString::fromLatin1(name));
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("KV310_STARTUP_REPORT"), QStringLiteral("1"));
    p.setProcessEnvironment(env);
    if (geteuid() == 0)
        p.setChildProcessModifier([] {
            if (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0)
                _exit(3);
        });
    p.start(exe, {});
    if (!p.waitForFinished(20000) || p.exitCode() != 0)
        return QStringLiteral("failed: ") + QString::fromLocal8Bit(p.readAllStandardError());
    for (const QByteArray& line : p.readAllStandardOutput().split('\n'))
        if (line.startsWith("caption "))
            return QString::fromLocal8Bit(line.mid(8));
    return QString();
}

// Hands a folder and all in it to "nobody" when the test runs as root.
void GiveToUser(const QString& path)
{
    if (geteuid() != 0)
        return;
    QStringList paths{path};
    QDirIterator it(path, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        paths.append(it.next());
    for (const QString& p : paths)
        QVERIFY2(chown(p.toLocal8Bit().constData(), kNobody, kNobody) == 0, qPrintable(p));
}
} // namespace

class WindowInstalledTest : public QObject {
    Q_OBJECT
private slots:
    void firstStartKeepsTheUsersFilesInTheUsersFolders();
    void dialogsStartInTheDataFolder();
    void theLoaderIsFoundBesideTheProgramThenOnThePath();
    void theRealProgramDecidesAtStartWhereItsFilesAre();
};

void WindowInstalledTest::firstStartKeepsTheUsersFilesInTheUsersFolders()
{
    WindowFixture f;
    QTemporaryDir home;
    const UserFolders user = InstallInto(f, home);
    frmMain& w = f.start();

    const QString defaults = QDir(user.data).filePath(kDefaultName);
    QCOMPARE(ReadBytes(defaults), DefaultConfigBytes());
    QCOMPARE(w.windowTitle(), kTitle + QStringLiteral(" [") + kDefaultName + QStringLiteral("]"));
    QCOMPARE(CurrentFile(), defaults);

    // A data file saved where Save As starts.
    const QString site = QDir(user.data).filePath(QStringLiteral("site.dtd"));
    f.prompter.files = {site};
    w.mnuSaveAs_Click();
    QCOMPARE(f.prompter.dialogs.last().startFolder, user.data);
    QCOMPARE(ReadBytes(site), DefaultConfigBytes());

    LogError(QStringLiteral("Error 5 (Invalid procedure call) in procedure Probe of Module modTest on line 10"));
    QVERIFY(ReadBytes(QDir(user.state).filePath(QStringLiteral("ErrorLog.txt"))).contains("procedure Probe"));

    QVERIFY(w.close());
    QCOMPARE(ReadIniValue(QStringLiteral("KV310"), QStringLiteral("LastDTD"),
                          QDir(user.config).filePath(QStringLiteral("Locals.ini"))),
             site);
    QVERIFY2(QDir(f.folder.path()).isEmpty(), "nothing is written in the program folder");
}

void WindowInstalledTest::dialogsStartInTheDataFolder()
{
    WindowFixture f;
    QTemporaryDir home;
    const UserFolders user = InstallInto(f, home);
    frmMain& w = f.start();
    // Before anything is saved, Save As proposes New.dtd in the data folder.
    SetCurrentFile(QString());
    f.prompter.files = {QString()};
    w.mnuSaveAs_Click();
    QCOMPARE(f.prompter.dialogs.last().startFolder, user.data);
    QCOMPARE(f.prompter.dialogs.last().initialName, QDir(user.data).filePath(QStringLiteral("New.dtd")));
    f.prompter.files = {QString()};
    w.mnuOpen_Click();
    QCOMPARE(f.prompter.dialogs.last().startFolder, user.data);
}

void WindowInstalledTest::theLoaderIsFoundBesideTheProgramThenOnThePath()
{
    WindowFixture f;
    frmMain& w = f.start();
    QTemporaryDir path;
    const ScopedEnv searched("PATH", path.path().toLocal8Bit().constData());
    const QString beside = f.folder.file(kLoaderName);
    const QString onPath = path.filePath(kLoaderName);

    // Nowhere: the command names the one beside (running it tells the user).
    QCOMPARE(FirmwareLoaderCommand(), QStringLiteral("\"") + QDir::toNativeSeparators(beside) + QStringLiteral("\" -KV-310"));

    // On the PATH only (an installed program): that one runs.
    WriteLoaderStandIn(onPath);
    QCOMPARE(FirmwareLoaderCommand(), QStringLiteral("\"") + QDir::toNativeSeparators(onPath) + QStringLiteral("\" -KV-310"));
    w.mnuFWUpdate_Click();
    QCOMPARE(Ran(path.path()), onPath + QStringLiteral(" -KV-310"));

    // Beside the program and on the PATH: the one beside wins.
    WriteLoaderStandIn(beside);
    w.mnuFWUpdate_Click();
    QCOMPARE(Ran(f.folder.path()), beside + QStringLiteral(" -KV-310"));
}

void WindowInstalledTest::theRealProgramDecidesAtStartWhereItsFilesAre()
{
    // One copy of the program in a folder the user may not write (as the
    // package installs it), one in a folder of the user's own; each folder
    // and the user's configuration folder name a different last file.
    QTemporaryDir installed, portable, home;
    for (const QTemporaryDir* dir : {&installed, &portable})
        QVERIFY(QFile::copy(qEnvironmentVariable("KV310_TEST_BIN_DIR") + QStringLiteral("/KV310"),
                            dir->filePath(QStringLiteral("KV310"))));
    const QString userData = home.filePath(QStringLiteral(".local/share/kv310"));
    const QString userConfig = home.filePath(QStringLiteral(".config/kv310"));
    QVERIFY(QDir().mkpath(userData) && QDir().mkpath(userConfig));
    WriteBytes(QDir(userData).filePath(QStringLiteral("mine.dtd")), DefaultConfigBytes());
    WriteBytes(QDir(userConfig).filePath(QStringLiteral("Locals.ini")),
               IniText(QDir(userData).filePath(QStringLiteral("mine.dtd"))));
    for (const QTemporaryDir* dir : {&installed, &portable}) {
        WriteBytes(dir->filePath(QStringLiteral("beside.dtd")), DefaultConfigBytes());
        WriteBytes(dir->filePath(QStringLiteral("Locals.ini")), IniText(dir->filePath(QStringLiteral("beside.dtd"))));
    }
    QVERIFY(QFile::setPermissions(installed.path(), QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup
                                                        | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther));
    GiveToUser(portable.path());
    GiveToUser(home.path());

    QCOMPARE(CaptionAsUser(installed.filePath(QStringLiteral("KV310")), home.path()), kTitle + QStringLiteral(" [mine.dtd]"));
    QCOMPARE(CaptionAsUser(portable.filePath(QStringLiteral("KV310")), home.path()), kTitle + QStringLiteral(" [beside.dtd]"));
}

QTEST_MAIN(WindowInstalledTest)
#include "tst_window_installed.moc"

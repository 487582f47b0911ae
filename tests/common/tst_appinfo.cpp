// Where a program keeps Locals.ini, ErrorLog.txt and the default data file:
// in its own folder when it runs from a folder it may write, in the user's
// folders when it is installed.
#include "appinfo.h"
#include "errorlog.h"
#include "scopedenv.h"
#include "unprivileged.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

namespace {
constexpr uid_t kNobody = 65534;

UserFolders FoldersUnder(const QString& home)
{
    return {home + QStringLiteral("/config/kv310"), home + QStringLiteral("/state/kv310"),
            home + QStringLiteral("/data/kv310")};
}

// One line per answer, so the child of RunUnprivileged can report them.
QByteArray Describe(const AppInfo& info)
{
    QStringList lines{info.installed() ? QStringLiteral("installed") : QStringLiteral("portable"),
                      info.settingsFile(QStringLiteral("Locals.ini")), info.logFile(QStringLiteral("ErrorLog.txt")),
                      info.dataFile(QStringLiteral("Default KV310 File.dtd"))};
    for (const QString& folder : {info.user.config, info.user.state, info.user.data})
        lines.append(QFileInfo(folder).isDir() && QFileInfo(folder).isWritable() ? QStringLiteral("usable")
                                                                                : QStringLiteral("missing"));
    return lines.join(QLatin1Char('\n')).toLocal8Bit();
}
} // namespace

class TestAppInfo : public QObject {
    Q_OBJECT
private slots:
    void aWritableProgramFolderKeepsEverything()
    {
        QTemporaryDir program, home;
        AppInfo info;
        info.folder = program.path();
        PlaceFiles(info, FoldersUnder(home.path()), QStringLiteral("/nonexistent/bin"));
        QVERIFY(!info.installed());
        QCOMPARE(info.settingsFile(QStringLiteral("Locals.ini")), program.filePath(QStringLiteral("Locals.ini")));
        QCOMPARE(info.logFile(QStringLiteral("ErrorLog.txt")), program.filePath(QStringLiteral("ErrorLog.txt")));
        QCOMPARE(info.dataFolder(), program.path());
        QCOMPARE(info.dataFile(QStringLiteral("New.dtd")), program.filePath(QStringLiteral("New.dtd")));
        // The user's folders are left alone.
        QVERIFY(QDir(home.path()).isEmpty());
    }

    void theFolderThePackageInstallsToUsesTheUsersFoldersEvenForRoot()
    {
        QTemporaryDir program, home;
        AppInfo info;
        info.folder = program.path() + QStringLiteral("/.");   // another spelling of the same folder
        PlaceFiles(info, FoldersUnder(home.path()), program.path());
        QVERIFY(info.installed());
        const UserFolders expected = FoldersUnder(home.path());
        QCOMPARE(info.settingsFile(QStringLiteral("Locals.ini")), expected.config + QStringLiteral("/Locals.ini"));
        QCOMPARE(info.logFile(QStringLiteral("ErrorLog.txt")), expected.state + QStringLiteral("/ErrorLog.txt"));
        QCOMPARE(info.dataFolder(), expected.data);
        // Created, and private to the user.
        for (const QString& folder : {expected.config, expected.state, expected.data}) {
            QVERIFY2(QFileInfo(folder).isDir(), qPrintable(folder));
            QCOMPARE(QFileInfo(folder).permissions() & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteOther),
                     QFile::Permissions());
        }
        // The error log follows.
        App() = info;
        QCOMPARE(ErrorLogPath(), expected.state + QStringLiteral("/ErrorLog.txt"));
        App() = AppInfo{};
    }

    void aFolderTheUserMayNotWriteUsesTheUsersFolders()
    {
        QTemporaryDir program, home;
        QVERIFY(QFile::setPermissions(program.path(), QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup
                                                          | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther));
        // The user's home is theirs (when the test runs as root, "nobody"'s).
        if (geteuid() == 0)
            QVERIFY(chown(home.path().toLocal8Bit().constData(), kNobody, kNobody) == 0);
        const auto seen = RunUnprivileged([&] {
            AppInfo info;
            info.folder = program.path();
            PlaceFiles(info, FoldersUnder(home.path()), QStringLiteral("/nonexistent/bin"));
            return Describe(info);
        });
        QVERIFY2(seen, "the check as an ordinary user did not run");
        const UserFolders expected = FoldersUnder(home.path());
        const QList<QByteArray> lines = seen->split('\n');
        QCOMPARE(lines.value(0), QByteArray("installed"));
        QCOMPARE(lines.value(1), (expected.config + QStringLiteral("/Locals.ini")).toLocal8Bit());
        QCOMPARE(lines.value(2), (expected.state + QStringLiteral("/ErrorLog.txt")).toLocal8Bit());
        QCOMPARE(lines.value(3), (expected.data + QStringLiteral("/Default KV310 File.dtd")).toLocal8Bit());
        QCOMPARE(lines.mid(4), QList<QByteArray>({"usable", "usable", "usable"}));
        QVERIFY(QDir(program.path()).isEmpty());
    }

    void theUsersFoldersFollowTheDesktopsSettings()
    {
        QTemporaryDir home;
        const QByteArray base = home.path().toLocal8Bit();
        {
            const ScopedEnv config("XDG_CONFIG_HOME", base + "/cfg");
            const ScopedEnv state("XDG_STATE_HOME", base + "/st");
            const ScopedEnv data("XDG_DATA_HOME", base + "/dat");
            const UserFolders folders = StandardUserFolders();
            QCOMPARE(folders.config, home.path() + QStringLiteral("/cfg/kv310"));
            QCOMPARE(folders.state, home.path() + QStringLiteral("/st/kv310"));
            QCOMPARE(folders.data, home.path() + QStringLiteral("/dat/kv310"));
        }
        {
            // Unset, or not an absolute path: the usual places in the home folder.
            const ScopedEnv homeVar("HOME", base.constData());
            const ScopedEnv config("XDG_CONFIG_HOME", nullptr);
            const ScopedEnv state("XDG_STATE_HOME", "relative/state");
            const ScopedEnv data("XDG_DATA_HOME", nullptr);
            const UserFolders folders = StandardUserFolders();
            QCOMPARE(folders.config, home.path() + QStringLiteral("/.config/kv310"));
            QCOMPARE(folders.state, home.path() + QStringLiteral("/.local/state/kv310"));
            QCOMPARE(folders.data, home.path() + QStringLiteral("/.local/share/kv310"));
        }
    }
};

QTEST_GUILESS_MAIN(TestAppInfo)
#include "tst_appinfo.moc"

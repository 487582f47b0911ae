// The firmware file cipher and header: known answers computed here
// independently of the code under test, and the checks that reject files.
#include "dffloader.h"
#include "dffmaker.h"
#include "hexfixture.h"
#include "keystem.h"
#include "md5cipher.h"
#include "runtimeerror.h"
#include "scratchfile.h"
#include "scriptedprompter.h"
#include "testfolder.h"
#include "unprivileged.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace fixture;

namespace {

constexpr uid_t kNobody = 65534;

QByteArray Md5(const QByteArray& b) { return QCryptographicHash::hash(b, QCryptographicHash::Md5); }

} // namespace

class TestFwCipher : public QObject {
    Q_OBJECT
private slots:
    void keyAndDigest();
    void versionFieldsAsTyped();
    void fileLayoutKnownAnswer();
    void decipherRoundTripAndProgress();
    void wrongKeyOrVersionRejected();
    void shortFilesDoNotCrash();
    void scratchFileRemovedOnEveryPath();
    void plantedScratchFileIsNeitherFollowedNorShared();
    void unusableFileNamesTheCause();
    void installedProgramDeciphersIntoAPrivateTemporaryFile();
};

void TestFwCipher::keyAndDigest()
{
    QCOMPARE(QByteArray(KeyStem).size(), 7);
    for (char c : QByteArray(KeyStem))
        QVERIFY(c >= 'a' && c <= 'z');
    QCOMPARE(DffKey(2, 15), QByteArray(KeyStem) + "2.15");
    QCOMPARE(DffKey(0, 0), QByteArray(KeyStem) + "0.0");
    // RFC 1321 test vectors.
    QCOMPARE(MD5Digest("").toHex(), QByteArray("d41d8cd98f00b204e9800998ecf8427e"));
    QCOMPARE(MD5Digest("abc").toHex(), QByteArray("900150983cd24fb0d6963f7d28e17f72"));
    QCOMPARE(XorStrings("\x0f\xf0", "\xff\xff"), QByteArray("\xf0\x0f"));
    QCOMPARE(XorStrings("ab", "abc"), QByteArray());
}

// The maker's version boxes: the whole part of the leading number; one
// outside 0-255 is an overflow.
void TestFwCipher::versionFieldsAsTyped()
{
    QCOMPARE(VersionFieldByte(QStringLiteral("15")), uint8_t(15));
    QCOMPARE(VersionFieldByte(QStringLiteral(" 2b")), uint8_t(2));
    QCOMPARE(VersionFieldByte(QStringLiteral("2.9")), uint8_t(2));
    QCOMPARE(VersionFieldByte(QStringLiteral("x")), uint8_t(0));
    QCOMPARE(VersionFieldByte(QStringLiteral("255")), uint8_t(255));
    for (const char* text : {"256", "-1", "1e3"}) {
        try {
            VersionFieldByte(QString::fromLatin1(text));
            QFAIL(text);
        } catch (const RuntimeError& e) {
            QCOMPARE(e.number(), 6);
        }
    }
}

void TestFwCipher::fileLayoutKnownAnswer()
{
    TestProgramFolder folder;
    const QByteArray plain = "0123456789ABCDEFG";   // 17 bytes: two key blocks
    const int32_t salt = 0x01020304;
    const DffHeader header = Kv310Header(2, 15, 3);
    const QString dff = folder.file("k.dff");
    QVERIFY(WriteDff(dff, header, plain, salt));
    const QByteArray file = ReadFile(dff);
    QCOMPARE(file.size(), 38 + 17);

    QCOMPARE(file.left(8), QByteArray("KV310   "));
    QCOMPARE(uint8_t(file[8]), uint8_t(2));
    QCOMPARE(uint8_t(file[9]), uint8_t(15));
    QCOMPARE(uint8_t(file[10]), uint8_t(3));
    QCOMPARE(file.mid(11, 7), QByteArray(7, '\0'));
    QCOMPARE(file.mid(18, 4), QByteArray("\x04\x03\x02\x01", 4));   // little-endian salt

    const QByteArray key = QByteArray(KeyStem) + "2.15";
    QCOMPARE(file.mid(22, 16), Md5(key + "?16909060"));
    // Counter starts at the complement of the salt: -16909061, then -16909060.
    const QByteArray block0 = Md5(key + "?-16909061");
    const QByteArray block1 = Md5(key + "?-16909060");
    QByteArray expected;
    for (int j = 0; j < 17; ++j)
        expected.append(char(plain[j] ^ (j < 16 ? block0[j] : block1[j - 16])));
    QCOMPARE(file.mid(38), expected);
}

void TestFwCipher::decipherRoundTripAndProgress()
{
    TestProgramFolder folder;
    QByteArray plain;
    for (int i = 0; i < 200000; ++i)
        plain.append(char(i * 7));
    const QString src = folder.file("big.bin");
    QVERIFY(WriteFile(src, plain));
    const QByteArray key = DffKey(1, 2);
    QList<double> reported;
    const CipherProgress progress = [&](double f) { reported.append(f); };
    QVERIFY(EncMD5(src, folder.file("big.dff"), key, Kv310Header(1, 2), progress));
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    QVERIFY(DecMD5(folder.file("big.dff"), out, key, progress));
    QCOMPARE(out.data(), plain);
    // Throttled: a handful of reports, ending at 1, not one per block.
    QVERIFY(!reported.isEmpty());
    QVERIFY(reported.size() < 100);
    QCOMPARE(reported.last(), 1.0);
    // Two files from one source differ by their salt.
    QVERIFY(EncMD5(src, folder.file("big2.dff"), key, Kv310Header(1, 2)));
    QVERIFY(ReadFile(folder.file("big.dff")) != ReadFile(folder.file("big2.dff")));
}

void TestFwCipher::wrongKeyOrVersionRejected()
{
    TestProgramFolder folder;
    const QString dff = folder.file("v.dff");
    QVERIFY(WriteDff(dff, Kv310Header(2, 15), HexEnd()));
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    QVERIFY(!DecMD5(dff, out, QByteArray("abcdefg2.15")));
    QVERIFY(out.data().isEmpty());

    QByteArray file = ReadFile(dff);
    file[9] = char(16);   // Minor 15 -> 16
    const QString changed = folder.file("changed.dff");
    QVERIFY(WriteFile(changed, file));

    ScriptedPrompter prompts;
    prompts.answers = {MsgAnswer::Yes, MsgAnswer::Yes};
    DffHeader header;
    FirmwareImage image;
    LineSettings settings;
    QVERIFY(LoadDFFFile(dff, &header, &image, &settings));
    QVERIFY(image.loaded());
    QCOMPARE(settings.text(), QStringLiteral("9600,n,8,1"));
    QCOMPARE(prompts.shown.first().text,
             QStringLiteral("Firmware file for KV310 detected:\r\n\r\nVersion 2.15 for "
                            "PIC16F876A/877A\r\n\r\nDo you want to continue?"));
    QCOMPARE(prompts.shown.first().icon, MsgIcon::Question);

    QVERIFY(!LoadDFFFile(changed, &header, &image, &settings));
    QVERIFY(!image.loaded());
    QCOMPARE(prompts.shown.last().text,
             QStringLiteral("Invalid DFF file.  Please obtain the latest KV310 software and DFF files."));
    QCOMPARE(prompts.shown.last().icon, MsgIcon::Critical);
    QCOMPARE(header.Minor, uint8_t(16));   // the header of the last file read stays
}

void TestFwCipher::shortFilesDoNotCrash()
{
    TestProgramFolder folder;
    ScriptedPrompter prompts;
    prompts.defaultAnswer = MsgAnswer::Yes;
    DffHeader header;
    FirmwareImage image;
    LineSettings settings;
    LineSettings::parse(QStringLiteral("1200,n,8,1"), &settings);

    // Exactly 38 bytes: a valid check block and no text, so no end record.
    const QString empty = folder.file("empty.dff");
    QVERIFY(WriteDff(empty, DffHeader::forModel(QStringLiteral("RQ4"), 1, 0, 4), QByteArray()));
    QCOMPARE(ReadFile(empty).size(), 38);
    QVERIFY(!LoadDFFFile(empty, &header, &image, &settings));
    QCOMPARE(prompts.shown.size(), 1);    // only the confirmation
    QCOMPARE(settings.text(), QStringLiteral("1200,n,8,1"));   // RQ4 keeps the settings

    for (int size : {0, 5, 18, 30, 37}) {
        const QString path = folder.file(QStringLiteral("short%1.dff").arg(size));
        QVERIFY(WriteFile(path, ReadFile(empty).left(size)));
        prompts.shown.clear();
        QVERIFY(!LoadDFFFile(path, &header, &image, &settings));
        QCOMPARE(prompts.shown.size(), 2);
        QVERIFY(prompts.shown.last().text.startsWith(QStringLiteral("Invalid DFF file.")));
    }
    QVERIFY(!LoadDFFFile(QString(), &header, &image, &settings));
}

void TestFwCipher::scratchFileRemovedOnEveryPath()
{
    TestProgramFolder folder;
    const QString leftover = ScratchFile::programFolderPath();
    QCOMPARE(leftover, folder.file("FWValidate"));
    const QString dff = folder.file("ok.dff");
    QVERIFY(WriteDff(dff, Kv310Header(), DataRecords(0, "\x01\x02") + HexEnd()));
    ScriptedPrompter prompts;
    DffHeader header;
    FirmwareImage image;
    LineSettings settings;

    // "No" removes a file left by an earlier run.
    QVERIFY(WriteFile(leftover, "stale"));
    prompts.answers = {MsgAnswer::No};
    QVERIFY(!LoadDFFFile(dff, &header, &image, &settings));
    QVERIFY(!QFile::exists(leftover));

    // While the text is deciphered it has no name anyone could open, and the
    // file holding it is private; a stale one is gone before the load starts.
    QVERIFY(WriteFile(leftover, "stale"));
    QStringList seenDuringLoad;
    bool privateWhileLoading = false;
    const CipherProgress peek = [&](double) {
        seenDuringLoad = QDir(folder.path()).entryList(QDir::Files | QDir::System);
        const QDir fds(QStringLiteral("/proc/self/fd"));
        for (const QString& fd : fds.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
            const QByteArray path = QFile::encodeName(fds.filePath(fd));
            char target[4096];
            const ssize_t n = ::readlink(path.constData(), target, sizeof target);
            struct stat st {};
            if (n > 0 && QByteArray(target, n).contains("FWValidate") && ::stat(path.constData(), &st) == 0)
                privateWhileLoading = (st.st_mode & 0777) == 0600 && st.st_nlink == 0;
        }
    };
    prompts.answers = {MsgAnswer::Yes};
    QVERIFY(LoadDFFFile(dff, &header, &image, &settings, peek));
    QCOMPARE(seenDuringLoad, QStringList{"ok.dff"});
    QVERIFY(privateWhileLoading);
    QVERIFY(!QFile::exists(leftover));

    // A program folder that cannot be written: the temp folder is used, and
    // nothing stays there either.
    App().folder = folder.file("missing/sub");
    {
        ScratchFile scratch;
        QVERIFY(scratch.isOpen());
        QCOMPARE(scratch.file().write("text"), qint64(4));
    }
    prompts.answers = {MsgAnswer::Yes};
    QVERIFY(LoadDFFFile(dff, &header, &image, &settings));
    const QDir temp = QDir::temp();
    QVERIFY(temp.entryList({QStringLiteral("FWValidate*")}, QDir::Files | QDir::System).isEmpty());
}

// Another user who may write the program folder plants "FWValidate": a
// link to the loading user's file, or a file of their own with a second
// name to read the deciphered text through. The load as an ordinary user
// must neither write the victim's file nor put the text into theirs.
void TestFwCipher::plantedScratchFileIsNeitherFollowedNorShared()
{
    if (::geteuid() != 0)
        QSKIP("needs root to set up files of two users");
    constexpr uid_t kAttacker = 4242;
    const QByteArray hex = DataRecords(0, "\x01\x02") + HexEnd();
    for (const mode_t folderMode : {mode_t(0777), mode_t(01777)}) {
        TestProgramFolder folder;
        QCOMPARE(::chmod(QFile::encodeName(folder.path()).constData(), folderMode), 0);
        const QString dff = folder.file("ok.dff");
        QVERIFY(WriteDff(dff, Kv310Header(), hex));
        const QString victim = folder.file("victim.txt");
        QVERIFY(WriteFile(victim, "victim's own"));
        QCOMPARE(::chown(QFile::encodeName(victim).constData(), kNobody, kNobody), 0);
        const QString planted = ScratchFile::programFolderPath();

        for (bool asLink : {true, false}) {
            const QString spy = folder.file("spy");
            QFile::remove(planted);
            QFile::remove(spy);
            if (asLink) {
                QVERIFY(QFile::link(victim, planted));
                QCOMPARE(::lchown(QFile::encodeName(planted).constData(), kAttacker, kAttacker), 0);
            } else {
                QVERIFY(WriteFile(planted, "trap"));
                QCOMPARE(::chown(QFile::encodeName(planted).constData(), kAttacker, kAttacker), 0);
                QCOMPARE(::chmod(QFile::encodeName(planted).constData(), 0666), 0);
                QCOMPARE(::link(QFile::encodeName(planted).constData(), QFile::encodeName(spy).constData()), 0);
            }
            const auto loaded = RunUnprivileged([&] {
                DffHeader header;
                QString error;
                FirmwareImage image;
                return QByteArray(ReadDffHeader(dff, &header, &error) && LoadDffImage(dff, header, &image).ok()
                                      ? "loaded" : "failed");
            });
            QCOMPARE(loaded.value_or("no child"), QByteArray("loaded"));
            QCOMPARE(ReadFile(victim), QByteArray("victim's own"));
            if (!asLink)
                QCOMPARE(ReadFile(spy), QByteArray("trap"));
        }
    }
}

// The message says why a file cannot be used: permission (as an ordinary
// user), a FIFO (refused without waiting for a writer), a huge file.
void TestFwCipher::unusableFileNamesTheCause()
{
    TestProgramFolder folder;
    QCOMPARE(::chmod(QFile::encodeName(folder.path()).constData(), 0755), 0);
    const QString secret = folder.file("secret.dff");
    QVERIFY(WriteDff(secret, Kv310Header(), HexEnd()));
    QVERIFY(QFile::setPermissions(secret, QFile::ReadOwner | QFile::WriteOwner));
    const QString fifo = folder.file("fifo.dff");
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0666), 0);
    const QString huge = folder.file("huge.dff");
    QVERIFY(WriteFile(huge, ""));
    QVERIFY(QFile(huge).resize(kMaxDffFileBytes + 1));

    const auto messageFor = [](const QString& path) {
        ScriptedPrompter prompts;
        prompts.defaultAnswer = MsgAnswer::Yes;
        DffHeader header;
        FirmwareImage image;
        LineSettings settings;
        const bool loaded = LoadDFFFile(path, &header, &image, &settings);
        return loaded || prompts.shown.size() != 1 ? QString("loaded or asked") : prompts.shown.first().text;
    };
    const auto asUser = RunUnprivileged([&] { return messageFor(secret).toUtf8(); });
    if (::geteuid() == 0)
        QCOMPARE(asUser.value_or("no child"), QByteArray("Unable to access the DFF file. Permission denied"));
    QCOMPARE(messageFor(fifo), QStringLiteral("Unable to access the DFF file. It is not a regular file."));
    QCOMPARE(messageFor(huge),
             QStringLiteral("Unable to access the DFF file. The file is larger than %1 bytes.").arg(kMaxDffFileBytes));
}

void TestFwCipher::installedProgramDeciphersIntoAPrivateTemporaryFile()
{
    // The program folder can be written (root may write /usr/bin), but an
    // installed program keeps deciphered firmware out of it.
    TestProgramFolder folder;
    QTemporaryDir home;
    PlaceFiles(App(), {home.filePath("config"), home.filePath("state"), home.filePath("data")}, folder.path());
    QVERIFY(App().installed());
    ScratchFile scratch;
    QVERIFY(scratch.isOpen());
    // The file has no name left; where it was made shows through its descriptor.
    const QByteArray descriptor = "/proc/self/fd/" + QByteArray::number(scratch.file().handle());
    char target[4096];
    const ssize_t n = ::readlink(descriptor.constData(), target, sizeof target);
    QVERIFY(n > 0);
    const QString madeAt = QFile::decodeName(QByteArray(target, n));
    QVERIFY2(madeAt.startsWith(QDir::temp().filePath(QStringLiteral("FWValidate-"))), qPrintable(madeAt));
    QVERIFY(QDir(folder.path()).isEmpty());
}

QTEST_GUILESS_MAIN(TestFwCipher)
#include "tst_fwcipher.moc"

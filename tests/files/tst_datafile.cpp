#include "datafile.h"
#include "defaultconfig.h"
#include "filebytes.h"
#include "scriptedprompter.h"
#include "unprivileged.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <sys/mount.h>
#include <sys/stat.h>

namespace {

// One record framed by hand, independent of WriteRecord.
QByteArray record(const QByteArray& body)
{
    const int stored = int(body.size()) - 1;
    return QByteArray(1, char(stored & 0xFF)) + char(stored >> 8) + body;
}

QList<QByteArray> splitRecords(const QByteArray& data)
{
    QList<QByteArray> records;
    qsizetype pos = 0;
    while (pos < data.size()) {
        const qsizetype len = uint8_t(data[pos]) + 256 * uint8_t(data[pos + 1]) + 1;
        records.append(data.mid(pos, 2 + len));
        pos += 2 + len;
    }
    return records;
}

// A configuration with a distinct value in every field, zero bytes and
// high bytes included, unlike the defaults.
UnitConfig busyConfig()
{
    UnitConfig c;
    for (int i = 0; i < kSlotCount; ++i) {
        c.SeqStartAddrHB[i] = uint8_t(200 + i);
        c.SeqStartAddrLB[i] = uint8_t(3 * i);
        c.SeqContentsLen[i] = uint8_t(i % 16);
        QByteArray actions;
        for (int k = 0; k < i * 2 + 1 && k < kMaxSeqBytes; ++k)
            actions.append(char((k * 37 + i) % 255));   // never the 0xFF pad
        c.SeqContents[i] = actions;
        c.SeqLabelLen[i] = uint8_t(i % 4);
        c.SeqLabelNum[i] = uint8_t(63 - i);
        c.SeqLabel[i] = QByteArray("Q7Z").left(i % 4);
        c.ASCIIStrings[i] = QByteArray("x\0y\xE9", 4).repeated(i % 5);
    }
    c.ASCIIFlagChar = '#';
    c.Settings = {0xA5, 0x03};
    c.PassWord = "*0#9";
    c.Rings = 9;
    c.PrefixChar = '*';
    c.DTMFOutDur = 255;
    c.InactivityDur = 0;
    c.DisconnectInfo = 0x85;
    c.ExtStatInfo = 0x13;
    c.PWRONInfo = 0x80;
    return c;
}


void checkInvariants(const UnitConfig& c)
{
    for (int i = 0; i < kSlotCount; ++i) {
        QVERIFY(c.SeqContents[i].size() <= kMaxSeqBytes);
        QVERIFY(c.SeqLabel[i].size() <= kMaxLabelLen);
        QCOMPARE(c.SeqLabel[i], c.SeqLabel[i].toUpper());
        QVERIFY(c.ASCIIStrings[i].size() <= 255);
    }
    QCOMPARE(c.PassWord.size(), 4);
}

constexpr QFile::Permissions kReadOnlyDir =
    QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther
    | QFile::ExeOther;
constexpr QFile::Permissions kOpenDir = kReadOnlyDir | QFile::WriteOwner | QFile::WriteGroup
                                        | QFile::WriteOther;
constexpr QFile::Permissions kReadOnlyFile = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;

} // namespace

class TestDataFile : public QObject {
    Q_OBJECT

private slots:
    void framing()
    {
        QByteArray out;
        WriteRecord("A", out);
        WriteRecord(QByteArray(256, 'b'), out);
        WriteRecord(QByteArray(65536, 'c'), out);
        QCOMPARE(out.left(3), QByteArray("\x00\x00" "A", 3));
        QCOMPARE(out.mid(3, 2), QByteArray("\xFF\x00", 2));
        QCOMPARE(out.mid(3 + 2 + 256, 2), QByteArray("\xFF\xFF", 2));

        qsizetype pos = 0;
        QByteArray body;
        QVERIFY(ReadRecord(out, pos, body));
        QCOMPARE(body, QByteArray("A"));
        QVERIFY(ReadRecord(out, pos, body));
        QCOMPARE(body, QByteArray(256, 'b'));
        QVERIFY(ReadRecord(out, pos, body));
        QCOMPARE(body.size(), 65536);
        QCOMPARE(pos, out.size());

        // Cut records leave the position where it was.
        const QByteArray cut = out.left(3 + 2 + 255);
        pos = 3;
        QVERIFY(!ReadRecord(cut, pos, body));
        QCOMPARE(pos, 3);
        pos = 0;
        QVERIFY(!ReadRecord(QByteArray(1, '\0'), pos, body));
    }

    void roundTripOnDisk()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("busy.dtd");
        const UnitConfig saved = busyConfig();
        QVERIFY(ExportKV310File(path, saved));
        QCOMPARE(ReadBytes(path), ExportKV310Bytes(saved));

        UnitConfig loaded = DefaultConfig();
        QVERIFY(ImportKV310File(path, loaded));
        QVERIFY(loaded == saved);
        QVERIFY(QDir(dir.path()).entryList(QDir::Files) == QStringList{"busy.dtd"});
    }

    void anyOrderAndUnknownSectionsLoadTheSame()
    {
        const UnitConfig saved = busyConfig();
        const QList<QByteArray> records = splitRecords(ExportKV310Bytes(saved));
        QCOMPARE(records.size(), 17);
        QByteArray shuffled;
        for (qsizetype i = records.size() - 1; i >= 0; --i) {
            shuffled += records[i];
            if (i == 10) {
                shuffled += record("[Unknown]\x07");
                shuffled += record("[rings]\x07");          // names are case-sensitive
                shuffled += record(QByteArray("\0", 1));    // the ignored filler record
                shuffled += record("no name at all");
                shuffled += record("[never closed");
            }
        }
        UnitConfig loaded = DefaultConfig();
        QVERIFY(ImportKV310Bytes(shuffled, loaded));
        QVERIFY(loaded == saved);
    }

    void laterRecordWins()
    {
        UnitConfig c;
        QVERIFY(ImportKV310Bytes(record("[Rings]\x02") + record("[Rings]\x05"), c));
        QCOMPARE(int(c.Rings), 5);
    }

    void onlyRingsChangesOnlyRings()
    {
        UnitConfig c = DefaultConfig();
        UnitConfig expected = c;
        expected.Rings = 7;
        QVERIFY(ImportKV310Bytes(record("[Rings]\x07"), c));
        QVERIFY(c == expected);
        QVERIFY(ImportKV310Bytes(QByteArray(), c));   // an empty file changes nothing
        QVERIFY(c == expected);
    }

    void singleByteSectionsOfWrongLengthTakeDefaults_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<int>("fallback");
        QTest::newRow("Rings") << QByteArray("[Rings]") << 1;
        QTest::newRow("PrefixChar") << QByteArray("[PrefixChar]") << int('E');
        QTest::newRow("DTMFOutDur") << QByteArray("[DTMFOutDur]") << 5;
        QTest::newRow("InactivityDur") << QByteArray("[InactivityDur]") << 3;
        QTest::newRow("DisconnectInfo") << QByteArray("[DisconnectInfo]") << 0;
        QTest::newRow("ExtStatInfo") << QByteArray("[ExtStatInfo]") << 0;
        QTest::newRow("PWRONInfo") << QByteArray("[PWRONInfo]") << 0;
    }
    void singleByteSectionsOfWrongLengthTakeDefaults()
    {
        QFETCH(QByteArray, name);
        QFETCH(int, fallback);
        const auto value = [&](const UnitConfig& c) {
            const QList<double> all = {double(c.Rings),          double(c.PrefixChar),
                                       c.DTMFOutDur,             double(c.InactivityDur),
                                       double(c.DisconnectInfo), double(c.ExtStatInfo),
                                       double(c.PWRONInfo)};
            const QByteArrayList names = {"[Rings]",          "[PrefixChar]",  "[DTMFOutDur]",
                                          "[InactivityDur]",  "[DisconnectInfo]",
                                          "[ExtStatInfo]",    "[PWRONInfo]"};
            return all[names.indexOf(name)];
        };
        for (const QByteArray& payload : {QByteArray(), QByteArray("\x63\x63")}) {
            UnitConfig c = busyConfig();
            c.Rings = c.PrefixChar = c.InactivityDur = c.DisconnectInfo = c.ExtStatInfo =
                c.PWRONInfo = 99;
            c.DTMFOutDur = 99;
            QVERIFY(ImportKV310Bytes(record(name + payload), c));
            QCOMPARE(value(c), double(fallback));
        }
        UnitConfig c;
        QVERIFY(ImportKV310Bytes(record(name + "\x2A"), c));
        QCOMPARE(value(c), 42.0);
    }

    void shortSeqContentsReplacesWholeFieldsOnly()
    {
        UnitConfig c = busyConfig();
        const UnitConfig before = c;
        QByteArray fields = QByteArray("\x01\x02") + QByteArray(46, '\xFF');
        fields += QByteArray(48, '\x05');
        fields += QByteArray(4, '\x09');   // a partial third field
        QCOMPARE(fields.size(), 100);
        QVERIFY(ImportKV310Bytes(record("[SeqContents]\x30\xFF" + fields), c));
        QCOMPARE(c.SeqContents[0], QByteArray("\x01\x02"));
        QCOMPARE(c.SeqContents[1], QByteArray(48, '\x05'));
        for (int i = 2; i < kSlotCount; ++i)
            QCOMPARE(c.SeqContents[i], before.SeqContents[i]);
    }

    void fixedWidthFieldsFollowTheirHeader()
    {
        UnitConfig c = busyConfig();
        const UnitConfig before = c;
        // Another pad byte: zeros are stripped, 0xFF kept.
        QVERIFY(ImportKV310Bytes(record(QByteArray("[SeqLabel]\x02\x00" "a\xFF" "b\x00", 16)), c));
        QCOMPARE(c.SeqLabel[0], QByteArray("A\xFF"));
        QCOMPARE(c.SeqLabel[1], QByteArray("B"));
        QCOMPARE(c.SeqLabel[2], before.SeqLabel[2]);

        // Zero width holds nothing; too wide a field is cut to what the model keeps.
        c = before;
        QVERIFY(ImportKV310Bytes(record(QByteArray("[SeqContents]\x00\xFF" "abc", 18)), c));
        QVERIFY(c == before);
        QVERIFY(ImportKV310Bytes(record("[SeqLabel]\x05\xFF" "abcde" "fg\xFF\xFF\xFF"), c));
        QCOMPARE(c.SeqLabel[0], QByteArray("ABC"));
        QCOMPARE(c.SeqLabel[1], QByteArray("FG"));
        QByteArray wide = "[SeqContents]\x40\xFF" + QByteArray(64, '\x11');
        QVERIFY(ImportKV310Bytes(record(wide), c));
        QCOMPARE(c.SeqContents[0], QByteArray(48, '\x11'));
    }

    void trailingPadBytesAreStripped()
    {
        UnitConfig c = busyConfig();
        c.SeqContents[3] = QByteArray("\x04\x02\xFF", 3);   // a write leaves one 0xFF behind
        UnitConfig loaded;
        QVERIFY(ImportKV310Bytes(ExportKV310Bytes(c), loaded));
        QCOMPARE(loaded.SeqContents[3], QByteArray("\x04\x02"));
    }

    void labelsAreUpperCase()
    {
        UnitConfig c;
        c.SeqLabel[0] = "ab";
        const QByteArray bytes = ExportKV310Bytes(c);
        QVERIFY(bytes.contains(QByteArray("[SeqLabel]\x03\xFF" "AB\xFF")));
        UnitConfig loaded;
        QVERIFY(ImportKV310Bytes(bytes, loaded));
        QCOMPARE(loaded.SeqLabel[0], QByteArray("AB"));
    }

    void asciiStrings()
    {
        UnitConfig c = busyConfig();
        c.ASCIIStrings[0] = QByteArray();
        c.ASCIIStrings[1] = "[ASCIIStrings]";   // spells the section name: still data
        const QByteArray bytes = ExportKV310Bytes(c);
        QVERIFY(bytes.contains(QByteArray("[ASCIIStrings]#\x00\x0E[ASCIIStrings]", 31)));
        UnitConfig loaded;
        QVERIFY(ImportKV310Bytes(bytes, loaded));
        QCOMPARE(loaded.ASCIIStrings[0], QByteArray());
        QCOMPARE(loaded.ASCIIStrings[1], QByteArray("[ASCIIStrings]"));
        QVERIFY(loaded == c);

        // A string cut off by the record's end is what is left, and ends the section.
        UnitConfig cut = busyConfig();
        const UnitConfig before = cut;
        QVERIFY(ImportKV310Bytes(record("[ASCIIStrings]/\x03" "abc\x05" "de"), cut));
        QCOMPARE(int(cut.ASCIIFlagChar), int('/'));
        QCOMPARE(cut.ASCIIStrings[0], QByteArray("abc"));
        QCOMPARE(cut.ASCIIStrings[1], QByteArray("de"));
        for (int i = 2; i < kSlotCount; ++i)
            QCOMPARE(cut.ASCIIStrings[i], before.ASCIIStrings[i]);

        // Two payload bytes are too few to mean anything.
        QVERIFY(ImportKV310Bytes(record(QByteArray("[ASCIIStrings]/\x00", 16)), cut));
        QCOMPARE(cut.ASCIIStrings[0], QByteArray("abc"));

        // Longer than a length byte can say: cut so the record stays readable.
        UnitConfig longOne;
        longOne.ASCIIStrings[0] = QByteArray(300, 'L');
        longOne.ASCIIStrings[1] = "next";
        QVERIFY(ImportKV310Bytes(ExportKV310Bytes(longOne), loaded));
        QCOMPARE(loaded.ASCIIStrings[0], QByteArray(255, 'L'));
        QCOMPARE(loaded.ASCIIStrings[1], QByteArray("next"));
    }

    void passWordIsFourCharacters()
    {
        UnitConfig c;
        c.PassWord = "12";
        QVERIFY(ExportKV310Bytes(c).contains("[PassWord]12  "));
        QVERIFY(ImportKV310Bytes(record("[PassWord]123456"), c));
        QCOMPARE(c.PassWord, QByteArray("1234"));
        QVERIFY(ImportKV310Bytes(record("[PassWord]9"), c));
        QCOMPARE(c.PassWord, QByteArray("9   "));
    }

    void durationIsRoundedToWholeSteps_data()
    {
        QTest::addColumn<double>("steps");
        QTest::addColumn<int>("stored");
        QTest::newRow("2.5") << 2.5 << 2;
        QTest::newRow("3.5") << 3.5 << 4;
        QTest::newRow("2.6") << 2.6 << 3;
        QTest::newRow("254.5") << 254.5 << 254;
        QTest::newRow("above range") << 300.0 << 255;
        QTest::newRow("negative") << -1.0 << 0;
    }
    void durationIsRoundedToWholeSteps()
    {
        QFETCH(double, steps);
        QFETCH(int, stored);
        UnitConfig c;
        c.DTMFOutDur = steps;
        QVERIFY(ExportKV310Bytes(c).contains("[DTMFOutDur]" + QByteArray(1, char(stored))));
    }

    void shorterSaveLeavesNothingOfTheOldFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("shrink.dtd");
        UnitConfig c = DefaultConfig();
        for (QByteArray& s : c.ASCIIStrings)
            s = QByteArray(200, 's');
        QVERIFY(ExportKV310File(path, c));
        const qint64 longSize = QFileInfo(path).size();
        c = DefaultConfig();
        QVERIFY(ExportKV310File(path, c));
        QVERIFY(QFileInfo(path).size() < longSize);
        QCOMPARE(ReadBytes(path), DefaultConfigBytes());
    }

    void damagedFileIsRefusedWhole()
    {
        ScriptedPrompter prompts;
        QTemporaryDir dir;
        const QString path = dir.filePath("cut.dtd");
        const QByteArray good = ExportKV310Bytes(busyConfig());
        for (const QByteArray& bad : {good.left(good.size() - 1), good + '\x05'}) {
            WriteBytes(path, bad);
            UnitConfig c = DefaultConfig();
            QVERIFY(!ImportKV310File(path, c));
            QVERIFY(c == DefaultConfig());
        }
        QCOMPARE(prompts.texts(),
                 QStringList(2, "Unable to load " + path + ". The file is damaged or incomplete."));
        QCOMPARE(prompts.shown[0].icon, MsgIcon::Critical);

        // A device that never ends, a FIFO that would block and a huge
        // (sparse) file are refused at once, unread.
        const QString fifo = dir.filePath("fifo.dtd");
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        const QString huge = dir.filePath("huge.dtd");
        {
            QFile f(huge);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.resize(qint64(1) << 32));
        }
        UnitConfig c = DefaultConfig();
        QVERIFY(!ImportKV310File("/dev/zero", c));
        QVERIFY(!ImportKV310File(fifo, c));
        QVERIFY(!ImportKV310File(huge, c));
        QVERIFY(c == DefaultConfig());
        QCOMPARE(prompts.texts().mid(2),
                 (QStringList{"Unable to load /dev/zero. It is not a regular file.",
                              "Unable to load " + fifo + ". It is not a regular file.",
                              "Unable to load " + huge + ". The file is larger than 16777216 bytes."}));
    }

    void randomGarbageNeverCrashes()
    {
        QRandomGenerator rng(310);
        const QByteArrayList names = {"[SeqStartAddrHB]", "[SeqContents]", "[SeqLabel]",
                                      "[ASCIIStrings]",   "[Settings]",    "[PassWord]",
                                      "[Rings]",          "[DTMFOutDur]",  "[Junk]"};
        int accepted = 0;
        for (int round = 0; round < 3000; ++round) {
            QByteArray data;
            if (round % 2) {
                data.resize(rng.bounded(1, 400));
                for (char& b : data)
                    b = char(rng.bounded(256));
            } else {
                // Well framed records with known names and random payloads.
                for (int r = rng.bounded(1, 6); r > 0; --r) {
                    QByteArray payload(rng.bounded(0, 1100), '\0');
                    for (char& b : payload)
                        b = char(rng.bounded(256));
                    data += record(names[rng.bounded(names.size())] + payload);
                }
            }
            UnitConfig c = busyConfig();
            if (ImportKV310Bytes(data, c)) {
                ++accepted;
                checkInvariants(c);
            } else {
                QVERIFY(c == busyConfig());
            }
        }
        QVERIFY(accepted >= 1500);   // every well-framed round loads
    }

    void saveFailuresKeepTheOldFile()
    {
        ScriptedPrompter prompts;
        QTemporaryDir dir;
        Unprivileged::openForReading(dir.path());
        const QByteArray old = DefaultConfigBytes();

        const QString lockedDir = dir.filePath("locked");
        QVERIFY(QDir().mkdir(lockedDir));
        const QString inLocked = lockedDir + "/a.dtd";
        WriteBytes(inLocked, old);
        QVERIFY(QFile::setPermissions(lockedDir, kReadOnlyDir));

        const QString openDir = dir.filePath("open");
        QVERIFY(QDir().mkdir(openDir));
        QVERIFY(QFile::setPermissions(openDir, kOpenDir));
        const QString readOnly = openDir + "/b.dtd";
        WriteBytes(readOnly, old);
        QVERIFY(QFile::setPermissions(readOnly, kReadOnlyFile));

        {
            const Unprivileged user;
            if (!user.effective())
                QSKIP("cannot leave root, so nothing is read-only");
            QVERIFY(!ExportKV310File(inLocked, busyConfig()));
            QVERIFY(!ExportKV310File(readOnly, busyConfig()));
        }
        QFile::setPermissions(lockedDir, kOpenDir);
        QCOMPARE(ReadBytes(inLocked), old);
        QCOMPARE(ReadBytes(readOnly), old);
        QCOMPARE(QDir(lockedDir).entryList(QDir::Files), QStringList{"a.dtd"});
        QCOMPARE(QDir(openDir).entryList(QDir::Files), QStringList{"b.dtd"});

        QCOMPARE(prompts.shown.size(), 2);
        QCOMPARE(prompts.shown[0].text, "Unable to save/export " + inLocked + ". Permission denied");
        QCOMPARE(prompts.shown[1].text, "Unable to save/export " + readOnly + ". Permission denied");
        QCOMPARE(prompts.shown[1].icon, MsgIcon::Critical);
    }

    // A disk with room for the old file and nothing more: a tmpfs of two
    // pages, the second one filled.
    void fullDiskKeepsTheOldFile()
    {
        ScriptedPrompter prompts;
        QTemporaryDir dir;
        const QByteArray mountPoint = QFile::encodeName(dir.filePath("small"));
        QVERIFY(QDir().mkdir(dir.filePath("small")));
        if (::mount("tmpfs", mountPoint.constData(), "tmpfs", 0, "size=8k") != 0)
            QSKIP("no tmpfs can be mounted here (needs root)");
        const auto unmount = qScopeGuard([&] { ::umount2(mountPoint.constData(), MNT_DETACH); });
        const QString path = dir.filePath("small/a.dtd");
        const QByteArray old = DefaultConfigBytes();
        WriteBytes(path, old);
        {
            QFile filler(dir.filePath("small/filler"));
            QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
            while (filler.write(QByteArray(512, 'f')) == 512) {
            }
        }
        QVERIFY(!ExportKV310File(path, busyConfig()));
        QCOMPARE(ReadBytes(path), old);
        QCOMPARE(QDir(dir.filePath("small")).entryList(QDir::Files | QDir::Hidden),
                 (QStringList{"a.dtd", "filler"}));
        QCOMPARE(prompts.shown.size(), 1);
        QCOMPARE(prompts.shown[0].text, "Unable to save/export " + path + ". No space left on device");
    }

    void saveIntoMissingFolderIsReported()
    {
        ScriptedPrompter prompts;
        QTemporaryDir dir;
        const QString path = dir.filePath("missing/x.dtd");
        QVERIFY(!ExportKV310File(path, busyConfig()));
        QCOMPARE(prompts.shown.size(), 1);
        QVERIFY(prompts.shown[0].text.startsWith("Unable to save/export " + path + ". "));
    }

    void saveStartedDuringASaveDoesNothing()
    {
        ScriptedPrompter prompts;
        QTemporaryDir dir;
        const QString nested = dir.filePath("nested.dtd");
        bool nestedResult = true;
        // The failure message runs while the first save is still in progress,
        // as a nested event loop would.
        prompts.onMessage = [&](const ScriptedPrompter::Shown&) {
            nestedResult = ExportKV310File(nested, busyConfig());
        };
        QVERIFY(!ExportKV310File(dir.filePath("missing/x.dtd"), busyConfig()));
        QVERIFY(!nestedResult);
        QVERIFY(!QFile::exists(nested));
        prompts.onMessage = nullptr;
        QVERIFY(ExportKV310File(nested, busyConfig()));   // the flag is cleared afterwards
    }

    void loadFailuresAreReported()
    {
        ScriptedPrompter prompts;
        QTemporaryDir dir;
        Unprivileged::openForReading(dir.path());
        const QString missing = dir.filePath("none.dtd");
        const QString hidden = dir.filePath("hidden.dtd");
        WriteBytes(hidden, ExportKV310Bytes(busyConfig()));
        QVERIFY(QFile::setPermissions(hidden, QFile::WriteOwner));

        UnitConfig c = DefaultConfig();
        QVERIFY(!ImportKV310File(missing, c));
        {
            const Unprivileged user;
            if (!user.effective())
                QSKIP("cannot leave root, so every file is readable");
            QVERIFY(!ImportKV310File(hidden, c));
        }
        QVERIFY(c == DefaultConfig());
        QCOMPARE(prompts.shown.size(), 2);
        QVERIFY(prompts.shown[0].text.startsWith("Unable to load " + missing + ". "));
        QCOMPARE(prompts.shown[1].text, "Unable to load " + hidden + ". Permission denied");
    }
};

QTEST_GUILESS_MAIN(TestDataFile)
#include "tst_datafile.moc"

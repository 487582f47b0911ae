// Reading and writing the unit through the link, against the simulated
// unit in-process: what goes over the line, what the configuration ends
// up holding, and how failures end.
#include "datafile.h"
#include "defaultconfig.h"
#include "eepromdata.h"
#include "filebytes.h"
#include "recordingview.h"
#include "scriptedprompter.h"
#include "shorttiming.h"
#include "simport.h"
#include "status.h"
#include "testfolder.h"
#include "unitconfig.h"
#include "unitlink.h"
#include "unitreader.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {
// A unit whose configuration differs from the defaults everywhere.
UnitConfig unitConfig()
{
    UnitConfig c = DefaultConfig();
    c.SeqLabel[1] = "XY";
    c.SeqLabelNum[1] = 40;
    c.SeqContents[2] = QByteArray("\x02\x01\x08\x05\x09\x11");
    c.SeqContentsLen[2] = 3;
    c.ASCIIStrings[4] = "ATDT/13/";
    c.PassWord = "4444";
    c.Rings = 4;
    c.Settings = {0x40, 0x06};
    return c;
}

int count(const QByteArray& haystack, const QByteArray& needle)
{
    int n = 0;
    for (qsizetype at = haystack.indexOf(needle); at >= 0; at = haystack.indexOf(needle, at + 1))
        ++n;
    return n;
}
} // namespace

class TestLinkTransfers : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        config = DefaultConfig();
        view = RecordingView();
        makeUnit(unitConfig(), 1);
    }
    void cleanup()
    {
        link.reset();
        wire.reset();
        sim.reset();
        port.reset();
    }

    // The simulated unit these tests talk to keeps the configuration where
    // the unit's address table puts it.
    void simulatedUnitHoldsTheTablesLayout()
    {
        UnitConfig c;
        c.SeqStartAddrHB[19] = 0x12;
        c.SeqStartAddrLB[19] = 0x34;
        c.SeqLabel[1] = "AB";
        c.SeqLabelLen[1] = 2;
        c.SeqLabelNum[1] = 7;
        c.PassWord = "1234";
        c.Rings = 3;
        c.PrefixChar = 'P';
        c.DTMFOutDur = 6;
        c.InactivityDur = 9;
        c.DisconnectInfo = 0x81;
        c.ExtStatInfo = 0x02;
        c.PWRONInfo = 0x83;
        c.Settings = {0x44, 0x0E};
        c.SeqContents[0] = "\x02\x01\x02\x02";
        c.SeqContentsLen[0] = 2;
        c.ASCIIStrings[0] = "AT\\13\\";
        const UnitSim unit(c, 6, 5);
        const QByteArray e = unit.eeprom();
        QCOMPARE(e.size(), 256);
        QCOMPARE(e.mid(65, 2), QByteArray("\x12\x34"));
        QCOMPARE(e.mid(115, 8), QByteArray("\x00\xFF\xFF\xFF\x87" "BA\xFF", 8));
        QCOMPARE(e.mid(236, 12), QByteArray("4321\x03P\x06\x09\x81\x02\x83\x00", 12));
        QCOMPARE(e.mid(253, 3), QByteArray("\xC5\x44\x0E"));
        // Hardware 6 writes 8-byte steps: a sequence block is a multiple of
        // 8, a string block of 16.
        QCOMPARE(unit.blocks().value({1, 0}), QByteArray("\x02\x02\x01\x02\x02\xFF\xFF\xFF"));
        QCOMPARE(unit.blocks().value({1, 1}), QByteArray("\x00\xFF\xFF\xFF\xFF\xFF\xFF\xFF", 8));
        QCOMPARE(unit.blocks().value({0, 1}), QByteArray("\x03" "AT\r") + QByteArray(12, '\0'));
        QCOMPARE(unit.blocks().value({0, 20}), QByteArray(16, '\0'));
    }

    void downloadTakesTheWholeUnit()
    {
        QCOMPARE(link->download(), TransferResult::Ok);
        UnitConfig expected = unitConfig();
        expected.ASCIIFlagChar = config.ASCIIFlagChar;
        QCOMPARE(config, expected);
        QCOMPARE(LastStatus(), QStringLiteral("Download successful"));
        QCOMPARE(view.displays.last(), false);
        QCOMPARE(view.changedMarks, QList<bool>{true});
        QCOMPARE(view.controlStates.last(), qMakePair(true, true));
        QCOMPARE(view.unitIds.last(), QStringLiteral("Firmware: v6 "));
        QVERIFY(link->state().InputHandlingOn);
    }

    // The terminal's "all characters as codes" reaches the strings a
    // download brings; the flag is the configuration's.
    void downloadCanWriteEveryStringCharacterAsCode()
    {
        link->setAllCharsAsCodes(true);
        QCOMPARE(link->download(), TransferResult::Ok);
        QCOMPARE(config.ASCIIStrings[4], QByteArray("/65//84//68//84//13/"));
        config.ASCIIFlagChar = '\\';
        link->setAllCharsAsCodes(false);
        QCOMPARE(link->download(), TransferResult::Ok);
        QCOMPARE(config.ASCIIStrings[4], QByteArray("ATDT\\13\\"));
    }

    void unansweredSlotEndsTheReadAfterBoundedRepeats()
    {
        const QByteArray request("\x4A\x01\x05", 3);
        wire->setFilter([&](const QByteArray& w, const QByteArray& reply) {
            return w.endsWith(request) ? QByteArray() : reply;
        });
        const UnitConfig before = config;
        QCOMPARE(link->download(), TransferResult::StoppedResponding);
        QCOMPARE(count(wire->written(), request), 1 + UnitReader::kMaxEmptyRepeats);
        QCOMPARE(config, before);
        QCOMPARE(LastStatus(), QStringLiteral("Download failed: the unit stopped responding (no reply to sequence #06)."));
        QVERIFY(view.changedMarks.isEmpty());
        QCOMPARE(view.controlStates.last(), qMakePair(true, true));
    }

    // A unit that answers later than a reply's silence answers the repeated
    // mode requests too; none of those late answers is taken for a block.
    void lateAnswersAreNotTakenForBlocks_data()
    {
        QTest::addColumn<int>("delay");
        for (int d : {8, 14, 24, 40})
            QTest::newRow(qPrintable(QStringLiteral("%1 ms").arg(d))) << d;
    }
    void lateAnswersAreNotTakenForBlocks()
    {
        QFETCH(int, delay);
        port->setReplyDelay(delay);
        QCOMPARE(link->download(), TransferResult::Ok);
        UnitConfig expected = unitConfig();
        expected.ASCIIFlagChar = config.ASCIIFlagChar;
        QCOMPARE(config, expected);
        QCOMPARE(sim->strayBytes(), 0);
    }

    // Replies out of their form end the download, name the block and leave
    // the configuration as it was: the unit's late "i" alone, or ahead of
    // a block, and a string without its "i".
    void repliesOutOfFormFailTheDownload_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QString>("status");
        QTest::newRow("ready alone") << QByteArray("\x4A\x01\x02", 3) << QByteArray("i")
                                     << "Download failed: the reply to sequence #03 (only the \"i\") was not in the form asked for.";
        QTest::newRow("ready ahead") << QByteArray("\x4A\x01\x00", 3) << QByteArray("i\x01\x02\x01\xFFi")
                                     << "Download failed: the reply to sequence #01 (a count of 105 followed by data) was not in the form asked for.";
        QTest::newRow("string without i") << QByteArray("\x4A\x00\x04", 3) << QByteArray("ATDT")
                                          << "Download failed: the reply to ASCII string #04 (4 byte(s), no final \"i\") was not in the form asked for.";
        QTest::newRow("eeprom behind an i") << QByteArray("\xD1") << QByteArray()
                                            << "Download failed: the EEPROM reply (258 bytes, not 257) was not in the form asked for.";
    }
    void repliesOutOfFormFailTheDownload()
    {
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, answer);
        QFETCH(QString, status);
        wire->setFilter([&](const QByteArray& w, const QByteArray& reply) {
            if (!w.endsWith(request))
                return reply;
            return answer.isEmpty() ? 'i' + reply : answer;
        });
        const UnitConfig before = config;
        QCOMPARE(link->download(), TransferResult::MalformedReply);
        QCOMPARE(config, before);
        QCOMPARE(LastStatus(), status);
        QVERIFY(view.changedMarks.isEmpty());
    }

    void shortEepromReplyFailsTheDownload()
    {
        wire->setFilter([](const QByteArray&, const QByteArray& reply) {
            return reply.size() == Eeprom::kReplySize ? reply.left(200) : reply;
        });
        const UnitConfig before = config;
        QCOMPARE(link->download(), TransferResult::MalformedReply);
        QCOMPARE(config, before);
        QVERIFY(!wire->written().contains('\x4A'));
        QCOMPARE(LastStatus(), QStringLiteral("Download failed: the EEPROM reply (200 bytes, not 257) was not in the form asked for."));
    }

    void lineDroppingMidUploadKeepsTheModel()
    {
        config.SeqContents[0] = QByteArray("\x02\x01\x02\x02");   // gains a pad when written
        config.ASCIIStrings[0] = QByteArray(40, 'a');            // is cut when written
        const UnitConfig before = config;
        // Dropped part-way through the writes, after the reads.
        wire->dropAfter(150);
        QCOMPARE(link->upload(UploadScope::Everything), TransferResult::LineDropped);
        QCOMPARE(config, before);
        QCOMPARE(view.drops, 1);
        QVERIFY(view.changedMarks.isEmpty());
        QVERIFY(LastStatus().startsWith(QStringLiteral("Upload failed: the connection to the unit was lost.")));
    }

    void idleLineDropDisconnects()
    {
        link->link().state().UnitConnected = true;
        port->injectError(SerialError::LineDropped);
        QCOMPARE(view.drops, 1);
        QVERIFY(!link->isConnected());
        QCOMPARE(view.controlStates.last(), qMakePair(false, false));
    }

    // A port that takes no more bytes is a line that dropped: said once,
    // disconnected; in an upload nothing more is sent or reported as sent.
    void failedWriteIsADroppedLine()
    {
        link->link().state().UnitConnected = true;
        port->setWriteFails(true);
        QVERIFY(link->sendText("123"));
        QCOMPARE(view.drops, 1);
        QVERIFY(!link->isConnected());
        QVERIFY(!port->isOpen());
        QCOMPARE(view.controlStates.last(), qMakePair(false, false));

        port->setWriteFails(false);
        QVERIFY(port->open());
        config = unitConfig();
        config.Rings = 3;
        const UnitConfig before = config;
        wire->setFilter([this](const QByteArray& w, const QByteArray& reply) {
            if (w.endsWith("jpm"))
                port->setWriteFails(true);
            return reply;
        });
        QCOMPARE(link->upload(UploadScope::Everything), TransferResult::LineDropped);
        QCOMPARE(view.drops, 2);
        QVERIFY(sim->writes().isEmpty());
        QCOMPARE(config, before);
        QVERIFY(LastStatus().startsWith(QStringLiteral("Upload failed: the connection to the unit was lost.")));
    }

    // A write the unit does not confirm ends the upload there: nothing after
    // it is sent, nothing is read back, nothing is called successful, and
    // the status names the write.
    void unconfirmedWriteEndsTheUpload()
    {
        config = unitConfig();
        config.Rings = 7;
        config.SeqLabel[3] = "NEW";
        sim->setWriteAck(false);
        const UnitConfig before = config;
        QCOMPARE(link->upload(UploadScope::Everything), TransferResult::Unconfirmed);
        QCOMPARE(sim->writes().size(), 1);   // the settings; not the options, the label
        QCOMPARE(sim->eepromReads(), 1);     // the read before, no read-back
        QVERIFY2(LastStatus().startsWith(
                     QStringLiteral("Upload failed: the unit did not confirm the write of the settings. (backup ")),
                 qPrintable(LastStatus()));
        QCOMPARE(config, before);
        QVERIFY(!link->state().CompareMode);
        QVERIFY(!wire->written().endsWith("jpm"));
    }

    // What the unit cannot hold is refused before anything is read or
    // written, naming it; outside the upload's scope it does not matter.
    void unencodableConfigurationWritesNothing()
    {
        config = unitConfig();
        config.Rings = 9;
        config.ASCIIStrings[2] = "A/300/B";   // the defaults' flag is "/"
        QCOMPARE(link->upload(UploadScope::Everything), TransferResult::Unencodable);
        QCOMPARE(LastStatus(), QStringLiteral("Upload failed: ASCII string #03 holds a code above 255. "
                                              "Nothing was written to the unit."));
        QVERIFY(sim->writes().isEmpty());
        QCOMPARE(sim->eepromReads(), 0);
        QCOMPARE(link->upload(UploadScope::SettingsOnly), TransferResult::Ok);
        QCOMPARE(uint8_t(sim->eeprom().at(Eeprom::kSettings)), uint8_t(9));

        config = unitConfig();
        config.SeqLabel[5] = "LONG";
        QCOMPARE(link->upload(UploadScope::SettingsOnly), TransferResult::Unencodable);
        QCOMPARE(LastStatus(), QStringLiteral("Upload failed: the label of sequence #06 is longer than 3 "
                                              "characters. Nothing was written to the unit."));
        config = unitConfig();
        config.SeqContentsLen[7] = 40;
        QCOMPARE(link->upload(UploadScope::FlashOnly), TransferResult::Unencodable);
        QVERIFY(LastStatus().contains(QStringLiteral("sequence #08 has a count of 40")));
    }

    void restrictedUploadsTouchOneMemory()
    {
        config = unitConfig();
        config.Rings = 9;
        config.ASCIIStrings[0] = "changed";
        QCOMPARE(link->upload(UploadScope::SettingsOnly), TransferResult::Ok);
        for (const UnitSim::Write& w : sim->writes())
            QCOMPARE(w.kind, UnitSim::Write::Eeprom);
        // The preview named only what this upload writes.
        QCOMPARE(view.previews.last(), (QStringList{"Settings:", "- Rings: 4", "+ Rings: 9"}));
        // Both memories were read for the backup; only the EEPROM again.
        QCOMPARE(sim->eepromReads(), 2);
        QCOMPARE(sim->blockReads(), 40);
        const int eepromWrites = int(sim->writes().size());
        QCOMPARE(link->upload(UploadScope::FlashOnly), TransferResult::Ok);
        QCOMPARE(sim->writes().size(), eepromWrites + 1);
        QCOMPARE(sim->writes().last().kind, UnitSim::Write::Block);
        // Read back: the one block written, not the EEPROM.
        QCOMPARE(sim->eepromReads(), 3);
        QCOMPARE(sim->blockReads(), 40 + 40 + 1);
        QVERIFY(!link->state().CompareMode);
    }

    void failedVerificationSendsNothing()
    {
        view.verifyAnswer = false;
        QCOMPARE(link->upload(UploadScope::Everything), TransferResult::Cancelled);
        QCOMPARE(wire->written(), QByteArray("jrm\xF0"));
        view.verifyAnswer = true;
        view.saveAnswer = false;
        wire->clearWritten();
        QCOMPARE(link->upload(UploadScope::Everything), TransferResult::Cancelled);
        QCOMPARE(wire->written(), QByteArray("jrm\xF0"));
        QVERIFY(sim->writes().isEmpty());
    }

    // Reads of both memories come before the first write, as many as an
    // upload always made; the backup holds what they found; what was
    // written is read back after the writes: the EEPROM and the one block.
    void uploadReadsFirstThenWritesThenReadsBack()
    {
        config = unitConfig();
        config.SeqLabel[1] = "AB";
        config.ASCIIStrings[4] = "changed";
        config.PassWord = "1234";
        QCOMPARE(link->upload(UploadScope::Everything), TransferResult::Ok);
        const QByteArray w = wire->written();
        const qsizetype firstWrite = w.indexOf("jpm");
        QVERIFY(firstWrite > 0);
        const QByteArray before = w.left(firstWrite);
        QCOMPARE(count(before, QByteArray(1, '\xD1')), 1);
        QCOMPARE(count(before, QByteArray("\x4A\x01", 2)), 20);
        QCOMPARE(count(before, QByteArray("\x4A\x00", 2)), 20);
        const QByteArray after = w.mid(w.lastIndexOf("jpm"));
        QCOMPARE(count(after, QByteArray(1, '\xD1')), 1);
        QCOMPARE(count(after, QByteArray("\x4A\x01", 2)), 0);
        QCOMPARE(count(after, QByteArray("\x4A\x00\x05", 3)), 1);
        QCOMPARE(sim->eepromReads(), 2);
        QCOMPARE(sim->blockReads(), 41);
        // Password, settings, options, one label; one string.
        QCOMPARE(sim->writes().size(), 5);

        QCOMPARE(view.previews.size(), 1);
        const QStringList& changes = view.previews.first();
        QVERIFY(changes.contains("- Password: 4444"));
        QVERIFY(changes.contains("+ Password: 1234"));
        QVERIFY(changes.contains("- 02 [XY] Send ASCII 'StringB'"));
        QVERIFY(changes.contains("+ 02 [AB] Send ASCII 'StringB'"));
        QVERIFY(changes.contains("+ 05 changed"));

        UnitConfig held = unitConfig();
        held.ASCIIFlagChar = config.ASCIIFlagChar;
        UnitConfig backup = held;
        QVERIFY(ImportKV310Bytes(ReadBytes(link->lastBackup()), backup));
        QCOMPARE(ExportKV310Bytes(backup), ExportKV310Bytes(held));
        // Numbered, and named for the time and the port.
        const QRegularExpression named(QStringLiteral("^\\d{6}_\\d{4}-\\d\\d-\\d\\d_\\d\\d-\\d\\d-\\d\\d_Com1\\.dtd$"));
        QVERIFY(QFileInfo(link->lastBackup()).fileName().contains(named));
        QCOMPARE(LastStatus(), QStringLiteral("Upload successful (backup %1)").arg(QFileInfo(link->lastBackup()).fileName()));
    }

    // The read-back reads what the plan wrote and nothing else: the EEPROM
    // when it wrote to it, each written block by its own request.
    void readBackCoversExactlyWhatWasWritten()
    {
        config = unitConfig();
        config.SeqContents[2] = QByteArray::fromHex("0203");
        config.SeqContentsLen[2] = 1;
        config.ASCIIStrings[6] = "seven";
        QCOMPARE(link->upload(UploadScope::Everything), TransferResult::Ok);
        QCOMPARE(sim->eepromReads(), 2);
        QCOMPARE(sim->blockReads(), 40 + 2);
        QCOMPARE(sim->blocksServed().mid(40), (QList<QPair<int, int>>{{1, 2}, {0, 7}}));

        // Nothing but the settings and option bits written: the EEPROM alone.
        config.Rings = 12;
        QCOMPARE(link->upload(UploadScope::Everything), TransferResult::Ok);
        QCOMPARE(sim->eepromReads(), 4);
        QCOMPARE(sim->blockReads(), 42 + 40);
        // Nothing written at all (FLASH only, unchanged): nothing read back.
        QCOMPARE(link->upload(UploadScope::FlashOnly), TransferResult::Ok);
        QCOMPARE(sim->eepromReads(), 5);
        QCOMPARE(sim->blockReads(), 82 + 40);
    }

    void cancelledPreviewWritesNothing()
    {
        config.Rings = 9;
        view.confirmAnswer = false;
        const int backupsBefore = int(QDir(backups.path()).count());
        QCOMPARE(link->upload(UploadScope::Everything), TransferResult::Cancelled);
        QVERIFY(sim->writes().isEmpty());
        QVERIFY(!wire->written().contains("jpm"));
        QVERIFY(link->lastBackup().isEmpty());
        QCOMPARE(int(QDir(backups.path()).count()), backupsBefore);
        QCOMPARE(LastStatus(), QStringLiteral("Upload cancelled: nothing was written to the unit."));
        QCOMPARE(view.controlStates.last(), qMakePair(true, true));
    }

    // A write the unit confirmed but lost is found by the read-back and
    // named.
    void lostWriteIsAMismatch()
    {
        config = unitConfig();
        config.ASCIIStrings[4] = "changed";
        config.ASCIIStrings[6] = "other";
        sim->setDropWrite(3);   // settings, options, then the first string
        QCOMPARE(link->upload(UploadScope::Everything), TransferResult::Mismatch);
        QCOMPARE(view.mismatch,
                 (QStringList{"ASCII strings (flag character /):", "- 05 changed", "+ 05 ATDT/13/"}));
        QVERIFY(LastStatus().startsWith(QStringLiteral("Upload failed: read back, the unit does not hold what was written.")));
    }

    // Blanks that end a string are bytes like any other: listed, written,
    // and looked for when read back.
    void trailingBlanksAreWrittenAndChecked()
    {
        config = unitConfig();
        config.ASCIIStrings[4] = "ATDT/13/  ";
        QCOMPARE(link->upload(UploadScope::FlashOnly), TransferResult::Ok);
        QVERIFY2(view.previews.last().contains("+ 05 ATDT/13/\\x20\\x20"), qPrintable(view.previews.last().join('|')));
        QCOMPARE(sim->blocks().value({0, 5}).left(8), QByteArray("\x07" "ATDT\r  "));
        // The same blanks lost on the way are found.
        config.ASCIIStrings[4] = "ATDT/13/   ";
        sim->setDropWrite(int(sim->writes().size()) + 1);
        QCOMPARE(link->upload(UploadScope::FlashOnly), TransferResult::Mismatch);
        QVERIFY2(view.mismatch.contains("- 05 ATDT/13/\\x20\\x20\\x20"), qPrintable(view.mismatch.join('|')));
        QVERIFY(view.mismatch.contains("+ 05 ATDT/13/\\x20\\x20"));
    }

    // The option bits are written with every upload of the settings and
    // checked when read back, as are the other settings.
    void lostOptionBitsAreFound()
    {
        config = unitConfig();
        config.Settings = {0x44, 0x0E};
        sim->setDropWrite(2);   // the settings, then the option bits
        QCOMPARE(link->upload(UploadScope::SettingsOnly), TransferResult::Mismatch);
        QVERIFY2(view.mismatch.contains("- Options (44 0e):"), qPrintable(view.mismatch.join('|')));
        QVERIFY(view.mismatch.contains("+ Options (40 06):"));
        QCOMPARE(sim->eeprom().mid(254, 2), QByteArray("\x40\x06"));
    }

    // A sequence as long as a whole number of write blocks gains its pad
    // when written; read back it is what was written, and uploaded again
    // it is not written again.
    void paddedSequenceReadsBackAsWritten()
    {
        config = unitConfig();
        config.SeqContents[9] = QByteArray::fromHex("02010202");   // 4 bytes, blocks of 4
        config.SeqContentsLen[9] = 2;
        QCOMPARE(link->upload(UploadScope::FlashOnly), TransferResult::Ok);
        QCOMPARE(config.SeqContents[9], QByteArray::fromHex("02010202ff"));
        QCOMPARE(sim->blocks().value({1, 9}), QByteArray::fromHex("0202010202ffffff"));
        const int writes = int(sim->writes().size());
        for (int again = 0; again < 2; ++again) {
            QCOMPARE(link->upload(UploadScope::FlashOnly), TransferResult::Ok);
            QCOMPARE(int(sim->writes().size()), writes);
            QVERIFY(view.previews.last().isEmpty());
        }
        // The same sequence lost on the way is found.
        config.SeqContents[9] = QByteArray::fromHex("0203");
        config.SeqContentsLen[9] = 1;
        sim->setDropWrite(writes + 1);
        QCOMPARE(link->upload(UploadScope::FlashOnly), TransferResult::Mismatch);
        QVERIFY2(view.mismatch.contains("- 10 [10] Close Relay 'Relay 3'"), qPrintable(view.mismatch.join('|')));
    }

    // Reading the unit writes nothing: a power failure it reports stays
    // until the user agreed to the upload, which then clears it.
    void powerFailureIsClearedOnlyByAConfirmedUpload()
    {
        ScriptedPrompter prompts;
        sim->setPowerFail(true);
        config = unitConfig();
        config.Rings = 9;
        view.confirmAnswer = false;
        QCOMPARE(link->upload(UploadScope::Everything), TransferResult::Cancelled);
        QVERIFY(sim->writes().isEmpty());
        QVERIFY(!wire->written().contains("jpm"));
        QVERIFY(uint8_t(sim->eeprom().at(Eeprom::kPowerStatus)) & Eeprom::kPowerFailBit);
        QCOMPARE(prompts.texts(), QStringList{QStringLiteral("Power failure detected.")});
        QVERIFY2(view.previews.last().contains("+ Power failure: cleared"), qPrintable(view.previews.last().join('|')));

        view.confirmAnswer = true;
        QCOMPARE(link->upload(UploadScope::Everything), TransferResult::Ok);
        QCOMPARE(sim->writes().first().address, Eeprom::kPowerStatus);
        QCOMPARE(uint8_t(sim->eeprom().at(Eeprom::kPowerStatus)) & Eeprom::kPowerFailBit, 0);
        QCOMPARE(uint8_t(sim->eeprom().at(Eeprom::kSettings)), uint8_t(9));
    }

    // Without a place for the backup nothing is written.
    void noBackupNoWrite()
    {
        ScriptedPrompter prompts;
        link->setBackupFolder(backups.filePath("file/sub"));
        WriteBytes(backups.filePath("file"), "x");
        config.Rings = 9;
        QCOMPARE(link->upload(UploadScope::Everything), TransferResult::BackupFailed);
        QVERIFY(sim->writes().isEmpty());
        QCOMPARE(prompts.shown.size(), 1);
        QVERIFY(prompts.shown.first().text.endsWith("Nothing was written to the unit."));
    }

private:
    void makeUnit(const UnitConfig& unit, int hardwareCode)
    {
        link.reset();
        wire.reset();
        port = std::make_unique<FakeSerialPort>();
        sim = std::make_unique<UnitSim>(unit, hardwareCode, 6);
        wire = std::make_unique<SimPort>(*port, *sim);
        link = std::make_unique<UnitLink>(port.get(), config, &view);
        link->setBackupFolder(backups.path());
        link->setPortName("Com1");
        link->link().setTiming(InMemoryLinkTiming());
        QVERIFY(port->open());
    }

    TestProgramFolder folder;
    QTemporaryDir backups;
    UnitConfig config;   // the program's configuration
    RecordingView view;
    std::unique_ptr<FakeSerialPort> port;
    std::unique_ptr<UnitSim> sim;
    std::unique_ptr<SimPort> wire;
    std::unique_ptr<UnitLink> link;
};

QTEST_GUILESS_MAIN(TestLinkTransfers)
#include "tst_linktransfers.moc"

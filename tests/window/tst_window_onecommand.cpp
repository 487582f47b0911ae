// One command at a time: while the main window downloads from or uploads
// to the simulated unit (kv310-sim on a pseudo-terminal), everything a user
// can click, type or press to start another command, change the
// configuration or close the window meets a closed door. The intrusions
// come from timers and from inside message boxes that keep running events
// while they wait, as real modal boxes do.
#include "windowfixture.h"

#include "defaultconfig.h"
#include "qtserialport.h"
#include "simprocess.h"

#include <QAction>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTextEdit>
#include <functional>

namespace {
constexpr int kModalMs = 150;   // how long each scripted box "waits for the user"

// The window on the real serial backend, Com1 pointing at kv310-sim,
// connected, with the DTMF strings "123#" and "456" and Ser2DTMF switched
// on in the unit (through its option box and the unit's feedback).
struct ConnectedWindow : WindowFixture {
    SimProcess sim{1};
    QtSerialPort serial;
    ConnectedWindow()
    {
        scanner.setOpenError(SerialError::None);
        scanner.setPresentPorts({1});
        if (!sim.start({QStringLiteral("--unpaced")}))
            return;
        start(&serial);
        window->cmdConnect_Click();
        window->panels().dtmfStrings->RebuildDTMFMenu(QStringLiteral("123#,456"));
        auto* serialToDTMF = find<QCheckBox>(QStringLiteral("chkOpt_9"));
        if (serialToDTMF->checkState() != Qt::Checked)
            window->panels().settings->chkOpt_Click(9);
        QTRY_COMPARE(serialToDTMF->checkState(), Qt::Checked);
        find<QLineEdit>(QStringLiteral("txtInstDTMF"))->setText(QStringLiteral("789*"));
    }

    QAction* action(const QString& name) const { return window->findChild<QAction*>(name); }
};

// Everything a user could do to the window while it talks to the unit,
// each through the control the user would use and through the command
// itself. Counts how often it found a transfer running.
struct Intruder {
    ConnectedWindow& f;
    int visits = 0;
    int duringTransfer = 0;
    int closesRefused = 0;

    void operator()()
    {
        frmMain& w = *f.window;
        ++visits;
        if (!w.unitLink().transferRunning())
            return;   // too late: doing these now would be ordinary use
        ++duringTransfer;
        // A second Download, as a click and as a double click.
        QTest::mouseClick(f.find(QStringLiteral("cmdDownload")), Qt::LeftButton);
        QTest::mouseDClick(f.find(QStringLiteral("cmdDownload")), Qt::LeftButton);
        w.cmdDownload_Click();
        w.cmdConnect_Click();
        w.mnuUpAll_Click();
        // Ctrl+N answered Yes, Open and Save.
        f.prompter.answers = {MsgAnswer::Yes, MsgAnswer::Yes};
        QTest::keyClick(&w, Qt::Key_N, Qt::ControlModifier);
        w.mnuNew_Click();
        w.mnuOpen_Click();
        w.mnuSaveAs_Click();
        // DTMF with Ser2DTMF on: the menu, the instant line, terminal keys.
        for (QAction* entry : w.panels().dtmfStrings->entries())
            entry->trigger();
        w.panels().dtmfStrings->mnuDTMFStr_Click(0);
        QTest::mouseClick(f.find(QStringLiteral("cmdInstDTMFSend")), Qt::LeftButton);
        w.panels().terminal->cmdInstDTMFSend_Click();
        QTest::keyClicks(f.find(QStringLiteral("txtTerminal")), QStringLiteral("xyz"));
        w.panels().terminal->txtTerminal_KeyPress(QStringLiteral("xyz"));
        w.panels().settings->chkOpt_Click(11);
        // Update Firmware and closing the window.
        f.action(QStringLiteral("mnuFWUpdate"))->trigger();
        w.mnuFWUpdate_Click();
        f.action(QStringLiteral("mnuExit"))->trigger();
        closesRefused += !w.close();
        f.prompter.answers.clear();
    }
};

// Fires the intruder a few times into the command that runs next, and
// once more inside every message box shown meanwhile.
void IntrudeDuring(Intruder& intruder, QObject* context)
{
    for (int ms : {60, 250, 700})
        QTimer::singleShot(ms, context, [&intruder] { intruder(); });
    intruder.f.prompter.modalMs = kModalMs;
    intruder.f.prompter.onMessage = [&intruder, context](const ScriptedPrompter::Shown&) {
        QTimer::singleShot(kModalMs / 3, context, [&intruder] { intruder(); });
    };
}

qint64 Timed(const std::function<void()>& run)
{
    QElapsedTimer clock;
    clock.start();
    run();
    return clock.elapsed();
}

bool AnyContains(const QByteArray& log, const QList<QByteArray>& texts)
{
    for (const QByteArray& t : texts)
        if (log.contains(t))
            return true;
    return false;
}

const QList<QByteArray> kIntrudingTexts{"123#", "456", "789*", "xyz"};
} // namespace

class WindowOneCommandTest : public QObject {
    Q_OBJECT
private slots:
    void downloadServesOnlyItself();
    void uploadWritesOnlyWhatItShould();
    void doubleClickStartsOneCommand();
    void closingWaitsForTheTransfer();
    void newAndOpenAskBeforeDroppingEdits();
};

void WindowOneCommandTest::downloadServesOnlyItself()
{
    ConnectedWindow f;
    QVERIFY(f.sim.running());
    frmMain& w = *f.window;
    QVERIFY(w.unitConnected());

    const qint64 plain = Timed([&] { w.cmdDownload_Click(); });
    QCOMPARE(LastStatus(), QStringLiteral("Download successful"));
    const UnitConfig unit = Config();
    const SimState before = f.sim.state();

    Intruder intruder{f};
    IntrudeDuring(intruder, &w);
    const qint64 intruded = Timed([&] { w.cmdDownload_Click(); });
    f.prompter.onMessage = nullptr;

    QCOMPARE(LastStatus(), QStringLiteral("Download successful"));
    qInfo("download alone %lld ms, with %d intrusions %lld ms", plain, intruder.duringTransfer, intruded);
    QVERIFY2(intruder.duringTransfer >= 2, qPrintable(QString::number(intruder.duringTransfer)));
    QCOMPARE(intruder.closesRefused, intruder.duringTransfer);
    QVERIFY2(intruded < 2 * plain + 2000, qPrintable(QStringLiteral("%1 ms, alone %2 ms").arg(intruded).arg(plain)));
    QVERIFY(Config() == unit);
    QVERIFY(w.unitConnected());
    QVERIFY(w.isVisible());
    QVERIFY(!f.prompter.texts().join(QLatin1Char('\n')).contains(QStringLiteral("Unable to run")));

    // One whole download: the EEPROM image and the 40 blocks, nothing else.
    const SimState after = f.sim.state();
    QCOMPARE(after.eepromReads - before.eepromReads, 1);
    QCOMPARE(after.blockReads - before.blockReads, 40);
    QCOMPARE(after.stray, 0);
    QVERIFY(after.writes.isEmpty());
    QVERIFY2(!AnyContains(after.idle, kIntrudingTexts), after.idle.constData());

    // Afterwards every way in is open again, and the same DTMF entry does reach the unit.
    QVERIFY(f.action(QStringLiteral("mnuNew"))->isEnabled());
    QVERIFY(f.action(QStringLiteral("mnuFWUpdate"))->isEnabled());
    QVERIFY(f.find(QStringLiteral("cmdDownload"))->isEnabled());
    QVERIFY(f.find(QStringLiteral("txtTerminal"))->isEnabled());
    QVERIFY(w.panels().dtmfStrings->entries().value(0)->isEnabled());
    w.panels().dtmfStrings->entries().value(0)->trigger();
    QVERIFY(f.sim.state().idle.endsWith("123#"));
}

void WindowOneCommandTest::uploadWritesOnlyWhatItShould()
{
    ConnectedWindow f;
    QVERIFY(f.sim.running());
    frmMain& w = *f.window;
    QVERIFY(w.unitConnected());
    w.cmdDownload_Click();
    w.panels().cells->startCellEdit(f.list(1), 3, 2);
    f.find<QLineEdit>(QStringLiteral("txtCell"))->setText(QStringLiteral("EDITED"));
    w.panels().cells->ProcessCell(true);
    QVERIFY(w.isChanged());
    const UnitConfig meant = Config();
    const SimState before = f.sim.state();

    Intruder intruder{f};
    IntrudeDuring(intruder, &w);
    f.prompter.answers = {MsgAnswer::No};   // "Would you like to save changes?"
    w.mnuUpAll_Click();
    f.prompter.onMessage = nullptr;

    QVERIFY(LastStatus().startsWith(QStringLiteral("Upload successful (backup ")));
    QVERIFY(f.prompter.texts().contains(QStringLiteral("Would you like to save changes?")));
    QVERIFY2(intruder.duringTransfer >= 2, qPrintable(QString::number(intruder.duringTransfer)));
    QVERIFY(Config() == meant);
    QVERIFY(w.isVisible());

    // The unit got the settings and options records and the one string.
    const SimState after = f.sim.state();
    QCOMPARE(after.stray, 0);
    QVERIFY2(!AnyContains(after.idle, kIntrudingTexts), after.idle.constData());
    QCOMPARE(after.eepromWrites().size(), before.eepromWrites().size() + 2);
    const QList<SimState::Write> blocks = after.blockWrites();
    QCOMPARE(blocks.size(), before.blockWrites().size() + 1);
    QCOMPARE(blocks.last().address, 0);   // ASCII string block
    QCOMPARE(blocks.last().index, 3);     // string 3
    const QByteArray stored = blocks.last().data;
    QVERIFY(stored.startsWith(QByteArray("\x06" "EDITED")));
    QCOMPARE(stored.size() % 8, 0);
    QCOMPARE(stored.mid(7), QByteArray(stored.size() - 7, '\0'));
    // Both memories once before the writes; to verify them, the EEPROM and
    // the one block written.
    QCOMPARE(after.eepromReads - before.eepromReads, 2);
    QCOMPARE(after.blockReads - before.blockReads, 41);
}

void WindowOneCommandTest::doubleClickStartsOneCommand()
{
    ConnectedWindow f;
    QVERIFY(f.sim.running());
    frmMain& w = *f.window;
    QVERIFY(w.unitConnected());
    const SimState before = f.sim.state();
    QWidget* download = f.find(QStringLiteral("cmdDownload"));
    // The second press of a double click comes as a double-click event.
    QTest::mouseClick(download, Qt::LeftButton);
    QTest::mouseDClick(download, Qt::LeftButton);
    QTest::mouseRelease(download, Qt::LeftButton);
    QCOMPARE(LastStatus(), QStringLiteral("Download successful"));
    QCOMPARE(f.sim.state().eepromReads - before.eepromReads, 1);

    // Connect: one double click connects once and stays connected.
    auto* connectButton = f.find<QPushButton>(QStringLiteral("cmdConnect"));
    QTest::mouseClick(connectButton, Qt::LeftButton);
    QVERIFY(!w.unitConnected());
    QTest::mouseClick(connectButton, Qt::LeftButton);
    QTest::mouseDClick(connectButton, Qt::LeftButton);
    QTest::mouseRelease(connectButton, Qt::LeftButton);
    QVERIFY(w.unitConnected());
    QCOMPARE(connectButton->text(), QStringLiteral("Disconnect"));
}

void WindowOneCommandTest::closingWaitsForTheTransfer()
{
    ConnectedWindow f;
    QVERIFY(f.sim.running());
    frmMain& w = *f.window;
    w.MarkChanged(false);
    bool closedDuring = true;
    QTimer::singleShot(100, &w, [&] {
        QVERIFY(w.unitLink().transferRunning());
        closedDuring = w.close();
    });
    w.cmdDownload_Click();
    QVERIFY(!closedDuring);
    QVERIFY(w.isVisible());
    QCOMPARE(LastStatus(), QStringLiteral("Download successful"));
    QVERIFY(f.serial.isOpen());
    f.prompter.answers = {MsgAnswer::No};   // the download left unsaved changes
    QVERIFY(w.close());
    QVERIFY(!f.serial.isOpen());
}

void WindowOneCommandTest::newAndOpenAskBeforeDroppingEdits()
{
    WindowFixture f;
    frmMain& w = f.start();
    Config().PassWord = "9999";
    w.MarkChanged(true);
    const UnitConfig edited = Config();

    f.prompter.answers = {MsgAnswer::Cancel};
    w.mnuNew_Click();
    QCOMPARE(f.prompter.texts().last(), QStringLiteral("Would you like to save changes?"));
    QVERIFY(Config() == edited);
    QVERIFY(w.isChanged());

    f.prompter.answers = {MsgAnswer::Cancel};
    const int dialogs = int(f.prompter.dialogs.size());
    w.mnuOpen_Click();
    QCOMPARE(f.prompter.dialogs.size(), dialogs);   // no dialog after Cancel
    QVERIFY(Config() == edited);

    // Yes saves first; a save that does not happen (Save As cancelled) stops New too.
    SetCurrentFile(f.folder.file(QStringLiteral("gone/edited.dtd")));
    f.prompter.answers = {MsgAnswer::Yes};
    f.prompter.files = {QString()};
    w.mnuNew_Click();
    QVERIFY(Config() == edited);

    // No drops the edits and goes on to the defaults and their question.
    f.prompter.answers = {MsgAnswer::No, MsgAnswer::No};
    w.mnuNew_Click();
    QVERIFY(f.prompter.texts().last().startsWith(QStringLiteral("Default data loaded")));
    QCOMPARE(Config().PassWord, DefaultConfig().PassWord);
    QVERIFY(!w.isChanged());
}

QTEST_MAIN(WindowOneCommandTest)
#include "tst_window_onecommand.moc"

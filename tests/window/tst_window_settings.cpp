// The settings panel and the terminal on the real main window: enabling by
// connection state, the validators, the unit's feedback, the event boxes,
// typing to the unit and the highlighting of character codes. The unit is
// the simulated firmware behind an in-memory port.
#include "windowfixture.h"

#include "defaultconfig.h"
#include "feedbackreader.h"
#include "progressbar.h"
#include "settingsvalidation.h"
#include "unitsim.h"
#include "vocabulary.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTextBlock>
#include <QTextEdit>
#include <QTimer>

namespace {
// A window connected on Com1 to a simulated unit holding unitConfig.
struct ConnectedWindow : WindowFixture {
    UnitSim sim;
    explicit ConnectedWindow(const UnitConfig& unitConfig = DefaultConfig())
        : sim(unitConfig, 1, 6)
    {
        scanner.setOpenError(SerialError::None);
        scanner.setPresentPorts({1});
        port.setResponder([this](const QByteArray& bytes) { return sim.onBytes(bytes); });
        start();
        window->cmdConnect_Click();
    }
};

QCheckBox* Option(const WindowFixture& f, int i) { return f.find<QCheckBox>(QStringLiteral("chkOpt_%1").arg(i)); }

// A click on the box itself (a wide box's middle may lie beyond its text).
void ClickBox(QCheckBox* box)
{
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
}

// The colour of the terminal text at a position.
QColor ColourAt(QTextEdit* terminal, int position)
{
    QTextCursor c(terminal->document());
    c.setPosition(position + 1);
    return c.charFormat().foreground().color();
}
} // namespace

class WindowSettingsTest : public QObject {
    Q_OBJECT
private slots:
    void disconnectedWindowKeepsTheUnitControlsOff();
    void connectingEnablesTheUnitControlsByOption();
    void optionClickSendsTheCommandAndFollowsTheReply();
    void optionClickWhileDisconnectedChangesNothing();
    void unansweredOptionCommandIsReported();
    void feedbackOffOnConnectShowsSilentMode();
    void numericValidators_data();
    void numericValidators();
    void validatorsThroughTheWindow();
    void passwordIsFilteredAndPadded();
    void feedbackReader();
    void feedbackInTheTerminalUpdatesOptionBits();
    void feedbackOnForTheFeedbackOptionEndsSilentMode();
    void eventBoxesKeepTheirSequence();
    void downloadDisablesTheWindowWhileItRuns();
    void lineDroppingInADownloadLeavesAnEditableWindow();
    void uploadRefusedByVerificationWritesNothing();
    void terminalTypingAndInstantDTMF();
    void terminalShowsCodesAndHighlightsThem();
    void progressBarFollowsTheTransfer();
};

void WindowSettingsTest::disconnectedWindowKeepsTheUnitControlsOff()
{
    WindowFixture f;
    f.start();
    for (int i = 0; i < kOptionCount; ++i)
        QVERIFY(!Option(f, i)->isEnabled());
    for (const char* name : {"txtRings", "txtPrefix", "txtInactDur", "txtDTMFOutDur", "txtPass", "chkDisconInfo",
                             "cmbPWRON", "cmdDownload", "cmdUpload", "txtInstDTMF", "cmdInstDTMFSend"})
        QVERIFY2(!f.find(QString::fromLatin1(name))->isEnabled(), name);
    for (const char* name : {"lstSequences_0", "lstSequences_1", "cmdConnect", "cmbPort", "txtTerminal", "cmdTermClear"})
        QVERIFY2(f.find(QString::fromLatin1(name))->isEnabled(), name);
    QVERIFY(!f.window->panels().dtmfStrings->entries()[0]->isEnabled());
    // Controls carry their commands and tags.
    QCOMPARE(Option(f, 11)->property("tag").toString(), QStringLiteral("jse"));
    QCOMPARE(Option(f, 7)->property("tag").toString(), QString());
    QCOMPARE(Option(f, 9)->text(), QStringLiteral("Ser2DTMF"));
    QCOMPARE(f.find(QStringLiteral("txtCell"))->property("tag").toString(), QStringLiteral("stateignore"));
    QCOMPARE(f.find(QStringLiteral("cmdCIns_3"))->property("tag").toString(), QStringLiteral("27"));
    QCOMPARE(f.find<QLineEdit>(QStringLiteral("txtPass"))->maxLength(), 4);
    QCOMPARE(f.find<QComboBox>(QStringLiteral("cmbExtStat"))->count(), 20);
    QCOMPARE(f.find<QComboBox>(QStringLiteral("cmbExtStat"))->itemText(19), QStringLiteral("20"));
}

void WindowSettingsTest::connectingEnablesTheUnitControlsByOption()
{
    ConnectedWindow f;
    frmMain& w = *f.window;
    QVERIFY(w.unitConnected());
    QCOMPARE(LastStatus(), QStringLiteral("Connected on COM1"));
    QCOMPARE(f.find<QPushButton>(QStringLiteral("cmdConnect"))->text(), QStringLiteral("Disconnect"));
    QVERIFY(!f.find(QStringLiteral("cmbPort"))->isEnabled());
    QVERIFY(!f.find(QStringLiteral("cmdRefresh"))->isEnabled());
    QCOMPARE(f.ini(QStringLiteral("ComPort")), QStringLiteral("Com1"));
    QVERIFY(f.find(QStringLiteral("cmdDownload"))->isEnabled());
    QVERIFY(Option(f, 0)->isEnabled());
    // Defaults 0x44 / 0x0E: Auto-Ans and Simple mode on, Inact Tmr, PW Check
    // and Ser2DTMF off.
    QVERIFY(f.find(QStringLiteral("txtRings"))->isEnabled());
    QVERIFY(f.find(QStringLiteral("txtPrefix"))->isEnabled());
    QVERIFY(!f.find(QStringLiteral("txtInactDur"))->isEnabled());
    QVERIFY(!f.find(QStringLiteral("txtPass"))->isEnabled());
    QVERIFY(!f.find(QStringLiteral("txtInstDTMF"))->isEnabled());
    QVERIFY(f.find(QStringLiteral("txtDTMFOutDur"))->isEnabled());

    // Disconnecting sends nothing and turns them off again.
    f.port.clearWrites();
    w.cmdConnect_Click();
    QVERIFY(!w.unitConnected());
    QVERIFY(f.port.written().isEmpty());
    QVERIFY(!Option(f, 0)->isEnabled());
    QVERIFY(!f.find(QStringLiteral("txtRings"))->isEnabled());
    QCOMPARE(f.find<QPushButton>(QStringLiteral("cmdConnect"))->text(), QStringLiteral("Connect"));
    QVERIFY(f.find(QStringLiteral("cmbPort"))->isEnabled());
}

void WindowSettingsTest::optionClickSendsTheCommandAndFollowsTheReply()
{
    ConnectedWindow f;
    QCheckBox* pwCheck = Option(f, 6);
    QCOMPARE(pwCheck->checkState(), Qt::Unchecked);
    f.port.clearWrites();
    f.port.setReplyDelay(300);   // the reply comes after the click is over
    ClickBox(pwCheck);
    QCOMPARE(pwCheck->checkState(), Qt::Unchecked);   // the mouse alone changes nothing
    QVERIFY(f.port.written().contains("jpw"));
    QCOMPARE(LastStatus(), QStringLiteral("jpw sent"));
    QTRY_COMPARE(pwCheck->checkState(), Qt::Checked);
    QVERIFY(OptionOn(Config(), 6));
    QVERIFY(f.find(QStringLiteral("txtPass"))->isEnabled());
    QVERIFY(f.window->isChanged());

    // Unticking it again follows the unit's "OFF".
    ClickBox(pwCheck);
    QTRY_COMPARE(pwCheck->checkState(), Qt::Unchecked);
    QVERIFY(!OptionOn(Config(), 6));
    QVERIFY(!f.find(QStringLiteral("txtPass"))->isEnabled());
}

void WindowSettingsTest::optionClickWhileDisconnectedChangesNothing()
{
    WindowFixture f;
    f.start();
    QCheckBox* box = Option(f, 1);
    box->setEnabled(true);   // normally disabled while disconnected
    const Qt::CheckState before = box->checkState();
    ClickBox(box);
    QCOMPARE(box->checkState(), before);
    QVERIFY(f.port.written().isEmpty());
}

void WindowSettingsTest::unansweredOptionCommandIsReported()
{
    ConnectedWindow f;
    f.sim.setMute(true);
    ClickBox(Option(f, 1));
    QCOMPARE(LastStatus(), QStringLiteral("jcr sent"));
    QTRY_COMPARE_WITH_TIMEOUT(LastStatus(), QStringLiteral("Unit did not respond to jcr request."), 3000);
    QCOMPARE(Option(f, 1)->checkState(), Qt::Checked);   // as the unit last said
}

void WindowSettingsTest::feedbackOffOnConnectShowsSilentMode()
{
    UnitConfig unit = DefaultConfig();
    SetOptionOn(unit, 5, false);
    ConnectedWindow f(unit);
    const QString silent = QStringLiteral(
        "KV310 unit is in silent mode.  Feedback messages won't be shown in the program/terminal.");
    QVERIFY(f.prompter.texts().contains(silent));
    QCOMPARE(Option(f, 5)->checkState(), Qt::Unchecked);
    QCOMPARE(Option(f, 0)->checkState(), Qt::PartiallyChecked);
    QCOMPARE(Option(f, 11)->checkState(), Qt::PartiallyChecked);
    QCOMPARE(Option(f, 7)->checkState(), Qt::Checked);   // reserved: no command, left as it is
    // Loading such a configuration while disconnected only unticks the box.
    WindowFixture g;
    g.start();
    SetOptionOn(Config(), 5, false);
    g.window->DisplayData(false);
    QCOMPARE(Option(g, 5)->checkState(), Qt::Unchecked);
    QCOMPARE(Option(g, 0)->checkState(), Qt::Checked);
}

void WindowSettingsTest::numericValidators_data()
{
    QTest::addColumn<int>("field");   // 0 rings, 1 inactivity, 2 DTMF duration
    QTest::addColumn<QString>("typed");
    QTest::addColumn<double>("stored");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("status");
    QTest::addColumn<bool>("store");
    QTest::addColumn<double>("value");
    const QString invalidRings = QStringLiteral("Invalid rings number (must be between 0 and 255).");
    QTest::newRow("rings letters") << 0 << "abc" << 4.0 << "1" << invalidRings << true << 1.0;
    QTest::newRow("rings 300") << 0 << "300" << 4.0 << "255"
                               << "Number of rings must be between 0 and 255." << false << 0.0;
    QTest::newRow("rings same") << 0 << "4" << 4.0 << "4" << "" << false << 0.0;
    QTest::newRow("rings negative") << 0 << "-3" << 4.0 << "3" << "" << true << 3.0;
    QTest::newRow("rings half to even") << 0 << "2.5" << 4.0 << "2.5" << "" << true << 2.0;
    QTest::newRow("empty") << 0 << "" << 4.0 << "" << "" << false << 0.0;
    QTest::newRow("inactivity letters") << 1 << "x" << 9.0 << "3"
                                        << "Invalid Inactivity number (must be between 0 and 255)." << true << 3.0;
    QTest::newRow("inactivity 256") << 1 << "256" << 9.0 << "255" << "" << false << 0.0;
    QTest::newRow("duration 13") << 2 << "13" << 5.0 << "12.75"
                                 << "DTMF duration must be between 0.00 and 12.75." << false << 0.0;
    QTest::newRow("duration -0.5") << 2 << "-0.5" << 5.0 << "0.50" << "" << true << 10.0;
    // One rounding when the value is taken, halves to the even step: the
    // unit and the data file then get the same whole steps.
    QTest::newRow("duration 0.125") << 2 << "0.125" << 5.0 << "0.10" << "" << true << 2.0;
    QTest::newRow("duration 0.175") << 2 << "0.175" << 5.0 << "0.20" << "" << true << 4.0;
    QTest::newRow("duration 0.13") << 2 << "0.13" << 5.0 << "0.15" << "" << true << 3.0;
    QTest::newRow("duration 0.124 same step") << 2 << "0.124" << 2.0 << "0.10" << "" << false << 0.0;
    QTest::newRow("duration same") << 2 << "0.25" << 5.0 << "0.25" << "" << false << 0.0;
    QTest::newRow("duration letters") << 2 << "fast" << 9.0 << "0.25"
                                      << "Invalid DTMF duration (must be between 0.00 and 12.75)." << true << 5.0;
}

void WindowSettingsTest::numericValidators()
{
    QFETCH(int, field);
    QFETCH(QString, typed);
    QFETCH(double, stored);
    const NumericField& fields = field == 0 ? RingsField() : field == 1 ? InactivityField() : DTMFDurationField();
    const NumericCheck check = CheckNumericBox(typed, stored, fields);
    QCOMPARE(check.act, !typed.isEmpty());
    if (!check.act)
        return;
    QTEST(check.text, "text");
    QTEST(check.status, "status");
    QTEST(check.store, "store");
    if (check.store)
        QTEST(check.value, "value");
}

void WindowSettingsTest::validatorsThroughTheWindow()
{
    WindowFixture f;
    frmMain& w = f.start();
    auto* rings = f.find<QLineEdit>(QStringLiteral("txtRings"));
    rings->setText(QStringLiteral("abc"));
    w.panels().settings->txtRings_Validate();
    QCOMPARE(LastStatus(), QStringLiteral("Invalid rings number (must be between 0 and 255)."));
    QCOMPARE(rings->text(), QStringLiteral("1"));
    QCOMPARE(Config().Rings, uint8_t(1));
    QVERIFY(!w.isChanged());   // 1 was already stored

    rings->setText(QStringLiteral("300"));
    w.panels().settings->txtRings_Validate();
    QCOMPARE(rings->text(), QStringLiteral("255"));
    QCOMPARE(Config().Rings, uint8_t(1));

    auto* duration = f.find<QLineEdit>(QStringLiteral("txtDTMFOutDur"));
    duration->setText(QStringLiteral("-0.5"));
    w.panels().settings->txtDTMFOutDur_Validate();
    QCOMPARE(duration->text(), QStringLiteral("0.50"));
    QCOMPARE(Config().DTMFOutDur, 10.0);
    QVERIFY(w.isChanged());

    auto* prefix = f.find<QLineEdit>(QStringLiteral("txtPrefix"));
    prefix->setText(QStringLiteral("#"));
    w.panels().settings->txtPrefix_Validate();
    QCOMPARE(Config().PrefixChar, uint8_t('#'));
}

void WindowSettingsTest::passwordIsFilteredAndPadded()
{
    WindowFixture f;
    frmMain& w = f.start();
    auto* pass = f.find<QLineEdit>(QStringLiteral("txtPass"));
    pass->setEnabled(true);   // as with PW Check on while connected
    pass->setText(QStringLiteral("12x4"));
    w.panels().settings->txtPass_Validate();
    QCOMPARE(pass->text(), QStringLiteral("124"));
    QCOMPARE(Config().PassWord, QByteArray("124 "));
    QCOMPARE(LastStatus(), QStringLiteral("Unknown DTMF tone detected: X"));
    QVERIFY(w.isChanged());
    w.MarkChanged(false);
    w.panels().settings->txtPass_Validate();   // nothing new: no change mark
    QVERIFY(!w.isChanged());
}

void WindowSettingsTest::feedbackReader()
{
    FeedbackScanner scan(OptionNames());
    FeedbackReading r = scan.take(QStringLiteral("Ser Echo ON\n"));
    QCOMPARE(r.option, 11);
    QVERIFY(r.on);
    // The same text is not read twice; a new reply after it is.
    r = scan.take(QString());
    QCOMPARE(r.option, -1);
    r = scan.take(QStringLiteral("CR/LF ON or OFF\n"));
    QCOMPARE(r.option, 1);
    QVERIFY(!r.on);   // OFF wins
    // Without ON or OFF nothing is taken, and the text stays to be read
    // with what comes next.
    r = scan.take(QStringLiteral("abc Feedback"));
    QCOMPARE(r.option, -1);
    r = scan.take(QStringLiteral(" ON"));
    QCOMPARE(r.option, 5);
    QVERIFY(r.on);
    // Words split between arrivals, however finely.
    for (const QString& piece : {QStringLiteral("S"), QStringLiteral("er E"), QStringLiteral("cho "), QStringLiteral("O")})
        QCOMPARE(scan.take(piece).option, -1);
    r = scan.take(QStringLiteral("FF\r\n"));
    QCOMPARE(r.option, 11);
    QVERIFY(!r.on);
    // The search after a reply starts at the last character of the text
    // it was read from.
    r = scan.take(QStringLiteral("Inact Tmr OFF\r\nO"));
    QCOMPARE(r.option, 2);
    r = scan.take(QStringLiteral("N Auto-Ans"));
    QCOMPARE(r.option, 4);
    QVERIFY(r.on);
    // A reset is reported on its own, and again while no reply follows it.
    scan.clear();
    r = scan.take(QStringLiteral("Reset...\r\n"));
    QVERIFY(r.resetDetected);
    QCOMPARE(r.option, -1);
    QVERIFY(scan.take(QStringLiteral("x")).resetDetected);
    // Cleared: what came before is not read again.
    scan.take(QStringLiteral("Inact Tmr"));
    scan.clear();
    QCOMPARE(scan.take(QStringLiteral("ON")).option, -1);
    // Case matters.
    scan.clear();
    QCOMPARE(scan.take(QStringLiteral("ser echo on")).option, -1);
}

void WindowSettingsTest::feedbackInTheTerminalUpdatesOptionBits()
{
    WindowFixture f;
    frmMain& w = f.start();
    QVERIFY(!OptionOn(Config(), 11));
    w.panels().terminal->terminalAppend("Ser Echo ON\r\n");
    QCOMPARE(Option(f, 11)->checkState(), Qt::Checked);
    QCOMPARE(Config().Settings[1] & 0x08, 0);
    QVERIFY(w.isChanged());

    w.panels().terminal->terminalAppend("Auto-Ans OFF, was ON\r\n");
    QCOMPARE(Option(f, 4)->checkState(), Qt::Unchecked);
    QVERIFY(!OptionOn(Config(), 4));

    w.panels().terminal->terminalAppend("Reset...\r\n");
    QCOMPARE(LastStatus(), QStringLiteral("Unit reset detected.  Information displayed may be different from "
                                          "defaults in the unit.  Please sync by uploading or downloading."));

    // After Clear Terminal a reply read before is not read again.
    w.panels().terminal->cmdTermClear_Click();
    SetOptionOn(Config(), 11, false);
    w.DisplayData(true);
    w.panels().terminal->terminalAppend("x");
    QCOMPARE(Option(f, 11)->checkState(), Qt::Unchecked);
}

void WindowSettingsTest::feedbackOnForTheFeedbackOptionEndsSilentMode()
{
    WindowFixture f;
    frmMain& w = f.start();
    SetOptionOn(Config(), 5, false);
    w.DisplayData(true);
    w.panels().terminal->terminalAppend("Feedback ON\r\n");
    QVERIFY(OptionOn(Config(), 5));
    QCOMPARE(Option(f, 5)->checkState(), Qt::Checked);
    QCOMPARE(LastStatus(), QStringLiteral("KV310 software needs to be synched with the unit.  Please reconnect "
                                          "or download the settings."));
}

void WindowSettingsTest::eventBoxesKeepTheirSequence()
{
    ConnectedWindow f;
    frmMain& w = *f.window;
    auto* box = f.find<QCheckBox>(QStringLiteral("chkDisconInfo"));
    auto* combo = f.find<QComboBox>(QStringLiteral("cmbDisconInfo"));
    QVERIFY(box->isEnabled());
    QVERIFY(!combo->isEnabled());
    ClickBox(box);
    QVERIFY(combo->isEnabled());
    combo->setCurrentIndex(19);
    emit combo->activated(19);
    QCOMPARE(Config().DisconnectInfo, uint8_t(0x93));
    QVERIFY(w.isChanged());
    ClickBox(box);
    QCOMPARE(Config().DisconnectInfo, uint8_t(0x13));
    QVERIFY(!combo->isEnabled());
    ClickBox(box);
    QCOMPARE(Config().DisconnectInfo, uint8_t(0x93));

    // Shown from the model: ticked and "20".
    Config().PWRONInfo = 0x84;
    w.DisplayData(true);
    QVERIFY(f.find<QCheckBox>(QStringLiteral("chkPWRON"))->isChecked());
    QCOMPARE(f.find<QComboBox>(QStringLiteral("cmbPWRON"))->currentText(), QStringLiteral("05"));
}

void WindowSettingsTest::downloadDisablesTheWindowWhileItRuns()
{
    ConnectedWindow f;
    frmMain& w = *f.window;
    bool sawEepromRead = false;
    bool listsEnabledDuringRead = true;
    bool connectEnabledDuringRead = true;
    f.port.setResponder([&](const QByteArray& bytes) {
        if (bytes == QByteArray(1, char(0xD1))) {
            sawEepromRead = true;
            listsEnabledDuringRead = f.list(0)->isEnabled();
            connectEnabledDuringRead = f.find(QStringLiteral("cmdConnect"))->isEnabled();
        }
        return f.sim.onBytes(bytes);
    });
    w.cmdDownload_Click();
    QCOMPARE(LastStatus(), QStringLiteral("Download successful"));
    QVERIFY(sawEepromRead);
    QVERIFY(!listsEnabledDuringRead);
    QVERIFY(!connectEnabledDuringRead);
    QVERIFY(f.list(0)->isEnabled());
    QVERIFY(f.find(QStringLiteral("cmdConnect"))->isEnabled());
    QVERIFY(Option(f, 0)->isEnabled());
    QVERIFY(w.isChanged());
}

void WindowSettingsTest::lineDroppingInADownloadLeavesAnEditableWindow()
{
    ConnectedWindow f;
    frmMain& w = *f.window;
    Config().Rings = 33;   // not what the unit holds
    const UnitConfig before = Config();
    bool dropped = false;
    f.port.setResponder([&](const QByteArray& bytes) {
        if (!dropped && bytes == QByteArray(1, char(0x4A))) {
            dropped = true;
            QTimer::singleShot(0, &f.port, [&] { f.port.injectError(SerialError::LineDropped); });
            return QByteArray();
        }
        return f.sim.onBytes(bytes);
    });
    w.cmdDownload_Click();
    QVERIFY(dropped);
    QVERIFY(!w.unitConnected());
    QVERIFY(Config() == before);
    QVERIFY(LastStatus() != QStringLiteral("Download successful"));
    // Back to the disconnected window: editors and Connect usable, unit controls off.
    QVERIFY(f.list(0)->isEnabled());
    QVERIFY(f.find(QStringLiteral("cmdConnect"))->isEnabled());
    QCOMPARE(f.find<QPushButton>(QStringLiteral("cmdConnect"))->text(), QStringLiteral("Connect"));
    QVERIFY(f.find(QStringLiteral("cmbPort"))->isEnabled());
    QVERIFY(!Option(f, 0)->isEnabled());
    QVERIFY(!f.find(QStringLiteral("cmdDownload"))->isEnabled());
    QVERIFY(f.prompter.texts().last().startsWith(QStringLiteral("The connection to the unit was lost.")));
}

void WindowSettingsTest::uploadRefusedByVerificationWritesNothing()
{
    ConnectedWindow f;
    frmMain& w = *f.window;
    Config().SeqContents[3] = QByteArray::fromHex("0910");   // 04 jumps to itself
    Config().Rings = 9;
    w.DisplayData(false);
    w.mnuUpAll_Click();
    QCOMPARE(f.prompter.shown.last().title, QStringLiteral("Infinite jumps detected"));
    QVERIFY(f.prompter.shown.last().text.contains(QStringLiteral("Sequence 04 jumps to 04\r\n")));
    QVERIFY(f.sim.writes().isEmpty());
    QVERIFY(!LastStatus().startsWith(QStringLiteral("Upload successful")));
}

void WindowSettingsTest::terminalTypingAndInstantDTMF()
{
    {
        WindowFixture f;
        f.start();
        QTest::keyClicks(f.find(QStringLiteral("txtTerminal")), QStringLiteral("ab"));
        QVERIFY(f.port.written().isEmpty());   // not connected: nothing goes out
    }
    ConnectedWindow f;
    frmMain& w = *f.window;
    f.port.clearWrites();
    auto* terminal = f.find<QTextEdit>(QStringLiteral("txtTerminal"));
    QTest::keyClicks(terminal, QStringLiteral("ab"));
    QCOMPARE(f.port.written(), QByteArray("ab"));
    QVERIFY(f.port.writes().size() >= 2);   // one character at a time

    // With Ser2DTMF on, the instant DTMF line and the DTMF menu are open.
    w.panels().terminal->terminalAppend("Ser2DTMF ON\r\n");
    auto* inst = f.find<QLineEdit>(QStringLiteral("txtInstDTMF"));
    QVERIFY(inst->isEnabled());
    QVERIFY(w.panels().dtmfStrings->entries()[0]->isEnabled());
    f.port.clearWrites();
    inst->setText(QStringLiteral("5#"));
    QTest::keyClick(inst, Qt::Key_Return);
    QCOMPARE(f.port.written(), QByteArray("5#"));
    w.panels().dtmfStrings->RebuildDTMFMenu(QStringLiteral("12,*9"));
    f.port.clearWrites();
    w.panels().dtmfStrings->entries()[1]->trigger();
    QCOMPARE(f.port.written(), QByteArray("*9"));
}

void WindowSettingsTest::terminalShowsCodesAndHighlightsThem()
{
    WindowFixture f;
    frmMain& w = f.start();
    Config().ASCIIFlagChar = '\\';
    auto* terminal = f.find<QTextEdit>(QStringLiteral("txtTerminal"));
    auto* codes = f.find<QCheckBox>(QStringLiteral("chkTermAscCodeDisplay"));
    codes->setChecked(true);
    w.panels().terminal->terminalAppend("A\r");
    QCOMPARE(terminal->toPlainText(), QStringLiteral("A\\13\\"));
    w.panels().terminal->terminalAppend(QByteArray("\\65\\"));   // printable: never red
    QTRY_COMPARE(ColourAt(terminal, 1), QColor(255, 0, 0));
    QCOMPARE(ColourAt(terminal, 4), QColor(255, 0, 0));
    QCOMPARE(ColourAt(terminal, 0), QColor(Qt::black));
    QCOMPARE(ColourAt(terminal, 6), QColor(Qt::black));
    QCOMPARE(ColourAt(terminal, 8), QColor(Qt::black));

    // All characters as codes.
    f.find<QCheckBox>(QStringLiteral("chkGlobalAscCodeOnly"))->setChecked(true);
    w.panels().terminal->cmdTermClear_Click();
    w.panels().terminal->terminalAppend("Hi");
    QCOMPARE(terminal->toPlainText(), QStringLiteral("\\72\\\\105\\"));
    f.find<QCheckBox>(QStringLiteral("chkGlobalAscCodeOnly"))->setChecked(false);

    // Plain display shows line ends as new lines.
    codes->setChecked(false);
    w.panels().terminal->cmdTermClear_Click();
    w.panels().terminal->terminalAppend("one\r\ntwo");
    QCOMPARE(terminal->toPlainText(), QStringLiteral("one\ntwo"));
    // A CR LF that comes in two reads is still one line end; a lone CR and
    // a lone LF are one each.
    w.panels().terminal->terminalAppend("\r");
    w.panels().terminal->terminalAppend("\nthree\r");
    w.panels().terminal->terminalAppend("four\n\nfive");
    QCOMPARE(terminal->toPlainText(), QStringLiteral("one\ntwo\nthree\nfour\n\nfive"));
}

void WindowSettingsTest::progressBarFollowsTheTransfer()
{
    WindowFixture f;
    frmMain& w = f.start();
    auto* bar = f.find<ProgressBar>(QStringLiteral("picProgress"));
    QVERIFY(bar->width() > 0);
    w.panels().status->UpdateBar(0, 40);
    QCOMPARE(bar->barWidth(), 0);
    w.panels().status->UpdateBar(10, -1);
    QCOMPARE(bar->barWidth(), bar->width() / 4);
    w.panels().status->UpdateBar(40, -1);
    QCOMPARE(bar->barWidth(), bar->width());
    w.panels().status->UpdateBar(0, 0);
    QCOMPARE(bar->barWidth(), 0);
}

QTEST_MAIN(WindowSettingsTest)
#include "tst_window_settings.moc"

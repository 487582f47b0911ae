#include "actioneditor.h"

#include "bytes.h"
#include "fakeeditorhost.h"
#include "menuentries.h"
#include "scriptedprompter.h"
#include "testfolder.h"
#include "unitconfig.h"

#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>

namespace {
const QString kJumpWarning = QStringLiteral(
    "'Jump sequence' action should be the last action in the sequence as any actions in this "
    "sequence after the jump are not processed.");
} // namespace

class TestActionEditor : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<TestProgramFolder> folder;
    std::unique_ptr<ScriptedPrompter> prompts;
    std::unique_ptr<FakeEditorHost> host;
    UnitConfig config;   // what the window would own
    ActionEditor* editor = nullptr;

    template <class T>
    T* child(const char* name) const
    {
        T* w = editor->findChild<T*>(QString::fromLatin1(name));
        if (!w)
            qFatal("no child %s", name);
        return w;
    }
    QComboBox* combo(const char* name) const { return child<QComboBox>(name); }
    QTreeWidget* rows() const { return editor->actionList(); }
    QString row(int n) const { return rows()->topLevelItem(n - 1)->text(1); }
    void setRow(int n, const QString& text) { rows()->topLevelItem(n - 1)->setText(1, text); }

    QPoint rowPoint(int n) const
    {
        return rows()->visualItemRect(rows()->topLevelItem(n - 1)).center();
    }
    void click(int n, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseClick(rows()->viewport(), button, {}, rowPoint(n));
        editor->actionsMenu()->hide();
    }
    // Opens the pop-up menu on row n and reports which entries it enables.
    QStringList menuOffers(int n)
    {
        QTest::mousePress(rows()->viewport(), Qt::RightButton, {}, rowPoint(n));
        const QStringList enabled = EnabledEntries(editor->actionsMenu());
        editor->actionsMenu()->hide();
        return enabled;
    }
    void trigger(const char* entry) { editor->actionsMenu()->findChild<QAction*>(QString::fromLatin1(entry))->trigger(); }
    void choose(const char* list, const QString& text)
    {
        QComboBox* c = combo(list);
        const int index = c->findText(text);
        if (index < 0)
            qFatal("no entry %s", qPrintable(text));
        c->setCurrentIndex(index);
    }
    void key(int k, Qt::KeyboardModifiers mods = {}) { QTest::keyClick(rows(), Qt::Key(k), mods); }

private slots:
    void init()
    {
        folder = std::make_unique<TestProgramFolder>();
        prompts = std::make_unique<ScriptedPrompter>();
        config = UnitConfig{};
        config.ASCIIStrings[0] = "Hello";
        config.ASCIIStrings[1] = "ATH\\13\\";
        host = std::make_unique<FakeEditorHost>();
        editor = new ActionEditor(host.get(), config, &host->window);
        host->window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host->window));
    }
    void cleanup()
    {
        host.reset();
        prompts.reset();
        folder.reset();
    }

    void frameCarriesItsControlsAndTips()
    {
        QCOMPARE(editor->objectName(), QStringLiteral("fraSequence"));
        QVERIFY(editor->isHidden());
        QCOMPARE(rows()->topLevelItemCount(), 15);
        QCOMPARE(rows()->headerItem()->text(0), QStringLiteral("#"));
        QCOMPARE(rows()->headerItem()->text(1), QStringLiteral("Action"));
        QCOMPARE(rows()->topLevelItem(14)->text(0), QStringLiteral("15"));
        QCOMPARE(combo("cmbAction")->count(), 10);
        QCOMPARE(combo("cmbAction")->itemText(9), QStringLiteral("Jump Sequence "));
        QCOMPARE(combo("cmbAction")->toolTip(), QStringLiteral("Which action to perform"));
        QCOMPARE(combo("cmbActParam")->toolTip(), QStringLiteral("Parameters for selected action"));
        QCOMPARE(combo("cmbActParam3")->toolTip(), QStringLiteral("2nd parameter for selected action"));
        QCOMPARE(child<QPushButton>("cmdSeqUpdate")->text(), QStringLiteral("Save"));
        QCOMPARE(child<QPushButton>("cmdSeqUpdate")->toolTip(),
                 QStringLiteral("Update whole sequence in sequences list. (Hide Sequence Editor)"));
        QCOMPARE(child<QPushButton>("cmdSeqCancel")->toolTip(), QStringLiteral("Do not save the changes"));
        QVERIFY(rows()->toolTip().startsWith(QStringLiteral("Select which action to edit and use dropdown boxes below")));
        QVERIFY(editor->findChild<QWidget*>(QStringLiteral("picAction")));
        QVERIFY(editor->findChild<QLabel*>(QStringLiteral("lblAction_3")));
        QStringList entries;
        for (QAction* a : editor->actionsMenu()->actions())
            entries.append(a->text());
        QCOMPARE(entries, (QStringList{"Insert above", "Copy", "Paste", "Remove"}));
    }

    void openingAnEmptySequencePlacesADefaultAction()
    {
        editor->SplitSequence(3);
        QVERIFY(!editor->isHidden());
        QCOMPARE(child<QLabel>("lblSequence_0")->text(), QStringLiteral("Action Editor: Sequence #3"));
        QCOMPARE(host->states.first(), qMakePair(false, false));
        QCOMPARE(editor->CurSeq(), 3);
        QCOMPARE(row(1), QStringLiteral("Send ASCII 'Hello'"));
        QCOMPARE(editor->tempSeq().ActionCount, int16_t(1));
        QCOMPARE(editor->tempSeq().Contents, Bytes({0, 0}));
        QCOMPARE(combo("cmbActParam")->count(), 20);
        QCOMPARE(child<QLabel>("lblAction_1")->text(), QStringLiteral("String:"));

        child<QPushButton>("cmdSeqCancel")->click();
        QVERIFY(editor->isHidden());
        QVERIFY(editor->tempSeq().Contents.isEmpty());
        QCOMPARE(editor->tempSeq().ActionCount, int16_t(0));
        QCOMPARE(host->states.last(), qMakePair(true, false));
        QVERIFY(config.SeqContents[2].isEmpty());
        QVERIFY(host->marks.isEmpty());
    }

    void emptyFirstStringStillGivesSendAscii()
    {
        config.ASCIIStrings[0].clear();
        editor->SplitSequence(1);
        QCOMPARE(row(1), QStringLiteral("Send ASCII ''"));
        QCOMPARE(editor->tempSeq().Contents, Bytes({0, 0}));
    }

    void openingLoadsRowsWithoutRewritingThem()
    {
        config.SeqContents[1] = Bytes({4, 3, 8, 5, 255});
        config.SeqContentsLen[1] = 2;
        editor->SplitSequence(2);
        QCOMPARE(row(1), QStringLiteral("Toggle Relay 'Relay 3'"));
        QCOMPARE(row(2), QStringLiteral("Pause '01.000' sec(s)"));
        QCOMPARE(row(3), QString());
        QCOMPARE(combo("cmbAction")->currentIndex(), 4);
        QCOMPARE(combo("cmbActParam")->currentText(), QStringLiteral("Relay 3"));
        QVERIFY(!combo("cmbActParam2")->isEnabled());

        click(2);
        QCOMPARE(combo("cmbAction")->currentIndex(), 8);
        QVERIFY(!combo("cmbActParam")->isEnabled());
        QCOMPARE(combo("cmbActParam2")->currentText(), QStringLiteral("1 sec"));
        QCOMPARE(combo("cmbActParam3")->currentText(), QStringLiteral("0 ms"));
        QCOMPARE(child<QLabel>("lblSequence_1")->text(),
                 QStringLiteral("Pause completely halts the unit, therefore, DTMF/Serial inputs are disabled while paused."));
        QCOMPARE(row(1), QStringLiteral("Toggle Relay 'Relay 3'"));
        QCOMPARE(editor->tempSeq().Contents, Bytes({4, 3, 8, 5}));
    }

    void pauseAndTimedClosureThroughThePanel()
    {
        editor->SplitSequence(4);
        click(2);                                     // a blank row: selected only
        QCOMPARE(row(2), QString());
        choose("cmbAction", QStringLiteral("Pause "));
        QCOMPARE(row(2), QStringLiteral("Pause '00.000' sec(s)"));
        QCOMPARE(combo("cmbActParam2")->count(), 51);
        QCOMPARE(combo("cmbActParam2")->itemText(2), QStringLiteral("2 secs"));
        QCOMPARE(combo("cmbActParam3")->itemText(4), QStringLiteral("800 ms"));
        // As the user picks them with the keyboard.
        QTest::keyClick(combo("cmbActParam2"), Qt::Key_Down);
        QTest::keyClick(combo("cmbActParam3"), Qt::Key_Down);
        QTest::keyClick(combo("cmbActParam3"), Qt::Key_Down);
        QCOMPARE(row(2), QStringLiteral("Pause '01.400' sec(s)"));

        click(3);
        choose("cmbAction", QStringLiteral("Timed Closure "));
        choose("cmbActParam", QStringLiteral("Relay 2"));
        choose("cmbActParam2", QStringLiteral("50 secs"));
        choose("cmbActParam3", QStringLiteral("800 ms"));
        QCOMPARE(row(3), QStringLiteral("Timed Closure 'Relay 2' for '50.800' sec(s)"));
        QCOMPARE(editor->tempSeq().Contents, Bytes({0, 0, 8, 7, 6, 2, 254}));

        child<QPushButton>("cmdSeqUpdate")->click();
        QVERIFY(editor->isHidden());
        QCOMPARE(config.SeqContents[3], Bytes({0, 0, 8, 7, 6, 2, 254}));
        QCOMPARE(config.SeqContentsLen[3], uint8_t(3));
        QCOMPARE(host->cell(host->sequences, 4, 2),
                 QStringLiteral("Send ASCII 'Hello', Pause '01.400' sec(s), Timed Closure 'Relay 2' for '50.800' sec(s)"));
        QCOMPARE(host->marks, QList<bool>{true});
        QCOMPARE(host->states.last(), qMakePair(true, false));
    }

    void jumpListMarksTheEditedSequence()
    {
        editor->SplitSequence(3);
        choose("cmbAction", QStringLiteral("Jump Sequence "));
        QComboBox* targets = combo("cmbActParam");
        QCOMPARE(targets->count(), 20);
        QCOMPARE(targets->itemText(0), QStringLiteral("01"));
        QCOMPARE(targets->itemText(2), QStringLiteral("03*"));
        QCOMPARE(targets->itemText(19), QStringLiteral("20"));
        QCOMPARE(child<QLabel>("lblAction_1")->text(), QStringLiteral("Sequence:"));
        choose("cmbActParam", QStringLiteral("05"));
        QCOMPARE(row(1), QStringLiteral("Jump Sequence '05'"));
        QCOMPARE(editor->tempSeq().Contents, Bytes({9, 17}));
        QVERIFY(prompts->shown.isEmpty());    // nothing below the jump
    }

    void jumpBeforeOtherActionsWarnsOnce()
    {
        config.SeqContents[0] = Bytes({2, 1, 3, 1, 4, 1});
        editor->SplitSequence(1);
        click(2);
        choose("cmbAction", QStringLiteral("Jump Sequence "));
        QCOMPARE(prompts->shown.size(), 1);
        QCOMPARE(prompts->shown[0].text, kJumpWarning);
        QCOMPARE(prompts->shown[0].title, QStringLiteral("'Jump Sequence' location warning"));
        QCOMPARE(prompts->shown[0].icon, MsgIcon::Information);
        QCOMPARE(row(2), QStringLiteral("Jump Sequence '01'"));
        QCOMPARE(row(3), QStringLiteral("Toggle Relay 'Relay 1'"));
    }

    void typeChangeKeepsTheRelayAndZeroesTheDuration()
    {
        config.SeqContents[0] = Bytes({2, 3});
        editor->SplitSequence(1);
        choose("cmbAction", QStringLiteral("Timed Open "));
        QCOMPARE(row(1), QStringLiteral("Timed Open 'Relay 3' for '00.000' sec(s)"));
        QCOMPARE(combo("cmbActParam2")->currentIndex(), 0);
        QCOMPARE(combo("cmbActParam3")->currentIndex(), 0);
        choose("cmbAction", QStringLiteral("Close Relay "));
        QCOMPARE(row(1), QStringLiteral("Close Relay 'Relay 3'"));
        // A new pause starts at 0 as well, whatever the relay was.
        choose("cmbAction", QStringLiteral("Pause "));
        QCOMPARE(row(1), QStringLiteral("Pause '00.000' sec(s)"));
        choose("cmbAction", QStringLiteral("Output DTMF Tone "));
        QCOMPARE(row(1), QStringLiteral("Output DTMF Tone '0'"));
        choose("cmbActParam", QStringLiteral("#"));
        QCOMPARE(editor->tempSeq().Contents, Bytes({1, 11}));
        choose("cmbAction", QStringLiteral("Send ASCII "));
        choose("cmbActParam", QStringLiteral("ATH\\13\\"));
        QCOMPARE(editor->tempSeq().Contents, Bytes({0, 1}));
    }

    void deleteRemovesAndClosesTheGap()
    {
        config.SeqContents[0] = Bytes({2, 1, 2, 2, 2, 3});
        editor->SplitSequence(1);
        click(2);
        key(Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(row(2), QStringLiteral("Close Relay 'Relay 2'"));
        key(Qt::Key_Delete);
        QCOMPARE(row(1), QStringLiteral("Close Relay 'Relay 1'"));
        QCOMPARE(row(2), QStringLiteral("Close Relay 'Relay 3'"));
        QCOMPARE(row(3), QString());
        QCOMPARE(editor->tempSeq().Contents, Bytes({2, 1, 2, 3}));
        // The menu's Remove does the same.
        click(1);
        trigger("mnuActionRem");
        QCOMPARE(row(1), QStringLiteral("Close Relay 'Relay 3'"));
        QCOMPARE(row(2), QString());
    }

    void insertAboveShiftsEveryRowDown()
    {
        editor->SplitSequence(1);
        for (int n = 1; n <= 15; ++n)
            setRow(n, n == 7 ? QString() : QStringLiteral("Close Relay 'Relay %1'").arg(n % 5));
        QCOMPARE(menuOffers(1), (QStringList{"mnuActionNewInsert", "mnuActionCopy", "mnuActionRem"}));
        trigger("mnuActionNewInsert");
        QCOMPARE(row(1), QString());
        QCOMPARE(row(2), QStringLiteral("Close Relay 'Relay 1'"));
        QCOMPARE(row(8), QString());
        QCOMPARE(row(15), QStringLiteral("Close Relay 'Relay 4'"));   // old row 14; row 15 is lost
        QCOMPARE(rows()->currentItem(), rows()->topLevelItem(0));
        // The next panel change writes into the inserted row.
        choose("cmbAction", QStringLiteral("Momentary Relay "));
        QCOMPARE(row(1), QStringLiteral("Momentary Relay 'Telco Relay'"));
    }

    void fullListOffersNoInsert()
    {
        editor->SplitSequence(1);
        for (int n = 1; n <= 15; ++n)
            setRow(n, QStringLiteral("Open Relay 'Relay 1'"));
        QCOMPARE(menuOffers(3), (QStringList{"mnuActionCopy", "mnuActionRem"}));
    }

    void copyAndPasteRows()
    {
        config.SeqContents[0] = Bytes({5, 4});
        editor->SplitSequence(1);
        click(3);
        QVERIFY(menuOffers(3).isEmpty());             // blank row, nothing copied
        key(Qt::Key_C, Qt::ControlModifier);          // blank row: copies nothing
        QVERIFY(editor->ActionClip().isEmpty());
        key(Qt::Key_V, Qt::ControlModifier);          // empty clip: nothing
        QCOMPARE(row(3), QString());

        click(1);
        key(Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(editor->ActionClip(), QStringLiteral("Momentary Relay 'Relay 4'"));
        choose("cmbActParam", QStringLiteral("Relay 2"));
        QCOMPARE(row(1), QStringLiteral("Momentary Relay 'Relay 2'"));
        QCOMPARE(menuOffers(4), QStringList{"mnuActionPaste"});
        // Pasting into a blank row leaves the panel as it was.
        key(Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(row(4), QStringLiteral("Momentary Relay 'Relay 4'"));
        QCOMPARE(combo("cmbActParam")->currentText(), QStringLiteral("Relay 2"));
        QCOMPARE(editor->tempSeq().Contents, Bytes({5, 2, 5, 4}));

        // The clip lasts after the editor closes.
        key(Qt::Key_Escape, Qt::ControlModifier);
        QVERIFY(!editor->isHidden());
        key(Qt::Key_Escape);
        QVERIFY(editor->isHidden());
        QCOMPARE(config.SeqContents[0], Bytes({5, 4}));
        QVERIFY(host->marks.isEmpty());
        editor->SplitSequence(2);
        QCOMPARE(editor->ActionClip(), QStringLiteral("Momentary Relay 'Relay 4'"));
        click(2);
        trigger("mnuActionPaste");
        QCOMPARE(row(2), QStringLiteral("Momentary Relay 'Relay 4'"));
    }

    void gapsAreSkippedAndAllEmptySavesNothing()
    {
        config.SeqContents[5] = Bytes({2, 1, 3, 2, 4, 3});
        config.SeqContentsLen[5] = 3;
        editor->SplitSequence(6);
        setRow(2, QString());
        editor->cmdSeqUpdate_Click();
        QCOMPARE(config.SeqContents[5], Bytes({2, 1, 4, 3}));
        QCOMPARE(config.SeqContentsLen[5], uint8_t(2));

        editor->SplitSequence(6);
        for (int n = 1; n <= 15; ++n)
            setRow(n, QStringLiteral("  "));
        editor->cmdSeqUpdate_Click();
        QVERIFY(config.SeqContents[5].isEmpty());
        QCOMPARE(config.SeqContentsLen[5], uint8_t(0));
        QCOMPARE(host->cell(host->sequences, 6, 2), QString());
    }

    void redisplayKeepsEditsInProgress()
    {
        config.SeqContents[0] = Bytes({2, 1, 2, 2, 2, 3});
        editor->SplitSequence(1);
        click(2);
        key(Qt::Key_Delete);
        click(3);                      // a blank row, as when placing a new action
        click(1);
        choose("cmbActParam", QStringLiteral("Relay 4"));
        editor->SplitSequence(1);      // as the window's redisplay does
        QCOMPARE(row(1), QStringLiteral("Close Relay 'Relay 4'"));
        QCOMPARE(row(2), QStringLiteral("Close Relay 'Relay 3'"));
        QCOMPARE(row(3), QString());
        QCOMPARE(config.SeqContents[0], Bytes({2, 1, 2, 2, 2, 3}));

        // Rows with a gap are written back closed up, not repeated.
        setRow(3, row(2));
        setRow(2, QString());
        choose("cmbActParam", QStringLiteral("Relay 1"));
        editor->SplitSequence(1);
        QCOMPARE(editor->rowTexts().mid(0, 4),
                 (QStringList{"Close Relay 'Relay 1'", "Close Relay 'Relay 3'", QString(), QString()}));
    }

    void redisplayOfAnotherRowKeepsTheEditedSequence()
    {
        config.SeqContents[2] = Bytes({2, 1});
        editor->SplitSequence(3);
        choose("cmbActParam", QStringLiteral("Relay 2"));
        editor->SplitSequence(6);      // the list's selection moved meanwhile
        QCOMPARE(editor->CurSeq(), 3);
        QCOMPARE(child<QLabel>("lblSequence_0")->text(), QStringLiteral("Action Editor: Sequence #3"));
        editor->cmdSeqUpdate_Click();
        QCOMPARE(config.SeqContents[2], Bytes({2, 2}));
        QVERIFY(config.SeqContents[5].isEmpty());
    }

    void targetsTheListsCannotShowAreLogged()
    {
        // From a file: a jump to 28 and a pause longer than the lists reach.
        config.SeqContents[0] = Bytes({9, 40, 8, 255});
        editor->SplitSequence(1);
        QCOMPARE(row(1), QStringLiteral("Jump Sequence '28'"));
        QCOMPARE(combo("cmbActParam")->currentIndex(), -1);
        click(2);
        QCOMPARE(combo("cmbActParam2")->currentIndex(), -1);
        QCOMPARE(editor->tempSeq().Contents, Bytes({9, 40, 8, 255}));
        QFile log(folder->file(QStringLiteral("ErrorLog.txt")));
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QString text = QString::fromLocal8Bit(log.readAll());
        QVERIFY2(text.contains(QStringLiteral(
                     "Error 380 (Invalid property value) in procedure UpdateActionControls of Form frmMain")),
                 qPrintable(text));
    }

    void longSequenceShowsFifteenRows()
    {
        QByteArray seq;
        for (int k = 0; k < 17; ++k)
            seq += Bytes({2, k % 5});
        config.SeqContents[0] = seq;
        editor->SplitSequence(1);
        QCOMPARE(row(15), QStringLiteral("Close Relay 'Relay 4'"));
        QVERIFY(!child<QLabel>("lblSequence_1")->text().isEmpty());
    }

    void doubleClickOpensTheTypeList()
    {
        config.SeqContents[0] = Bytes({2, 1});
        editor->SplitSequence(1);
        // Through the window, as the user's mouse comes: press, release,
        // press (a double click), release. The list stays open after the
        // last release.
        QWidget* top = rows()->window();
        QVERIFY(QTest::qWaitForWindowExposed(top));
        const QPoint at = rows()->viewport()->mapTo(top, rowPoint(1));
        QTest::mouseDClick(top->windowHandle(), Qt::LeftButton, {}, at);
        QTRY_VERIFY(combo("cmbAction")->view()->isVisible());
        QTest::qWait(200);
        QVERIFY(combo("cmbAction")->view()->isVisible());
        combo("cmbAction")->hidePopup();
    }
};

QTEST_MAIN(TestActionEditor)
#include "tst_actioneditor.moc"

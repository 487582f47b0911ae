// Editing through the real main window: sequences in the action editor,
// labels and ASCII strings in the cell editor with the Special Characters
// panel, the list operations, and the DTMF string list.
#include "windowfixture.h"

#include "actioneditor.h"
#include "listops.h"
#include "verification.h"
#include "wholelinetips.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSplitter>
#include <QTextEdit>
#include <QToolTip>

namespace {
QPoint CellCentre(QTreeWidget* list, int row, int column)
{
    QTreeWidgetItem* item = list->topLevelItem(row - 1);
    const QRect r = list->visualItemRect(item);
    const int x = list->header()->sectionViewportPosition(column - 1) + list->header()->sectionSize(column - 1) / 2;
    return QPoint(x, r.center().y());
}

void ClickCell(QTreeWidget* list, int row, int column, Qt::MouseButton button = Qt::LeftButton)
{
    QTest::mouseClick(list->viewport(), button, {}, CellCentre(list, row, column));
}

void Choose(QComboBox* box, int index)
{
    QVERIFY(box);
    QVERIFY2(index < box->count(), qPrintable(box->objectName()));
    box->setCurrentIndex(index);
    emit box->activated(index);
}

void TypeInto(QLineEdit* box, const QString& text)
{
    box->selectAll();
    box->del();
    box->insert(text);
}
} // namespace

class WindowEditingTest : public QObject {
    Q_OBJECT
private slots:
    void buildingASequenceThroughThePanel();
    void cancelLeavesTheSequenceAlone();
    void copyPasteRemoveOnBothLists();
    void asciiStringWithCodesFromTheSpecialCharactersPanel();
    void codeBoxClampsAndShowsTheCharacter();
    void openEditorFollowsItsCellWhenTheWindowResizes();
    void flagCharacterChangeIsToldAndRebuildsTheTerminalTexts();
    void flagBoxRefusesDigits();
    void escapeKeepsTheCellButAppliesTheFlag();
    void labelEditsAreVerified();
    void dtmfStringListStoredCommaJoined();
    void dtmfEditorEscapeAndEmptyList();
    void labelsKeepEveryByte();
    void keyboardOpensTheEditors();
    void cutLinesShowWholeInTheirToolTip();
    void pauseKeepsEveryActionRowInSight();
};

void WindowEditingTest::buildingASequenceThroughThePanel()
{
    WindowFixture f;
    frmMain& w = f.start();
    ClickCell(f.list(0), 2, 3);
    ActionEditor* editor = w.panels().actionEditor;
    QVERIFY(editor->isOpen());
    QCOMPARE(f.find<QLabel>(QStringLiteral("lblSequence_0"))->text(), QStringLiteral("Action Editor: Sequence #2"));
    // While the editor is open the settings frame stays disabled; the
    // editor's own controls are usable.
    QVERIFY(f.find(QStringLiteral("cmdSeqUpdate"))->isEnabled());
    QVERIFY(!f.find(QStringLiteral("chkOpt_0"))->isEnabled());

    QTreeWidget* actions = f.find<QTreeWidget>(QStringLiteral("lstActions"));
    QCOMPARE(actions->topLevelItem(0)->text(1), QStringLiteral("Send ASCII 'StringB'"));
    auto* type = f.find<QComboBox>(QStringLiteral("cmbAction"));
    auto* first = f.find<QComboBox>(QStringLiteral("cmbActParam"));
    auto* secs = f.find<QComboBox>(QStringLiteral("cmbActParam2"));
    auto* ms = f.find<QComboBox>(QStringLiteral("cmbActParam3"));

    // Row 2: a pause of 1 s 400 ms.
    ClickCell(actions, 2, 2);
    Choose(type, 8);
    Choose(secs, 1);
    Choose(ms, 2);
    QCOMPARE(actions->topLevelItem(1)->text(1), QStringLiteral("Pause '01.400' sec(s)"));
    // Row 3: a timed closure of Relay 2 for 50 s 800 ms.
    ClickCell(actions, 3, 2);
    Choose(type, 6);
    Choose(first, 2);
    Choose(secs, 50);
    Choose(ms, 4);
    QCOMPARE(actions->topLevelItem(2)->text(1), QStringLiteral("Timed Closure 'Relay 2' for '50.800' sec(s)"));
    // Row 2 becomes a jump to 05 while row 3 holds an action: the warning.
    const int before = int(f.prompter.shown.size());
    ClickCell(actions, 2, 2);
    Choose(type, 9);
    Choose(first, 4);
    QCOMPARE(actions->topLevelItem(1)->text(1), QStringLiteral("Jump Sequence '05'"));
    QVERIFY(f.prompter.shown.size() > before);
    QCOMPARE(f.prompter.shown.last().title, QStringLiteral("'Jump Sequence' location warning"));

    QVERIFY(!w.isChanged());
    QTest::mouseClick(f.find<QPushButton>(QStringLiteral("cmdSeqUpdate")), Qt::LeftButton);
    QVERIFY(!editor->isOpen());
    QCOMPARE(Config().SeqContents[1], QByteArray::fromHex("000109110602fe"));
    QCOMPARE(Config().SeqContentsLen[1], uint8_t(3));
    QCOMPARE(f.cell(0, 2, 3), QStringLiteral("Send ASCII 'StringB', Jump Sequence '05', Timed Closure 'Relay 2' "
                                             "for '50.800' sec(s)"));
    QVERIFY(w.isChanged());

    // The jump is allowed: 02 -> 05, which jumps nowhere. Saving writes it.
    w.mnuSave_Click();
    UnitConfig reread;
    QVERIFY(ImportKV310File(CurrentFile(), reread));
    QCOMPARE(reread.SeqContents[1], QByteArray::fromHex("000109110602fe"));
}

void WindowEditingTest::cancelLeavesTheSequenceAlone()
{
    WindowFixture f;
    frmMain& w = f.start();
    ClickCell(f.list(0), 4, 3);
    ClickCell(f.find<QTreeWidget>(QStringLiteral("lstActions")), 1, 2);
    Choose(f.find<QComboBox>(QStringLiteral("cmbAction")), 2);
    QTest::mouseClick(f.find<QPushButton>(QStringLiteral("cmdSeqCancel")), Qt::LeftButton);
    QVERIFY(!w.panels().actionEditor->isOpen());
    QCOMPARE(Config().SeqContents[3], QByteArray::fromHex("0003"));
    QCOMPARE(f.cell(0, 4, 3), QStringLiteral("Send ASCII 'StringD'"));
    QVERIFY(!w.isChanged());
    // The settings frame is back to its disconnected state, the lists usable.
    QVERIFY(f.list(0)->isEnabled());
}

void WindowEditingTest::copyPasteRemoveOnBothLists()
{
    WindowFixture f;
    frmMain& w = f.start();
    SequenceListOps* ops = w.panels().listOps.get();

    // Copy sequence 02 with Ctrl+C, paste on 05 with Ctrl+V.
    ClickCell(f.list(0), 2, 1);
    QTest::keyClick(f.list(0), Qt::Key_C, Qt::ControlModifier);
    ClickCell(f.list(0), 5, 1);
    QTest::keyClick(f.list(0), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(f.cell(0, 5, 3), QStringLiteral("Send ASCII 'StringB'"));
    QCOMPARE(Config().SeqContents[4], QByteArray::fromHex("0001"));
    QCOMPARE(f.cell(0, 5, 2), QStringLiteral("05"));   // the label stays

    // Remove through the pop-up on row 04: text and bytes go, label stays.
    ClickCell(f.list(0), 4, 1, Qt::RightButton);
    QVERIFY(ops->sequencesMenu()->isVisible());
    ops->sequencesMenu()->hide();
    ops->mnuSeqRem_Click();
    QCOMPARE(f.cell(0, 4, 3), QString());
    QVERIFY(Config().SeqContents[3].isEmpty());
    QCOMPARE(Config().SeqContentsLen[3], uint8_t(0));
    QCOMPARE(f.cell(0, 4, 2), QStringLiteral("04"));

    // The ASCII string list: copy 01 onto 03, then remove 03.
    ClickCell(f.list(1), 1, 1);
    QTest::keyClick(f.list(1), Qt::Key_C, Qt::ControlModifier);
    ClickCell(f.list(1), 3, 1);
    QTest::keyClick(f.list(1), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(f.cell(1, 3, 2), QStringLiteral("StringA"));
    QCOMPARE(Config().ASCIIStrings[2], QByteArray("StringA"));
    ClickCell(f.list(1), 3, 1, Qt::RightButton);
    ops->sequencesMenu()->hide();
    ops->mnuSeqRem_Click();
    QVERIFY(Config().ASCIIStrings[2].isEmpty());
    QCOMPARE(Config().SeqContents[2], QByteArray::fromHex("0002"));   // no sequence changes
    // Copy, paste and remove do not mark the configuration as changed.
    QVERIFY(!w.isChanged());
}

void WindowEditingTest::asciiStringWithCodesFromTheSpecialCharactersPanel()
{
    WindowFixture f;
    frmMain& w = f.start();
    ClickCell(f.list(1), 3, 2);
    auto* cell = f.find<QLineEdit>(QStringLiteral("txtCell"));
    auto* panel = f.find<QGroupBox>(QStringLiteral("fraHEX"));
    QVERIFY(!cell->isHidden());
    QVERIFY(!panel->isHidden());
    QCOMPARE(cell->maxLength(), 124);
    QCOMPARE(cell->text(), QStringLiteral("StringC"));
    QCOMPARE(f.find<QLineEdit>(QStringLiteral("txtASCFlag"))->text(), QStringLiteral("/"));
    // The panel opens right under the editor, left-aligned with it.
    QCOMPARE(panel->x(), cell->x());
    QCOMPARE(panel->y(), cell->geometry().bottom() + 1);

    TypeInto(cell, QStringLiteral("AT"));
    QTest::mouseClick(f.find<QPushButton>(QStringLiteral("cmdCIns_0")), Qt::LeftButton);   // CR
    QCOMPARE(cell->text(), QStringLiteral("AT/13/"));
    auto* code = f.find<QLineEdit>(QStringLiteral("txtASCCode"));
    code->setText(QStringLiteral("7"));
    QTest::mouseClick(f.find<QPushButton>(QStringLiteral("cmdInsert")), Qt::LeftButton);
    QCOMPARE(cell->text(), QStringLiteral("AT/13//7/"));
    QTest::mouseClick(f.find<QPushButton>(QStringLiteral("cmdOk")), Qt::LeftButton);

    QVERIFY(cell->isHidden());
    QVERIFY(panel->isHidden());
    QCOMPARE(Config().ASCIIStrings[2], QByteArray("AT/13//7/"));
    QCOMPARE(DecodeASCIICodes(Config().ASCIIStrings[2], char(Config().ASCIIFlagChar)), QByteArray("AT\r\x07"));
    QCOMPARE(f.cell(1, 3, 2), QStringLiteral("AT/13//7/"));
    QCOMPARE(f.cell(0, 3, 3), QStringLiteral("Send ASCII 'AT/13//7/'"));
    QVERIFY(w.isChanged());
    QVERIFY(w.panels().listOps->ActiveList() == nullptr);

    // A code above 255 typed by hand is refused: the string keeps its text.
    ClickCell(f.list(1), 3, 2);
    TypeInto(cell, QStringLiteral("X/300/"));
    QTest::keyClick(cell, Qt::Key_Return);
    QCOMPARE(Config().ASCIIStrings[2], QByteArray("AT/13//7/"));
    QCOMPARE(LastStatus(), QStringLiteral("ASCII codes must be a number between 0 and 255"));
}

void WindowEditingTest::codeBoxClampsAndShowsTheCharacter()
{
    WindowFixture f;
    f.start();
    ClickCell(f.list(1), 1, 2);
    auto* code = f.find<QLineEdit>(QStringLiteral("txtASCCode"));
    auto* preview = f.find<QLabel>(QStringLiteral("lblASCIIChar"));
    code->setText(QStringLiteral("300"));
    QCOMPARE(code->text(), QStringLiteral("255"));
    QCOMPARE(preview->text(), QString(QChar(255)));
    code->setText(QStringLiteral("-65"));
    QCOMPARE(code->text(), QStringLiteral("65"));
    QCOMPARE(preview->text(), QStringLiteral("A"));
    code->setText(QStringLiteral("x"));
    QCOMPARE(code->text(), QStringLiteral("0"));
    QCOMPARE(LastStatus(), QStringLiteral("ASCII codes must be a number between 0 and 255"));

    // With the flag "\" and an empty editor, Insert with code 7 gives \7\.
    Config().ASCIIFlagChar = '\\';
    f.find<QLineEdit>(QStringLiteral("txtASCFlag"))->setText(QStringLiteral("\\"));
    auto* cell = f.find<QLineEdit>(QStringLiteral("txtCell"));
    cell->clear();
    code->setText(QStringLiteral("7"));
    f.window->panels().cells->cmdInsert_Click();
    QCOMPARE(cell->text(), QStringLiteral("\\7\\"));
}

void WindowEditingTest::openEditorFollowsItsCellWhenTheWindowResizes()
{
    WindowFixture f;
    frmMain& w = f.start();
    ClickCell(f.list(1), 3, 2);
    auto* cell = f.find<QLineEdit>(QStringLiteral("txtCell"));
    auto* panel = f.find<QGroupBox>(QStringLiteral("fraHEX"));
    auto cellOrigin = [&] {
        QTreeWidget* list = f.list(1);
        const QRect row = list->visualItemRect(list->topLevelItem(2));
        return list->viewport()->mapTo(w.centralWidget(), QPoint(list->header()->sectionViewportPosition(1), row.top()));
    };
    const QPoint before = cell->pos();
    w.resize(w.width() + 320, w.height() + 120);
    QTRY_VERIFY(cellOrigin() != before);
    QTRY_COMPARE(cell->pos(), cellOrigin());
    QCOMPARE(panel->pos(), QPoint(cell->x(), cell->geometry().bottom() + 1));
    QCOMPARE(cell->text(), QStringLiteral("StringC"));   // still the same edit
}

void WindowEditingTest::flagCharacterChangeIsToldAndRebuildsTheTerminalTexts()
{
    WindowFixture f;
    frmMain& w = f.start();
    auto* display = f.find<QCheckBox>(QStringLiteral("chkTermAscCodeDisplay"));
    // Start-up built the texts with "\"; the defaults then brought "/".
    QCOMPARE(display->text(), QStringLiteral("Display invisible\\special chars as \\#\\"));
    ClickCell(f.list(1), 1, 2);
    f.find<QLineEdit>(QStringLiteral("txtASCFlag"))->setText(QStringLiteral("~"));
    const int before = int(f.prompter.shown.size());
    w.panels().cells->cmdOk_Click();
    QCOMPARE(f.prompter.shown.size(), before + 1);
    QCOMPARE(f.prompter.shown.last().text,
             QStringLiteral("Since the ASCII code flag character has been updated, please make sure to update all "
                            "other ASCII Strings with this new character, where needed."));
    QCOMPARE(Config().ASCIIFlagChar, uint8_t('~'));
    QCOMPARE(display->text(), QStringLiteral("Display invisible\\special chars as ~#~"));
    QVERIFY(display->toolTip().endsWith(QStringLiteral("in form ~#~ (in terminal)")));
    // Strings already entered are not converted.
    QCOMPARE(Config().ASCIIStrings[0], QByteArray("StringA"));

    // A label edit afterwards does not touch the flag.
    ClickCell(f.list(0), 1, 2);
    w.panels().cells->ProcessCell(true);
    QCOMPARE(Config().ASCIIFlagChar, uint8_t('~'));
    QCOMPARE(f.prompter.shown.size(), before + 1);
}

void WindowEditingTest::flagBoxRefusesDigits()
{
    WindowFixture f;
    f.start();
    ClickCell(f.list(1), 1, 2);
    auto* flag = f.find<QLineEdit>(QStringLiteral("txtASCFlag"));
    flag->clear();
    QTest::keyClicks(flag, QStringLiteral("7"));
    QVERIFY(flag->text().isEmpty());
    QTest::keyClicks(flag, QStringLiteral("~"));
    QCOMPARE(flag->text(), QStringLiteral("~"));
}

void WindowEditingTest::escapeKeepsTheCellButAppliesTheFlag()
{
    WindowFixture f;
    frmMain& w = f.start();
    ClickCell(f.list(1), 2, 2);
    auto* cell = f.find<QLineEdit>(QStringLiteral("txtCell"));
    TypeInto(cell, QStringLiteral("changed"));
    f.find<QLineEdit>(QStringLiteral("txtASCFlag"))->setText(QStringLiteral("\\"));
    QTest::keyClick(cell, Qt::Key_Escape);
    QVERIFY(cell->isHidden());
    QCOMPARE(f.cell(1, 2, 2), QStringLiteral("StringB"));
    QCOMPARE(Config().ASCIIStrings[1], QByteArray("StringB"));
    QCOMPARE(Config().ASCIIFlagChar, uint8_t('\\'));
    QVERIFY(!w.isChanged());
}

void WindowEditingTest::labelEditsAreVerified()
{
    WindowFixture f;
    frmMain& w = f.start();
    auto* cell = f.find<QLineEdit>(QStringLiteral("txtCell"));

    // A label of another sequence is refused and the cell reverts.
    ClickCell(f.list(0), 3, 2);
    QCOMPARE(cell->maxLength(), 3);
    QVERIFY(f.find<QGroupBox>(QStringLiteral("fraHEX"))->isHidden());
    TypeInto(cell, QStringLiteral("07"));
    QTest::keyClick(cell, Qt::Key_Return);
    QVERIFY(f.prompter.texts().last().startsWith(QStringLiteral("Following labels are not unique")));
    QCOMPARE(f.cell(0, 3, 2), QStringLiteral("03"));
    QCOMPARE(Config().SeqLabel[2], QByteArray("03"));

    // A new label is stored upper case with its length.
    ClickCell(f.list(0), 3, 2);
    TypeInto(cell, QStringLiteral("ab"));
    QTest::keyClick(cell, Qt::Key_Return);
    QCOMPARE(Config().SeqLabel[2], QByteArray("AB"));
    QCOMPARE(Config().SeqLabelLen[2], uint8_t(2));
    QCOMPARE(f.cell(0, 3, 2), QStringLiteral("AB"));
    QVERIFY(w.isChanged());

    // Clearing a label disables the sequence and says so.
    ClickCell(f.list(0), 4, 2);
    TypeInto(cell, QString());
    QTest::keyClick(cell, Qt::Key_Return);
    QCOMPARE(LastStatus(), QStringLiteral("Sequence #04 disabled."));
    QVERIFY(Config().SeqLabel[3].isEmpty());
    QCOMPARE(Config().SeqLabelLen[3], uint8_t(0));

    // Pressing another row while editing commits the edit first.
    ClickCell(f.list(0), 5, 2);
    TypeInto(cell, QStringLiteral("Z"));
    ClickCell(f.list(0), 6, 1);
    QVERIFY(cell->isHidden());
    QCOMPARE(Config().SeqLabel[4], QByteArray("Z"));
}

void WindowEditingTest::dtmfStringListStoredCommaJoined()
{
    WindowFixture f;
    frmMain& w = f.start();
    auto* frame = f.find<QGroupBox>(QStringLiteral("fraDTMFStrings"));
    auto* list = f.find<QTreeWidget>(QStringLiteral("lstDTMFStr"));
    auto* cell = f.find<QLineEdit>(QStringLiteral("txtCell"));

    // No strings yet: the single entry opens the editor with one empty row.
    QCOMPARE(w.panels().dtmfStrings->entries().size(), 1);
    QCOMPARE(w.panels().dtmfStrings->entries()[0]->text(), QStringLiteral("Not Defined"));
    w.panels().dtmfStrings->mnuDTMFStr_Click(0);
    QVERIFY(!frame->isHidden());
    QCOMPARE(list->topLevelItemCount(), 1);
    QCOMPARE(f.ini(QStringLiteral("LastDTD")), CurrentFile());   // saved on opening

    QTest::mouseClick(f.find<QPushButton>(QStringLiteral("cmdAddDTMF")), Qt::LeftButton);
    QTest::mouseClick(f.find<QPushButton>(QStringLiteral("cmdAddDTMF")), Qt::LeftButton);
    QCOMPARE(list->topLevelItem(2)->text(0), QStringLiteral("3"));
    ClickCell(list, 1, 2);
    QVERIFY(!cell->isHidden());
    TypeInto(cell, QStringLiteral("1x2"));
    QTest::keyClick(cell, Qt::Key_Return);
    QCOMPARE(list->topLevelItem(0)->text(1), QStringLiteral("12"));
    QCOMPARE(LastStatus(), QStringLiteral("Unknown DTMF tone detected: X"));
    ClickCell(list, 3, 2);
    TypeInto(cell, QStringLiteral("*9"));
    ClickCell(list, 2, 1);   // pressing the list commits the open edit
    QCOMPARE(list->topLevelItem(2)->text(1), QStringLiteral("*9"));

    QTest::mouseClick(f.find<QPushButton>(QStringLiteral("cmdDTMFStrOK")), Qt::LeftButton);
    QVERIFY(frame->isHidden());
    QCOMPARE(f.ini(QStringLiteral("DTMFStrings")), QStringLiteral("12,*9"));
    const QList<QAction*> entries = w.panels().dtmfStrings->entries();
    QCOMPARE(entries.size(), 2);
    QCOMPARE(entries[0]->text(), QStringLiteral("Send: 12"));
    QCOMPARE(entries[1]->text(), QStringLiteral("Send: *9"));
    // Not connected: choosing a string sends nothing (and opens nothing).
    w.panels().dtmfStrings->mnuDTMFStr_Click(1);
    QVERIFY(f.port.written().isEmpty());
    QVERIFY(frame->isHidden());

    // Reopened, the editor lists the two strings; Delete empties a row.
    w.panels().dtmfStrings->mnuEditDTMFStr_Click();
    QCOMPARE(list->topLevelItemCount(), 2);
    QCOMPARE(list->topLevelItem(1)->text(1), QStringLiteral("*9"));
    ClickCell(list, 1, 1);
    QTest::keyClick(list, Qt::Key_Delete);
    QCOMPARE(list->topLevelItem(0)->text(1), QString());
    QCOMPARE(list->topLevelItemCount(), 2);
    w.panels().dtmfStrings->cmdDTMFStrOK_Click();
    QCOMPARE(f.ini(QStringLiteral("DTMFStrings")), QStringLiteral("*9"));
}

void WindowEditingTest::dtmfEditorEscapeAndEmptyList()
{
    WindowFixture f;
    f.writeIni("[KV310]\r\nDTMFStrings=12,*9\r\n");
    frmMain& w = f.start();
    auto* frame = f.find<QGroupBox>(QStringLiteral("fraDTMFStrings"));
    auto* list = f.find<QTreeWidget>(QStringLiteral("lstDTMFStr"));

    // Escape after editing stores nothing.
    w.panels().dtmfStrings->mnuEditDTMFStr_Click();
    list->topLevelItem(0)->setText(1, QStringLiteral("777"));
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Escape);
    QVERIFY(frame->isHidden());
    QCOMPARE(f.ini(QStringLiteral("DTMFStrings")), QStringLiteral("12,*9"));
    QCOMPARE(w.panels().dtmfStrings->entries()[0]->text(), QStringLiteral("Send: 12"));

    // Emptying every row leaves "Not Defined", which opens the editor.
    w.panels().dtmfStrings->mnuEditDTMFStr_Click();
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        list->topLevelItem(i)->setText(1, QString());
    w.panels().dtmfStrings->cmdDTMFStrOK_Click();
    QCOMPARE(f.ini(QStringLiteral("DTMFStrings")), QString());
    QCOMPARE(w.panels().dtmfStrings->entries().size(), 1);
    QCOMPARE(w.panels().dtmfStrings->entries()[0]->text(), QStringLiteral("Not Defined"));
    w.panels().dtmfStrings->entries()[0]->setEnabled(true);
    w.panels().dtmfStrings->entries()[0]->trigger();
    QVERIFY(!frame->isHidden());
}

void WindowEditingTest::labelsKeepEveryByte()
{
    WindowFixture f;
    f.start();
    auto* cell = f.find<QLineEdit>(QStringLiteral("txtCell"));
    // Latin-1 letters that have no one-byte capital (or a two-letter one)
    // stay as they are; only a..z become capitals. The other labels are
    // not touched by the edit of one.
    Config().SeqLabel[0] = "\xff\xb5";   // set before display: "ÿµ"
    Config().SeqLabelLen[0] = 2;
    f.window->DisplayData(false);
    ClickCell(f.list(0), 3, 2);
    TypeInto(cell, QString::fromLatin1("\xdf" "a\xe9"));   // "ßaé"
    QTest::keyClick(cell, Qt::Key_Return);
    QCOMPARE(Config().SeqLabel[2], QByteArray("\xdf" "A\xe9"));
    QCOMPARE(Config().SeqLabelLen[2], uint8_t(3));
    QCOMPARE(Config().SeqLabel[0], QByteArray("\xff\xb5"));
    QCOMPARE(Config().SeqLabelLen[0], uint8_t(2));
    QCOMPARE(f.cell(0, 1, 2), QString::fromLatin1("\xff\xb5"));
    // The verification's own reading of the configuration agrees.
    QCOMPARE(SequenceListTexts(Config()).labels.value(2), QString::fromLatin1("\xdf" "A\xe9"));
}

void WindowEditingTest::keyboardOpensTheEditors()
{
    WindowFixture f;
    frmMain& w = f.start();
    auto* cell = f.find<QLineEdit>(QStringLiteral("txtCell"));
    QTreeWidget* sequences = f.list(0);
    QTreeWidget* strings = f.list(1);

    // Enter on a sequence row: its action editor.
    sequences->setFocus();
    sequences->setCurrentItem(sequences->topLevelItem(4));
    QTest::keyClick(sequences, Qt::Key_Return);
    QVERIFY(w.panels().actionEditor->isOpen());
    QCOMPARE(w.panels().actionEditor->CurSeq(), 5);
    w.panels().actionEditor->cmdSeqCancel_Click();

    // F2 on a sequence row: its label in the cell editor.
    sequences->setFocus();
    sequences->setCurrentItem(sequences->topLevelItem(6));
    QTest::keyClick(sequences, Qt::Key_F2);
    QVERIFY(!cell->isHidden());
    QCOMPARE(cell->text(), QStringLiteral("07"));
    QCOMPARE(cell->maxLength(), 3);
    QTest::keyClick(cell, Qt::Key_Escape);

    // Enter or F2 on an ASCII string: the string in the cell editor.
    for (int key : {int(Qt::Key_Enter), int(Qt::Key_F2)}) {
        strings->setFocus();
        strings->setCurrentItem(strings->topLevelItem(1));
        QTest::keyClick(strings, Qt::Key(key));
        QVERIFY(!cell->isHidden());
        QCOMPARE(cell->text(), QStringLiteral("StringB"));
        QTest::keyClick(cell, Qt::Key_Escape);
        QVERIFY(cell->isHidden());
    }

    // The unit commands name their keys.
    for (const char* name : {"cmdConnect", "cmdDownload", "cmdUpload"}) {
        const QString tip = f.find(QString::fromLatin1(name))->toolTip();
        QVERIFY2(tip.contains(QStringLiteral("(Ctrl+")), qPrintable(tip));
    }
    // Ctrl+K is Connect: with no port chosen it asks for one.
    f.find<QComboBox>(QStringLiteral("cmbPort"))->setCurrentIndex(-1);
    QTest::keyClick(&w, Qt::Key_K, Qt::ControlModifier);
    QCOMPARE(LastStatus(), QStringLiteral("Please select a COM port first"));

    // Tab leaves the terminal; it does not go to the unit.
    auto* terminal = f.find<QTextEdit>(QStringLiteral("txtTerminal"));
    terminal->setFocus();
    QVERIFY(terminal->hasFocus());
    QTest::keyClick(terminal, Qt::Key_Tab);
    QVERIFY(!terminal->hasFocus());
}

void WindowEditingTest::cutLinesShowWholeInTheirToolTip()
{
    WindowFixture f;
    f.start();
    QTreeWidget* sequences = f.list(0);
    QByteArray seq;
    for (int k = 0; k < 15; ++k)
        seq += QByteArray::fromHex("0801");   // Pause 1 step, fifteen times
    Config().SeqContents[1] = seq;
    Config().SeqContentsLen[1] = 15;
    f.window->DisplayData(false);
    const QString line = f.cell(0, 2, 3);
    QVERIFY(line.size() > 200);

    const int x = sequences->header()->sectionViewportPosition(2) + 5;
    const QPoint onLong(x, sequences->visualItemRect(sequences->topLevelItem(1)).center().y());
    QCOMPARE(WholeLineTips::cutText(sequences, onLong), line);
    // A line that fits keeps the list's own tip.
    const QPoint onShort(x, sequences->visualItemRect(sequences->topLevelItem(0)).center().y());
    QCOMPARE(WholeLineTips::cutText(sequences, onShort), QString());

    // Shown as the tool tip, wrapped rather than one line off the screen.
    QHelpEvent help(QEvent::ToolTip, onLong, sequences->viewport()->mapToGlobal(onLong));
    QApplication::sendEvent(sequences->viewport(), &help);
    QTRY_VERIFY(QToolTip::isVisible());
    QVERIFY(QToolTip::text().contains(line.toHtmlEscaped()));
    QToolTip::hideText();

    // The room goes where the user wants it.
    auto* lists = f.find<QSplitter>(QStringLiteral("splLists"));
    QVERIFY(lists && lists->indexOf(sequences) == 0);
    QVERIFY(f.find<QSplitter>(QStringLiteral("splPanes")));
}

void WindowEditingTest::pauseKeepsEveryActionRowInSight()
{
    WindowFixture f;
    frmMain& w = f.start();
    Config().SeqContents[0] = QByteArray::fromHex("0801");   // one pause
    Config().SeqContentsLen[0] = 1;
    w.DisplayData(false);
    ClickCell(f.list(0), 1, 3);
    ActionEditor* editor = w.panels().actionEditor;
    QVERIFY(editor->isOpen());
    QTreeWidget* rows = editor->actionList();
    QTest::mouseClick(rows->viewport(), Qt::LeftButton, {},
                      rows->visualItemRect(rows->topLevelItem(0)).center());
    QVERIFY(!editor->findChild<QLabel*>(QStringLiteral("lblSequence_1"))->text().isEmpty());   // the pause note
    QApplication::processEvents();
    const QRect last = rows->visualItemRect(rows->topLevelItem(14));
    QVERIFY2(rows->viewport()->rect().contains(last), "row 15 is out of sight");
    QVERIFY(editor->autoFillBackground());
}

QTEST_MAIN(WindowEditingTest)
#include "tst_window_editing.moc"

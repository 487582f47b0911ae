#include "listops.h"

#include "actioneditor.h"
#include "bytes.h"
#include "fakeeditorhost.h"
#include "menuentries.h"
#include "scriptedprompter.h"
#include "seqtext.h"
#include "testfolder.h"
#include "unitconfig.h"

#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QMenu>
#include <QTest>

class TestListOps : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<TestProgramFolder> folder;
    std::unique_ptr<ScriptedPrompter> prompts;
    std::unique_ptr<FakeEditorHost> host;
    UnitConfig config;   // what the window would own
    ActionEditor* editor = nullptr;
    SequenceListOps* ops = nullptr;

    QPoint cellPoint(QTreeWidget* list, int row, int column) const
    {
        const QRect r = list->visualItemRect(list->topLevelItem(row - 1));
        return QPoint(list->header()->sectionViewportPosition(column - 1) + 5, r.center().y());
    }
    void click(QTreeWidget* list, int row, int column)
    {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cellPoint(list, row, column));
    }
    // Right-clicks a row and reports the pop-up entries it enables.
    QStringList menuOffers(QTreeWidget* list, int row)
    {
        QTest::mouseClick(list->viewport(), Qt::RightButton, {}, cellPoint(list, row, 2));
        const QStringList enabled = EnabledEntries(ops->sequencesMenu());
        ops->sequencesMenu()->hide();
        return enabled;
    }
    void trigger(const char* entry) { ops->sequencesMenu()->findChild<QAction*>(QString::fromLatin1(entry))->trigger(); }
    void select(QTreeWidget* list, int row) { list->setCurrentItem(list->topLevelItem(row - 1)); }

    // Shows the model in the lists, as the window's display does.
    void display()
    {
        for (int i = 0; i < kSlotCount; ++i) {
            QTreeWidgetItem* seq = host->sequences->topLevelItem(i);
            seq->setText(1, QString::fromLatin1(config.SeqLabel[i]));
            seq->setText(2, GetENGSequenceFromUDT(config.SeqContents[i], config.ASCIIStrings));
            host->ascii->topLevelItem(i)->setText(1, QString::fromLatin1(config.ASCIIStrings[i]));
        }
    }

private slots:
    void init()
    {
        folder = std::make_unique<TestProgramFolder>();
        prompts = std::make_unique<ScriptedPrompter>();
        config = UnitConfig{};
        config.ASCIIStrings[0] = "Hello";
        config.ASCIIStrings[2] = "Bye";
        config.SeqContents[1] = Bytes({2, 1});
        config.SeqContentsLen[1] = 1;
        config.SeqContents[3] = Bytes({0, 2, 8, 5});
        config.SeqContentsLen[3] = 2;
        config.SeqLabel[1] = "TWO";
        config.SeqLabel[3] = "FOR";
        config.SeqLabel[4] = "FIV";
        host = std::make_unique<FakeEditorHost>();
        editor = new ActionEditor(host.get(), config, &host->window);
        ops = new SequenceListOps(host.get(), editor, config, &host->window);
        display();
        host->window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host->window));
    }
    void cleanup()
    {
        host.reset();
        prompts.reset();
        folder.reset();
    }

    void pasteReadsTheCopiedRowAtPasteTime()
    {
        QCOMPARE(menuOffers(host->sequences, 2), (QStringList{"mnuSeqCopy", "mnuSeqRem"}));
        QCOMPARE(ops->ActiveList(), host->sequences);
        trigger("mnuSeqCopy");
        QCOMPARE(ops->seqClipRow(), 2);

        // Sequence 02 changes in the action editor after the copy.
        click(host->sequences, 2, 3);
        QVERIFY(!editor->isHidden());
        QCOMPARE(editor->CurSeq(), 2);
        editor->findChild<QComboBox*>(QStringLiteral("cmbActParam"))->setCurrentIndex(3);
        editor->cmdSeqUpdate_Click();
        QCOMPARE(host->cell(host->sequences, 2, 2), QStringLiteral("Close Relay 'Relay 3'"));
        host->marks.clear();

        QCOMPARE(menuOffers(host->sequences, 5), QStringList{"mnuSeqPaste"});
        trigger("mnuSeqPaste");
        QCOMPARE(host->cell(host->sequences, 5, 2), QStringLiteral("Close Relay 'Relay 3'"));
        QCOMPARE(host->cell(host->sequences, 5, 1), QStringLiteral("FIV"));
        QCOMPARE(config.SeqContents[4], Bytes({2, 3}));
        QCOMPARE(config.SeqContentsLen[4], uint8_t(1));
        QCOMPARE(config.SeqLabel[4], QByteArray("FIV"));
        QVERIFY(host->marks.isEmpty());
    }

    void removeEmptiesTheSlotInPlace()
    {
        select(host->sequences, 4);
        ops->setActiveList(host->sequences);
        trigger("mnuSeqRem");
        QCOMPARE(host->cell(host->sequences, 4, 2), QString());
        QCOMPARE(host->cell(host->sequences, 4, 1), QStringLiteral("FOR"));
        QCOMPARE(host->cell(host->sequences, 4, 0), QStringLiteral("04"));
        QVERIFY(config.SeqContents[3].isEmpty());
        QCOMPARE(config.SeqContentsLen[3], uint8_t(0));
        QCOMPARE(config.SeqLabel[3], QByteArray("FOR"));

        QCOMPARE(menuOffers(host->ascii, 3), (QStringList{"mnuSeqCopy", "mnuSeqRem"}));
        trigger("mnuSeqRem");
        QCOMPARE(host->cell(host->ascii, 3, 1), QString());
        QVERIFY(config.ASCIIStrings[2].isEmpty());
        QCOMPARE(config.SeqContents[1], Bytes({2, 1}));
        QVERIFY(host->marks.isEmpty());
    }

    void asciiRowsCopyWithinTheirList()
    {
        QCOMPARE(menuOffers(host->ascii, 7), QStringList{});
        select(host->ascii, 1);
        QTest::keyClick(host->ascii, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(ops->seqClipList(), host->ascii);
        QCOMPARE(menuOffers(host->ascii, 7), QStringList{"mnuSeqPaste"});
        // A row of the other list is not offered for pasting.
        QCOMPARE(menuOffers(host->sequences, 7), QStringList{});
        QTest::keyClick(host->sequences, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(host->cell(host->sequences, 7, 2), QString());
        QVERIFY(config.SeqContents[6].isEmpty());

        select(host->ascii, 7);
        QTest::keyClick(host->ascii, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(host->cell(host->ascii, 7, 1), QStringLiteral("Hello"));
        QCOMPARE(config.ASCIIStrings[6], QByteArray("Hello"));
    }

    void ctrlCOnAnEmptyRowCopiesNothing()
    {
        select(host->sequences, 9);
        QTest::keyClick(host->sequences, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(ops->seqClipList(), nullptr);
        QTest::keyClick(host->sequences, Qt::Key_C);      // without Ctrl: not handled here
        QCOMPARE(ops->seqClipList(), nullptr);
    }

    void numberColumnClearsTheActiveList()
    {
        click(host->sequences, 4, 1);
        QCOMPARE(ops->ActiveList(), nullptr);
        QVERIFY(host->cellEdits.isEmpty());
        QVERIFY(editor->isHidden());
        QTest::keyClick(host->sequences, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(ops->ActiveList(), host->sequences);
        click(host->ascii, 4, 1);
        QCOMPARE(ops->ActiveList(), nullptr);
        QTest::keyClick(host->ascii, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(ops->ActiveList(), host->ascii);
    }

    void editableColumnsOpenTheCellEditor()
    {
        click(host->sequences, 6, 2);
        QCOMPARE(host->cellEdits.size(), 1);
        QCOMPARE(host->cellEdits[0].list, host->sequences);
        QCOMPARE(host->cellEdits[0].row, 6);
        QCOMPARE(host->cellEdits[0].column, 2);
        QCOMPARE(ops->ActiveList(), host->sequences);

        // A press while an edit is open commits it first.
        click(host->ascii, 2, 2);
        QCOMPARE(host->commits, 1);
        QCOMPARE(host->cellEdits.size(), 2);
        QCOMPARE(host->cellEdits[1].list, host->ascii);
        QCOMPARE(host->cellEdits[1].row, 2);
        QCOMPARE(ops->ActiveList(), host->ascii);
    }

    void clickBelowTheRowsOpensNothing()
    {
        for (int r = 5; r < 20; ++r)        // room below the last shown row
            host->sequences->topLevelItem(r)->setHidden(true);
        const QPoint below(200, host->sequences->viewport()->height() - 5);
        QVERIFY(!host->sequences->itemAt(below));
        select(host->sequences, 3);
        QTest::mouseClick(host->sequences->viewport(), Qt::LeftButton, {}, below);
        QCOMPARE(host->sequences->currentItem(), host->sequences->topLevelItem(2));
        QVERIFY(host->cellEdits.isEmpty());
        QVERIFY(editor->isHidden());
    }

    void openingAnotherSequenceCancelsTheOpenOne()
    {
        click(host->sequences, 4, 3);
        QCOMPARE(editor->CurSeq(), 4);
        QCOMPARE(editor->rowTexts().at(0), QStringLiteral("Send ASCII 'Bye'"));
        editor->findChild<QComboBox*>(QStringLiteral("cmbActParam"))->setCurrentIndex(0);
        QCOMPARE(editor->rowTexts().at(0), QStringLiteral("Send ASCII 'Hello'"));

        click(host->sequences, 2, 3);
        QCOMPARE(editor->CurSeq(), 2);
        QCOMPARE(editor->rowTexts().at(0), QStringLiteral("Close Relay 'Relay 1'"));
        QCOMPARE(editor->rowTexts().at(1), QString());
        QCOMPARE(config.SeqContents[3], Bytes({0, 2, 8, 5}));
        QVERIFY(host->marks.isEmpty());
        QCOMPARE(host->states, (QList<QPair<bool, bool>>{{false, false}, {true, false}, {false, false}}));
    }

    void listTextsFeedVerification()
    {
        const SequenceTexts texts = SequenceListColumnTexts(host->sequences);
        QCOMPARE(texts.labels.size(), 20);
        QCOMPARE(texts.labels[1], QStringLiteral("TWO"));
        QCOMPARE(texts.lines[3], QStringLiteral("Send ASCII 'Bye', Pause '01.000' sec(s)"));
        host->sequences->topLevelItem(5)->setText(1, QStringLiteral("TWO"));
        QVERIFY(!VerifyInformation(SequenceListColumnTexts(host->sequences).labels, texts.lines, false));
        QCOMPARE(prompts->shown.size(), 1);
    }
};

QTEST_MAIN(TestListOps)
#include "tst_listops.moc"

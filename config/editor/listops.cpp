#include "listops.h"

#include "actioneditor.h"
#include "editorhost.h"
#include "unitconfig.h"

#include <QAction>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QTreeWidget>

namespace {
constexpr int kSequenceList = 0;
constexpr int kAsciiList = 1;
constexpr int kLabelColumn = 1;      // 0-based columns of the sequence list
constexpr int kLineColumn = 2;
constexpr int kAsciiColumn = 1;      // of the ASCII string list
constexpr int kSequenceTextColumn = 3;   // 1-based, as clicked cells count
constexpr int kCellEditColumn = 2;       // 1-based: a sequence's label, a string's text

int ContentColumn(int listIndex) { return listIndex == kSequenceList ? kLineColumn : kAsciiColumn; }
bool ValidSlot(int row) { return row >= 1 && row <= kSlotCount; }
} // namespace

SequenceListOps::SequenceListOps(EditorHost* host, ActionEditor* editor, UnitConfig& config,
                                 QObject* parent)
    : QObject(parent)
    , host_(host)
    , editor_(editor)
    , config_(config)
{
    lists_ = {host->sequenceList(), host->asciiList()};
    for (int index : {kSequenceList, kAsciiList}) {
        QTreeWidget* l = lists_[index];
        listObjects_[index] = l;
        viewports_[index] = l->viewport();
        l->installEventFilter(this);
        l->viewport()->installEventFilter(this);
    }
    mnuSequences_ = new QMenu(host->hostWindow());
    mnuSequences_->setObjectName(QStringLiteral("mnuSequences"));
    auto add = [this](const char* name, const QString& caption, void (SequenceListOps::*slot)()) {
        QAction* entry = mnuSequences_->addAction(caption);
        entry->setObjectName(QString::fromLatin1(name));
        connect(entry, &QAction::triggered, this, slot);
        return entry;
    };
    mnuSeqCopy_ = add("mnuSeqCopy", QStringLiteral("Copy"), &SequenceListOps::mnuSeqCopy_Click);
    mnuSeqPaste_ = add("mnuSeqPaste", QStringLiteral("Paste"), &SequenceListOps::mnuSeqPaste_Click);
    mnuSeqRem_ = add("mnuSeqRem", QStringLiteral("Remove"), &SequenceListOps::mnuSeqRem_Click);
}

QTreeWidget* SequenceListOps::list(int index) const { return lists_[index]; }

int SequenceListOps::indexOf(const QObject* l) const
{
    for (int index : {kSequenceList, kAsciiList}) {
        if (l && l == listObjects_[index])
            return index;
    }
    return -1;
}

int SequenceListOps::selectedRow(QTreeWidget* l) const
{
    if (!l)
        return 0;
    const QList<QTreeWidgetItem*> rows = l->selectedItems();
    return rows.isEmpty() ? 0 : l->indexOfTopLevelItem(rows.first()) + 1;
}

QString SequenceListOps::content(QTreeWidget* l, int row) const
{
    const QTreeWidgetItem* item = l ? l->topLevelItem(row - 1) : nullptr;
    return item ? item->text(ContentColumn(indexOf(l))) : QString();
}

void SequenceListOps::setContent(QTreeWidget* l, int row, const QString& text)
{
    if (QTreeWidgetItem* item = l->topLevelItem(row - 1))
        item->setText(ContentColumn(indexOf(l)), text);
}

bool SequenceListOps::eventFilter(QObject* watched, QEvent* event)
{
    // Only pointers are compared here: the lists may be in destruction.
    for (int index : {kSequenceList, kAsciiList}) {
        if (watched == viewports_[index]) {
            if (event->type() == QEvent::MouseButtonPress) {
                const auto* mouse = static_cast<QMouseEvent*>(event);
                lstSequences_MouseDown(index, mouse->button(), mouse->position().toPoint(),
                                       mouse->globalPosition().toPoint());
                return true;
            }
            if (event->type() == QEvent::MouseButtonRelease) {
                if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton && pressedList_ == index)
                    lstSequences_Click(index);
                pressedList_ = -1;
                return true;
            }
        } else if (watched == listObjects_[index] && event->type() == QEvent::KeyPress) {
            return lstSequences_KeyDown(index, static_cast<QKeyEvent*>(event));
        }
    }
    return QObject::eventFilter(watched, event);
}

void SequenceListOps::lstSequences_MouseDown(int index, Qt::MouseButton button, const QPoint& pos,
                                             const QPoint& globalPos)
{
    if (host_->cellEditOpen())
        host_->commitCellEdit();
    QTreeWidget* l = list(index);
    activeList_ = l;
    clicked_ = Cell{};
    pressedList_ = -1;
    QTreeWidgetItem* item = l->itemAt(pos);
    if (!item)
        return;
    l->setFocus();
    l->clearSelection();
    l->setCurrentItem(item);
    const int row = l->indexOfTopLevelItem(item) + 1;
    if (button == Qt::LeftButton) {
        clicked_ = Cell{row, l->header()->logicalIndexAt(pos.x()) + 1};
        pressedList_ = index;
        return;
    }
    const bool hasContent = !content(l, row).isEmpty();
    // A row copied from the other list is not offered: its slot and column
    // would not match this list.
    mnuSeqPaste_->setEnabled(seqClip_.list == l);
    mnuSeqCopy_->setEnabled(hasContent);
    mnuSeqRem_->setEnabled(hasContent);
    mnuSequences_->popup(globalPos);
}

void SequenceListOps::lstSequences_Click(int index)
{
    if (clicked_.row == 0)
        return;
    openCell(index, clicked_);
}

void SequenceListOps::openCell(int index, const Cell& cell)
{
    QTreeWidget* l = list(index);
    if (index == kSequenceList && cell.column == kSequenceTextColumn) {
        if (!editor_->tempSeq().Contents.isEmpty())
            editor_->cmdSeqCancel_Click();
        editor_->SplitSequence(cell.row);
    } else if (cell.column > 1) {
        host_->startCellEdit(l, cell.row, cell.column);
    } else {
        activeList_ = nullptr;
    }
}

bool SequenceListOps::lstSequences_KeyDown(int index, QKeyEvent* event)
{
    QTreeWidget* l = list(index);
    if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
        // The keyboard's way to a row's editors: Enter opens what a click on
        // the row's text opens (the action editor, or the string's cell),
        // F2 the cell editor of the label or the string.
        const int row = selectedRow(l);
        const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
        if (row == 0 || !(enter || event->key() == Qt::Key_F2))
            return false;
        activeList_ = l;
        const bool sequenceLine = index == kSequenceList && enter;
        openCell(index, Cell{row, sequenceLine ? kSequenceTextColumn : kCellEditColumn});
        return true;
    }
    if (!(event->modifiers() & Qt::ControlModifier))
        return false;
    if (event->key() == Qt::Key_V) {
        activeList_ = l;
        if (seqClip_.list)
            mnuSeqPaste_Click();
        return true;
    }
    if (event->key() == Qt::Key_C) {
        activeList_ = l;
        if (!content(l, selectedRow(l)).isEmpty())
            mnuSeqCopy_Click();
        return true;
    }
    return false;
}

void SequenceListOps::mnuSeqCopy_Click()
{
    const int row = selectedRow(activeList_);
    if (row != 0 && indexOf(activeList_) >= 0)
        seqClip_ = RowRef{activeList_, row};
}

void SequenceListOps::mnuSeqPaste_Click()
{
    const int target = selectedRow(activeList_);
    const int index = indexOf(activeList_);
    if (target == 0 || index < 0 || seqClip_.list != activeList_)
        return;
    const int source = seqClip_.row;
    if (!ValidSlot(target) || !ValidSlot(source))
        return;
    setContent(activeList_, target, content(seqClip_.list, source));
    if (index == kSequenceList) {
        config_.SeqContents[target - 1] = config_.SeqContents[source - 1];
        config_.SeqContentsLen[target - 1] = config_.SeqContentsLen[source - 1];
    } else {
        config_.ASCIIStrings[target - 1] = config_.ASCIIStrings[source - 1];
    }
}

void SequenceListOps::mnuSeqRem_Click()
{
    const int row = selectedRow(activeList_);
    const int index = indexOf(activeList_);
    if (row == 0 || index < 0 || !ValidSlot(row))
        return;
    setContent(activeList_, row, QString());
    if (index == kSequenceList) {
        config_.SeqContents[row - 1].clear();
        config_.SeqContentsLen[row - 1] = 0;
    } else {
        config_.ASCIIStrings[row - 1].clear();
    }
}

SequenceTexts SequenceListColumnTexts(const QTreeWidget* sequenceList)
{
    SequenceTexts texts;
    for (int r = 0; r < sequenceList->topLevelItemCount(); ++r) {
        const QTreeWidgetItem* item = sequenceList->topLevelItem(r);
        texts.labels.append(item->text(kLabelColumn));
        texts.lines.append(item->text(kLineColumn));
    }
    return texts;
}

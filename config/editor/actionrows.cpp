#include "actioneditor.h"

#include "errorlog.h"

#include <QAction>
#include <QComboBox>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QTreeWidget>

// The action list: mouse, keys, the pop-up menu and its row operations.

bool ActionEditor::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lstActions_->viewport()) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
            lstActions_MouseDown(static_cast<QMouseEvent*>(event));
            return true;
        case QEvent::MouseButtonDblClick:
            openTypeListOnRelease_ = true;
            return true;
        case QEvent::MouseButtonRelease:
            // The type list opens once the button is up: opened on the
            // second press, the release would close it again at once.
            if (openTypeListOnRelease_) {
                openTypeListOnRelease_ = false;
                lstActions_DblClick();
                return true;
            }
            break;
        default:
            break;
        }
    } else if (watched == lstActions_ && event->type() == QEvent::KeyPress) {
        return lstActions_KeyDown(static_cast<QKeyEvent*>(event));
    }
    return QGroupBox::eventFilter(watched, event);
}

void ActionEditor::lstActions_MouseDown(QMouseEvent* event)
{
    QTreeWidgetItem* row = lstActions_->itemAt(event->position().toPoint());
    if (!row)
        return;
    lstActions_->setFocus();
    lstActions_->clearSelection();
    lstActions_->setCurrentItem(row);
    const QString text = row->text(kActionColumn);
    if (event->button() == Qt::LeftButton) {
        if (!text.isEmpty())
            StartEditSequence(text);
    } else {
        showActionsMenu(row, event->globalPosition().toPoint());
    }
}

void ActionEditor::showActionsMenu(QTreeWidgetItem* row, const QPoint& globalPos)
{
    const bool holdsAction = !row->text(kActionColumn).isEmpty();
    mnuActionPaste_->setEnabled(!actionClip_.isEmpty());
    mnuActionCopy_->setEnabled(holdsAction);
    mnuActionNewInsert_->setEnabled(filledRowCount() < lstActions_->topLevelItemCount() && holdsAction);
    mnuActionRem_->setEnabled(holdsAction);
    mnuActions_->popup(globalPos);
}

void ActionEditor::lstActions_DblClick()
{
    // Opens the type list, as a click on it would.
    cmbAction_->setFocus();
    cmbAction_->showPopup();
}

bool ActionEditor::lstActions_KeyDown(QKeyEvent* event)
{
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    const QTreeWidgetItem* row = selectedRow();
    switch (event->key()) {
    case Qt::Key_V:
        if (!ctrl)
            return false;
        if (!actionClip_.isEmpty())
            mnuActionPaste_Click();
        return true;
    case Qt::Key_C:
        if (!ctrl)
            return false;
        if (row && !row->text(kActionColumn).isEmpty())
            mnuActionCopy_Click();
        return true;
    case Qt::Key_Delete:
        if (!ctrl)
            mnuActionRem_Click();
        return true;
    case Qt::Key_Escape:
        if (!ctrl)
            cmdSeqCancel_Click();
        return true;
    default:
        return false;
    }
}

void ActionEditor::mnuActionCopy_Click()
{
    if (const QTreeWidgetItem* row = selectedRow())
        actionClip_ = row->text(kActionColumn);
}

// The menu entries below change the rows without the panel; the working
// copy follows them so a redisplay of the window does not bring back the
// rows as they were.
void ActionEditor::mnuActionPaste_Click()
{
    QTreeWidgetItem* row = selectedRow();
    if (!row)
        return;
    row->setText(kActionColumn, actionClip_);
    recomputeTempSeq();
}

void ActionEditor::mnuActionRem_Click()
{
    QTreeWidgetItem* row = selectedRow();
    if (!row)
        return;
    row->setText(kActionColumn, QString());
    for (int k = 0; k + 1 < lstActions_->topLevelItemCount(); ++k) {
        if (rowText(k).isEmpty()) {
            setRowText(k, rowText(k + 1));
            setRowText(k + 1, QString());
        }
    }
    recomputeTempSeq();
}

void ActionEditor::mnuActionNewInsert_Click()
{
    const auto trap = ProcedureTrap::form("mnuActionNewInsert_Click", kForm);
    QTreeWidgetItem* row = selectedRow();
    if (!row)
        return;
    const int r = lstActions_->indexOfTopLevelItem(row);
    trap([&] {
        for (int k = lstActions_->topLevelItemCount() - 1; k > r; --k)
            setRowText(k, rowText(k - 1));
        setRowText(r, QString());
    });
    recomputeTempSeq();
}

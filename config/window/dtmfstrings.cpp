// The DTMF string list: the DTMF menu that sends the strings, and the
// editor frame that edits them. The list lives in Locals.ini, not in the
// configuration.
#include "mainwindow.h"

#include "errorlog.h"
#include "inifile.h"
#include "listops.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QTreeWidget>

void frmMain::mnuDTMFStr_Click(int index)
{
    const ProcedureTrap trap = ProcedureTrap::form("mnuDTMFStr_Click", "frmMain");
    trap([&] {
        const QString tag = mnuDTMFStr_.value(index) ? mnuDTMFStr_[index]->property("tag").toString()
                                                      : QString();
        if (index == 0 && tag.isEmpty()) {
            mnuEditDTMFStr_Click();
            return;
        }
        if (unitConnected())
            link_->sendText(tag.toLatin1());
    });
}

void frmMain::mnuEditDTMFStr_Click()
{
    const ProcedureTrap trap = ProcedureTrap::form("mnuEditDTMFStr_Click", "frmMain");
    trap([&] {
        centreInClient(fraDTMFStrings_);
        fraDTMFStrings_->show();
        fraDTMFStrings_->raise();
    });
    SaveLocalSettings();
    trap([&] {
        lstDTMFStr_->clear();
        if (mnuDTMFStr_.size() == 1 && mnuDTMFStr_[0]->property("tag").toString().isEmpty()) {
            cmdAddDTMF_Click();
            return;
        }
        for (QAction* entry : mnuDTMFStr_) {
            const QString tag = entry->property("tag").toString();
            if (!tag.isEmpty())
                new QTreeWidgetItem(lstDTMFStr_,
                                    QStringList{QString::number(lstDTMFStr_->topLevelItemCount() + 1), tag});
        }
    });
}

void frmMain::cmdAddDTMF_Click()
{
    new QTreeWidgetItem(lstDTMFStr_, QStringList{QString::number(lstDTMFStr_->topLevelItemCount() + 1), QString()});
}

void frmMain::cmdDTMFStrOK_Click()
{
    const ProcedureTrap trap = ProcedureTrap::form("cmdDTMFStrOK_Click", "frmMain");
    if (cellList_ == lstDTMFStr_)
        ProcessCell(true);   // an edit still open belongs to the list being stored
    ControlState(true, false);
    fraDTMFStrings_->hide();
    QStringList strings;
    for (int i = 0; i < lstDTMFStr_->topLevelItemCount(); ++i) {
        const QString s = lstDTMFStr_->topLevelItem(i)->text(1);
        if (!s.isEmpty())
            strings.append(s);
    }
    const QString joined = strings.join(QLatin1Char(','));
    trap([&] { WriteIniValue(QString::fromLatin1(kLocalSettingsSection), QStringLiteral("DTMFStrings"), joined); });
    trap([&] { RebuildDTMFMenu(joined); });
}

void frmMain::mnuDTMFSeqRem_Click()
{
    if (QTreeWidgetItem* row = lstDTMFStr_->currentItem())
        row->setText(1, QString());
}

bool frmMain::dtmfListMouse(QEvent* e)
{
    const ProcedureTrap trap = ProcedureTrap::form("lstDTMFStr_Click", "frmMain");
    auto* me = static_cast<QMouseEvent*>(e);
    const QPoint pos = me->position().toPoint();
    if (e->type() == QEvent::MouseButtonPress) {
        if (cellEditOpen())
            ProcessCell(true);
        dtmfPressedRow_ = 0;
        QTreeWidgetItem* row = lstDTMFStr_->itemAt(pos);
        if (!row)
            return true;
        lstDTMFStr_->setCurrentItem(row);
        listOps_->setActiveList(lstDTMFStr_);
        if (me->button() == Qt::LeftButton) {
            dtmfPressedRow_ = lstDTMFStr_->indexOfTopLevelItem(row) + 1;
            dtmfPressedColumn_ = lstDTMFStr_->columnAt(pos.x()) + 1;
        } else {
            mnuDTMFSeq_->popup(me->globalPosition().toPoint());
        }
        return true;
    }
    if (e->type() == QEvent::MouseButtonRelease && me->button() == Qt::LeftButton && dtmfPressedRow_ > 0) {
        const int row = dtmfPressedRow_;
        dtmfPressedRow_ = 0;
        trap([&] {
            if (dtmfPressedColumn_ == 2)
                startCellEdit(lstDTMFStr_, row, 2);
        });
        return true;
    }
    return false;
}

bool frmMain::dtmfListKey(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Delete) {
        mnuDTMFSeqRem_Click();
        return true;
    }
    if (e->key() == Qt::Key_Escape) {
        fraDTMFStrings_->hide();
        return true;
    }
    return false;
}

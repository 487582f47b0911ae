// The DTMF string list: the DTMF menu that sends the strings, and the
// editor frame that edits them.
#include "dtmfstringlist.h"

#include "celleditor.h"
#include "errorlog.h"
#include "listops.h"
#include "widgetmaking.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
constexpr const char* kForm = "frmMain";
constexpr int kStringColumn = 2;   // 1-based
const QSize kFrameSize(320, 260);
} // namespace

DtmfStringList::DtmfStringList(QMenu* menu, QWidget* client, CellEditor* cells, SequenceListOps* listOps)
    : QGroupBox(QStringLiteral("DTMF String Editor"), client), menu_(menu), cells_(cells), listOps_(listOps)
{
    setObjectName(QStringLiteral("fraDTMFStrings"));
    setAutoFillBackground(true);
    lstDTMFStr_ = MakeList(QStringLiteral("lstDTMFStr"), {QStringLiteral("#"), QStringLiteral("DTMFString")},
                           QStringLiteral("DTMF strings that can be sent via Send DTMF menu when "
                                          "Serial-to-DTMF is checked."));
    lstDTMFStr_->setParent(this);
    lstDTMFStr_->viewport()->installEventFilter(this);
    lstDTMFStr_->installEventFilter(this);
    cmdAddDTMF_ = Named(new QPushButton(QStringLiteral("Add"), this), QStringLiteral("cmdAddDTMF"));
    cmdAddDTMF_->setToolTip(QStringLiteral("Add a new DTMF string."));
    cmdDTMFStrOK_ = Named(new QPushButton(QStringLiteral("Done"), this), QStringLiteral("cmdDTMFStrOK"));
    cmdDTMFStrOK_->setToolTip(QStringLiteral("Update DTMF strings in the Send DTMF menu. (Hide DTMF String Editor)"));
    auto* lay = new QVBoxLayout(this);
    lay->addWidget(lstDTMFStr_);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdAddDTMF_);
    buttons->addStretch(1);
    buttons->addWidget(cmdDTMFStrOK_);
    lay->addLayout(buttons);
    resize(kFrameSize);
    hide();

    mnuDTMFSeq_ = Named(new QMenu(this), QStringLiteral("mnuDTMFSeq"));
    mnuDTMFSeqRem_ = Named(mnuDTMFSeq_->addAction(QStringLiteral("Remove")), QStringLiteral("mnuDTMFSeqRem"));
    connect(cmdAddDTMF_, &QPushButton::clicked, this, &DtmfStringList::cmdAddDTMF_Click);
    connect(cmdDTMFStrOK_, &QPushButton::clicked, this, &DtmfStringList::cmdDTMFStrOK_Click);
    connect(mnuDTMFSeqRem_, &QAction::triggered, this, &DtmfStringList::mnuDTMFSeqRem_Click);

    mnuEditDTMFStr_ = Named(menu_->addAction(QStringLiteral("Edit DTMF Sequences")),
                            QStringLiteral("mnuEditDTMFStr"));
    connect(mnuEditDTMFStr_, &QAction::triggered, this, &DtmfStringList::mnuEditDTMFStr_Click);
    menu_->addSeparator();
    RebuildDTMFMenu(QString());
}

void DtmfStringList::RebuildDTMFMenu(const QString& joined)
{
    while (mnuDTMFStr_.size() > 1) {
        QApplication::processEvents();
        delete mnuDTMFStr_.takeLast();
    }
    if (mnuDTMFStr_.isEmpty()) {
        QAction* first = Named(menu_->addAction(QString()), QStringLiteral("mnuDTMFStr_0"));
        connect(first, &QAction::triggered, this, [this] { mnuDTMFStr_Click(0); });
        mnuDTMFStr_.append(first);
    }
    mnuDTMFStr_[0]->setText(QStringLiteral("Not Defined"));
    mnuDTMFStr_[0]->setProperty("tag", QString());
    if (joined.isEmpty())
        return;
    const QStringList parts = joined.split(QLatin1Char(','));
    for (int i = 0; i < parts.size(); ++i) {
        if (i > 0) {
            QAction* entry = Named(menu_->addAction(QString()), QStringLiteral("mnuDTMFStr_%1").arg(i));
            entry->setEnabled(mnuDTMFStr_[0]->isEnabled());
            connect(entry, &QAction::triggered, this, [this, i] { mnuDTMFStr_Click(i); });
            mnuDTMFStr_.append(entry);
        }
        mnuDTMFStr_[i]->setText(QStringLiteral("Send: ") + parts[i]);
        mnuDTMFStr_[i]->setProperty("tag", parts[i]);
    }
}

QString DtmfStringList::joined() const
{
    QStringList tags;
    for (QAction* entry : mnuDTMFStr_) {
        const QString tag = entry->property("tag").toString();
        if (!tag.isEmpty())
            tags.append(tag);
    }
    return tags.join(QLatin1Char(','));
}

void DtmfStringList::setEntriesEnabled(bool enabled)
{
    for (QAction* entry : mnuDTMFStr_)
        entry->setEnabled(enabled);
}

void DtmfStringList::applyRule(const ControlRule& rule)
{
    for (QWidget* w : std::initializer_list<QWidget*>{this, lstDTMFStr_, cmdAddDTMF_, cmdDTMFStrOK_})
        w->setEnabled(rule.editors());
}

void DtmfStringList::centre()
{
    QWidget* client = parentWidget();
    move(std::max(0, (client->width() - width()) / 2), std::max(0, (client->height() - height()) / 2));
}

void DtmfStringList::mnuDTMFStr_Click(int index)
{
    const ProcedureTrap trap = ProcedureTrap::form("mnuDTMFStr_Click", kForm);
    trap([&] {
        const QString tag = mnuDTMFStr_.value(index) ? mnuDTMFStr_[index]->property("tag").toString() : QString();
        if (index == 0 && tag.isEmpty()) {
            mnuEditDTMFStr_Click();
            return;
        }
        emit sendRequested(tag.toLatin1());
    });
}

void DtmfStringList::mnuEditDTMFStr_Click()
{
    const ProcedureTrap trap = ProcedureTrap::form("mnuEditDTMFStr_Click", kForm);
    trap([&] {
        centre();
        show();
        raise();
    });
    emit editorOpened();
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

void DtmfStringList::cmdAddDTMF_Click()
{
    new QTreeWidgetItem(lstDTMFStr_, QStringList{QString::number(lstDTMFStr_->topLevelItemCount() + 1), QString()});
}

void DtmfStringList::cmdDTMFStrOK_Click()
{
    const ProcedureTrap trap = ProcedureTrap::form("cmdDTMFStrOK_Click", kForm);
    if (cells_->list() == lstDTMFStr_)
        cells_->ProcessCell(true);   // an edit still open belongs to the list being stored
    emit editorDone();
    hide();
    QStringList strings;
    for (int i = 0; i < lstDTMFStr_->topLevelItemCount(); ++i) {
        const QString s = lstDTMFStr_->topLevelItem(i)->text(1);
        if (!s.isEmpty())
            strings.append(s);
    }
    const QString joined = strings.join(QLatin1Char(','));
    emit stringsChanged(joined);
    trap([&] { RebuildDTMFMenu(joined); });
}

void DtmfStringList::mnuDTMFSeqRem_Click()
{
    if (QTreeWidgetItem* row = lstDTMFStr_->currentItem())
        row->setText(1, QString());
}

bool DtmfStringList::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (watched == lstDTMFStr_->viewport() && (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease))
        return listMouse(event);
    if (watched == lstDTMFStr_ && type == QEvent::KeyPress)
        return listKey(static_cast<QKeyEvent*>(event));
    return QGroupBox::eventFilter(watched, event);
}

bool DtmfStringList::listMouse(QEvent* e)
{
    const ProcedureTrap trap = ProcedureTrap::form("lstDTMFStr_Click", kForm);
    auto* me = static_cast<QMouseEvent*>(e);
    const QPoint pos = me->position().toPoint();
    if (e->type() == QEvent::MouseButtonPress) {
        if (cells_->isOpen())
            cells_->ProcessCell(true);
        pressedRow_ = 0;
        QTreeWidgetItem* row = lstDTMFStr_->itemAt(pos);
        if (!row)
            return true;
        lstDTMFStr_->setCurrentItem(row);
        listOps_->setActiveList(lstDTMFStr_);
        if (me->button() == Qt::LeftButton) {
            pressedRow_ = lstDTMFStr_->indexOfTopLevelItem(row) + 1;
            pressedColumn_ = lstDTMFStr_->columnAt(pos.x()) + 1;
        } else {
            mnuDTMFSeq_->popup(me->globalPosition().toPoint());
        }
        return true;
    }
    if (e->type() == QEvent::MouseButtonRelease && me->button() == Qt::LeftButton && pressedRow_ > 0) {
        const int row = pressedRow_;
        pressedRow_ = 0;
        trap([&] {
            if (pressedColumn_ == kStringColumn)
                cells_->startCellEdit(lstDTMFStr_, row, kStringColumn);
        });
        return true;
    }
    return false;
}

bool DtmfStringList::listKey(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Delete) {
        mnuDTMFSeqRem_Click();
        return true;
    }
    if (e->key() == Qt::Key_Escape) {
        hide();
        return true;
    }
    return false;
}

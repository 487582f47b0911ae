#include "wholelinetips.h"

#include <QEvent>
#include <QHelpEvent>
#include <QToolTip>
#include <QTreeWidget>

namespace {
// The item view's own margin around a cell's text, on both sides.
constexpr int kCellMargins = 12;
} // namespace

WholeLineTips::WholeLineTips(QTreeWidget* list) : QObject(list), list_(list) {}

void WholeLineTips::install(QTreeWidget* list)
{
    list->viewport()->installEventFilter(new WholeLineTips(list));
}

QString WholeLineTips::cutText(const QTreeWidget* list, const QPoint& viewportPos)
{
    const QModelIndex index = list->indexAt(viewportPos);
    if (!index.isValid())
        return QString();
    const QString text = index.data(Qt::DisplayRole).toString();
    const int room = list->visualRect(index).width();
    if (text.isEmpty() || list->fontMetrics().horizontalAdvance(text) + kCellMargins <= room)
        return QString();
    return text;
}

bool WholeLineTips::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::ToolTip)
        return QObject::eventFilter(watched, event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const QString text = cutText(list_, help->pos());
    if (text.isEmpty())
        return false;   // the list's own tip
    // As rich text the tip wraps instead of running off the screen.
    QToolTip::showText(help->globalPos(), QStringLiteral("<p>") + text.toHtmlEscaped() + QStringLiteral("</p>"),
                       list_->viewport());
    return true;
}

#include "widgetmaking.h"

#include <QHeaderView>
#include <QTreeWidget>

namespace {
constexpr int kNumberColumnWidth = 34;
} // namespace

QTreeWidget* MakeList(const QString& name, const QStringList& headers, const QString& tip)
{
    auto* list = Named(new QTreeWidget, name);
    list->setHeaderLabels(headers);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setAllColumnsShowFocus(true);
    list->setToolTip(tip);
    list->header()->setStretchLastSection(true);
    list->header()->resizeSection(0, kNumberColumnWidth);
    return list;
}

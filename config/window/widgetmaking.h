#pragma once
#include <QString>
#include <QStringList>

class QTreeWidget;

// The window's controls carry their names as object names ("cmdConnect",
// "lstSequences_0"): tests and the error log refer to them by these.
template <class W>
W* Named(W* w, const QString& name)
{
    w->setObjectName(name);
    return w;
}

// A list view of the window: columns with these headers, single selection,
// whole rows, the last column stretched, the number column narrow.
QTreeWidget* MakeList(const QString& name, const QStringList& headers, const QString& tip);

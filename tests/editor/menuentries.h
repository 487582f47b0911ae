#pragma once
#include <QAction>
#include <QMenu>
#include <QStringList>

// Object names of the entries a pop-up menu enables, in menu order.
inline QStringList EnabledEntries(const QMenu* menu)
{
    QStringList enabled;
    for (QAction* a : menu->actions()) {
        if (a->isEnabled())
            enabled.append(a->objectName());
    }
    return enabled;
}

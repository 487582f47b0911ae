#include "mainmenus.h"

#include "mainwindow.h"
#include "widgetmaking.h"

#include <QMenuBar>

void MainMenus::build(frmMain& window)
{
    QMenuBar* bar = window.menuBar();
    QMenu* file = Named(bar->addMenu(QStringLiteral("&File")), QStringLiteral("mnuFile"));
    auto add = [&](QMenu* menu, const QString& name, const QString& caption, auto handler) {
        QAction* a = Named(menu->addAction(caption), name);
        QObject::connect(a, &QAction::triggered, &window, handler);
        return a;
    };
    mnuNew = add(file, QStringLiteral("mnuNew"), QStringLiteral("&New"), &frmMain::mnuNew_Click);
    mnuOpen = add(file, QStringLiteral("mnuOpen"), QStringLiteral("&Open"), &frmMain::mnuOpen_Click);
    mnuSave = add(file, QStringLiteral("mnuSave"), QStringLiteral("&Save"), &frmMain::mnuSave_Click);
    mnuSaveAs = add(file, QStringLiteral("mnuSaveAs"), QStringLiteral("Save &As"), &frmMain::mnuSaveAs_Click);
    file->addSeparator();
    mnuOpenBackup = add(file, QStringLiteral("mnuOpenBackup"), QStringLiteral("Open &Backup..."),
                        &frmMain::mnuOpenBackup_Click);
    file->addSeparator();
    // Window-wide shortcuts: the window sees these keys before its controls.
    mnuNew->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    mnuOpen->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    mnuSave->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    for (QAction* a : {mnuNew, mnuOpen, mnuSave})
        a->setShortcutContext(Qt::WindowShortcut);
    mnuExit = add(file, QStringLiteral("mnuExit"), QStringLiteral("E&xit"), &frmMain::mnuExit_Click);

    mnuFWUpdate = Named(bar->addAction(QStringLiteral("Update Firmware")), QStringLiteral("mnuFWUpdate"));
    QObject::connect(mnuFWUpdate, &QAction::triggered, &window, &frmMain::mnuFWUpdate_Click);
    mnuSendDTMF = Named(bar->addMenu(QStringLiteral("DTMF")), QStringLiteral("mnuSendDTMF"));

    mnuUpload = Named(new QMenu(&window), QStringLiteral("mnuUpload"));
    const QStringList partial{QStringLiteral("Upload Settings/Labels"),
                              QStringLiteral("Upload Sequences/ASCII Strings")};
    for (int i = 0; i < 2; ++i) {
        mnuUpSetOnly[i] = Named(mnuUpload->addAction(partial[i]), QStringLiteral("mnuUpSetOnly_%1").arg(i));
        QObject::connect(mnuUpSetOnly[i], &QAction::triggered, &window, [&window, i] { window.mnuUpSetOnly_Click(i); });
    }
    mnuUpAll = add(mnuUpload, QStringLiteral("mnuUpAll"), QStringLiteral("Upload Everything"),
                   &frmMain::mnuUpAll_Click);
}

QList<QAction*> MainMenus::commandEntries() const
{
    return {mnuNew, mnuOpen, mnuSave, mnuSaveAs, mnuOpenBackup, mnuExit, mnuFWUpdate, mnuSendDTMF->menuAction(),
            mnuUpSetOnly[0], mnuUpSetOnly[1], mnuUpAll};
}

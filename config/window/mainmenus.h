#pragma once
#include "uploadplan.h"

#include <QList>
#include <array>

class QAction;
class QMenu;
class frmMain;

// The main window's menus: File, Update Firmware, DTMF (filled by the DTMF
// string list) and the Upload button's pop-up menu.
struct MainMenus {
    QAction* mnuNew = nullptr;
    QAction* mnuOpen = nullptr;
    QAction* mnuSave = nullptr;
    QAction* mnuSaveAs = nullptr;
    QAction* mnuOpenBackup = nullptr;
    QAction* mnuExit = nullptr;
    QAction* mnuFWUpdate = nullptr;
    QMenu* mnuSendDTMF = nullptr;
    QMenu* mnuUpload = nullptr;
    std::array<QAction*, 2> mnuUpSetOnly{};
    QAction* mnuUpAll = nullptr;
    // What the Upload menu's entry chose; everything unless a partial
    // entry was taken.
    UploadScope uploadScope = UploadScope::Everything;

    // Adds the menus to the window's menu bar, each entry calling its
    // handler on the window.
    void build(frmMain& window);
    // What starts a command or changes the configuration, closed while a
    // command runs.
    QList<QAction*> commandEntries() const;
};

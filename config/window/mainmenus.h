#pragma once
#include <QList>
#include <array>

class QAction;
class QMenu;

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

    // What starts a command or changes the configuration, closed while a
    // command runs.
    QList<QAction*> commandEntries() const;
};

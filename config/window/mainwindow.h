#pragma once
#include "localsettingsfile.h"
#include "mainmenus.h"
#include "programconfig.h"
#include "unitlink.h"
#include "windowpanels.h"
#include "windowunit.h"

#include <QMainWindow>
#include <QPointer>

class frmSplash;

// The main window of the configuration program. It composes the panels
// (the sequence and string lists with the action editor, the settings, the
// port row, the terminal, the cell editor and the DTMF strings) around the
// one unit link, and keeps the window-wide procedures: which controls are
// enabled, the caption and its changed mark, the save prompt, the File
// menu, the unit commands, Locals.ini and starting the firmware loader.
//
// mainwindow.cpp builds the window, windowstate.cpp enables, marks and
// shows the configuration, filecommands.cpp is the File menu with the save
// prompt, localsettings.cpp Locals.ini and unitcommands.cpp the unit
// commands; windowhooks.cpp is how the link and the editors reach the
// window. The panels are a WindowPanels, the ports and the link a
// WindowUnit, the menus a MainMenus.
class frmMain : public QMainWindow {
    Q_OBJECT
public:
    // port: the unit's serial port; prober: the port used to scan for ports.
    // Both default to QSerialPort backends owned by the window.
    explicit frmMain(SerialPort* port = nullptr, SerialPort* prober = nullptr, QWidget* parent = nullptr);
    ~frmMain() override;

    // The load steps: splash, lists, ports, Locals.ini, last file or the
    // defaults, then the window is shown.
    void Form_Load();

    void ControlState(bool enabled, bool all);
    void MarkChanged(bool changed);
    bool isChanged() const { return changed_; }
    int AskSaveChanges();            // 0 no, 1 saved, 2 cancel
    void DisplayData(bool settingsOnly);

    bool LoadFromFile(const QString& path);
    // The default configuration and the question whether to download;
    // status, when given, says why first.
    void CreateNew(const QString& status = QString());
    void LoadLocalSettings();
    // Writes the values of Locals.ini this window changed (its place and
    // state, the last data file, the DTMF strings, the instant DTMF text).
    void SaveLocalSettings();
    // A save of Locals.ini failed: said once in a window, logged each time.
    void localSettingsNotSaved(const QString& reason);
    void mnuNew_Click();
    void mnuOpen_Click();
    // "Open Backup...": a copy of what a unit held before an upload, as a
    // new configuration (saving it asks for a name).
    void mnuOpenBackup_Click();
    void mnuSave_Click();
    void mnuSaveAs_Click();
    void mnuExit_Click();
    void mnuFWUpdate_Click();

    void cmdConnect_Click();
    void cmdRefresh_Click();
    void cmdDownload_Click();
    void cmdUpload_Click();
    void mnuUpSetOnly_Click(int index);
    void mnuUpAll_Click();
    void DisconnectUnit();
    bool unitConnected() const;
    // A transfer holds the unit (unitLink().transferRunning()) or the
    // firmware loader runs: nothing else may start meanwhile.
    bool commandRunning() const;

    UnitLink& unitLink() { return *unit_.link; }
    const WindowPanels& panels() const { return panels_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    friend class WindowLinkView;

    void connectPanels();
    // Every way in to a command or an edit, closed or open again.
    void closeWaysIn(bool closed);

    // Declared before the panels: the panels go first, while the link and
    // the menus they call are still there.
    WindowUnit unit_;
    MainMenus menus_;
    QPointer<frmSplash> splash_;
    WindowPanels panels_;

    bool changed_ = false;         // unsaved changes: the caption's "*"
    bool loaderRunning_ = false;   // Update Firmware waits for the loader
    LocalSettingsFile localSettings_;   // Locals.ini as this window read and wrote it
    bool settingsErrorShown_ = false;
    int fileChangesAtStart_ = -1;  // CurrentFileChanges() when the last file could not be loaded
};

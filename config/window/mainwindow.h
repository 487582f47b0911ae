#pragma once
#include "feedbackreader.h"
#include "programconfig.h"
#include "unitlink.h"

#include <QMainWindow>
#include <QPointer>
#include <memory>

class ActionEditor;
class CellEditor;
class DtmfStringList;
class PortRow;
class SequenceListOps;
class SequenceLists;
class SerialPort;
class SettingsPanel;
class StatusPanels;
class TerminalPane;
class TracingSerialPort;
class WindowEditorHost;
class WindowLinkView;
class frmSplash;
struct MainMenus;

// The main window of the configuration program. It composes the panels
// (the sequence and string lists with the action editor, the settings, the
// port row, the terminal, the cell editor and the DTMF strings) around the
// one unit link, and keeps the window-wide procedures: which controls are
// enabled, the caption and its changed mark, the save prompt, the File
// menu, the unit commands, Locals.ini and starting the firmware loader.
//
// mainwindow.cpp builds the window, windowstate.cpp enables and marks,
// filecommands.cpp is the File menu, localsettings.cpp Locals.ini and
// unitcommands.cpp the unit commands; windowhooks.cpp is how the link and
// the editors reach the window.
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
    // An option reply or a reset report the terminal read.
    void SyncJumpers(const FeedbackReading& reply);

    bool LoadFromFile(const QString& path);
    void CreateNew();
    void LoadLocalSettings();
    void SaveLocalSettings();
    void mnuNew_Click();
    void mnuOpen_Click();
    // "Open Backup...": a copy of what a unit held before an upload, as a
    // new configuration (saving it asks for a name).
    void mnuOpenBackup_Click();
    void mnuSave_Click();
    void mnuSaveAs_Click();
    void mnuExit_Click();
    void mnuFWUpdate_Click();
    // The firmware loader's command line, as started by Update Firmware.
    QString FirmwareLoaderCommand() const;

    void cmdConnect_Click();
    void cmdRefresh_Click();
    void cmdDownload_Click();
    void cmdUpload_Click();
    void mnuUpSetOnly_Click(int index);
    void mnuUpAll_Click();
    void DisconnectUnit();
    bool unitConnected() const;
    // A command holds the unit: nothing else may start meanwhile.
    bool transferRunning() const;
    // ... or the firmware loader runs: the window waits for it.
    bool commandRunning() const;

    UnitLink& unitLink() { return *link_; }
    SequenceLists& lists() const { return *lists_; }
    SettingsPanel& settings() const { return *settings_; }
    TerminalPane& terminal() const { return *terminal_; }
    CellEditor& cells() const { return *cells_; }
    DtmfStringList& dtmfStrings() const { return *dtmf_; }
    StatusPanels& status() const { return *status_; }
    ActionEditor* actionEditor() const { return fraSequence_; }
    SequenceListOps* listOps() const { return listOps_.get(); }

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    friend class WindowLinkView;
    friend class WindowEditorHost;

    void buildMenus();
    void connectPanels();
    void applyDependentSettings();
    // Every way in to a command or an edit, closed or open again.
    void closeWaysIn(bool closed);
    bool saveTo(const QString& path);
    void saveCurrentFile();
    void saveAsChosenFile();

    // The unit's port and the port scanner, owned here unless given.
    struct Ports {
        SerialPort* unit = nullptr;
        SerialPort* scanner = nullptr;
        std::unique_ptr<SerialPort> ownedUnit;
        std::unique_ptr<SerialPort> ownedScanner;
        std::unique_ptr<TracingSerialPort> traced;   // the unit's port as the link uses it
    } ports_;
    std::unique_ptr<WindowLinkView> linkView_;
    std::unique_ptr<WindowEditorHost> editorHost_;
    std::unique_ptr<UnitLink> link_;
    std::unique_ptr<MainMenus> menus_;
    QPointer<frmSplash> splash_;

    SequenceLists* lists_ = nullptr;
    SettingsPanel* settings_ = nullptr;
    PortRow* portRow_ = nullptr;
    TerminalPane* terminal_ = nullptr;
    CellEditor* cells_ = nullptr;
    DtmfStringList* dtmf_ = nullptr;
    StatusPanels* status_ = nullptr;
    ActionEditor* fraSequence_ = nullptr;
    std::unique_ptr<SequenceListOps> listOps_;

    bool changed_ = false;         // unsaved changes: the caption's "*"
    bool loaderRunning_ = false;   // Update Firmware waits for the loader
    UploadScope uploadScope_ = UploadScope::Everything;
};

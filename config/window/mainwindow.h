#pragma once
#include "editorhost.h"
#include "linkview.h"
#include "programconfig.h"
#include "unitlink.h"
#include "verification.h"

#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <array>
#include <memory>
#include <utility>

class ActionEditor;
class SequenceListOps;
class OptionCheckBox;
class ProgressBar;
class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTextEdit;
class QTreeWidget;
class QTreeWidgetItem;
class SerialPort;
class frmSplash;

// The main window of the configuration program: the two sequence lists with
// the action editor, the unit settings panel, the port row, the terminal,
// the DTMF string list and the in-place cell editor. Control names are the
// objectNames of the widgets ("chkOpt_3", "lstSequences_0", ...).
//
// The implementation is split by panel: mainwindow.cpp builds the window,
// windowstate.cpp enables controls and keeps the caption, filecommands.cpp
// the File menu, localsettings.cpp Locals.ini, settingspanel.cpp the
// settings, celleditor.cpp the cell editor, dtmfstrings.cpp the DTMF
// strings, terminal.cpp the terminal and unitcommands.cpp the link.
class frmMain : public QMainWindow, public EditorHost, public LinkView {
    Q_OBJECT
public:
    // port: the unit's serial port; prober: the port used to scan for ports.
    // Both default to QSerialPort backends owned by the window.
    explicit frmMain(SerialPort* port = nullptr, SerialPort* prober = nullptr,
                     QWidget* parent = nullptr);
    ~frmMain() override;

    // The load steps: splash, lists, ports, Locals.ini, last file or the
    // defaults, then the window is shown.
    void Form_Load();

    // Window services
    void ControlState(bool enabled, bool all);
    void MarkChanged(bool changed);
    bool isChanged() const;
    int AskSaveChanges();            // 0 no, 1 saved, 2 cancel
    void UpdateBar(int value, int maximum);
    void DisplayData(bool settingsOnly);
    void ShowSilentMode(bool silent);

    // Files
    bool LoadFromFile(const QString& path);
    void CreateNew();
    void LoadLocalSettings();
    void SaveLocalSettings();
    void mnuNew_Click();
    void mnuOpen_Click();
    void mnuSave_Click();
    void mnuSaveAs_Click();
    void mnuExit_Click();
    void mnuFWUpdate_Click();
    // The firmware loader's command line, as started by Update Firmware.
    QString FirmwareLoaderCommand() const;

    // Unit commands
    void cmdConnect_Click();
    void cmdRefresh_Click();
    void cmdDownload_Click();
    void cmdUpload_Click();
    void mnuUpSetOnly_Click(int index);
    void mnuUpAll_Click();
    void DisconnectUnit();
    UnitLink& unitLink() { return *link_; }
    bool unitConnected() const;
    // A command holds the unit: nothing else may start meanwhile.
    bool transferRunning() const;
    // ... or the firmware loader runs: the window waits for it.
    bool commandRunning() const;

    // Settings panel
    void chkOpt_Click(int index);
    void eventBox_Click(int event);     // 0 disconnect, 1 external status, 2 power-on
    void eventCombo_Click(int event);
    void txtRings_Validate();
    void txtPrefix_Validate();
    void txtInactDur_Validate();
    void txtDTMFOutDur_Validate();
    void txtPass_Validate();
    void SyncJumpers();

    // Terminal
    void terminalAppend(const QByteArray& bytes);
    void cmdTermClear_Click();
    void cmdInstDTMFSend_Click();
    void txtTerminal_KeyPress(const QString& typed);
    void tmrHighLight_Timer();
    void rebuildTerminalCheckTexts();

    // Cell editor and the Special Characters panel
    void ProcessCell(bool commit);
    void cmdInsert_Click();
    void cmdOk_Click();
    void cmdCIns_Click(int index);
    void txtASCCode_Change();
    QTreeWidget* cellList() const { return cellList_; }

    // DTMF strings
    void mnuDTMFStr_Click(int index);
    void mnuEditDTMFStr_Click();
    void cmdAddDTMF_Click();
    void cmdDTMFStrOK_Click();
    void mnuDTMFSeqRem_Click();
    void RebuildDTMFMenu(const QString& joined);
    QList<QAction*> dtmfMenuEntries() const { return mnuDTMFStr_; }

    // EditorHost
    QWidget* hostWindow() override { return this; }
    QTreeWidget* sequenceList() override { return lstSequences_[0]; }
    QTreeWidget* asciiList() override { return lstSequences_[1]; }
    void controlState(bool enabled, bool all) override { ControlState(enabled, all); }
    void markChanged(bool changed) override { MarkChanged(changed); }
    bool cellEditOpen() const override;
    void commitCellEdit() override { ProcessCell(true); }
    void startCellEdit(QTreeWidget* list, int row, int column) override;

    // LinkView
    void updateBar(int value, int maximum) override { UpdateBar(value, maximum); }
    void showUnitId(const QString& text) override;
    void displayData(bool settingsOnly) override { DisplayData(settingsOnly); }
    void terminalReceived(const QByteArray& bytes) override { terminalAppend(bytes); }
    void optionRequestTimedOut(const QString& request) override;
    bool verifyForUpload() override;
    bool askSaveChanges() override { return AskSaveChanges() != 2; }
    void lineDropped() override;
    void unitBusy(bool busy) override;

    ActionEditor* actionEditor() const { return fraSequence_; }
    SequenceListOps* listOps() const { return listOps_.get(); }

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // mainwindow.cpp
    void buildMenus();
    QWidget* buildSequencePane();
    QWidget* buildSettingsFrame();
    QWidget* buildPortRow();
    QWidget* buildTerminalPane();
    void buildStatusBar();
    void buildDTMFStringFrame();
    void buildCellEditor();
    void fillNameListsAndRows();
    void centreInClient(QWidget* frame);
    void installStatusSink();
    void updatePortToolTip();
    void populatePortList(bool scan);
    SequenceTexts sequenceListTexts() const;
    bool saveTo(const QString& path);
    void saveCurrentFile();
    void saveAsChosenFile();
    // windowstate.cpp: every way in to a command or an edit, closed or open.
    void closeWaysIn(bool closed);
    // settingspanel.cpp
    void connectSettingsPanel();
    void applyDependentSettings();
    // celleditor.cpp
    void connectCellEditor();
    bool cellEditorKey(QKeyEvent* e);
    void cellEditorFocusLost();
    void cellEditorMouseMove();
    void placeCellEditor();
    void insertCodeAtSelection();
    QByteArray cellFlag() const;
    // dtmfstrings.cpp
    bool dtmfListMouse(QEvent* e);
    bool dtmfListKey(QKeyEvent* e);
    // terminal.cpp
    bool terminalKey(QKeyEvent* e);

    // Ports
    SerialPort* serPort_;
    SerialPort* portScanner_;
    std::unique_ptr<SerialPort> ownedPort_;
    std::unique_ptr<SerialPort> ownedScanner_;
    std::unique_ptr<UnitLink> link_;
    QPointer<frmSplash> splash_;

    // Menus
    QAction* mnuNew_ = nullptr;
    QAction* mnuOpen_ = nullptr;
    QAction* mnuSave_ = nullptr;
    QAction* mnuSaveAs_ = nullptr;
    QAction* mnuExit_ = nullptr;
    QAction* mnuFWUpdate_ = nullptr;
    QMenu* mnuSendDTMF_ = nullptr;
    QAction* mnuEditDTMFStr_ = nullptr;
    QList<QAction*> mnuDTMFStr_;
    QMenu* mnuUpload_ = nullptr;
    std::array<QAction*, 2> mnuUpSetOnly_{};
    QAction* mnuUpAll_ = nullptr;
    UploadScope uploadScope_ = UploadScope::Everything;
    bool loaderRunning_ = false;   // Update Firmware waits for the loader

    // Sequence pane
    std::array<QTreeWidget*, 2> lstSequences_{};
    ActionEditor* fraSequence_ = nullptr;
    std::unique_ptr<SequenceListOps> listOps_;

    // Settings frame
    QGroupBox* fraSettings_ = nullptr;
    std::array<OptionCheckBox*, 12> chkOpt_{};
    QLineEdit* txtRings_ = nullptr;
    QLabel* lblRings_ = nullptr;
    QLineEdit* txtPrefix_ = nullptr;
    QLabel* lblPrefix_ = nullptr;
    QLineEdit* txtInactDur_ = nullptr;
    QLabel* lblInactDur_ = nullptr;
    QLineEdit* txtDTMFOutDur_ = nullptr;
    QLabel* lblDTMFOutDur_ = nullptr;
    QLineEdit* txtPass_ = nullptr;
    QLabel* lblPass_ = nullptr;
    std::array<QCheckBox*, 3> chkEvent_{};   // chkDisconInfo, chkExtStat, chkPWRON
    std::array<QComboBox*, 3> cmbEvent_{};   // cmbDisconInfo, cmbExtStat, cmbPWRON
    bool updatingControls_ = false;          // UpdatingControls
    int pressedValue_ = 0;                   // -1 none; 0 before the first press

    // Port row and buttons
    QComboBox* cmbPort_ = nullptr;
    QPushButton* cmdConnect_ = nullptr;
    QPushButton* cmdRefresh_ = nullptr;
    QPushButton* cmdDownload_ = nullptr;
    QPushButton* cmdUpload_ = nullptr;
    QPushButton* cmdExit_ = nullptr;

    // Terminal
    QTextEdit* txtTerminal_ = nullptr;
    QCheckBox* chkTermAscCodeDisplay_ = nullptr;
    QCheckBox* chkGlobalAscCodeOnly_ = nullptr;
    QPushButton* cmdTermClear_ = nullptr;
    QLabel* lblInstDTMF_ = nullptr;
    QLineEdit* txtInstDTMF_ = nullptr;
    QPushButton* cmdInstDTMFSend_ = nullptr;
    QTimer tmrHighLight_;
    int highlightPosition_ = 0;
    bool terminalAfterCr_ = false;   // the unit's last text ended in CR
    int scanPosition_ = 0;

    // Status bar
    QLabel* panelMsg_ = nullptr;
    QLabel* panelUnitId_ = nullptr;
    ProgressBar* picProgress_ = nullptr;

    // DTMF string editor
    QGroupBox* fraDTMFStrings_ = nullptr;
    QTreeWidget* lstDTMFStr_ = nullptr;
    QPushButton* cmdAddDTMF_ = nullptr;
    QPushButton* cmdDTMFStrOK_ = nullptr;
    QMenu* mnuDTMFSeq_ = nullptr;
    QAction* mnuDTMFSeqRem_ = nullptr;

    // Cell editor and Special Characters panel
    QLineEdit* txtCell_ = nullptr;
    QGroupBox* fraHEX_ = nullptr;
    QLineEdit* txtASCCode_ = nullptr;
    QLabel* lblASCIIChar_ = nullptr;
    QLineEdit* txtASCFlag_ = nullptr;
    QPushButton* cmdInsert_ = nullptr;
    QPushButton* cmdOk_ = nullptr;
    std::array<QPushButton*, 4> cmdCIns_{};
    QTreeWidget* cellList_ = nullptr;        // the list being edited
    int cellRow_ = 0;                        // 1-based
    int cellColumn_ = 0;                     // 1-based
    QString oldCellText_;
    std::pair<int, int> cellSelection_{0, 0};  // start, length: what Insert replaces
    bool closingCell_ = false;
    int dtmfPressedRow_ = 0;                 // 1-based, 0 none
    int dtmfPressedColumn_ = 0;
};

#pragma once
#include "seqtext.h"

#include <QGroupBox>
#include <cstdint>

class EditorHost;
class QAction;
class QComboBox;
class QLabel;
class QKeyEvent;
class QMenu;
class QMouseEvent;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
struct UnitConfig;

// The action editor frame (fraSequence): one sequence as 15 action rows,
// the panel that composes the selected row's action, Save and Cancel. It
// edits the sequences of config and lists its ASCII strings.
// The window embeds it as a free-floating child (it centres itself over its
// parent when opened) and keeps it hidden until a sequence is opened.
class ActionEditor : public QGroupBox {
    Q_OBJECT
public:
    ActionEditor(EditorHost* host, UnitConfig& config, QWidget* parent = nullptr);

    // Opens the editor on sequence row (1..20), or, when open, writes the
    // working copy into the rows again.
    void SplitSequence(int row);
    void StartEditSequence(const QString& text);
    void UpdateActionControls(uint8_t code, int p1, int p2);
    void UpdateSingleAction();

    void cmdSeqUpdate_Click();   // Save
    void cmdSeqCancel_Click();   // Cancel

    void mnuActionNewInsert_Click();
    void mnuActionCopy_Click();
    void mnuActionPaste_Click();
    void mnuActionRem_Click();

    bool isOpen() const { return !isHidden(); }
    // The frame and every control in it on or off (the window's ControlState).
    void setControlsEnabled(bool on);
    int CurSeq() const { return curSeq_; }
    const TempSeq& tempSeq() const { return tempSeq_; }
    const QString& ActionClip() const { return actionClip_; }

    // The rows' action texts, row 1 first.
    QStringList rowTexts() const;

    QTreeWidget* actionList() const { return lstActions_; }
    QMenu* actionsMenu() const { return mnuActions_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static constexpr const char* kForm = "frmMain";   // where errors are logged
    static constexpr int kActionColumn = 1;
    static constexpr int kSequenceLineColumn = 2;   // of the window's sequence list

    void buildControls();
    void buildMenu();
    void centreInParent();
    void clearRows();
    QTreeWidgetItem* selectedRow() const;
    QString rowText(int index) const;
    void setRowText(int index, const QString& text);
    int filledRowCount() const;
    bool panelShown() const;

    void selectEntry(QComboBox* list, int index);
    void cmbAction_Click();
    void cmbActParam_Click();
    void recomputeTempSeq();

    void lstActions_MouseDown(QMouseEvent* event);
    void lstActions_DblClick();
    bool lstActions_KeyDown(QKeyEvent* event);
    void showActionsMenu(QTreeWidgetItem* row, const QPoint& globalPos);

    EditorHost* host_;
    UnitConfig& config_;
    int16_t curSeq_ = 0;
    TempSeq tempSeq_;
    QString actionClip_;
    bool openTypeListOnRelease_ = false;   // a double click's release is still to come

    QLabel* lblSequence_0_ = nullptr;
    QLabel* lblSequence_1_ = nullptr;
    QTreeWidget* lstActions_ = nullptr;
    QWidget* picAction_ = nullptr;
    QComboBox* cmbAction_ = nullptr;
    QComboBox* cmbActParam_ = nullptr;
    QComboBox* cmbActParam2_ = nullptr;
    QComboBox* cmbActParam3_ = nullptr;
    QLabel* lblAction_1_ = nullptr;
    QLabel* lblAction_2_ = nullptr;
    QLabel* lblAction_3_ = nullptr;
    QPushButton* cmdSeqUpdate_ = nullptr;
    QPushButton* cmdSeqCancel_ = nullptr;
    QMenu* mnuActions_ = nullptr;
    QAction* mnuActionNewInsert_ = nullptr;
    QAction* mnuActionCopy_ = nullptr;
    QAction* mnuActionPaste_ = nullptr;
    QAction* mnuActionRem_ = nullptr;
};

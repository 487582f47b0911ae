#pragma once
#include "verification.h"

#include <QObject>
#include <array>
#include <QPointer>
#include <QTreeWidget>

class ActionEditor;
class EditorHost;
class QAction;
class QKeyEvent;
class QMenu;
class QMouseEvent;
struct UnitConfig;

// The mouse, key and pop-up handling shared by the two main-window lists,
// the sequence list (lstSequences_0) and the ASCII string list
// (lstSequences_1). It installs event filters on both lists (keys) and on
// their viewports (presses and releases), so the window needs no handlers
// of its own for them; the filters swallow those events. Paste and Remove
// change the sequences and strings of config.
class SequenceListOps : public QObject {
    Q_OBJECT
public:
    SequenceListOps(EditorHost* host, ActionEditor* editor, UnitConfig& config,
                    QObject* parent = nullptr);

    // index 0 is the sequence list, 1 the ASCII string list.
    void lstSequences_MouseDown(int index, Qt::MouseButton button, const QPoint& pos, const QPoint& globalPos);
    void lstSequences_Click(int index);
    bool lstSequences_KeyDown(int index, QKeyEvent* event);

    void mnuSeqCopy_Click();
    void mnuSeqPaste_Click();
    void mnuSeqRem_Click();

    // The list last pressed or keyed in; the cell editor edits its cell and
    // clears it when it closes (the DTMF string list may be set here too).
    QTreeWidget* ActiveList() const { return activeList_; }
    void setActiveList(QTreeWidget* list) { activeList_ = list; }

    // The row last copied, read at paste time; row 0 while nothing is copied.
    QTreeWidget* seqClipList() const { return seqClip_.list; }
    int seqClipRow() const { return seqClip_.row; }

    QMenu* sequencesMenu() const { return mnuSequences_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct RowRef {
        QPointer<QTreeWidget> list;
        int row = 0;   // 1..20
    };
    struct Cell {
        int row = 0;   // 0 = none
        int column = 0;
    };

    QTreeWidget* list(int index) const;
    // Opens the editor a click on the cell opens (row and column 1-based).
    void openCell(int index, const Cell& cell);
    int indexOf(const QObject* list) const;
    int selectedRow(QTreeWidget* list) const;
    QString content(QTreeWidget* list, int row) const;
    void setContent(QTreeWidget* list, int row, const QString& text);

    EditorHost* host_;
    ActionEditor* editor_;
    UnitConfig& config_;
    // The two lists (the window owns them and outlives this object), and
    // the objects the event filter watches, kept apart as plain QObjects so
    // that events during the lists' destruction are told apart safely.
    std::array<QTreeWidget*, 2> lists_{};
    std::array<const QObject*, 2> listObjects_{};
    std::array<const QObject*, 2> viewports_{};
    QPointer<QTreeWidget> activeList_;
    RowRef seqClip_;
    Cell clicked_;
    int pressedList_ = -1;   // list whose left press recorded clicked_

    QMenu* mnuSequences_ = nullptr;
    QAction* mnuSeqCopy_ = nullptr;
    QAction* mnuSeqPaste_ = nullptr;
    QAction* mnuSeqRem_ = nullptr;
};

// The label and sequence-line columns of the sequence list, for VerifyInformation.
SequenceTexts SequenceListColumnTexts(const QTreeWidget* sequenceList);

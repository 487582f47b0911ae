#pragma once
#include "controlrule.h"

#include <QGroupBox>
#include <QList>

class CellEditor;
class QKeyEvent;
class QAction;
class QMenu;
class QPushButton;
class QTreeWidget;
class SequenceListOps;

// The DTMF strings: the entries of the DTMF menu that send them, and the
// editor frame (fraDTMFStrings) that edits them, floating over the client
// area. The strings live in Locals.ini, not in the configuration.
class DtmfStringList : public QGroupBox {
    Q_OBJECT
public:
    // menu: the DTMF menu of the window, which gets "Edit DTMF Sequences"
    // and one entry per string; client: where the frame floats.
    DtmfStringList(QMenu* menu, QWidget* client, CellEditor* cells, SequenceListOps* listOps);

    // The menu's string entries from "1234,*5#" (an empty text: "Not Defined").
    void RebuildDTMFMenu(const QString& joined);
    // The strings of the menu, joined by commas, as Locals.ini keeps them.
    QString joined() const;
    QList<QAction*> entries() const { return mnuDTMFStr_; }
    void setEntriesEnabled(bool enabled);
    void applyRule(const ControlRule& rule);
    void centre();
    QTreeWidget* list() const { return lstDTMFStr_; }

    void mnuDTMFStr_Click(int index);
    void mnuEditDTMFStr_Click();
    void cmdAddDTMF_Click();
    void cmdDTMFStrOK_Click();
    void mnuDTMFSeqRem_Click();

signals:
    void sendRequested(const QByteArray& text);   // a menu entry was chosen
    void editorOpened();                          // the frame came up
    void editorDone();                            // Done: the window is the user's again
    void stringsChanged(const QString& joined);   // Done: the strings to keep ("DTMFStrings")

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool listMouse(QEvent* e);
    bool listKey(QKeyEvent* e);

    QMenu* menu_;
    CellEditor* cells_;
    SequenceListOps* listOps_;
    QAction* mnuEditDTMFStr_ = nullptr;
    QList<QAction*> mnuDTMFStr_;
    QTreeWidget* lstDTMFStr_ = nullptr;
    QPushButton* cmdAddDTMF_ = nullptr;
    QPushButton* cmdDTMFStrOK_ = nullptr;
    QMenu* mnuDTMFSeq_ = nullptr;
    QAction* mnuDTMFSeqRem_ = nullptr;
    int pressedRow_ = 0;      // 1-based, 0 none
    int pressedColumn_ = 0;
};

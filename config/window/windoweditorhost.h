#pragma once
#include "editorhost.h"

class frmMain;

// What the action editor and the list operations get from the main window:
// the lists, enabling, the changed mark and the cell editor.
class WindowEditorHost : public EditorHost {
public:
    explicit WindowEditorHost(frmMain& window) : window_(window) {}

    QWidget* hostWindow() override;
    QTreeWidget* sequenceList() override;
    QTreeWidget* asciiList() override;
    void controlState(bool enabled, bool all) override;
    void markChanged(bool changed) override;
    bool cellEditOpen() const override;
    void commitCellEdit() override;
    void startCellEdit(QTreeWidget* list, int row, int column) override;

private:
    frmMain& window_;
};

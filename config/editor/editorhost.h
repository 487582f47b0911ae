#pragma once

class QTreeWidget;
class QWidget;

// What the sequence editor needs from the main window it lives in.
class EditorHost {
public:
    virtual ~EditorHost() = default;

    virtual QWidget* hostWindow() = 0;          // the main window (centring, pop-ups)
    virtual QTreeWidget* sequenceList() = 0;    // lstSequences(0): "#", "Seq Lbl", "Actions"
    virtual QTreeWidget* asciiList() = 0;       // lstSequences(1): "#", "ASCII Strings"
    virtual void controlState(bool enabled, bool all) = 0;
    virtual void markChanged(bool changed) = 0;

    // The in-place cell editor of the main window.
    virtual bool cellEditOpen() const = 0;
    virtual void commitCellEdit() = 0;          // as Enter in the editor
    // Opens the cell editor over (row, column) of list, both counted from 1.
    virtual void startCellEdit(QTreeWidget* list, int row, int column) = 0;
};

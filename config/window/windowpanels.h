#pragma once
#include <memory>

class ActionEditor;
class CellEditor;
class DtmfStringList;
class PortRow;
class SequenceListOps;
class SequenceLists;
class SettingsPanel;
class StatusPanels;
class TerminalPane;
class WindowEditorHost;

// The panels of the main window: the widgets (owned by the window's widget
// tree), and the list operations and the hook through which the editors
// reach the window (owned here).
struct WindowPanels {
    WindowPanels();
    ~WindowPanels();

    SequenceLists* lists = nullptr;
    SettingsPanel* settings = nullptr;
    PortRow* portRow = nullptr;
    TerminalPane* terminal = nullptr;
    CellEditor* cells = nullptr;
    DtmfStringList* dtmfStrings = nullptr;
    StatusPanels* status = nullptr;
    ActionEditor* actionEditor = nullptr;   // fraSequence
    std::unique_ptr<WindowEditorHost> editorHost;
    std::unique_ptr<SequenceListOps> listOps;

    // The settings' dependent boxes follow their options; the DTMF strings
    // and the terminal's instant DTMF are open while the unit is connected,
    // free, and takes serial text as DTMF.
    void followOptions(bool unitFree) const;
};

#pragma once
#include "prompter.h"

// The prompter of the programs' windows: QMessageBox for messages and
// questions, QFileDialog for the file dialogs, the desktop's associated
// program for showing a file. Dialogs are modal over the active window.
class WidgetPrompter : public Prompter {
public:
    MsgAnswer message(const QString& text, MsgIcon icon, MsgButtons buttons,
                      const QString& title) override;
    bool fileDialog(FileDialogRequest& request) override;
    bool review(ReviewRequest& request) override;
    void openWithViewer(const QString& path) override;
};

// The entry the file dialog lists for one filter: the description with its
// patterns in the dialog's syntax (";" lists become spaces, "*.*" matches
// every file, also those without an extension).
QString DialogNameFilter(const QString& description, const QString& pattern);

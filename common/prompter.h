#pragma once
#include <QString>
#include <QStringList>

// Everything that asks or tells the user through a modal window goes
// through one Prompter: message boxes, questions, file dialogs, and opening
// a file in the desktop's viewer. The programs install a widget prompter;
// tests install a scripted one that answers without blocking.

enum class MsgIcon { None, Critical, Question, Exclamation, Information };
enum class MsgButtons { Ok, YesNo, YesNoCancel };
enum class MsgAnswer { Ok, Yes, No, Cancel };

// One open or save dialog, as the dialog services hand it to the prompter.
struct FileDialogRequest {
    enum class Kind { Open, Save };
    Kind kind = Kind::Open;
    QString title;
    QString startFolder;      // where the dialog starts
    QString initialName;      // proposed file name (may include a folder)
    QStringList filters;      // "Description (*.ext)" entries for the dialog, in order
    QStringList patterns;     // the matching patterns, e.g. "*.dtd"
    int filterIndex = 1;      // 1-based filter shown first; the chosen one afterwards
    QString defaultExtension; // appended when the user types none
    bool fileMustExist = false;
    bool overwritePrompt = false;
    bool multiSelect = false;
    // Results
    QStringList chosen;       // chosen paths, empty when cancelled
    bool readOnlyTicked = false;
    quint32 errorCode = 0;    // set when the dialog could not be shown (0: none)
};

// A list to look through before going on: the changes an upload will make.
struct ReviewRequest {
    QString title;
    QString text;             // above the list
    QStringList lines;        // the list, shown in a fixed-width font
    QString acceptText;       // the button that goes on ("Upload"); the other is "Cancel"
    QString dontShowText;     // a tick box under the list; empty shows none
    // Result
    bool dontShowAgain = false;   // the box was ticked
};

class Prompter {
public:
    virtual ~Prompter() = default;
    // An empty title shows the application's name.
    virtual MsgAnswer message(const QString& text, MsgIcon icon = MsgIcon::None,
                              MsgButtons buttons = MsgButtons::Ok,
                              const QString& title = QString()) = 0;
    // True when the user chose a file; fills request.chosen.
    virtual bool fileDialog(FileDialogRequest& request) = 0;
    // True when the user went on (the accept button), false on Cancel.
    virtual bool review(ReviewRequest& request) = 0;
    // Opens a file with the desktop's associated program, shown normally.
    virtual void openWithViewer(const QString& path) = 0;
};

// The installed prompter. Until one is installed, a headless prompter
// writes messages to stderr and answers No (Cancel for three buttons).
Prompter& Prompts();
// Installs p (not owned); nullptr goes back to the headless prompter.
void SetPrompter(Prompter* p);

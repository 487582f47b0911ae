#pragma once
#include "prompter.h"

#include <QList>
#include <QString>
#include <functional>

// A prompter for tests: records every message and dialog, answers from a
// script, and never opens a window. Installs itself on construction and
// goes back to the headless prompter on destruction.
class ScriptedPrompter : public Prompter {
public:
    struct Shown {
        QString text;
        MsgIcon icon;
        MsgButtons buttons;
        QString title;
    };

    ScriptedPrompter();
    ~ScriptedPrompter() override;

    // Answers used in order for questions; when they run out, defaultAnswer.
    QList<MsgAnswer> answers;
    MsgAnswer defaultAnswer = MsgAnswer::No;
    // Paths handed out in order for file dialogs; an empty entry cancels,
    // an entry of several lines chooses several files (multi-select).
    QStringList files;
    int chosenFilterIndex = 0;   // 0 keeps the request's index
    bool tickReadOnly = false;   // the user ticks the read-only box
    // Non-zero: dialogs fail to show, reporting this code.
    quint32 dialogErrorCode = 0;
    // Called for every message before it is answered (may inspect the window).
    std::function<void(const Shown&)> onMessage;
    // Non-zero: every message and dialog keeps running events this long
    // before it answers, as a real modal box does while the user reads it.
    int modalMs = 0;

    QList<Shown> shown;
    QList<FileDialogRequest> dialogs;
    // Reviews: answered from reviewAnswers in order, then true (go on);
    // tickDontShow ticks the box.
    QList<bool> reviewAnswers;
    bool tickDontShow = false;
    QList<ReviewRequest> reviews;
    QStringList viewed;

    MsgAnswer message(const QString& text, MsgIcon icon, MsgButtons buttons,
                      const QString& title) override;
    bool fileDialog(FileDialogRequest& request) override;
    bool review(ReviewRequest& request) override;
    void openWithViewer(const QString& path) override;

    // Texts of all messages shown so far.
    QStringList texts() const;
};

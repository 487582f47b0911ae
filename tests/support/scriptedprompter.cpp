#include "scriptedprompter.h"

ScriptedPrompter::ScriptedPrompter() { SetPrompter(this); }

ScriptedPrompter::~ScriptedPrompter() { SetPrompter(nullptr); }

MsgAnswer ScriptedPrompter::message(const QString& text, MsgIcon icon, MsgButtons buttons,
                                    const QString& title)
{
    const Shown s{text, icon, buttons, title};
    shown.append(s);
    if (onMessage)
        onMessage(s);
    if (buttons == MsgButtons::Ok)
        return MsgAnswer::Ok;
    return answers.isEmpty() ? defaultAnswer : answers.takeFirst();
}

bool ScriptedPrompter::fileDialog(FileDialogRequest& request)
{
    dialogs.append(request);
    request.chosen.clear();
    if (files.isEmpty())
        return false;
    const QString path = files.takeFirst();
    if (path.isEmpty())
        return false;
    request.chosen = QStringList{path};
    if (chosenFilterIndex > 0)
        request.filterIndex = chosenFilterIndex;
    return true;
}

void ScriptedPrompter::openWithViewer(const QString& path) { viewed.append(path); }

QStringList ScriptedPrompter::texts() const
{
    QStringList out;
    for (const Shown& s : shown)
        out.append(s.text);
    return out;
}

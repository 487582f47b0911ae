#include "scriptedprompter.h"

#include <QEventLoop>
#include <QTimer>

namespace {
// What a modal box does while it waits for the user: the events go on.
void RunEventsFor(int ms)
{
    if (ms <= 0)
        return;
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}
} // namespace

ScriptedPrompter::ScriptedPrompter() { SetPrompter(this); }

ScriptedPrompter::~ScriptedPrompter() { SetPrompter(nullptr); }

MsgAnswer ScriptedPrompter::message(const QString& text, MsgIcon icon, MsgButtons buttons,
                                    const QString& title)
{
    const Shown s{text, icon, buttons, title};
    shown.append(s);
    if (onMessage)
        onMessage(s);
    RunEventsFor(modalMs);
    if (buttons == MsgButtons::Ok)
        return MsgAnswer::Ok;
    return answers.isEmpty() ? defaultAnswer : answers.takeFirst();
}

bool ScriptedPrompter::fileDialog(FileDialogRequest& request)
{
    dialogs.append(request);
    RunEventsFor(modalMs);
    request.chosen.clear();
    if (dialogErrorCode != 0) {
        request.errorCode = dialogErrorCode;
        return false;
    }
    if (files.isEmpty())
        return false;
    const QString paths = files.takeFirst();
    if (paths.isEmpty())
        return false;
    request.chosen = paths.split(QLatin1Char('\n'));
    request.readOnlyTicked = tickReadOnly;
    if (chosenFilterIndex > 0)
        request.filterIndex = chosenFilterIndex;
    return true;
}

bool ScriptedPrompter::review(ReviewRequest& request)
{
    request.dontShowAgain = tickDontShow && !request.dontShowText.isEmpty();
    reviews.append(request);
    RunEventsFor(modalMs);
    return reviewAnswers.isEmpty() ? true : reviewAnswers.takeFirst();
}

void ScriptedPrompter::openWithViewer(const QString& path) { viewed.append(path); }

QStringList ScriptedPrompter::texts() const
{
    QStringList out;
    for (const Shown& s : shown)
        out.append(s.text);
    return out;
}

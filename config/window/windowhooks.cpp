// The main window as the unit link and the sequence editor see it.
#include "windoweditorhost.h"
#include "windowlinkview.h"

#include "celleditor.h"
#include "inifile.h"
#include "mainwindow.h"
#include "prompter.h"
#include "sequencelists.h"
#include "status.h"
#include "statuspanels.h"
#include "terminalpane.h"
#include "verification.h"

void WindowLinkView::updateBar(int value, int maximum) { window_.panels().status->UpdateBar(value, maximum); }

void WindowLinkView::showUnitId(const QString& text) { window_.panels().status->showUnitId(text); }

void WindowLinkView::displayData(bool settingsOnly) { window_.DisplayData(settingsOnly); }

void WindowLinkView::controlState(bool enabled, bool all) { window_.ControlState(enabled, all); }

void WindowLinkView::markChanged(bool changed) { window_.MarkChanged(changed); }

void WindowLinkView::terminalReceived(const QByteArray& bytes) { window_.panels().terminal->terminalAppend(bytes); }

void WindowLinkView::optionRequestTimedOut(const QString& request)
{
    ShowStatus(QStringLiteral("Unit did not respond to ") + request);
}

bool WindowLinkView::verifyForUpload()
{
    const SequenceTexts texts = window_.panels().lists->texts();
    return VerifyInformation(texts.labels, texts.lines, true);
}

bool WindowLinkView::askSaveChanges() { return window_.AskSaveChanges() != 2; }

bool WindowLinkView::confirmUpload(const QStringList& changes)
{
    const QString section = QString::fromLatin1(kLocalSettingsSection);
    const QString key = QStringLiteral("ShowUploadChanges");
    if (ReadIniValue(section, key) == QLatin1String("0"))
        return true;
    ReviewRequest review;
    review.title = QStringLiteral("Upload");
    review.text = changes.isEmpty()
        ? QStringLiteral("The unit holds this configuration already; the upload writes its settings and "
                         "options again.")
        : QStringLiteral("The upload makes these changes to the unit (- what it holds, + what it will hold). "
                         "What it holds now is kept as a backup first.");
    review.lines = changes;
    review.acceptText = QStringLiteral("Upload");
    review.dontShowText = QStringLiteral("Don't show again");
    const bool go = Prompts().review(review);
    QString error;
    if (review.dontShowAgain && !WriteIniValue(section, key, QStringLiteral("0"), QString(), &error))
        window_.localSettingsNotSaved(error);
    return go;
}

void WindowLinkView::localSettingsNotSaved(const QString& reason) { window_.localSettingsNotSaved(reason); }

void WindowLinkView::uploadMismatch(const QStringList& differences)
{
    Prompts().message(QStringLiteral("The upload was read back from the unit and differs from what was written "
                                     "(- written, + read back):\n\n")
                          + differences.join(QLatin1Char('\n')),
                      MsgIcon::Critical);
}

void WindowLinkView::lineDropped()
{
    window_.DisconnectUnit();
    const QString text = QStringLiteral("The connection to the unit was lost.  Please check the cable "
                                        "and connect again.");
    ShowStatus(text);
    Prompts().message(text, MsgIcon::Exclamation);
}

void WindowLinkView::unitBusy(bool busy) { window_.closeWaysIn(busy || window_.loaderRunning_); }

QWidget* WindowEditorHost::hostWindow() { return &window_; }

QTreeWidget* WindowEditorHost::sequenceList() { return window_.panels().lists->sequences(); }

QTreeWidget* WindowEditorHost::asciiList() { return window_.panels().lists->strings(); }

void WindowEditorHost::controlState(bool enabled, bool all) { window_.ControlState(enabled, all); }

void WindowEditorHost::markChanged(bool changed) { window_.MarkChanged(changed); }

bool WindowEditorHost::cellEditOpen() const { return window_.panels().cells->isOpen(); }

void WindowEditorHost::commitCellEdit() { window_.panels().cells->ProcessCell(true); }

void WindowEditorHost::startCellEdit(QTreeWidget* list, int row, int column)
{
    window_.panels().cells->startCellEdit(list, row, column);
}

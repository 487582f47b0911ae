// Which controls are enabled, the caption with its changed mark, the save
// prompt, showing the configuration and the unit's option replies.
#include "mainwindow.h"

#include "actioneditor.h"
#include "appinfo.h"
#include "controlrule.h"
#include "datafile.h"
#include "dtmfstringlist.h"
#include "errorlog.h"
#include "mainmenus.h"
#include "portrow.h"
#include "prompter.h"
#include "sequencelists.h"
#include "settingspanel.h"
#include "status.h"
#include "terminalpane.h"
#include "unitconfig.h"

#include <QMenu>
#include <QTreeWidget>

bool frmMain::unitConnected() const
{
    return link_->isConnected();
}

bool frmMain::transferRunning() const
{
    return link_->transferRunning();
}

bool frmMain::commandRunning() const
{
    return transferRunning() || loaderRunning_;
}

void frmMain::ControlState(bool enabled, bool all)
{
    const ProcedureTrap trap = ProcedureTrap::form("ControlState", "frmMain");
    const ControlRule rule{enabled, all, unitConnected()};
    trap([&] { lists_->applyRule(rule); });
    trap([&] { settings_->applyRule(rule); });
    trap([&] { portRow_->applyRule(rule); });
    trap([&] { terminal_->applyRule(rule); });
    trap([&] { fraSequence_->setControlsEnabled(rule.editors()); });
    trap([&] { dtmf_->applyRule(rule); });
    trap([&] { applyDependentSettings(); });
}

void frmMain::applyDependentSettings()
{
    settings_->applyDependents();
    const bool serialToDtmf = settings_->optionTicked(UnitOption::SerialToDtmf) && unitConnected()
        && !commandRunning();
    dtmf_->setEntriesEnabled(serialToDtmf);
    terminal_->setInstantDtmfEnabled(serialToDtmf);
}

void frmMain::closeWaysIn(bool closed)
{
    const ProcedureTrap trap = ProcedureTrap::form("closeWaysIn", "frmMain");
    trap([&] {
        // The controls keep their own states under the disabled client
        // area and get them back with it.
        centralWidget()->setEnabled(!closed);
        for (QAction* entry : menus_->commandEntries())
            entry->setEnabled(!closed);
        if (closed)
            menus_->mnuUpload->hide();
    });
    trap([&] { applyDependentSettings(); });
}

void frmMain::MarkChanged(bool changed)
{
    changed_ = changed;
    QString name = CurrentFile();
    const int cut = int(std::max(name.lastIndexOf(QLatin1Char('\\')), name.lastIndexOf(QLatin1Char('/'))));
    name = name.mid(cut + 1);
    setWindowTitle(App().titleWithVersion() + QStringLiteral(" [") + name
                   + (changed ? QStringLiteral("*]") : QStringLiteral("]")));
}

int frmMain::AskSaveChanges()
{
    if (!isChanged())
        return 0;
    switch (Prompts().message(QStringLiteral("Would you like to save changes?"), MsgIcon::Question,
                              MsgButtons::YesNoCancel)) {
    case MsgAnswer::Cancel:
        return 2;
    case MsgAnswer::Yes:
        saveCurrentFile();
        // A save that was refused or failed must not let the changes go.
        return isChanged() ? 2 : 1;
    default:
        return 0;
    }
}

void frmMain::DisplayData(bool settingsOnly)
{
    const ProcedureTrap trap = ProcedureTrap::form("DisplayData", "frmMain");
    if (!settingsOnly)
        lists_->display(Config());
    const bool feedbackOff = settings_->display();
    trap([&] { applyDependentSettings(); });
    if (!settingsOnly) {
        trap([&] {
            QTreeWidgetItem* selected = lists_->sequences()->currentItem();
            if (fraSequence_->isOpen() && selected)
                fraSequence_->SplitSequence(lists_->sequences()->indexOfTopLevelItem(selected) + 1);
        });
    }
    if (feedbackOff && unitConnected())
        settings_->ShowSilentMode(true);
}

void frmMain::SyncJumpers(const FeedbackReading& reply)
{
    const ProcedureTrap trap = ProcedureTrap::form("SyncJumpers", "frmMain");
    trap([&] {
        if (reply.resetDetected)
            ShowStatus(QStringLiteral("Unit reset detected.  Information displayed may be different "
                                      "from defaults in the unit.  Please sync by uploading or downloading."));
        if (reply.option < 0)
            return;
        ControlState(false, false);
        MarkChanged(true);
        settings_->showOption(reply.option, reply.on);
        // The bit first: leaving silent mode shows the model's options again,
        // and must show the state the unit just reported.
        SetOptionOn(Config(), reply.option, reply.on);
        if (settings_->isFeedbackOption(reply.option))
            settings_->ShowSilentMode(false);
        ControlState(true, false);
    });
}

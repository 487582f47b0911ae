// Which controls are enabled, the caption with its changed mark and
// showing the configuration.
#include "mainwindow.h"

#include "actioneditor.h"
#include "appinfo.h"
#include "controlrule.h"
#include "datafile.h"
#include "dtmfstringlist.h"
#include "errorlog.h"
#include "portrow.h"
#include "sequencelists.h"
#include "settingspanel.h"
#include "terminalpane.h"
#include "unitconfig.h"

#include <QMenu>
#include <QTreeWidget>

bool frmMain::unitConnected() const
{
    return unit_.link->isConnected();
}

bool frmMain::commandRunning() const
{
    return unit_.link->transferRunning() || loaderRunning_;
}

void frmMain::ControlState(bool enabled, bool all)
{
    const ProcedureTrap trap = ProcedureTrap::form("ControlState", "frmMain");
    const ControlRule rule{enabled, all, unitConnected()};
    const WindowPanels& p = panels_;
    trap([&] { p.lists->applyRule(rule); });
    trap([&] { p.settings->applyRule(rule); });
    trap([&] { p.portRow->applyRule(rule); });
    trap([&] { p.terminal->applyRule(rule); });
    trap([&] { p.actionEditor->setControlsEnabled(rule.editors()); });
    trap([&] { p.dtmfStrings->applyRule(rule); });
    trap([&] { p.followOptions(unitConnected() && !commandRunning()); });
}

void frmMain::closeWaysIn(bool closed)
{
    const ProcedureTrap trap = ProcedureTrap::form("closeWaysIn", "frmMain");
    trap([&] {
        // The controls keep their own states under the disabled client
        // area and get them back with it.
        centralWidget()->setEnabled(!closed);
        for (QAction* entry : menus_.commandEntries())
            entry->setEnabled(!closed);
        if (closed)
            menus_.mnuUpload->hide();
    });
    trap([&] { panels_.followOptions(unitConnected() && !commandRunning()); });
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

void frmMain::DisplayData(bool settingsOnly)
{
    const ProcedureTrap trap = ProcedureTrap::form("DisplayData", "frmMain");
    const WindowPanels& p = panels_;
    if (!settingsOnly)
        p.lists->display(Config());
    const bool feedbackOff = p.settings->display();
    trap([&] { p.followOptions(unitConnected() && !commandRunning()); });
    if (!settingsOnly) {
        trap([&] {
            QTreeWidgetItem* selected = p.lists->sequences()->currentItem();
            if (p.actionEditor->isOpen() && selected)
                p.actionEditor->SplitSequence(p.lists->sequences()->indexOfTopLevelItem(selected) + 1);
        });
    }
    if (feedbackOff && unitConnected())
        p.settings->ShowSilentMode(true);
}

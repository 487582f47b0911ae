// Which controls are enabled, the caption with its changed mark, the save
// prompt, the status line and the progress bar.
#include "mainwindow.h"

#include "appinfo.h"
#include "datafile.h"
#include "errorlog.h"
#include "optioncheckbox.h"
#include "progressbar.h"
#include "prompter.h"
#include "status.h"
#include "unitlink.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <QTextEdit>
#include <QTreeWidget>

namespace {
const QString kStateIgnore = QStringLiteral("stateignore");

// The kinds of control the enabling rules apply to.
bool IsStatefulControl(const QWidget* w)
{
    return qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QLineEdit*>(w)
        || qobject_cast<const QTextEdit*>(w) || qobject_cast<const QGroupBox*>(w)
        || qobject_cast<const QTreeWidget*>(w) || qobject_cast<const QLabel*>(w)
        || qobject_cast<const QComboBox*>(w);
}

QString ParentName(const QWidget* w)
{
    return w->parentWidget() ? w->parentWidget()->objectName() : QString();
}

bool InsideNamed(const QWidget* w, const QString& name)
{
    for (const QWidget* p = w; p; p = p->parentWidget())
        if (p->objectName() == name)
            return true;
    return false;
}

// The control's own enabled flag, whatever its container says.
bool OwnEnabled(const QWidget* w) { return !w->testAttribute(Qt::WA_ForceDisabled); }

bool Ticked(const QCheckBox* box) { return box->checkState() == Qt::Checked; }
} // namespace

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

void frmMain::unitBusy(bool busy)
{
    closeWaysIn(busy || loaderRunning_);
}

void frmMain::closeWaysIn(bool busy)
{
    const ProcedureTrap trap = ProcedureTrap::form("closeWaysIn", "frmMain");
    trap([&] {
        // The controls keep their own states under the disabled client
        // area and get them back with it.
        centralWidget()->setEnabled(!busy);
        for (QAction* entry : {mnuNew_, mnuOpen_, mnuSave_, mnuSaveAs_, mnuExit_, mnuFWUpdate_,
                               mnuSendDTMF_->menuAction(), mnuUpSetOnly_[0], mnuUpSetOnly_[1], mnuUpAll_})
            entry->setEnabled(!busy);
        if (busy)
            mnuUpload_->hide();
    });
    trap([&] { applyDependentSettings(); });
}

void frmMain::ControlState(bool enabled, bool all)
{
    const ProcedureTrap trap = ProcedureTrap::form("ControlState", "frmMain");
    const bool connected = unitConnected();
    const QList<QWidget*> widgets = findChildren<QWidget*>();
    for (QWidget* w : widgets) {
        trap([&] {
            if (!IsStatefulControl(w) || statusBar()->isAncestorOf(w))
                return;
            if (InsideNamed(w, QStringLiteral("fraHEX")))
                return;
            const QString parent = ParentName(w);
            if (!all
                && (w->objectName() == QLatin1String("fraSequence")
                    || w->objectName() == QLatin1String("fraDTMFStrings")
                    || parent == QLatin1String("fraSequence") || parent == QLatin1String("fraDTMFStrings")
                    || parent == QLatin1String("picAction"))) {
                w->setEnabled(true);
                return;
            }
            if (w->property("tag").toString() == kStateIgnore)
                return;
            if (parent == QLatin1String("fraSettings"))
                w->setEnabled(enabled && connected);
            else if (all)
                // The unit's own controls follow the connection; the rest
                // come back after a transfer even when the line dropped in it.
                w->setEnabled(enabled);
        });
    }
    trap([&] {
        cmdDownload_->setEnabled(enabled && connected);
        cmdUpload_->setEnabled(enabled && connected);
        // While connected the port is chosen: a scan could only lose it.
        if (connected) {
            cmbPort_->setEnabled(false);
            cmdRefresh_->setEnabled(false);
        }
    });
    trap([&] { applyDependentSettings(); });
}

void frmMain::applyDependentSettings()
{
    const bool connected = unitConnected();
    auto follows = [&](int option, QWidget* label, QWidget* edit) {
        const bool on = Ticked(chkOpt_[option]) && OwnEnabled(chkOpt_[option]) && connected;
        label->setEnabled(on);
        edit->setEnabled(on);
    };
    follows(4, lblRings_, txtRings_);
    follows(0, lblPrefix_, txtPrefix_);
    follows(2, lblInactDur_, txtInactDur_);
    follows(6, lblPass_, txtPass_);
    const bool serialToDTMF = Ticked(chkOpt_[9]) && connected && !commandRunning();
    for (QAction* entry : mnuDTMFStr_)
        entry->setEnabled(serialToDTMF);
    lblInstDTMF_->setEnabled(serialToDTMF);
    txtInstDTMF_->setEnabled(serialToDTMF);
    cmdInstDTMFSend_->setEnabled(serialToDTMF);
    for (int e = 0; e < 3; ++e)
        cmbEvent_[e]->setEnabled(Ticked(chkEvent_[e]) && OwnEnabled(chkEvent_[e]));
}

void frmMain::MarkChanged(bool changed)
{
    QString name = CurrentFile();
    const int cut = int(std::max(name.lastIndexOf(QLatin1Char('\\')), name.lastIndexOf(QLatin1Char('/'))));
    name = name.mid(cut + 1);
    setWindowTitle(App().titleWithVersion() + QStringLiteral(" [") + name
                   + (changed ? QStringLiteral("*]") : QStringLiteral("]")));
}

bool frmMain::isChanged() const
{
    return windowTitle().endsWith(QStringLiteral("*]"));
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

void frmMain::UpdateBar(int value, int maximum)
{
    const ProcedureTrap trap("UpdateBar", "modUtils");
    trap([&] { picProgress_->showProgress(value, maximum); });
}

void frmMain::installStatusSink()
{
    SetStatusSink([label = QPointer<QLabel>(panelMsg_)](const QString& text) {
        if (label)
            label->setText(text);
    });
}

void frmMain::showUnitId(const QString& text)
{
    panelUnitId_->setText(text);
}

void frmMain::optionRequestTimedOut(const QString& request)
{
    ShowStatus(QStringLiteral("Unit did not respond to ") + request);
}

#include "statuspanels.h"

#include "errorlog.h"
#include "progressbar.h"
#include "status.h"
#include "widgetmaking.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QStatusBar>

namespace {
constexpr int kProgressPanelWidth = 140;
} // namespace

StatusPanels::StatusPanels(QStatusBar* bar) : QObject(bar)
{
    bar->setObjectName(QStringLiteral("StatusBar"));
    panelMsg_ = Named(new QLabel, QStringLiteral("msg"));
    // Long messages wrap within the room the other panels leave, in two
    // lines kept at all times, so the window never jumps for a message.
    panelMsg_->setWordWrap(true);
    panelMsg_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    panelMsg_->setFixedHeight(2 * panelMsg_->fontMetrics().lineSpacing());
    panelUnitId_ = Named(new QLabel, QStringLiteral("unitid"));
    auto* progressPanel = Named(new QWidget, QStringLiteral("progress"));
    auto* pl = new QHBoxLayout(progressPanel);
    pl->setContentsMargins(3, 2, 3, 2);   // the bar sits a little inside its panel
    picProgress_ = new ProgressBar(progressPanel);
    pl->addWidget(picProgress_);
    progressPanel->setFixedWidth(kProgressPanelWidth);
    bar->addWidget(panelMsg_, 1);
    bar->addPermanentWidget(panelUnitId_);
    bar->addPermanentWidget(progressPanel);
}

StatusPanels::~StatusPanels() { SetStatusSink({}); }

void StatusPanels::takeStatus()
{
    SetStatusSink([label = QPointer<QLabel>(panelMsg_)](const QString& text) {
        if (label)
            label->setText(text);
    });
}

void StatusPanels::showUnitId(const QString& text) { panelUnitId_->setText(text); }

void StatusPanels::UpdateBar(int value, int maximum)
{
    const ProcedureTrap trap("UpdateBar", "modUtils");
    trap([&] { picProgress_->showProgress(value, maximum); });
}

#include "trafficlog.h"

#include "appinfo.h"
#include "dialogs.h"
#include "prompter.h"
#include "status.h"
#include "tracewriter.h"
#include "tracingserialport.h"

#include <QDir>

namespace {
const QString kCaption = QStringLiteral("Log traffic to file...");
const QString kIdleTip = QStringLiteral("Write everything sent to and received from the unit to a file, for support.");
} // namespace

TrafficLogButton::TrafficLogButton(TracingSerialPort& port, QWidget* parent)
    : QPushButton(kCaption, parent), port_(port)
{
    setObjectName(QStringLiteral("cmdTrafficLog"));
    setCheckable(true);
    setToolTip(kIdleTip);
    connect(this, &QPushButton::clicked, this, &TrafficLogButton::onClicked);
}

TrafficLogButton::~TrafficLogButton() { stop(); }

void TrafficLogButton::onClicked()
{
    if (logging()) {
        stop();
        return;
    }
    setChecked(false);
    DialogParams p;
    p.title = QStringLiteral("Log traffic to file");
    p.filter = QStringLiteral("Traffic logs (*.log)|*.log|All Files (*.*)|*.*");
    p.defaultExtension = QStringLiteral("log");
    p.overwritePrompt = true;
    p.startFolder = App().dataFolder();
    p.fileName = QDir(p.startFolder).filePath(QStringLiteral("KV310 traffic.log"));
    if (SaveDialog(p) && !p.fileName.isEmpty())
        start(p.fileName);
}

bool TrafficLogButton::start(const QString& path)
{
    stop();
    auto trace = std::make_unique<TraceWriter>(path, kRotateBytes, true);
    QString error;
    if (!trace->open(&error)) {
        Prompts().message(QStringLiteral("Unable to log the traffic to ") + QDir::toNativeSeparators(path)
                              + QStringLiteral(". ") + error,
                          MsgIcon::Critical);
        return false;
    }
    trace_ = std::move(trace);
    port_.setTrace(trace_.get());
    setChecked(true);
    setToolTip(QStringLiteral("Logging to ") + QDir::toNativeSeparators(path));
    ShowStatus(QStringLiteral("Logging the traffic to ") + QDir::toNativeSeparators(path));
    return true;
}

void TrafficLogButton::stop()
{
    if (!trace_)
        return;
    port_.setTrace(nullptr);
    trace_.reset();
    setChecked(false);
    setToolTip(kIdleTip);
}

#include "trafficlog.h"

#include "appinfo.h"
#include "dialogs.h"
#include "prompter.h"
#include "status.h"
#include "tracewriter.h"
#include "tracingserialport.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

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
    const bool continued = !stoppedPath_.isEmpty() && QFileInfo(path).absoluteFilePath() == stoppedPath_;
    const bool opened = continued ? trace->openToContinue(stoppedNote_, &error) : trace->open(&error);
    if (!opened) {
        Prompts().message(QStringLiteral("Unable to log the traffic to ") + QDir::toNativeSeparators(path)
                              + QStringLiteral(". ") + error,
                          MsgIcon::Critical);
        return false;
    }
    stoppedPath_.clear();
    // Told from inside a record: the writer goes once that has returned.
    trace->setFailureHandler([this](const QString& reason) {
        QMetaObject::invokeMethod(this, [this, reason] { onTraceFailed(reason); }, Qt::QueuedConnection);
    });
    trace_ = std::move(trace);
    port_.setTrace(trace_.get());
    setChecked(true);
    setToolTip(QStringLiteral("Logging to ") + QDir::toNativeSeparators(path));
    ShowStatus(QStringLiteral("Logging the traffic to ") + QDir::toNativeSeparators(path));
    return true;
}

void TrafficLogButton::onTraceFailed(const QString& reason)
{
    if (!trace_)
        return;
    const QString path = trace_->path();
    stop();
    stoppedPath_ = QFileInfo(path).absoluteFilePath();
    stoppedNote_ = QStringLiteral("logging stopped at %1 (%2); it goes on from here")
                       .arg(QDateTime::currentDateTime().toString(Qt::ISODate), reason);
    QString text = QStringLiteral("Logging the traffic to %1 stopped: %2").arg(QDir::toNativeSeparators(path), reason);
    if (!text.endsWith(QLatin1Char('.')))
        text += QLatin1Char('.');
    ShowStatus(text);
    Prompts().message(text, MsgIcon::Exclamation);
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

#include "portrow.h"

#include "commandbutton.h"
#include "portresolve.h"
#include "unitlink.h"
#include "widgetmaking.h"

#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QShortcut>

namespace {
const QColor kScanningColour(180, 0, 0);     // the list while ports are probed
const QColor kChoosePortColour(0, 255, 0);   // "choose a port first"
const QString kConnect = QStringLiteral("Connect");
constexpr int kDeviceSettleMs = 300;   // after the last change the system reported

void Colour(QComboBox* box, const QColor& colour)
{
    QPalette pal = box->palette();
    pal.setColor(QPalette::Base, colour);
    pal.setColor(QPalette::Button, colour);
    box->setPalette(pal);
}

void SystemColour(QComboBox* box) { box->setPalette(QApplication::palette(box)); }
} // namespace

PortRow::PortRow(QWidget* parent) : QWidget(parent)
{
    auto* lay = new QGridLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    cmbPort_ = Named(new QComboBox, QStringLiteral("cmbPort"));
    cmbPort_->setEditable(false);
    cmdConnect_ = Named(new CommandButton(kConnect), QStringLiteral("cmdConnect"));
    cmdRefresh_ = Named(new QPushButton(QStringLiteral("Refresh")), QStringLiteral("cmdRefresh"));
    cmdRefresh_->setToolTip(QStringLiteral("Scan for available COM ports."));
    cmdDownload_ = Named(new CommandButton(QStringLiteral("Download")), QStringLiteral("cmdDownload"));
    cmdUpload_ = Named(new CommandButton(QStringLiteral("Upload")), QStringLiteral("cmdUpload"));
    cmdExit_ = Named(new QPushButton(QStringLiteral("Exit")), QStringLiteral("cmdExit"));
    lay->addWidget(cmbPort_, 0, 0);
    lay->addWidget(cmdConnect_, 0, 1);
    lay->addWidget(cmdRefresh_, 0, 2);
    lay->addWidget(cmdDownload_, 1, 0);
    lay->addWidget(cmdUpload_, 1, 1);
    lay->addWidget(cmdExit_, 1, 2);

    // Keyboard ways to the three unit commands, named in their tool tips.
    const struct {
        QPushButton* button;
        QKeySequence keys;
        QString tip;
    } commands[] = {
        {cmdConnect_, QKeySequence(Qt::CTRL | Qt::Key_K), QStringLiteral("Connect to or disconnect from the unit")},
        {cmdDownload_, QKeySequence(Qt::CTRL | Qt::Key_D), QStringLiteral("Read the whole configuration from the unit")},
        {cmdUpload_, QKeySequence(Qt::CTRL | Qt::Key_U), QStringLiteral("Write the configuration to the unit")},
    };
    for (const auto& command : commands) {
        command.button->setToolTip(command.tip + QStringLiteral(" (")
                                   + command.keys.toString(QKeySequence::NativeText) + QStringLiteral(")"));
        auto* shortcut = new QShortcut(command.keys, this);
        shortcut->setContext(Qt::WindowShortcut);
        QPushButton* button = command.button;
        connect(shortcut, &QShortcut::activated, button, [button] {
            if (button->isEnabled())
                button->click();
        });
    }
    connect(cmbPort_, &QComboBox::currentTextChanged, this, &PortRow::onChosen);
    deviceSettle_.setSingleShot(true);
    deviceSettle_.setInterval(kDeviceSettleMs);
    connect(&deviceSettle_, &QTimer::timeout, this, &PortRow::onDevicesChanged);
    connect(&SerialDevices(), &PortEnumerator::devicesChanged, &deviceSettle_, qOverload<>(&QTimer::start));
    SerialDevices().watch();
    connect(cmdConnect_, &QPushButton::clicked, this, &PortRow::connectClicked);
    connect(cmdRefresh_, &QPushButton::clicked, this, &PortRow::refreshClicked);
    connect(cmdDownload_, &QPushButton::clicked, this, &PortRow::downloadClicked);
    connect(cmdUpload_, &QPushButton::clicked, this, &PortRow::uploadClicked);
    connect(cmdExit_, &QPushButton::clicked, this, &PortRow::exitClicked);
}

void PortRow::onChosen()
{
    // Read now: once the devices changed, the number may stand for another.
    chosenAdapter_ = PortDeviceInfo(PortNumberOf(cmbPort_->currentText())).identity();
    updateToolTip();
}

void PortRow::updateToolTip()
{
    const int number = PortNumberOf(cmbPort_->currentText());
    cmbPort_->setToolTip(number > 0 ? PortToolTip(number) : QString());
}

void PortRow::populate(SerialPort* prober, bool scan)
{
    cmbPort_->clear();
    if (scan) {
        Colour(cmbPort_, kScanningColour);
        cmbPort_->setEnabled(false);
        QApplication::processEvents();
    }
    setEntries(UnitLink::populatePorts(prober, scan));
    if (scan) {
        SystemColour(cmbPort_);
        cmbPort_->setEnabled(true);
    }
    if (cmbPort_->count() > 0)
        cmbPort_->setCurrentIndex(0);
    onChosen();
}

void PortRow::setEntries(const QStringList& entries)
{
    const QSignalBlocker quiet(cmbPort_);
    cmbPort_->clear();
    for (const QString& entry : entries) {
        cmbPort_->addItem(entry);
        cmbPort_->setItemData(cmbPort_->count() - 1, PortToolTip(PortNumberOf(entry)), Qt::ToolTipRole);
    }
}

void PortRow::onDevicesChanged()
{
    ForgetSerialDevices();
    if (showsConnected()) {
        refreshPending_ = true;
        return;
    }
    refreshPresent();
}

void PortRow::refreshPresent()
{
    refreshPending_ = false;
    const QString chosen = chosenPort();
    const QString identity = chosenAdapter_;
    setEntries(UnitLink::presentPorts());
    {
        const QSignalBlocker quiet(cmbPort_);
        if (cmbPort_->count() > 0)
            cmbPort_->setCurrentIndex(0);
        const int at = cmbPort_->findText(chosen, Qt::MatchFixedString);
        if (at >= 0)
            cmbPort_->setCurrentIndex(at);
    }
    onChosen();
    chooseAdapter(identity);
}

void PortRow::chooseAdapter(const QString& identity)
{
    const int number = PortNumberOfIdentity(identity, UnitLink::kMaxPortNumber);
    if (number > 0)
        choose(QStringLiteral("Com%1").arg(number));
}

QString PortRow::chosenPort() const { return cmbPort_->currentText(); }

void PortRow::choose(const QString& port)
{
    const int at = cmbPort_->findText(port, Qt::MatchFixedString);
    if (at >= 0)
        cmbPort_->setCurrentIndex(at);
    onChosen();
}

bool PortRow::hasPorts() const { return cmbPort_->currentIndex() >= 0; }

void PortRow::askForPort() { Colour(cmbPort_, kChoosePortColour); }

void PortRow::showConnected(bool connected)
{
    connected_ = connected;
    cmdConnect_->setText(connected ? QStringLiteral("Disconnect") : kConnect);
    if (connected)
        SystemColour(cmbPort_);
    cmbPort_->setEnabled(!connected);
    cmdRefresh_->setEnabled(!connected);
    if (!connected && refreshPending_)
        refreshPresent();
}

bool PortRow::showsConnected() const { return connected_; }

void PortRow::holdConnect(bool held) { cmdConnect_->setEnabled(!held); }

void PortRow::applyRule(const ControlRule& rule)
{
    if (rule.all)
        for (QWidget* w : std::initializer_list<QWidget*>{cmbPort_, cmdConnect_, cmdRefresh_, cmdExit_})
            w->setEnabled(rule.enabled);
    cmdDownload_->setEnabled(rule.unitControls());
    cmdUpload_->setEnabled(rule.unitControls());
    // While connected the port is chosen: a scan could only lose it.
    if (rule.connected) {
        cmbPort_->setEnabled(false);
        cmdRefresh_->setEnabled(false);
    }
}

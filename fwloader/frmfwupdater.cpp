#include "frmfwupdater.h"

#include "appinfo.h"
#include "dffloader.h"
#include "dffmakerpanel.h"
#include "dialogs.h"
#include "errorlog.h"
#include "portresolve.h"
#include "portservices.h"
#include "prompter.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>

namespace {

constexpr const char* kForm = "frmFWUpdater";
constexpr int kFirstPort = 1;
constexpr int kLastListedPort = 16;
constexpr int kLastPortNumber = 255;
constexpr int kCipherBarSteps = 1000;
// The boot loader talks 9600,n,8,1 unless the file's model says otherwise.
const char* const kDefaultLine = "9600,n,8,1";

} // namespace

frmFWUpdater::frmFWUpdater(SerialPort& serComm, QWidget* parent)
    : QWidget(parent), serComm_(serComm), link_(serComm, *this, this)
{
    setObjectName(QStringLiteral("frmFWUpdater"));
    setWindowTitle(QStringLiteral("Firmware Update"));
    LineSettings::parse(QLatin1String(kDefaultLine), &settings_);

    imgLogo = new QLabel(QStringLiteral("NORRVALE"), this);
    imgLogo->setObjectName(QStringLiteral("imgLogo"));
    imgLogo->setStyleSheet(QStringLiteral("font-size: 20pt; font-weight: bold; color: #1d4e89;"));
    imgLogo->installEventFilter(this);
    SerialCommPort = new QComboBox(this);
    SerialCommPort->setObjectName(QStringLiteral("SerialCommPort"));
    cmdUpdate = new QPushButton(QStringLiteral("Scanning available ports, please wait..."), this);
    cmdUpdate->setObjectName(QStringLiteral("cmdUpdate"));
    cmdRefresh = new QPushButton(QStringLiteral("Refresh"), this);
    cmdRefresh->setObjectName(QStringLiteral("cmdRefresh"));
    cmdExit = new QPushButton(QStringLiteral("Exit"), this);
    cmdExit->setObjectName(QStringLiteral("cmdExit"));
    lblMessage = new QLabel(this);
    lblMessage->setObjectName(QStringLiteral("lblMessage"));
    picProgress = new QProgressBar(this);
    picProgress->setObjectName(QStringLiteral("picProgress"));
    picProgress->setTextVisible(false);
    picProgress->hide();
    picCreateDFF = new DffMakerPanel([this](double f) { cipherProgress(f); }, this);
    connect(picCreateDFF, &DffMakerPanel::cipherEnded, picProgress, &QWidget::hide);

    auto* grid = new QGridLayout(this);
    grid->addWidget(imgLogo, 0, 0, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("Serial Comm. Port"), this), 1, 0);
    grid->addWidget(SerialCommPort, 1, 1);
    grid->addWidget(cmdRefresh, 1, 2);
    grid->addWidget(cmdUpdate, 2, 0, 1, 3);
    grid->addWidget(lblMessage, 3, 0, 1, 3);
    grid->addWidget(picProgress, 4, 0, 1, 3);
    grid->addWidget(picCreateDFF, 5, 0, 1, 3);
    grid->addWidget(cmdExit, 6, 2);

    connect(cmdRefresh, &QPushButton::clicked, this, &frmFWUpdater::cmdRefresh_Click);
    connect(cmdUpdate, &QPushButton::clicked, this, &frmFWUpdater::cmdUpdate_Click);
    connect(cmdExit, &QPushButton::clicked, this, &frmFWUpdater::cmdExit_Click);
}

void frmFWUpdater::Form_Load()
{
    const ProcedureTrap trap = ProcedureTrap::form("Form_Load", kForm);
    trap([&] {
        setWindowTitle(App().title + QStringLiteral(" Firmware Updater v") + App().versionText());
        show();
        cmdRefresh_Click();
    });
}

void frmFWUpdater::showBrowseCaption() { cmdUpdate->setText(QStringLiteral("Browse for DFF files")); }

void frmFWUpdater::showUploadCaption()
{
    cmdUpdate->setText(QStringLiteral("Upload the firmware (ver. ") + header_.versionText() + QLatin1Char(')'));
}

void frmFWUpdater::cmdRefresh_Click()
{
    const ProcedureTrap trap = ProcedureTrap::form("cmdRefresh_Click", kForm);
    cmdUpdate->setEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    SerialCommPort->clear();
    for (int n = kFirstPort; n <= kLastListedPort; ++n) {
        trap([&] {
            if (!PortAvailable(n, serComm_))
                return;
            SerialCommPort->addItem(QStringLiteral("Com ") + QString::number(n), n);
            SerialCommPort->setItemData(SerialCommPort->count() - 1, PortToolTip(n), Qt::ToolTipRole);
        });
    }
    if (SerialCommPort->count() > 0)
        SerialCommPort->setCurrentIndex(0);
    cmdUpdate->setEnabled(true);
    if (image_.loaded())
        showUploadCaption();
    else
        showBrowseCaption();
    QApplication::restoreOverrideCursor();
}

void frmFWUpdater::cmdUpdate_Click()
{
    const ProcedureTrap trap = ProcedureTrap::form("cmdUpdate_Click", kForm);
    bool quit = false;
    trap([&] {
        if (image_.loaded())
            quit = upload();
        else
            browseAndLoad();
    });
    commonEnd(quit);
}

void frmFWUpdater::browseAndLoad()
{
    cmdUpdate->setEnabled(false);
    DialogParams params;
    params.title = QStringLiteral("Load Norrvale Firmware File");
    params.filter = QStringLiteral("Norrvale Firmware Files (*.dff)|*.dff|All Files (*.*)|*.*");
    params.filterIndex = 1;
    params.startFolder = App().dataFolder();
    params.fileName = lastDffPath_;
    params.fileMustExist = true;
    params.hideReadOnly = true;
    params.flags = Ofn::Explorer;
    OpenDialog(params);
    // A FIFO or a device is named as such by the load, not passed over.
    lastDffPath_ = QFileInfo::exists(params.fileName) ? params.fileName : QString();
    if (lastDffPath_.isEmpty())
        return;

    cmdUpdate->setText(QStringLiteral("Verifying DFF..."));
    const bool loaded = LoadDFFFile(lastDffPath_, &header_, &image_, &settings_,
                                    [this](double f) { cipherProgress(f); });
    picProgress->hide();   // the bar showed the deciphering, which is over
    if (loaded) {
        showUploadCaption();
    } else {
        showBrowseCaption();
        image_.erase();
    }
}

bool frmFWUpdater::upload()
{
    const ProcedureTrap trap = ProcedureTrap::form("cmdUpdate_Click", kForm);
    cmdUpdate->hide();
    SerialCommPort->setEnabled(false);
    cmdRefresh->setEnabled(false);
    bool ok = true;
    bool quit = false;

    if (SerialCommPort->currentIndex() < 0) {
        Prompts().message(QStringLiteral("Please select a COM port from the list."), MsgIcon::Information);
        ok = false;
    } else {
        trap([&] {
            const int number = PortNumberOf(SerialCommPort->currentText());
            if (number >= kFirstPort && number <= kLastPortNumber) {
                if (serComm_.isOpen())
                    serComm_.close();
                serComm_.setPortNumber(number);
            }
            serComm_.setSettings(settings_);
            serComm_.open();
        });
        if (!serComm_.isOpen()) {
            Prompts().message(QStringLiteral("Unable to connect on select COM port.  The port may be in use."),
                              MsgIcon::Critical);
            ok = false;
        }
    }

    if (ok) {
        cmdExit->setEnabled(false);
        showMessage(QStringLiteral("Please reset the unit... (10 seconds)"));
        if (link_.FlashUnit(header_, image_) == FlashOutcome::Mismatch)
            showBrowseCaption();
        if (isMinimized())
            showNormal();
        raise();
        activateWindow();
        quit = Prompts().message(QStringLiteral("Would you like to flash another unit with v") + header_.versionText()
                                     + QStringLiteral(" firmware?"),
                                 MsgIcon::Question, MsgButtons::YesNo)
            == MsgAnswer::No;
    }

    if (serComm_.isOpen())
        serComm_.close();
    cmdUpdate->show();
    SerialCommPort->setEnabled(true);
    cmdRefresh->setEnabled(true);
    return quit;
}

void frmFWUpdater::commonEnd(bool quit)
{
    cmdUpdate->setEnabled(true);
    cmdExit->setEnabled(true);
    picProgress->hide();
    if (quit)
        cmdExit_Click();
}

void frmFWUpdater::cmdExit_Click()
{
    unloading_ = true;
    close();
    unloading_ = false;
}

void frmFWUpdater::closeEvent(QCloseEvent* event)
{
    if (!unloading_ && event->spontaneous()) {
        event->ignore();
        return;
    }
    image_.erase();
    if (serComm_.isOpen())
        serComm_.close();
    event->accept();
}

bool frmFWUpdater::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == imgLogo && event->type() == QEvent::MouseButtonPress) {
        const ProcedureTrap trap = ProcedureTrap::form("imgLogo_MouseDown", kForm);
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const Qt::KeyboardModifiers opening = Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier;
        if (mouse->button() == Qt::LeftButton && (mouse->modifiers() & opening))
            trap([&] { picCreateDFF->open(); });
    }
    return QWidget::eventFilter(watched, event);
}

void frmFWUpdater::cipherProgress(double fraction)
{
    picProgress->setRange(0, kCipherBarSteps);
    picProgress->setValue(int(fraction * kCipherBarSteps));
    picProgress->show();
    QApplication::processEvents();
}

void frmFWUpdater::showMessage(const QString& text) { lblMessage->setText(text); }

void frmFWUpdater::startProgress(int maximum)
{
    picProgress->setRange(0, qMax(1, maximum));
    picProgress->setValue(0);
    picProgress->show();
}

void frmFWUpdater::setProgress(int value) { picProgress->setValue(value); }

// The port row and the unit commands: scanning, connecting, downloading and
// the Upload menu, and what the window does when the link reports back.
#include "mainwindow.h"

#include "portresolve.h"
#include "prompter.h"
#include "serialport.h"
#include "status.h"
#include "unitlink.h"

#include <QApplication>
#include <QComboBox>
#include <QMenu>
#include <QPalette>
#include <QPushButton>

namespace {
const QColor kScanningColour(180, 0, 0);     // the list while ports are probed
const QColor kChoosePortColour(0, 255, 0);   // "choose a port first"

void Colour(QComboBox* box, const QColor& colour)
{
    QPalette pal = box->palette();
    pal.setColor(QPalette::Base, colour);
    pal.setColor(QPalette::Button, colour);
    box->setPalette(pal);
}

void SystemColour(QComboBox* box)
{
    box->setPalette(QApplication::palette(box));
}
} // namespace

void frmMain::updatePortToolTip()
{
    const int number = UnitLink::portNumberOf(cmbPort_->currentText());
    cmbPort_->setToolTip(number > 0 ? PortToolTip(number) : QString());
}

void frmMain::populatePortList(bool scan)
{
    cmbPort_->clear();
    if (scan) {
        Colour(cmbPort_, kScanningColour);
        cmbPort_->setEnabled(false);
        QApplication::processEvents();
    }
    cmbPort_->addItems(UnitLink::populatePorts(portScanner_, scan));
    if (scan) {
        SystemColour(cmbPort_);
        cmbPort_->setEnabled(true);
    }
    if (cmbPort_->count() > 0)
        cmbPort_->setCurrentIndex(0);
    updatePortToolTip();
}

void frmMain::cmdRefresh_Click()
{
    ShowStatus(QStringLiteral("Scanning for available ports. Please wait..."));
    populatePortList(true);
    if (cmbPort_->currentIndex() >= 0)
        ShowStatus(QString());
    else
        ShowStatus(QStringLiteral("No available COM ports found."));
}

void frmMain::DisconnectUnit()
{
    if (!link_->disconnectUnit())
        return;
    cmbPort_->setEnabled(true);
    cmdRefresh_->setEnabled(true);
    cmdConnect_->setText(QStringLiteral("Connect"));
}

void frmMain::cmdConnect_Click()
{
    if (commandRunning())
        return;   // the link would refuse; the button must not change meanwhile
    QApplication::setOverrideCursor(Qt::WaitCursor);
    cmdConnect_->setEnabled(false);
    if (cmdConnect_->text() != QLatin1String("Connect")) {
        DisconnectUnit();
    } else if (!serPort_->isOpen() && cmbPort_->currentText().isEmpty()) {
        ShowStatus(QStringLiteral("Please select a COM port first"));
        Colour(cmbPort_, kChoosePortColour);
    } else if (link_->connectUnit(cmbPort_->currentText())) {
        SystemColour(cmbPort_);
        cmdConnect_->setText(QStringLiteral("Disconnect"));
        cmbPort_->setEnabled(false);
        cmdRefresh_->setEnabled(false);
    }
    cmdConnect_->setEnabled(true);
    QApplication::restoreOverrideCursor();
}

void frmMain::cmdDownload_Click()
{
    link_->download();
}

void frmMain::cmdUpload_Click()
{
    uploadScope_ = UploadScope::Everything;
    mnuUpload_->popup(cmdUpload_->mapToGlobal(QPoint(0, cmdUpload_->height())));
}

void frmMain::mnuUpSetOnly_Click(int index)
{
    uploadScope_ = index == 0 ? UploadScope::SettingsOnly : UploadScope::FlashOnly;
    mnuUpAll_Click();
}

void frmMain::mnuUpAll_Click()
{
    const UploadScope scope = uploadScope_;
    uploadScope_ = UploadScope::Everything;   // no restriction survives into the next write
    link_->upload(scope);
}

bool frmMain::verifyForUpload()
{
    const SequenceTexts texts = sequenceListTexts();
    return VerifyInformation(texts.labels, texts.lines, true);
}

void frmMain::lineDropped()
{
    DisconnectUnit();
    const QString text = QStringLiteral("The connection to the unit was lost.  Please check the cable "
                                        "and connect again.");
    ShowStatus(text);
    Prompts().message(text, MsgIcon::Exclamation);
}

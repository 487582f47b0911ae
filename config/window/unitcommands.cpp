// The unit commands: scanning for ports, connecting, downloading and the
// Upload menu.
#include "mainwindow.h"

#include "mainmenus.h"
#include "portrow.h"
#include "serialport.h"
#include "status.h"
#include "unitlink.h"

#include <QApplication>
#include <QMenu>
#include <QPushButton>

void frmMain::cmdRefresh_Click()
{
    ShowStatus(QStringLiteral("Scanning for available ports. Please wait..."));
    portRow_->populate(ports_.scanner, true);
    if (portRow_->hasPorts())
        ShowStatus(QString());
    else
        ShowStatus(QStringLiteral("No available COM ports found."));
}

void frmMain::DisconnectUnit()
{
    if (!link_->disconnectUnit())
        return;
    portRow_->showConnected(false);
}

void frmMain::cmdConnect_Click()
{
    if (commandRunning())
        return;   // the link would refuse; the button must not change meanwhile
    QApplication::setOverrideCursor(Qt::WaitCursor);
    portRow_->holdConnect(true);
    if (portRow_->showsConnected()) {
        DisconnectUnit();
    } else if (!ports_.unit->isOpen() && portRow_->chosenPort().isEmpty()) {
        ShowStatus(QStringLiteral("Please select a COM port first"));
        portRow_->askForPort();
    } else if (link_->connectUnit(portRow_->chosenPort())) {
        portRow_->showConnected(true);
    }
    portRow_->holdConnect(false);
    QApplication::restoreOverrideCursor();
}

void frmMain::cmdDownload_Click()
{
    link_->download();
}

void frmMain::cmdUpload_Click()
{
    uploadScope_ = UploadScope::Everything;
    QPushButton* button = portRow_->uploadButton();
    menus_->mnuUpload->popup(button->mapToGlobal(QPoint(0, button->height())));
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

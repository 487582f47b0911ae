// The unit commands: scanning for ports, connecting, downloading and the
// Upload menu.
#include "mainwindow.h"

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
    panels_.portRow->populate(unit_.scanner, true);
    if (panels_.portRow->hasPorts())
        ShowStatus(QString());
    else
        ShowStatus(QStringLiteral("No available COM ports found."));
}

void frmMain::DisconnectUnit()
{
    if (!unit_.link->disconnectUnit())
        return;
    panels_.portRow->showConnected(false);
}

void frmMain::cmdConnect_Click()
{
    if (commandRunning())
        return;   // the link would refuse; the button must not change meanwhile
    QApplication::setOverrideCursor(Qt::WaitCursor);
    panels_.portRow->holdConnect(true);
    if (panels_.portRow->showsConnected()) {
        DisconnectUnit();
    } else if (!unit_.port->isOpen() && panels_.portRow->chosenPort().isEmpty()) {
        ShowStatus(QStringLiteral("Please select a COM port first"));
        panels_.portRow->askForPort();
    } else if (unit_.link->connectUnit(panels_.portRow->chosenPort())) {
        panels_.portRow->showConnected(true);
    }
    panels_.portRow->holdConnect(false);
    QApplication::restoreOverrideCursor();
}

void frmMain::cmdDownload_Click()
{
    unit_.link->download();
}

void frmMain::cmdUpload_Click()
{
    menus_.uploadScope = UploadScope::Everything;
    QPushButton* button = panels_.portRow->uploadButton();
    menus_.mnuUpload->popup(button->mapToGlobal(QPoint(0, button->height())));
}

void frmMain::mnuUpSetOnly_Click(int index)
{
    menus_.uploadScope = index == 0 ? UploadScope::SettingsOnly : UploadScope::FlashOnly;
    mnuUpAll_Click();
}

void frmMain::mnuUpAll_Click()
{
    const UploadScope scope = menus_.uploadScope;
    menus_.uploadScope = UploadScope::Everything;   // no restriction survives into the next write
    unit_.link->upload(scope);
}

#pragma once
#include "controlrule.h"

#include <QWidget>

class QComboBox;
class QPushButton;
class SerialPort;

// The port list with Connect, Refresh, Download, Upload and Exit. It lists
// and probes ports and shows the connection; the window runs the commands.
class PortRow : public QWidget {
    Q_OBJECT
public:
    explicit PortRow(QWidget* parent = nullptr);

    // The entries "Com1" .. "Com16", with scan only those the prober opens
    // (the list is coloured and disabled meanwhile).
    void populate(SerialPort* prober, bool scan);
    QString chosenPort() const;
    // Chooses the entry that matches (any case), when there is one.
    void choose(const QString& port);
    bool hasPorts() const;

    // "Please select a COM port first": the list lights up.
    void askForPort();
    // Connected: "Disconnect", the port row stays as it is while connected.
    void showConnected(bool connected);
    bool showsConnected() const;
    void applyRule(const ControlRule& rule);
    // Connect only: disabled while its own command runs.
    void holdConnect(bool held);

    QPushButton* uploadButton() const { return cmdUpload_; }

signals:
    void connectClicked();
    void refreshClicked();
    void downloadClicked();
    void uploadClicked();
    void exitClicked();

private:
    void updateToolTip();

    QComboBox* cmbPort_ = nullptr;
    QPushButton* cmdConnect_ = nullptr;
    QPushButton* cmdRefresh_ = nullptr;
    QPushButton* cmdDownload_ = nullptr;
    QPushButton* cmdUpload_ = nullptr;
    QPushButton* cmdExit_ = nullptr;
};

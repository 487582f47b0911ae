#pragma once
#include "controlrule.h"

#include <QTimer>
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
    // Chooses the entry of the adapter with this identity
    // (SerialDeviceInfo::identity), wherever it is numbered now.
    void chooseAdapter(const QString& identity);
    // The list again from the devices present, without opening any port;
    // the chosen adapter stays chosen. Runs by itself within a second of
    // an adapter coming or going (not while connected: then right after).
    void refreshPresent();
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
    void onChosen();
    void updateToolTip();
    void setEntries(const QStringList& entries);
    void onDevicesChanged();

    QComboBox* cmbPort_ = nullptr;
    QPushButton* cmdConnect_ = nullptr;
    QPushButton* cmdRefresh_ = nullptr;
    QPushButton* cmdDownload_ = nullptr;
    QPushButton* cmdUpload_ = nullptr;
    QPushButton* cmdExit_ = nullptr;
    QTimer deviceSettle_;          // the system reports a plug-in in several steps
    QString chosenAdapter_;        // identity of the chosen entry's adapter, read when it was chosen
    bool connected_ = false;       // Connect reads "Disconnect"
    bool refreshPending_ = false;  // devices changed while connected
};

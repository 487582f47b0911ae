#pragma once
#include "bootloaderlink.h"
#include "dffheader.h"
#include "firmwareimage.h"
#include "flashview.h"
#include "serialport.h"

#include <QWidget>

class DffMakerPanel;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;

// The firmware loader's one window: pick a port and a firmware file, reset
// the unit when told, and flash it; then further units with the same file.
// The button browses while no file is loaded and uploads once one is.
class frmFWUpdater : public QWidget, private FlashView {
    Q_OBJECT
public:
    // serComm is the port the unit is flashed on (also used for the scan).
    explicit frmFWUpdater(SerialPort& serComm, QWidget* parent = nullptr);

    // Caption, show, first port scan.
    void Form_Load();

    const FirmwareImage& image() const { return image_; }
    const DffHeader& header() const { return header_; }

public slots:
    void cmdRefresh_Click();
    void cmdUpdate_Click();
    void cmdExit_Click();

protected:
    // Form_QueryUnload: the close box is refused; other closes unload.
    void closeEvent(QCloseEvent* event) override;
    // imgLogo_MouseDown.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void browseAndLoad();
    // Returns true when the user chose to quit.
    bool upload();
    void commonEnd(bool quit);
    void showBrowseCaption();
    void showUploadCaption();
    void cipherProgress(double fraction);

    // FlashView
    void showMessage(const QString& text) override;
    void startProgress(int maximum) override;
    void setProgress(int value) override;

    SerialPort& serComm_;
    LineSettings settings_;
    DffHeader header_;
    FirmwareImage image_;
    QString lastDffPath_;
    bool unloading_ = false;

    QComboBox* SerialCommPort;
    QPushButton* cmdUpdate;
    QPushButton* cmdRefresh;
    QPushButton* cmdExit;
    QLabel* lblMessage;
    QProgressBar* picProgress;
    QLabel* imgLogo;
    DffMakerPanel* picCreateDFF;
    BootloaderLink link_;
};

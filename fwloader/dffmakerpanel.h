#pragma once
#include "md5cipher.h"

#include <QFrame>

class QComboBox;
class QLineEdit;
class QPushButton;

// The hidden panel of the loader window that makes firmware files from
// HEX files: model, chip and version, then the HEX and the target file.
class DffMakerPanel : public QFrame {
    Q_OBJECT
public:
    // progress draws the window's bar while the file is enciphered.
    DffMakerPanel(CipherProgress progress, QWidget* parent = nullptr);

    // Fills the model and chip lists and shows the panel.
    void open();

public slots:
    void cmdMakeDFF_Click();
    void cmdCancel_Click();

signals:
    // The file has been enciphered (or failed): the bar has done its work.
    void cipherEnded();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QComboBox* cmbUnitIdList;
    QComboBox* cmbPicIdList;
    QLineEdit* txtFWVer[2];
    QPushButton* cmdMakeDFF;
    QPushButton* cmdCancel;
    CipherProgress progress_;
};

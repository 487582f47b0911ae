#pragma once
#include <QImage>
#include <QWidget>

class QLabel;

// The splash window shown while the main window loads.
class frmSplash : public QWidget {
    Q_OBJECT
public:
    explicit frmSplash(QWidget* parent = nullptr);
    void setStatusText(const QString& text);

    static QColor background() { return QColor(208, 224, 255); }
    // The logo with its own background (the colour of its top-left pixel)
    // repainted in the splash background.
    static QImage recolouredLogo();

private:
    QLabel* lblStatus_;
};

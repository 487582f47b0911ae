#pragma once
#include <QObject>

class ProgressBar;
class QLabel;
class QStatusBar;

// The status bar's panels: "msg" (what ShowStatus says), "unitid" (the
// unit's firmware) and "progress" (the transfer's bar).
class StatusPanels : public QObject {
    Q_OBJECT
public:
    explicit StatusPanels(QStatusBar* bar);
    ~StatusPanels() override;

    // From now on ShowStatus writes into the "msg" panel.
    void takeStatus();
    void showUnitId(const QString& text);
    void UpdateBar(int value, int maximum);

private:
    QLabel* panelMsg_ = nullptr;
    QLabel* panelUnitId_ = nullptr;
    ProgressBar* picProgress_ = nullptr;
};

#pragma once
#include "controlrule.h"

#include <QGroupBox>
#include <array>

struct FeedbackReading;
class OptionCheckBox;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class UnitLink;
struct UnitConfig;

// The unit settings frame (fraSettings): the twelve option boxes, whose
// commands go to the unit and which follow the unit's replies, the number,
// prefix and password boxes, and the three events that run a sequence.
// It edits the configuration it is given.
class SettingsPanel : public QGroupBox {
    Q_OBJECT
public:
    SettingsPanel(UnitConfig& config, UnitLink& link, QWidget* parent = nullptr);

    // Fills the boxes from the configuration; true when the unit's feedback
    // option is off (the window then shows silent mode).
    bool display();
    // Silent mode: the option boxes grey; leaving it asks for the settings
    // to be shown again (redisplayWanted).
    void ShowSilentMode(bool silent);
    // An option reply or a reset report the terminal read: the box and the
    // configuration take the unit's state, marked as a change.
    void SyncJumpers(const FeedbackReading& reply);
    bool optionTicked(int option) const;
    bool isFeedbackOption(int option) const;
    // The boxes follow the rule; the dependent boxes their options.
    void applyRule(const ControlRule& rule);
    void applyDependents();

    void chkOpt_Click(int index);
    void eventBox_Click(int event);     // 0 disconnect, 1 external status, 2 power-on
    void eventCombo_Click(int event);
    void txtRings_Validate();
    void txtPrefix_Validate();
    void txtInactDur_Validate();
    void txtDTMFOutDur_Validate();
    void txtPass_Validate();

signals:
    void edited();            // a box changed the configuration
    void redisplayWanted();   // the unit's settings are to be shown again
    void syncing(bool busy);  // a reply is being taken: the window holds its controls

private:
    void build();
    void connectBoxes();
    void showOption(int option, bool on);
    uint8_t& eventField(int event);
    // Every box and label of the frame.
    QList<QWidget*> controls() const;

    UnitConfig& config_;
    UnitLink& link_;
    std::array<OptionCheckBox*, 12> chkOpt_{};
    QLineEdit* txtRings_ = nullptr;
    QLabel* lblRings_ = nullptr;
    QLineEdit* txtPrefix_ = nullptr;
    QLabel* lblPrefix_ = nullptr;
    QLineEdit* txtInactDur_ = nullptr;
    QLabel* lblInactDur_ = nullptr;
    QLineEdit* txtDTMFOutDur_ = nullptr;
    QLabel* lblDTMFOutDur_ = nullptr;
    QLineEdit* txtPass_ = nullptr;
    QLabel* lblPass_ = nullptr;
    std::array<QCheckBox*, 3> chkEvent_{};   // chkDisconInfo, chkExtStat, chkPWRON
    std::array<QComboBox*, 3> cmbEvent_{};   // cmbDisconInfo, cmbExtStat, cmbPWRON
    bool unitControlsOn_ = false;            // what the last rule gave the boxes
    bool updatingControls_ = false;          // UpdatingControls
    int pressedValue_ = 0;                   // -1 none; 0 before the first press
};

// The unit settings panel: showing the configuration's settings, the
// option boxes and their live commands, the event boxes and the validators
// of the text boxes.
#include "settingspanel.h"

#include "binaryutils.h"
#include "errorlog.h"
#include "feedbackreader.h"
#include "numbertext.h"
#include "optioncheckbox.h"
#include "prompter.h"
#include "settingsvalidation.h"
#include "status.h"
#include "textforms.h"
#include "unitconfig.h"
#include "unitlink.h"
#include "vocabulary.h"
#include "widgetmaking.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QScopedValueRollback>

namespace {
constexpr const char* kForm = "frmMain";
const QString kFeedbackCommand = QStringLiteral("jst");
constexpr int kPasswordLength = 4;
constexpr int kEventCount = 3;

bool Ticked(const QCheckBox* box) { return box->checkState() == Qt::Checked; }

// Runs one numeric validator and applies its outcome to the box.
template <class Store>
void ValidateNumeric(QLineEdit* box, double stored, const NumericField& field, Store store)
{
    const NumericCheck check = CheckNumericBox(box->text(), stored, field);
    if (!check.act)
        return;
    if (!check.status.isEmpty())
        ShowStatus(check.status);
    box->setText(check.text);
    if (check.store)
        store(check.value);
}
} // namespace

SettingsPanel::SettingsPanel(UnitConfig& config, UnitLink& link, QWidget* parent)
    : QGroupBox(QStringLiteral("Unit Settings"), parent), config_(config), link_(link)
{
    setObjectName(QStringLiteral("fraSettings"));
    build();
    connectBoxes();
}

void SettingsPanel::build()
{
    auto* grid = new QGridLayout(this);
    const QStringList& names = OptionNames();
    const QStringList& commands = OptionCommands();
    for (int i = 0; i < kOptionCount; ++i) {
        auto* box = Named(new OptionCheckBox(names.value(i), this), QStringLiteral("chkOpt_%1").arg(i));
        box->setProperty("tag", commands.value(i));
        box->setTristate(true);   // the grey state of silent mode
        chkOpt_[i] = box;
        grid->addWidget(box, i / 3, i % 3);
    }
    int row = 4;
    auto place = [&](QLabel* label, QLineEdit* edit, int r, int c) {
        auto* h = new QHBoxLayout;
        h->addWidget(label);
        h->addWidget(edit);
        h->addStretch(1);
        grid->addLayout(h, r, c);
    };
    auto make = [&](QLabel*& label, QLineEdit*& edit, const char* name, const QString& caption) {
        label = Named(new QLabel(caption, this), QStringLiteral("lbl") + QLatin1String(name));
        edit = Named(new QLineEdit(this), QStringLiteral("txt") + QLatin1String(name));
        edit->setMaximumWidth(64);
    };
    make(lblRings_, txtRings_, "Rings", QStringLiteral("Rings:"));
    make(lblPrefix_, txtPrefix_, "Prefix", QStringLiteral("Prefix:"));
    make(lblInactDur_, txtInactDur_, "InactDur", QStringLiteral("Inactivity:"));
    make(lblDTMFOutDur_, txtDTMFOutDur_, "DTMFOutDur", QStringLiteral("DTMF dur (s):"));
    make(lblPass_, txtPass_, "Pass", QStringLiteral("Password:"));
    txtPass_->setMaxLength(kPasswordLength);
    txtPrefix_->setMaxLength(1);
    place(lblRings_, txtRings_, row, 0);
    place(lblPrefix_, txtPrefix_, row, 1);
    place(lblInactDur_, txtInactDur_, row, 2);
    ++row;
    place(lblDTMFOutDur_, txtDTMFOutDur_, row, 0);
    place(lblPass_, txtPass_, row, 1);
    ++row;

    const QStringList chkNames{QStringLiteral("chkDisconInfo"), QStringLiteral("chkExtStat"),
                               QStringLiteral("chkPWRON")};
    const QStringList cmbNames{QStringLiteral("cmbDisconInfo"), QStringLiteral("cmbExtStat"),
                               QStringLiteral("cmbPWRON")};
    const QStringList captions{QStringLiteral("On disconnect run"), QStringLiteral("On ext. status run"),
                               QStringLiteral("On power-on run")};
    for (int e = 0; e < kEventCount; ++e) {
        chkEvent_[e] = Named(new QCheckBox(captions[e], this), chkNames[e]);
        cmbEvent_[e] = Named(new QComboBox(this), cmbNames[e]);
        for (int i = 1; i <= kSlotCount; ++i)
            cmbEvent_[e]->addItem(TwoDigits(i));
        cmbEvent_[e]->setCurrentIndex(0);
        auto* h = new QHBoxLayout;
        h->addWidget(chkEvent_[e]);
        h->addWidget(cmbEvent_[e]);
        h->addStretch(1);
        grid->addLayout(h, row + e, 0, 1, 3);
    }
}

void SettingsPanel::connectBoxes()
{
    for (int i = 0; i < kOptionCount; ++i) {
        OptionCheckBox* box = chkOpt_[i];
        connect(box, &OptionCheckBox::mouseWentDown, this, [this](int state) { pressedValue_ = state; });
        connect(box, &OptionCheckBox::mouseWentUp, this, [this] { pressedValue_ = -1; });
        connect(box, &QCheckBox::clicked, this, [this, i] { chkOpt_Click(i); });
    }
    for (int e = 0; e < kEventCount; ++e) {
        connect(chkEvent_[e], &QCheckBox::clicked, this, [this, e] { eventBox_Click(e); });
        connect(cmbEvent_[e], &QComboBox::activated, this, [this, e] { eventCombo_Click(e); });
    }
    connect(txtRings_, &QLineEdit::editingFinished, this, &SettingsPanel::txtRings_Validate);
    connect(txtPrefix_, &QLineEdit::editingFinished, this, &SettingsPanel::txtPrefix_Validate);
    connect(txtInactDur_, &QLineEdit::editingFinished, this, &SettingsPanel::txtInactDur_Validate);
    connect(txtDTMFOutDur_, &QLineEdit::editingFinished, this, &SettingsPanel::txtDTMFOutDur_Validate);
    connect(txtPass_, &QLineEdit::editingFinished, this, &SettingsPanel::txtPass_Validate);
}

QList<QWidget*> SettingsPanel::controls() const
{
    QList<QWidget*> all(chkOpt_.begin(), chkOpt_.end());
    all << txtRings_ << lblRings_ << txtPrefix_ << lblPrefix_ << txtInactDur_ << lblInactDur_ << txtDTMFOutDur_
        << lblDTMFOutDur_ << txtPass_ << lblPass_;
    for (int e = 0; e < kEventCount; ++e)
        all << chkEvent_[e] << cmbEvent_[e];
    return all;
}

uint8_t& SettingsPanel::eventField(int event)
{
    switch (event) {
    case 0:
        return config_.DisconnectInfo;
    case 1:
        return config_.ExtStatInfo;
    default:
        return config_.PWRONInfo;
    }
}

bool SettingsPanel::display()
{
    const ProcedureTrap trap = ProcedureTrap::form("DisplayData", kForm);
    const UnitConfig& c = config_;
    trap([&] {
        txtRings_->setText(QString::number(c.Rings));
        txtPrefix_->setText(QString(QChar(c.PrefixChar)));
        txtDTMFOutDur_->setText(QString::fromLatin1(DTMFOutDurText(c.DTMFOutDur)));
        txtInactDur_->setText(QString::number(c.InactivityDur));
        txtPass_->setText(QString::fromLatin1(c.PassWord));
    });
    {
        const QScopedValueRollback updating(updatingControls_, true);
        for (int e = 0; e < kEventCount; ++e) {
            trap([&] {
                const uint8_t info = eventField(e);
                chkEvent_[e]->setChecked(InfoEnabled(info));
                cmbEvent_[e]->setCurrentIndex(InfoSlot(info) < kSlotCount ? InfoSlot(info) : -1);
            });
        }
    }
    bool feedbackOff = false;
    {
        const QScopedValueRollback updating(updatingControls_, true);
        for (int i = 0; i < kOptionCount; ++i) {
            chkOpt_[i]->setCheckState(OptionOn(c, i) ? Qt::Checked : Qt::Unchecked);
            if (isFeedbackOption(i))
                feedbackOff = chkOpt_[i]->checkState() == Qt::Unchecked;
        }
    }
    return feedbackOff;
}

void SettingsPanel::ShowSilentMode(bool silent)
{
    const QScopedValueRollback updating(updatingControls_, true);
    if (silent) {
        for (OptionCheckBox* box : chkOpt_) {
            const QString command = box->property("tag").toString();
            if (!command.isEmpty() && command != kFeedbackCommand)
                box->setCheckState(Qt::PartiallyChecked);
        }
        const QString text = QStringLiteral(
            "KV310 unit is in silent mode.  Feedback messages won't be shown in the program/terminal.");
        ShowStatus(text);
        Prompts().message(text, MsgIcon::Information);
    } else {
        ShowStatus(QStringLiteral("KV310 software needs to be synched with the unit.  Please "
                                  "reconnect or download the settings."));
        emit redisplayWanted();
    }
}

void SettingsPanel::SyncJumpers(const FeedbackReading& reply)
{
    const ProcedureTrap trap = ProcedureTrap::form("SyncJumpers", kForm);
    trap([&] {
        if (reply.resetDetected)
            ShowStatus(QStringLiteral("Unit reset detected.  Information displayed may be different "
                                      "from defaults in the unit.  Please sync by uploading or downloading."));
        if (reply.option < 0)
            return;
        emit syncing(true);
        emit edited();
        showOption(reply.option, reply.on);
        // The bit first: leaving silent mode shows the model's options again,
        // and must show the state the unit just reported.
        SetOptionOn(config_, reply.option, reply.on);
        if (isFeedbackOption(reply.option))
            ShowSilentMode(false);
        emit syncing(false);
    });
}

void SettingsPanel::showOption(int option, bool on)
{
    const QScopedValueRollback updating(updatingControls_, true);
    chkOpt_[option]->setCheckState(on ? Qt::Checked : Qt::Unchecked);
}

bool SettingsPanel::optionTicked(int option) const { return Ticked(chkOpt_[option]); }

bool SettingsPanel::isFeedbackOption(int option) const
{
    return chkOpt_[option]->property("tag").toString() == kFeedbackCommand;
}

void SettingsPanel::applyRule(const ControlRule& rule)
{
    if (rule.all)
        setEnabled(rule.enabled);
    unitControlsOn_ = rule.unitControls();
    for (QWidget* w : controls())
        w->setEnabled(unitControlsOn_);
    applyDependents();
}

void SettingsPanel::applyDependents()
{
    const bool connected = link_.isConnected();
    auto follows = [&](int option, QWidget* label, QWidget* edit) {
        const bool on = Ticked(chkOpt_[option]) && unitControlsOn_ && connected;
        label->setEnabled(on);
        edit->setEnabled(on);
    };
    follows(UnitOption::AutoAnswer, lblRings_, txtRings_);
    follows(UnitOption::SimpleMode, lblPrefix_, txtPrefix_);
    follows(UnitOption::InactivityTimer, lblInactDur_, txtInactDur_);
    follows(UnitOption::PasswordCheck, lblPass_, txtPass_);
    for (int e = 0; e < kEventCount; ++e)
        cmbEvent_[e]->setEnabled(Ticked(chkEvent_[e]) && unitControlsOn_);
}

void SettingsPanel::chkOpt_Click(int index)
{
    const ProcedureTrap trap = ProcedureTrap::form("chkOpt_Click", kForm);
    if (updatingControls_)
        return;
    const QScopedValueRollback updating(updatingControls_, true);
    OptionCheckBox* box = chkOpt_[index];
    // The box follows the unit's reply, not the mouse.
    if (pressedValue_ != -1)
        box->setCheckState(Qt::CheckState(pressedValue_));
    trap([&] {
        if (!link_.isConnected() || link_.transferRunning())
            return;
        const QString command = box->property("tag").toString();
        if (command.isEmpty())
            return;   // the reserved options have no command
        if (command == kFeedbackCommand && box->checkState() == Qt::Checked) {
            box->setCheckState(Qt::Unchecked);
            ShowSilentMode(true);
        }
        link_.sendOption(command.toLatin1());
    });
}

void SettingsPanel::eventBox_Click(int event)
{
    if (updatingControls_)
        return;
    cmbEvent_[event]->setEnabled(chkEvent_[event]->isChecked());
    eventCombo_Click(event);
}

void SettingsPanel::eventCombo_Click(int event)
{
    if (updatingControls_)
        return;
    uint8_t& info = eventField(event);
    const uint8_t before = info;
    const int slot = std::max(0, cmbEvent_[event]->currentIndex());
    info = WithInfoEnabled(WithInfoSlot(info, slot), chkEvent_[event]->isChecked());
    // The event settings are part of the configuration: a change must be
    // saved like any other.
    if (info != before)
        emit edited();
}

void SettingsPanel::txtRings_Validate()
{
    const ProcedureTrap trap = ProcedureTrap::form("txtRings_Validate", kForm);
    trap([&] {
        ValidateNumeric(txtRings_, config_.Rings, RingsField(), [this](double v) {
            config_.Rings = uint8_t(v);
            emit edited();
        });
    });
}

void SettingsPanel::txtInactDur_Validate()
{
    const ProcedureTrap trap = ProcedureTrap::form("txtInactDur_Validate", kForm);
    trap([&] {
        ValidateNumeric(txtInactDur_, config_.InactivityDur, InactivityField(), [this](double v) {
            config_.InactivityDur = uint8_t(v);
            emit edited();
        });
    });
}

void SettingsPanel::txtDTMFOutDur_Validate()
{
    const ProcedureTrap trap = ProcedureTrap::form("txtDTMFOutDur_Validate", kForm);
    trap([&] {
        ValidateNumeric(txtDTMFOutDur_, config_.DTMFOutDur, DTMFDurationField(), [this](double v) {
            config_.DTMFOutDur = v;
            emit edited();
        });
    });
}

void SettingsPanel::txtPrefix_Validate()
{
    const ProcedureTrap trap = ProcedureTrap::form("txtPrefix_Validate", kForm);
    trap([&] {
        const QByteArray text = txtPrefix_->text().toLatin1();
        if (text.isEmpty() || uint8_t(text[0]) == config_.PrefixChar)
            return;
        config_.PrefixChar = uint8_t(text[0]);
        emit edited();
    });
}

void SettingsPanel::txtPass_Validate()
{
    const ProcedureTrap trap = ProcedureTrap::form("txtPass_Validate", kForm);
    trap([&] {
        if (!txtPass_->isEnabled() || txtPass_->text().isEmpty())
            return;
        const QString kept = FilterDTMFChars(txtPass_->text());
        txtPass_->setText(kept);
        const QByteArray field = PasswordField(kept.toLatin1());
        if (field == config_.PassWord)
            return;
        config_.PassWord = field;
        emit edited();
    });
}

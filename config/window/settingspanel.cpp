// The unit settings panel: showing the configuration, the option boxes and
// their live commands, the event boxes, the validators of the text boxes,
// and reading the unit's feedback from the terminal.
#include "mainwindow.h"

#include "actioneditor.h"
#include "binaryutils.h"
#include "errorlog.h"
#include "feedbackreader.h"
#include "optioncheckbox.h"
#include "prompter.h"
#include "seqtext.h"
#include "settingsvalidation.h"
#include "status.h"
#include "textforms.h"
#include "unitconfig.h"
#include "vocabulary.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTextEdit>
#include <QTreeWidget>
#include <cmath>

namespace {
const QString kFeedbackCommand = QStringLiteral("jst");

uint8_t& EventField(int event)
{
    UnitConfig& c = Config();
    switch (event) {
    case 0:
        return c.DisconnectInfo;
    case 1:
        return c.ExtStatInfo;
    default:
        return c.PWRONInfo;
    }
}

// Restores UpdatingControls when it goes out of scope.
class UpdatingScope {
public:
    explicit UpdatingScope(bool& flag) : flag_(flag), saved_(flag) { flag_ = true; }
    ~UpdatingScope() { flag_ = saved_; }

private:
    bool& flag_;
    bool saved_;
};
} // namespace

void frmMain::connectSettingsPanel()
{
    for (int i = 0; i < kOptionCount; ++i) {
        OptionCheckBox* box = chkOpt_[i];
        connect(box, &OptionCheckBox::mouseWentDown, this, [this](int state) { pressedValue_ = state; });
        connect(box, &OptionCheckBox::mouseWentUp, this, [this] { pressedValue_ = -1; });
        connect(box, &QCheckBox::clicked, this, [this, i] { chkOpt_Click(i); });
    }
    for (int e = 0; e < 3; ++e) {
        connect(chkEvent_[e], &QCheckBox::clicked, this, [this, e] { eventBox_Click(e); });
        connect(cmbEvent_[e], &QComboBox::activated, this, [this, e] { eventCombo_Click(e); });
    }
    connect(txtRings_, &QLineEdit::editingFinished, this, &frmMain::txtRings_Validate);
    connect(txtPrefix_, &QLineEdit::editingFinished, this, &frmMain::txtPrefix_Validate);
    connect(txtInactDur_, &QLineEdit::editingFinished, this, &frmMain::txtInactDur_Validate);
    connect(txtDTMFOutDur_, &QLineEdit::editingFinished, this, &frmMain::txtDTMFOutDur_Validate);
    connect(txtPass_, &QLineEdit::editingFinished, this, &frmMain::txtPass_Validate);
}

void frmMain::DisplayData(bool settingsOnly)
{
    const ProcedureTrap trap = ProcedureTrap::form("DisplayData", "frmMain");
    UnitConfig& c = Config();
    if (!settingsOnly) {
        for (int i = 0; i < kSlotCount; ++i) {
            trap([&] {
                QTreeWidgetItem* row = lstSequences_[0]->topLevelItem(i);
                row->setText(1, QString::fromLatin1(c.SeqLabel[i].toUpper()));
                row->setText(2, GetENGSequenceFromUDT(c.SeqContents[i], c.ASCIIStrings));
            });
            trap([&] { lstSequences_[1]->topLevelItem(i)->setText(1, QString::fromLatin1(c.ASCIIStrings[i])); });
        }
    }
    trap([&] {
        txtRings_->setText(QString::number(c.Rings));
        txtPrefix_->setText(QString(QChar(c.PrefixChar)));
        txtDTMFOutDur_->setText(QString::fromLatin1(DTMFOutDurText(c.DTMFOutDur)));
        txtInactDur_->setText(QString::number(c.InactivityDur));
        txtPass_->setText(QString::fromLatin1(c.PassWord));
    });
    {
        UpdatingScope updating(updatingControls_);
        for (int e = 0; e < 3; ++e) {
            trap([&] {
                const uint8_t info = EventField(e);
                chkEvent_[e]->setChecked(InfoEnabled(info));
                cmbEvent_[e]->setCurrentIndex(InfoSlot(info) < kSlotCount ? InfoSlot(info) : -1);
            });
        }
    }
    bool feedbackOff = false;
    {
        UpdatingScope updating(updatingControls_);
        for (int i = 0; i < kOptionCount; ++i) {
            chkOpt_[i]->setCheckState(OptionOn(c, i) ? Qt::Checked : Qt::Unchecked);
            if (chkOpt_[i]->property("tag").toString() == kFeedbackCommand)
                feedbackOff = chkOpt_[i]->checkState() == Qt::Unchecked;
        }
    }
    trap([&] { applyDependentSettings(); });
    if (!settingsOnly) {
        trap([&] {
            QTreeWidgetItem* selected = lstSequences_[0]->currentItem();
            if (fraSequence_->isOpen() && selected)
                fraSequence_->SplitSequence(lstSequences_[0]->indexOfTopLevelItem(selected) + 1);
        });
    }
    if (feedbackOff && unitConnected())
        ShowSilentMode(true);
}

void frmMain::ShowSilentMode(bool silent)
{
    UpdatingScope updating(updatingControls_);
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
        DisplayData(true);
    }
}

void frmMain::chkOpt_Click(int index)
{
    const ProcedureTrap trap = ProcedureTrap::form("chkOpt_Click", "frmMain");
    if (updatingControls_)
        return;
    updatingControls_ = true;
    OptionCheckBox* box = chkOpt_[index];
    // The box follows the unit's reply, not the mouse.
    if (pressedValue_ != -1)
        box->setCheckState(Qt::CheckState(pressedValue_));
    trap([&] {
        if (!unitConnected() || commandRunning())
            return;
        const QString command = box->property("tag").toString();
        if (command.isEmpty())
            return;   // the reserved options have no command
        if (command == kFeedbackCommand && box->checkState() == Qt::Checked) {
            box->setCheckState(Qt::Unchecked);
            ShowSilentMode(true);
        }
        link_->sendOption(command.toLatin1());
    });
    updatingControls_ = false;
}

void frmMain::eventBox_Click(int event)
{
    if (updatingControls_)
        return;
    cmbEvent_[event]->setEnabled(chkEvent_[event]->isChecked());
    eventCombo_Click(event);
}

void frmMain::eventCombo_Click(int event)
{
    if (updatingControls_)
        return;
    uint8_t& info = EventField(event);
    const uint8_t before = info;
    const int slot = std::max(0, cmbEvent_[event]->currentIndex());
    info = WithInfoEnabled(WithInfoSlot(info, slot), chkEvent_[event]->isChecked());
    // The event settings are part of the configuration: a change must be
    // saved like any other.
    if (info != before)
        MarkChanged(true);
}

namespace {
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

void frmMain::txtRings_Validate()
{
    const ProcedureTrap trap = ProcedureTrap::form("txtRings_Validate", "frmMain");
    trap([&] {
        ValidateNumeric(txtRings_, Config().Rings, RingsField(), [this](double v) {
            Config().Rings = uint8_t(v);
            MarkChanged(true);
        });
    });
}

void frmMain::txtInactDur_Validate()
{
    const ProcedureTrap trap = ProcedureTrap::form("txtInactDur_Validate", "frmMain");
    trap([&] {
        ValidateNumeric(txtInactDur_, Config().InactivityDur, InactivityField(), [this](double v) {
            Config().InactivityDur = uint8_t(v);
            MarkChanged(true);
        });
    });
}

void frmMain::txtDTMFOutDur_Validate()
{
    const ProcedureTrap trap = ProcedureTrap::form("txtDTMFOutDur_Validate", "frmMain");
    trap([&] {
        ValidateNumeric(txtDTMFOutDur_, Config().DTMFOutDur, DTMFDurationField(), [this](double v) {
            Config().DTMFOutDur = v;
            MarkChanged(true);
        });
    });
}

void frmMain::txtPrefix_Validate()
{
    const ProcedureTrap trap = ProcedureTrap::form("txtPrefix_Validate", "frmMain");
    trap([&] {
        const QByteArray text = txtPrefix_->text().toLatin1();
        if (text.isEmpty() || uint8_t(text[0]) == Config().PrefixChar)
            return;
        Config().PrefixChar = uint8_t(text[0]);
        MarkChanged(true);
    });
}

void frmMain::txtPass_Validate()
{
    const ProcedureTrap trap = ProcedureTrap::form("txtPass_Validate", "frmMain");
    trap([&] {
        if (!txtPass_->isEnabled() || txtPass_->text().isEmpty())
            return;
        const QString kept = FilterDTMFChars(txtPass_->text());
        txtPass_->setText(kept);
        const QByteArray field = PasswordField(kept.toLatin1());
        if (field == Config().PassWord)
            return;
        Config().PassWord = field;
        MarkChanged(true);
    });
}

void frmMain::SyncJumpers()
{
    const ProcedureTrap trap = ProcedureTrap::form("SyncJumpers", "frmMain");
    trap([&] {
        const QString text = txtTerminal_->toPlainText();
        const FeedbackReading reply = ReadFeedback(text, scanPosition_, OptionNames());
        if (reply.resetDetected)
            ShowStatus(QStringLiteral("Unit reset detected.  Information displayed may be different "
                                      "from defaults in the unit.  Please sync by uploading or downloading."));
        if (reply.option < 0)
            return;
        ControlState(false, false);
        MarkChanged(true);
        {
            UpdatingScope updating(updatingControls_);
            chkOpt_[reply.option]->setCheckState(reply.on ? Qt::Checked : Qt::Unchecked);
        }
        // The bit first: leaving silent mode shows the model's options again,
        // and must show the state the unit just reported.
        SetOptionOn(Config(), reply.option, reply.on);
        if (chkOpt_[reply.option]->property("tag").toString() == kFeedbackCommand)
            ShowSilentMode(false);
        ControlState(true, false);
    });
}

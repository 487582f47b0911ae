#include "actioneditor.h"

#include "codec.h"
#include "editorhost.h"
#include "errorlog.h"
#include "numbertext.h"
#include "prompter.h"
#include "runtimeerror.h"
#include "unitconfig.h"
#include "vocabulary.h"

#include <QComboBox>
#include <QLabel>
#include <QTreeWidget>

// The action panel: loading a row into the four lists, rebuilding the
// parameter lists for a type, and writing the panel back into the row.

namespace {
constexpr int kNoValue = 255;          // "no parameter given" for UpdateActionControls
constexpr int kFirstJump = kJumpOffset + 1;   // jump parameter of sequence row 1
constexpr int kMaxSeconds = 50;
constexpr int kMsSteps = 5;            // 0..800 ms in steps of 200

const QString kPauseNote = QStringLiteral(
    "Pause completely halts the unit, therefore, DTMF/Serial inputs are disabled while paused.");
const QString kJumpWarningTitle = QStringLiteral("'Jump Sequence' location warning");
const QString kJumpWarning = QStringLiteral(
    "'Jump sequence' action should be the last action in the sequence as any actions in this "
    "sequence after the jump are not processed.");

QStringList SecondsEntries()
{
    QStringList entries;
    for (int s = 0; s <= kMaxSeconds; ++s)
        entries.append(QString::number(s) + QStringLiteral(" sec") + (s == 1 ? QString() : QStringLiteral("s")));
    return entries;
}

QStringList MillisecondEntries()
{
    QStringList entries;
    for (int i = 0; i < kMsSteps; ++i)
        entries.append(QString::number(i * 200) + QStringLiteral(" ms"));
    return entries;
}

// Fills a list without selecting anything: only selections count as changes.
void FillList(QComboBox* list, const QStringList& entries)
{
    const QSignalBlocker quiet(list);
    list->clear();
    list->addItems(entries);
    list->setCurrentIndex(-1);
}

void ClearList(QComboBox* list)
{
    const QSignalBlocker quiet(list);
    list->clear();
}

// A list position that does not exist is an invalid property value.
void CheckEntry(const QComboBox* list, int index)
{
    if (index < 0 || index >= list->count())
        throw RuntimeError(380, QStringLiteral("Invalid property value"));
}

int Position(const QComboBox* list) { return list->currentIndex(); }
// Duration lists not filled yet read as 0 while a rebuild is under way.
int DurationSteps(const QComboBox* seconds, const QComboBox* ms)
{
    return kMsSteps * qMax(0, Position(seconds)) + qMax(0, Position(ms));
}
} // namespace

void ActionEditor::StartEditSequence(const QString& text)
{
    const auto trap = ProcedureTrap::form("StartEditSequence", kForm);
    picAction_->hide();
    if (!text.isEmpty()) {
        trap([&] {
            const QByteArray bytes = English2Action(config_.ASCIIStrings, text);
            const uint8_t code = bytes.size() > 0 ? uint8_t(bytes.at(0)) : 0;
            const int p1 = bytes.size() > 1 ? uint8_t(bytes.at(1)) : 0;
            const int p2 = bytes.size() > 2 ? uint8_t(bytes.at(2)) : 0;
            selectEntry(cmbAction_, code);
            UpdateActionControls(code, p1, p2);
        });
    } else {
        picAction_->show();
        trap([&] { selectEntry(cmbAction_, 0); });
        for (QComboBox* list : {cmbActParam_, cmbActParam2_, cmbActParam3_}) {
            if (list->count() > 0)
                trap([&] { selectEntry(list, 0); });
        }
        trap([&] { cmbAction_Click(); });
    }
    picAction_->show();
}

void ActionEditor::selectEntry(QComboBox* list, int index)
{
    CheckEntry(list, index);
    // A selection the program makes raises the same handling as the user's,
    // also when it repeats the current one.
    if (list->currentIndex() != index)
        list->setCurrentIndex(index);
    else if (list == cmbAction_)
        cmbAction_Click();
    else
        cmbActParam_Click();
}

void ActionEditor::UpdateActionControls(uint8_t code, int p1, int p2)
{
    const auto trap = ProcedureTrap::form("UpdateActionControls", kForm);
    for (QComboBox* list : {cmbActParam_, cmbActParam2_, cmbActParam3_})
        ClearList(list);
    cmbActParam_->setEnabled(true);
    lblAction_1_->setEnabled(true);
    for (QWidget* w : std::initializer_list<QWidget*>{cmbActParam2_, cmbActParam3_, lblAction_2_, lblAction_3_})
        w->setEnabled(false);
    lblSequence_1_->clear();

    const bool given = p1 != kNoValue;
    trap([&] {
        switch (code) {
        case SendASCII: {
            QStringList strings;
            for (const QByteArray& s : config_.ASCIIStrings)
                strings.append(QString::fromLatin1(s));
            FillList(cmbActParam_, strings);
            lblAction_1_->setText(QStringLiteral("String:"));
            const int slot = (p1 > kSlotCount - 1 || !given) ? 0 : p1;
            if (!strings.at(slot).isEmpty())
                selectEntry(cmbActParam_, cmbActParam_->findText(strings.at(slot), Qt::MatchExactly | Qt::MatchCaseSensitive));
            break;
        }
        case OutputDTMFTone:
            FillList(cmbActParam_, DTMFToneNames());
            lblAction_1_->setText(QStringLiteral("DTMF:"));
            selectEntry(cmbActParam_, given && p1 < cmbActParam_->count() ? p1 : 0);
            break;
        case Pause:
            cmbActParam_->setEnabled(false);
            lblAction_1_->setEnabled(false);
            lblSequence_1_->setText(kPauseNote);
            break;
        case JumpSequence: {
            QStringList rows;
            const int count = host_->sequenceList()->topLevelItemCount();
            for (int r = 1; r <= count; ++r)
                rows.append(TwoDigits(r) + (r == curSeq_ ? QStringLiteral("*") : QString()));
            FillList(cmbActParam_, rows);
            lblAction_1_->setText(QStringLiteral("Sequence:"));
            selectEntry(cmbActParam_, given && p1 >= kFirstJump ? p1 - kFirstJump : 0);
            break;
        }
        default:   // the relay actions
            FillList(cmbActParam_, RelayNames());
            lblAction_1_->setText(QStringLiteral("Relay:"));
            selectEntry(cmbActParam_, given && p1 < cmbActParam_->count() ? p1 : 0);
            break;
        }
    });

    if (code != TimedClosure && code != TimedOpen && code != Pause)
        return;
    for (QWidget* w : std::initializer_list<QWidget*>{cmbActParam2_, cmbActParam3_, lblAction_2_, lblAction_3_})
        w->setEnabled(true);
    FillList(cmbActParam2_, SecondsEntries());
    FillList(cmbActParam3_, MillisecondEntries());
    // A new pause (no duration given) starts at 0 like the timed actions;
    // the first-list position it is handed is not a duration.
    int steps = 0;
    if (code == Pause)
        steps = (p2 == kNoValue) ? 0 : p1;
    else
        steps = (p2 == kNoValue) ? 0 : p2;
    trap([&] { selectEntry(cmbActParam2_, steps / kMsSteps); });
    trap([&] { selectEntry(cmbActParam3_, steps % kMsSteps); });
}

void ActionEditor::cmbAction_Click()
{
    if (panelShown()) {
        const int before = Position(cmbActParam_);
        UpdateActionControls(uint8_t(Position(cmbAction_)), before < 0 ? kNoValue : before, kNoValue);
    }
    recomputeTempSeq();
}

void ActionEditor::cmbActParam_Click()
{
    if (panelShown())
        UpdateSingleAction();
    recomputeTempSeq();
}

void ActionEditor::UpdateSingleAction()
{
    const auto trap = ProcedureTrap::form("UpdateSingleAction", kForm);
    QTreeWidgetItem* row = selectedRow();
    if (!row)
        return;
    const int code = Position(cmbAction_);
    if (code < 0)
        return;
    int p1 = 0;
    int p2 = 0;
    const QString first = cmbActParam_->currentText();
    if (code == SendASCII) {
        for (int slot = 0; slot < kSlotCount; ++slot) {
            if (QString::fromLatin1(config_.ASCIIStrings[slot]).compare(first, Qt::CaseInsensitive) == 0) {
                p1 = slot;
                break;
            }
        }
    } else {
        const QString type = cmbAction_->currentText().toLower();
        if (type.contains(QLatin1String("tone"))) {
            p1 = Position(cmbActParam_);
        } else if (type.contains(QLatin1String("pause"))) {
            p1 = DurationSteps(cmbActParam2_, cmbActParam3_);
        } else if (type.contains(QLatin1String("timed"))) {
            p1 = RelayIndex(first);
            p2 = DurationSteps(cmbActParam2_, cmbActParam3_);
        } else if (type.contains(QLatin1String("jump"))) {
            p1 = Position(cmbActParam_) + kFirstJump;
        } else {
            p1 = RelayIndex(first);
        }
    }
    trap([&] { row->setText(kActionColumn, Action2English(config_.ASCIIStrings, uint8_t(code), p1, p2)); });

    if (code != JumpSequence)
        return;
    const int index = lstActions_->indexOfTopLevelItem(row);
    for (int k = index + 1; k < lstActions_->topLevelItemCount(); ++k) {
        if (!rowText(k).isEmpty()) {
            Prompts().message(kJumpWarning, MsgIcon::Information, MsgButtons::Ok, kJumpWarningTitle);
            return;
        }
    }
}

#include "actioneditor.h"

#include "codec.h"
#include "editorhost.h"
#include "errorlog.h"
#include "prompter.h"
#include "runtimeerror.h"
#include "unitconfig.h"
#include "vocabulary.h"

#include <QAction>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
const char* const kForm = "frmMain";
constexpr int kActionColumn = 1;
constexpr int kNoValue = 255;          // "no parameter given" for UpdateActionControls
constexpr int kFirstJump = kJumpOffset + 1;   // jump parameter of sequence row 1
constexpr int kMaxSeconds = 50;
constexpr int kMsSteps = 5;            // 0..800 ms in steps of 200
const int kAsciiSlots = kSlotCount;

const QString kPauseNote = QStringLiteral(
    "Pause completely halts the unit, therefore, DTMF/Serial inputs are disabled while paused.");
const QString kJumpWarningTitle = QStringLiteral("'Jump Sequence' location warning");
const QString kJumpWarning = QStringLiteral(
    "'Jump sequence' action should be the last action in the sequence as any actions in this "
    "sequence after the jump are not processed.");
const QString kTooManyActions = QStringLiteral(
    "Only the first 15 actions of this sequence are shown; saving keeps only these.");

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

ActionEditor::ActionEditor(EditorHost* host, QWidget* parent)
    : QGroupBox(parent)
    , host_(host)
{
    setObjectName(QStringLiteral("fraSequence"));
    buildControls();
    buildMenu();
    hide();
}

void ActionEditor::buildControls()
{
    lblSequence_0_ = new QLabel(QStringLiteral("Action Editor: Sequence #"), this);
    lblSequence_0_->setObjectName(QStringLiteral("lblSequence_0"));

    lstActions_ = new QTreeWidget(this);
    lstActions_->setObjectName(QStringLiteral("lstActions"));
    lstActions_->setHeaderLabels({QStringLiteral("#"), QStringLiteral("Action")});
    lstActions_->setRootIsDecorated(false);
    lstActions_->setSelectionMode(QAbstractItemView::SingleSelection);
    lstActions_->setAllColumnsShowFocus(true);
    lstActions_->header()->setStretchLastSection(true);
    lstActions_->setColumnWidth(0, 30);
    lstActions_->setToolTip(QStringLiteral(
        "Select which action to edit and use dropdown boxes below to edit it.  Press Delete to "
        "remove selection action, click on blank row to create a new action."));
    lstActions_->installEventFilter(this);
    lstActions_->viewport()->installEventFilter(this);
    clearRows();

    picAction_ = new QWidget(this);
    picAction_->setObjectName(QStringLiteral("picAction"));
    auto makeList = [this](const char* name, const QString& tip) {
        auto* list = new QComboBox(picAction_);
        list->setObjectName(QString::fromLatin1(name));
        list->setToolTip(tip);
        return list;
    };
    auto makeLabel = [this](const char* name, const QString& caption) {
        auto* label = new QLabel(caption, picAction_);
        label->setObjectName(QString::fromLatin1(name));
        return label;
    };
    cmbAction_ = makeList("cmbAction", QStringLiteral("Which action to perform"));
    cmbActParam_ = makeList("cmbActParam", QStringLiteral("Parameters for selected action"));
    cmbActParam2_ = makeList("cmbActParam2", QStringLiteral("2nd parameter for selected action"));
    cmbActParam3_ = makeList("cmbActParam3", QStringLiteral("2nd parameter for selected action"));
    lblAction_1_ = makeLabel("lblAction_1", QStringLiteral("String:"));
    lblAction_2_ = makeLabel("lblAction_2", QStringLiteral("Seconds:"));
    lblAction_3_ = makeLabel("lblAction_3", QStringLiteral("Milliseconds:"));
    FillList(cmbAction_, ActionNames());

    auto* panel = new QGridLayout(picAction_);
    panel->setContentsMargins(0, 0, 0, 0);
    panel->addWidget(cmbAction_, 0, 0, 1, 4);
    panel->addWidget(lblAction_1_, 1, 0);
    panel->addWidget(cmbActParam_, 1, 1, 1, 3);
    panel->addWidget(lblAction_2_, 2, 0);
    panel->addWidget(cmbActParam2_, 2, 1);
    panel->addWidget(lblAction_3_, 2, 2);
    panel->addWidget(cmbActParam3_, 2, 3);

    connect(cmbAction_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0)
            cmbAction_Click();
    });
    for (QComboBox* list : {cmbActParam_, cmbActParam2_, cmbActParam3_}) {
        connect(list, &QComboBox::currentIndexChanged, this, [this](int index) {
            if (index >= 0)
                cmbActParam_Click();
        });
    }

    lblSequence_1_ = new QLabel(this);
    lblSequence_1_->setObjectName(QStringLiteral("lblSequence_1"));
    lblSequence_1_->setWordWrap(true);

    cmdSeqUpdate_ = new QPushButton(QStringLiteral("Save"), this);
    cmdSeqUpdate_->setObjectName(QStringLiteral("cmdSeqUpdate"));
    cmdSeqUpdate_->setToolTip(QStringLiteral("Update whole sequence in sequences list. (Hide Sequence Editor)"));
    cmdSeqCancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    cmdSeqCancel_->setObjectName(QStringLiteral("cmdSeqCancel"));
    cmdSeqCancel_->setToolTip(QStringLiteral("Do not save the changes"));
    connect(cmdSeqUpdate_, &QPushButton::clicked, this, &ActionEditor::cmdSeqUpdate_Click);
    connect(cmdSeqCancel_, &QPushButton::clicked, this, &ActionEditor::cmdSeqCancel_Click);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdSeqUpdate_);
    buttons->addWidget(cmdSeqCancel_);

    auto* frame = new QVBoxLayout(this);
    frame->addWidget(lblSequence_0_);
    frame->addWidget(lstActions_, 1);
    frame->addWidget(picAction_);
    frame->addWidget(lblSequence_1_);
    frame->addLayout(buttons);
    setMinimumSize(360, 420);
}

void ActionEditor::buildMenu()
{
    mnuActions_ = new QMenu(this);
    mnuActions_->setObjectName(QStringLiteral("mnuActions"));
    auto add = [this](const char* name, const QString& caption, void (ActionEditor::*slot)()) {
        QAction* entry = mnuActions_->addAction(caption);
        entry->setObjectName(QString::fromLatin1(name));
        connect(entry, &QAction::triggered, this, slot);
        return entry;
    };
    mnuActionNewInsert_ = add("mnuActionNewInsert", QStringLiteral("Insert above"),
                              &ActionEditor::mnuActionNewInsert_Click);
    mnuActionCopy_ = add("mnuActionCopy", QStringLiteral("Copy"), &ActionEditor::mnuActionCopy_Click);
    mnuActionPaste_ = add("mnuActionPaste", QStringLiteral("Paste"), &ActionEditor::mnuActionPaste_Click);
    mnuActionRem_ = add("mnuActionRem", QStringLiteral("Remove"), &ActionEditor::mnuActionRem_Click);
}

// ---- rows ----

void ActionEditor::clearRows()
{
    lstActions_->clear();
    for (int k = 1; k <= kActionRows; ++k)
        lstActions_->addTopLevelItem(new QTreeWidgetItem({QString::number(k), QString()}));
}

QTreeWidgetItem* ActionEditor::selectedRow() const
{
    const QList<QTreeWidgetItem*> rows = lstActions_->selectedItems();
    return rows.isEmpty() ? nullptr : rows.first();
}

QString ActionEditor::rowText(int index) const
{
    const QTreeWidgetItem* row = lstActions_->topLevelItem(index);
    return row ? row->text(kActionColumn) : QString();
}

void ActionEditor::setRowText(int index, const QString& text)
{
    if (QTreeWidgetItem* row = lstActions_->topLevelItem(index))
        row->setText(kActionColumn, text);
}

QStringList ActionEditor::rowTexts() const
{
    QStringList texts;
    for (int k = 0; k < lstActions_->topLevelItemCount(); ++k)
        texts.append(rowText(k));
    return texts;
}

int ActionEditor::filledRowCount() const
{
    int filled = 0;
    for (const QString& text : rowTexts())
        filled += text.isEmpty() ? 0 : 1;
    return filled;
}

bool ActionEditor::panelShown() const { return !picAction_->isHidden(); }

void ActionEditor::recomputeTempSeq() { tempSeq_ = UpdateTempSequence(rowTexts()); }

// ---- opening, saving, cancelling ----

void ActionEditor::centreInParent()
{
    QWidget* area = parentWidget();
    if (!area)
        return;
    resize(size().expandedTo(sizeHint()));
    move((area->width() - width()) / 2, (area->height() - height()) / 2);
    raise();
}

void ActionEditor::SplitSequence(int row)
{
    const auto trap = ProcedureTrap::form("SplitSequence", kForm);
    // A working copy belongs to the sequence it was loaded from: a redisplay
    // naming another row must not make Save store it there.
    if (!tempSeq_.Contents.isEmpty() && curSeq_ != 0)
        row = curSeq_;
    trap([&] { centreInParent(); });
    lblSequence_0_->setText(QStringLiteral("Action Editor: Sequence #") + QString::number(row));
    trap([&] { host_->controlState(false, false); });
    if (tempSeq_.Contents.isEmpty()) {
        show();
        trap([&] {
            if (row < 1 || row > kSlotCount)
                throw RuntimeError::subscriptOutOfRange();
            tempSeq_.Contents = Config().SeqContents[row - 1];
            tempSeq_.ActionCount = Config().SeqContentsLen[row - 1];
        });
        clearRows();
    }
    curSeq_ = int16_t(row);
    qsizetype actions = 0;
    if (tempSeq_.Contents.size() >= 2) {
        const QStringList texts = ActionTexts(tempSeq_.Contents);
        actions = texts.size();
        // Rows past the working copy's actions are cleared, so rewriting a
        // sequence whose rows had gaps cannot repeat its last actions.
        for (int k = 0; k < kActionRows; ++k)
            setRowText(k, k < texts.size() ? texts.at(k) : QString());
    }
    if (lstActions_->topLevelItemCount() > 0 && !lstActions_->isHidden()) {
        lstActions_->setFocus();
        if (!selectedRow())
            lstActions_->setCurrentItem(lstActions_->topLevelItem(0));
        StartEditSequence(selectedRow()->text(kActionColumn));
    }
    if (actions > kActionRows)
        lblSequence_1_->setText(kTooManyActions);
}

void ActionEditor::cmdSeqUpdate_Click()
{
    const auto trap = ProcedureTrap::form("cmdSeqUpdate_Click", kForm);
    recomputeTempSeq();
    trap([&] {
        if (curSeq_ < 1 || curSeq_ > kSlotCount)
            throw RuntimeError::subscriptOutOfRange();
        QByteArray& stored = Config().SeqContents[curSeq_ - 1];
        stored = tempSeq_.Contents;
        Config().SeqContentsLen[curSeq_ - 1] = uint8_t(tempSeq_.ActionCount);
        if (QTreeWidgetItem* listRow = host_->sequenceList()->topLevelItem(curSeq_ - 1))
            listRow->setText(2, GetENGSequenceFromUDT(stored));
    });
    host_->markChanged(true);
    cmdSeqCancel_Click();
}

void ActionEditor::cmdSeqCancel_Click()
{
    host_->controlState(true, false);
    hide();
    tempSeq_ = TempSeq{};
}

// ---- the action panel ----

void ActionEditor::StartEditSequence(const QString& text)
{
    const auto trap = ProcedureTrap::form("StartEditSequence", kForm);
    picAction_->hide();
    if (!text.isEmpty()) {
        trap([&] {
            const QByteArray bytes = English2Action(text);
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
            for (const QByteArray& s : Config().ASCIIStrings)
                strings.append(QString::fromLatin1(s));
            FillList(cmbActParam_, strings);
            lblAction_1_->setText(QStringLiteral("String:"));
            const int slot = (p1 > kAsciiSlots - 1 || !given) ? 0 : p1;
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
                rows.append(QStringLiteral("%1").arg(r, 2, 10, QLatin1Char('0')) + (r == curSeq_ ? QStringLiteral("*") : QString()));
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
        for (int slot = 0; slot < kAsciiSlots; ++slot) {
            if (QString::fromLatin1(Config().ASCIIStrings[slot]).compare(first, Qt::CaseInsensitive) == 0) {
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
    trap([&] { row->setText(kActionColumn, Action2English(uint8_t(code), p1, p2)); });

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

// ---- the action list: mouse, keys, pop-up menu ----

bool ActionEditor::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lstActions_->viewport()) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
            lstActions_MouseDown(static_cast<QMouseEvent*>(event));
            return true;
        case QEvent::MouseButtonDblClick:
            lstActions_DblClick();
            return true;
        default:
            break;
        }
    } else if (watched == lstActions_ && event->type() == QEvent::KeyPress) {
        return lstActions_KeyDown(static_cast<QKeyEvent*>(event));
    }
    return QGroupBox::eventFilter(watched, event);
}

void ActionEditor::lstActions_MouseDown(QMouseEvent* event)
{
    QTreeWidgetItem* row = lstActions_->itemAt(event->position().toPoint());
    if (!row)
        return;
    lstActions_->setFocus();
    lstActions_->clearSelection();
    lstActions_->setCurrentItem(row);
    const QString text = row->text(kActionColumn);
    if (event->button() == Qt::LeftButton) {
        if (!text.isEmpty())
            StartEditSequence(text);
    } else {
        showActionsMenu(row, event->globalPosition().toPoint());
    }
}

void ActionEditor::showActionsMenu(QTreeWidgetItem* row, const QPoint& globalPos)
{
    const bool holdsAction = !row->text(kActionColumn).isEmpty();
    mnuActionPaste_->setEnabled(!actionClip_.isEmpty());
    mnuActionCopy_->setEnabled(holdsAction);
    mnuActionNewInsert_->setEnabled(filledRowCount() < lstActions_->topLevelItemCount() && holdsAction);
    mnuActionRem_->setEnabled(holdsAction);
    mnuActions_->popup(globalPos);
}

void ActionEditor::lstActions_DblClick()
{
    // Opens the type list, as a click on it would.
    cmbAction_->setFocus();
    cmbAction_->showPopup();
}

bool ActionEditor::lstActions_KeyDown(QKeyEvent* event)
{
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    const QTreeWidgetItem* row = selectedRow();
    switch (event->key()) {
    case Qt::Key_V:
        if (!ctrl)
            return false;
        if (!actionClip_.isEmpty())
            mnuActionPaste_Click();
        return true;
    case Qt::Key_C:
        if (!ctrl)
            return false;
        if (row && !row->text(kActionColumn).isEmpty())
            mnuActionCopy_Click();
        return true;
    case Qt::Key_Delete:
        if (!ctrl)
            mnuActionRem_Click();
        return true;
    case Qt::Key_Escape:
        if (!ctrl)
            cmdSeqCancel_Click();
        return true;
    default:
        return false;
    }
}

void ActionEditor::mnuActionCopy_Click()
{
    if (const QTreeWidgetItem* row = selectedRow())
        actionClip_ = row->text(kActionColumn);
}

// The menu entries below change the rows without the panel; the working
// copy follows them so a redisplay of the window does not bring back the
// rows as they were.
void ActionEditor::mnuActionPaste_Click()
{
    QTreeWidgetItem* row = selectedRow();
    if (!row)
        return;
    row->setText(kActionColumn, actionClip_);
    recomputeTempSeq();
}

void ActionEditor::mnuActionRem_Click()
{
    QTreeWidgetItem* row = selectedRow();
    if (!row)
        return;
    row->setText(kActionColumn, QString());
    for (int k = 0; k + 1 < lstActions_->topLevelItemCount(); ++k) {
        if (rowText(k).isEmpty()) {
            setRowText(k, rowText(k + 1));
            setRowText(k + 1, QString());
        }
    }
    recomputeTempSeq();
}

void ActionEditor::mnuActionNewInsert_Click()
{
    const auto trap = ProcedureTrap::form("mnuActionNewInsert_Click", kForm);
    QTreeWidgetItem* row = selectedRow();
    if (!row)
        return;
    const int r = lstActions_->indexOfTopLevelItem(row);
    trap([&] {
        for (int k = lstActions_->topLevelItemCount() - 1; k > r; --k)
            setRowText(k, rowText(k - 1));
        setRowText(r, QString());
    });
    recomputeTempSeq();
}

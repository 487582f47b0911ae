#include "actioneditor.h"

#include "editorhost.h"
#include "errorlog.h"
#include "runtimeerror.h"
#include "unitconfig.h"
#include "vocabulary.h"

#include <QAction>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

// The frame itself: its controls, its rows, opening, Save and Cancel.

namespace {
const QString kTooManyActions = QStringLiteral(
    "Only the first 15 actions of this sequence are shown; saving keeps only these.");
} // namespace

ActionEditor::ActionEditor(EditorHost* host, UnitConfig& config, QWidget* parent)
    : QGroupBox(parent)
    , host_(host)
    , config_(config)
{
    setObjectName(QStringLiteral("fraSequence"));
    // It floats over the lists and the terminal: nothing may show through.
    setAutoFillBackground(true);
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
    cmbAction_->addItems(ActionNames());
    cmbAction_->setCurrentIndex(-1);      // before the handlers are connected

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
    lblSequence_1_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // Room for its longest note, so showing one never squeezes the rows.
    lblSequence_1_->setFixedHeight(2 * lblSequence_1_->fontMetrics().lineSpacing());

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
    // Every action row shows without scrolling.
    lstActions_->setMinimumHeight(lstActions_->header()->sizeHint().height()
                                  + kActionRows * lstActions_->sizeHintForRow(0) + 2 * lstActions_->frameWidth());
    setMinimumSize(420, 420);
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

void ActionEditor::setControlsEnabled(bool on)
{
    for (QWidget* w : std::initializer_list<QWidget*>{
             this, lblSequence_0_, lblSequence_1_, lstActions_, cmbAction_, cmbActParam_, cmbActParam2_,
             cmbActParam3_, lblAction_1_, lblAction_2_, lblAction_3_, cmdSeqUpdate_, cmdSeqCancel_})
        w->setEnabled(on);
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

void ActionEditor::recomputeTempSeq()
{
    tempSeq_ = UpdateTempSequence(rowTexts(), config_.ASCIIStrings);
}

// ---- opening, saving, cancelling ----

void ActionEditor::centreInParent()
{
    QWidget* area = parentWidget();
    if (!area)
        return;
    resize(size().expandedTo(sizeHint()));
    // Its title and buttons stay inside even when the area is the smaller.
    move(qMax(0, (area->width() - width()) / 2), qMax(0, (area->height() - height()) / 2));
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
            tempSeq_.Contents = config_.SeqContents[row - 1];
            tempSeq_.ActionCount = config_.SeqContentsLen[row - 1];
        });
        clearRows();
    }
    curSeq_ = int16_t(row);
    qsizetype actions = 0;
    if (tempSeq_.Contents.size() >= 2) {
        const QStringList texts = ActionTexts(tempSeq_.Contents, config_.ASCIIStrings);
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
        QByteArray& stored = config_.SeqContents[curSeq_ - 1];
        stored = tempSeq_.Contents;
        config_.SeqContentsLen[curSeq_ - 1] = uint8_t(tempSeq_.ActionCount);
        if (QTreeWidgetItem* listRow = host_->sequenceList()->topLevelItem(curSeq_ - 1))
            listRow->setText(kSequenceLineColumn, GetENGSequenceFromUDT(stored, config_.ASCIIStrings));
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

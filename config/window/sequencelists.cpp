#include "sequencelists.h"

#include "errorlog.h"
#include "numbertext.h"
#include "listops.h"
#include "seqtext.h"
#include "textforms.h"
#include "unitconfig.h"
#include "wholelinetips.h"
#include "widgetmaking.h"

#include <QHeaderView>
#include <QTreeWidget>

namespace {
constexpr int kLabelColumnWidth = 56;


QTreeWidget* MakeRowList(const QString& name, const QStringList& headers, const QString& tip)
{
    QTreeWidget* list = MakeList(name, headers, tip);
    for (int i = 1; i <= kSlotCount; ++i)
        new QTreeWidgetItem(list, QStringList{TwoDigits(i)});
    WholeLineTips::install(list);
    return list;
}
} // namespace

SequenceLists::SequenceLists(QWidget* parent) : QSplitter(Qt::Horizontal, parent)
{
    setObjectName(QStringLiteral("splLists"));
    setChildrenCollapsible(false);
    lists_[0] = MakeRowList(QStringLiteral("lstSequences_0"),
                         {QStringLiteral("#"), QStringLiteral("Seq Lbl"), QStringLiteral("Actions")},
                         QStringLiteral("Actions sequences.  Click on the sequence to edit."));
    lists_[0]->header()->resizeSection(1, kLabelColumnWidth);
    lists_[1] = MakeRowList(QStringLiteral("lstSequences_1"), {QStringLiteral("#"), QStringLiteral("ASCII Strings")},
                         QStringLiteral("ASCII strings, click to edit."));
    for (QTreeWidget* list : lists_)
        addWidget(list);
    setStretchFactor(0, 3);
    setStretchFactor(1, 2);
}

void SequenceLists::display(UnitConfig& config)
{
    const ProcedureTrap trap = ProcedureTrap::form("DisplayData", "frmMain");
    for (int i = 0; i < kSlotCount; ++i) {
        trap([&] {
            QTreeWidgetItem* row = sequences()->topLevelItem(i);
            row->setText(1, QString::fromLatin1(config.SeqLabel[i].toUpper()));
            row->setText(2, GetENGSequenceFromUDT(config.SeqContents[i], config.ASCIIStrings));
        });
        trap([&] { strings()->topLevelItem(i)->setText(1, QString::fromLatin1(config.ASCIIStrings[i])); });
    }
}

SequenceTexts SequenceLists::texts() const { return SequenceListColumnTexts(sequences()); }

void SequenceLists::applyRule(const ControlRule& rule)
{
    if (rule.all)
        for (QTreeWidget* list : lists_)
            list->setEnabled(rule.enabled);
}

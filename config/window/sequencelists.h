#pragma once
#include "controlrule.h"
#include "verification.h"

#include <QSplitter>
#include <array>

class QTreeWidget;
struct UnitConfig;

// The sequence list ("#", "Seq Lbl", "Actions") and the ASCII string list
// ("#", "ASCII Strings") side by side, 20 rows each, with whole lines in
// the tool tips of cut cells.
class SequenceLists : public QSplitter {
    Q_OBJECT
public:
    explicit SequenceLists(QWidget* parent = nullptr);

    QTreeWidget* sequences() const { return lists_[0]; }
    QTreeWidget* strings() const { return lists_[1]; }

    // Shows the labels, sequence lines and strings of the configuration.
    // Trailing filler bytes of the sequences go, as the lines show them.
    void display(UnitConfig& config);
    // The labels and lines as the list shows them, for verification.
    SequenceTexts texts() const;
    void applyRule(const ControlRule& rule);

private:
    std::array<QTreeWidget*, 2> lists_{};
};

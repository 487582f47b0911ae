#pragma once
#include <QObject>
#include <array>
#include <utility>

class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class SequenceLists;
struct UnitConfig;

// The in-place editor over a cell of the label, ASCII string or DTMF string
// list (txtCell), and the Special Characters panel (fraHEX) that inserts
// character codes into a string and changes the flag character. Both float
// over the window's client area. Committing writes the labels or strings
// into the configuration; the window hears what else it has to do.
class CellEditor : public QObject {
    Q_OBJECT
public:
    // client: the area the editors float over; lists: the sequence and
    // string lists. Any other list is the DTMF string list, whose cells
    // hold DTMF characters only.
    CellEditor(UnitConfig& config, QWidget* client, SequenceLists* lists);

    bool isOpen() const;
    // The list being edited (nullptr when closed).
    QTreeWidget* list() const { return cellList_; }
    // Opens the editor over (row, column) of list, both counted from 1.
    void startCellEdit(QTreeWidget* list, int row, int column);
    // Closes the editor, storing the text when commit is set.
    void ProcessCell(bool commit);
    // Keeps the editor and the panel over their cell.
    void place();

    void cmdInsert_Click();
    void cmdOk_Click();
    void cmdCIns_Click(int index);
    void txtASCCode_Change();

signals:
    void edited();          // a cell took new text: the configuration changed
    void listsChanged();    // labels or strings went into the configuration
    void flagChanged();     // the ASCII code flag character is another one
    void closed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildPanel(QWidget* client);
    bool cellKey(QKeyEvent* e);
    void focusLost();
    void mouseMoved();
    void insertCodeAtSelection();
    QByteArray cellFlag() const;

    UnitConfig& config_;
    QWidget* client_;
    SequenceLists* lists_;

    QLineEdit* txtCell_ = nullptr;
    QGroupBox* fraHEX_ = nullptr;
    QLineEdit* txtASCCode_ = nullptr;
    QLabel* lblASCIIChar_ = nullptr;
    QLineEdit* txtASCFlag_ = nullptr;
    QPushButton* cmdInsert_ = nullptr;
    QPushButton* cmdOk_ = nullptr;
    std::array<QPushButton*, 4> cmdCIns_{};

    QTreeWidget* cellList_ = nullptr;        // the list being edited
    int cellRow_ = 0;                        // 1-based
    int cellColumn_ = 0;                     // 1-based
    QString oldCellText_;
    std::pair<int, int> cellSelection_{0, 0};  // start, length: what Insert replaces
    bool closingCell_ = false;
};

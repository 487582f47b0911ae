// The in-place cell editor over the label, ASCII string and DTMF string
// lists, and the Special Characters panel that inserts character codes and
// changes the flag character.
#include "mainwindow.h"

#include "errorlog.h"
#include "listops.h"
#include "prompter.h"
#include "runtimeerror.h"
#include "settingsvalidation.h"
#include "status.h"
#include "textforms.h"
#include "unitconfig.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QTimer>
#include <QTreeWidget>
#include <cmath>

namespace {
constexpr int kLabelLimit = 3;
constexpr int kStringLimit = 124;
constexpr int kNoLimit = 32767;
constexpr int kMaxCode = 255;
const QString kCodeRangeMessage = QStringLiteral("ASCII codes must be a number between 0 and 255");

// The leading number of a text, 0 when it has none.
double LeadingNumber(const QString& text)
{
    static const QRegularExpression number(QStringLiteral("^\\s*[-+]?\\d+(\\.\\d*)?"));
    const QRegularExpressionMatch m = number.match(text);
    return m.hasMatch() ? m.captured(0).trimmed().toDouble() : 0;
}
} // namespace

void frmMain::connectCellEditor()
{
    txtCell_->installEventFilter(this);
    txtASCCode_->installEventFilter(this);
    txtASCFlag_->installEventFilter(this);
    // A digit cannot mark codes, which are written in digits.
    txtASCFlag_->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[^0-9]?")), txtASCFlag_));
    connect(txtASCCode_, &QLineEdit::textChanged, this, &frmMain::txtASCCode_Change);
    connect(cmdInsert_, &QPushButton::clicked, this, &frmMain::cmdInsert_Click);
    connect(cmdOk_, &QPushButton::clicked, this, &frmMain::cmdOk_Click);
    for (int i = 0; i < 4; ++i)
        connect(cmdCIns_[i], &QPushButton::clicked, this, [this, i] { cmdCIns_Click(i); });
}

bool frmMain::cellEditOpen() const
{
    return cellList_ != nullptr && !txtCell_->isHidden();
}

void frmMain::startCellEdit(QTreeWidget* list, int row, int column)
{
    const ProcedureTrap trap("Coord2CellPos", "modMain");
    trap([&] {
        QTreeWidgetItem* item = list->topLevelItem(row - 1);
        if (!item || column < 1 || column > list->columnCount())
            return;
        cellList_ = list;
        cellRow_ = row;
        cellColumn_ = column;
        list->setCurrentItem(item);
        list->scrollToItem(item);

        placeCellEditor();
        txtCell_->setMaxLength(list == lstSequences_[0] ? kLabelLimit
                               : list == lstSequences_[1] ? kStringLimit
                                                          : kNoLimit);
        txtCell_->setText(item->text(column - 1));
        txtCell_->show();
        txtCell_->raise();
        txtCell_->setFocus();
        txtCell_->selectAll();
        cellSelection_ = {0, int(txtCell_->text().size())};

        if (list == lstSequences_[1]) {
            txtASCFlag_->setText(QString(QChar(Config().ASCIIFlagChar)));
            placeCellEditor();
            fraHEX_->show();
            fraHEX_->raise();
        }
    });
}

void frmMain::placeCellEditor()
{
    QTreeWidgetItem* item = cellList_ ? cellList_->topLevelItem(cellRow_ - 1) : nullptr;
    if (!item)
        return;
    const QRect rowRect = cellList_->visualItemRect(item);
    const int left = cellList_->header()->sectionViewportPosition(cellColumn_ - 1);
    const int width = cellList_->header()->sectionSize(cellColumn_ - 1);
    QWidget* client = centralWidget();
    const QPoint topLeft = cellList_->viewport()->mapTo(client, QPoint(left, rowRect.top()));
    txtCell_->setGeometry(QRect(topLeft, QSize(std::max(width, 40), std::max(rowRect.height(), 20))));
    // The panel goes right under the editor, kept inside the window.
    const int y = std::min(txtCell_->geometry().bottom() + 1, client->height() - fraHEX_->height());
    fraHEX_->move(std::max(0, std::min(txtCell_->x(), client->width() - fraHEX_->width())), std::max(0, y));
}

void frmMain::ProcessCell(bool commit)
{
    if (!cellList_ || closingCell_)
        return;
    const ProcedureTrap trap = ProcedureTrap::form("ProcessCell", "frmMain");
    closingCell_ = true;
    QTreeWidget* list = cellList_;
    const bool labels = list == lstSequences_[0];
    const bool strings = list == lstSequences_[1];
    const int column = cellColumn_ - 1;
    QTreeWidgetItem* item = list->topLevelItem(cellRow_ - 1);

    trap([&] {
        if (!item)
            return;
        oldCellText_ = item->text(column);
        if (!commit)
            return;
        QString text = txtCell_->text();
        if (list == lstDTMFStr_) {
            text = FilterDTMFChars(text);
        } else {
            try {
                CheckASCIILength(text.toLatin1(), char(Config().ASCIIFlagChar));
            } catch (const RuntimeError&) {
                // A code above 255 between flags is no character: keep the old text.
                ShowStatus(kCodeRangeMessage);
                return;
            }
        }
        item->setText(column, text);
        MarkChanged(true);
    });

    if (labels && item) {
        trap([&] {
            const SequenceTexts texts = sequenceListTexts();
            if (!VerifyInformation(texts.labels, texts.lines, false)) {
                item->setText(column, oldCellText_);
                return;
            }
            // After the check, whose own status text would hide it.
            if (item->text(column).isEmpty())
                ShowStatus(QStringLiteral("Sequence #") + item->text(0) + QStringLiteral(" disabled."));
            UnitConfig& c = Config();
            for (int i = 0; i < kSlotCount; ++i) {
                // One byte per character, as the unit and the data file take them.
                const QByteArray label = texts.labels.value(i).toLatin1().toUpper();
                c.SeqLabel[i] = label;
                c.SeqLabelLen[i] = uint8_t(label.size());
            }
        });
    } else if (strings) {
        trap([&] {
            for (int i = 0; i < kSlotCount; ++i)
                Config().ASCIIStrings[i] = list->topLevelItem(i)->text(1).toLatin1();
        });
    }
    if (labels || strings)
        DisplayData(false);

    // The flag box belongs to the panel, which only string edits open.
    trap([&] {
        const QByteArray flag = txtASCFlag_->text().toLatin1();
        if (!strings || flag.isEmpty() || uint8_t(flag[0]) == Config().ASCIIFlagChar)
            return;
        Prompts().message(QStringLiteral("Since the ASCII code flag character has been updated, please "
                                         "make sure to update all other ASCII Strings with this new "
                                         "character, where needed."),
                          MsgIcon::Information);
        Config().ASCIIFlagChar = uint8_t(flag[0]);
        rebuildTerminalCheckTexts();
    });

    txtCell_->hide();
    fraHEX_->hide();
    cellList_ = nullptr;
    listOps_->setActiveList(nullptr);
    closingCell_ = false;
}

bool frmMain::cellEditorKey(QKeyEvent* e)
{
    switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        ProcessCell(true);
        return true;
    case Qt::Key_Escape:
        ProcessCell(false);
        return true;
    default:
        return false;
    }
}

void frmMain::cellEditorFocusLost()
{
    if (!cellEditOpen() || closingCell_)
        return;
    // Remember the selection: the box drops it when it loses the focus, and
    // Insert replaces it.
    const int len = int(txtCell_->text().size());
    if (txtCell_->hasSelectedText())
        cellSelection_ = {txtCell_->selectionStart(), int(txtCell_->selectedText().size())};
    else
        cellSelection_ = {txtCell_->cursorPosition(), 0};
    if (!fraHEX_->isHidden()) {
        if (cellSelection_.second == len && len > 0) {
            cellSelection_ = {len, 0};
            txtCell_->setCursorPosition(len);
        }
        return;
    }
    ProcessCell(true);
}

void frmMain::cellEditorMouseMove()
{
    if (fraHEX_->isHidden() || !txtCell_->hasSelectedText())
        return;
    const QString sel = txtCell_->selectedText();
    const QString flag = QString(QChar(Config().ASCIIFlagChar));
    if (sel.size() == 1)
        txtASCCode_->setText(QString::number(sel[0].unicode()));
    else if (sel.size() > 2 && sel.startsWith(flag) && sel.endsWith(flag))
        txtASCCode_->setText(sel.mid(1, sel.size() - 2));
}

void frmMain::txtASCCode_Change()
{
    const QString text = txtASCCode_->text();
    if (text.isEmpty())
        return;
    double value = 0;
    if (!ParseUserNumber(text, &value)) {
        value = LeadingNumber(text);
        ShowStatus(kCodeRangeMessage);
    }
    if (value > kMaxCode)
        value = kMaxCode;
    const int code = std::min(kMaxCode, int(std::fabs(std::trunc(value))));
    const QString shown = QString::number(code);
    if (shown != text)
        txtASCCode_->setText(shown);   // comes back here once with the clean text
    txtASCCode_->setCursorPosition(int(txtASCCode_->text().size()));
    lblASCIIChar_->setText(QString(QChar(code)));
}

QByteArray frmMain::cellFlag() const
{
    // A flag typed into the panel is the one the string will be read with.
    const QByteArray typed = txtASCFlag_->text().toLatin1();
    return typed.isEmpty() ? QByteArray(1, char(Config().ASCIIFlagChar)) : typed.left(1);
}

void frmMain::insertCodeAtSelection()
{
    if (txtCell_->hasFocus()) {
        if (txtCell_->hasSelectedText())
            cellSelection_ = {txtCell_->selectionStart(), int(txtCell_->selectedText().size())};
        else
            cellSelection_ = {txtCell_->cursorPosition(), 0};
    }
    const QString flag = QString::fromLatin1(cellFlag());
    const QString code = flag + txtASCCode_->text() + flag;
    QString text = txtCell_->text();
    const int start = std::clamp(cellSelection_.first, 0, int(text.size()));
    const int length = std::clamp(cellSelection_.second, 0, int(text.size()) - start);
    text.replace(start, length, code);
    txtCell_->setText(text.left(txtCell_->maxLength()));
    const int caret = std::min(start + int(code.size()), int(txtCell_->text().size()));
    txtCell_->setCursorPosition(caret);
    cellSelection_ = {caret, 0};
}

void frmMain::cmdInsert_Click()
{
    if (txtASCCode_->text().isEmpty())
        return;
    insertCodeAtSelection();
    txtASCCode_->setFocus();
    txtASCCode_->selectAll();
}

void frmMain::cmdOk_Click()
{
    ProcessCell(true);
}

void frmMain::cmdCIns_Click(int index)
{
    txtASCCode_->setText(QString::number(cmdCIns_[index]->property("tag").toString().toInt()));
    cmdInsert_Click();
}

// The in-place cell editor over the label, ASCII string and DTMF string
// lists, and the Special Characters panel that inserts character codes and
// changes the flag character.
#include "celleditor.h"

#include "errorlog.h"
#include "numbertext.h"
#include "runtimeerror.h"
#include "sequencelists.h"
#include "settingsvalidation.h"
#include "status.h"
#include "textforms.h"
#include "unitconfig.h"
#include "prompter.h"
#include "widgetmaking.h"

#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
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
} // namespace

CellEditor::CellEditor(UnitConfig& config, QWidget* client, SequenceLists* lists)
    : QObject(client), config_(config), client_(client), lists_(lists)
{
    txtCell_ = Named(new QLineEdit(client), QStringLiteral("txtCell"));
    txtCell_->setProperty("tag", QStringLiteral("stateignore"));   // ControlState leaves it alone
    txtCell_->setMouseTracking(true);
    txtCell_->hide();
    buildPanel(client);

    txtCell_->installEventFilter(this);
    txtASCCode_->installEventFilter(this);
    txtASCFlag_->installEventFilter(this);
    // A digit cannot mark codes, which are written in digits.
    txtASCFlag_->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[^0-9]?")), txtASCFlag_));
    connect(txtASCCode_, &QLineEdit::textChanged, this, &CellEditor::txtASCCode_Change);
    connect(cmdInsert_, &QPushButton::clicked, this, &CellEditor::cmdInsert_Click);
    connect(cmdOk_, &QPushButton::clicked, this, &CellEditor::cmdOk_Click);
    for (int i = 0; i < int(cmdCIns_.size()); ++i)
        connect(cmdCIns_[i], &QPushButton::clicked, this, [this, i] { cmdCIns_Click(i); });
}

void CellEditor::buildPanel(QWidget* client)
{
    fraHEX_ = Named(new QGroupBox(QStringLiteral("Special Characters"), client), QStringLiteral("fraHEX"));
    fraHEX_->setAutoFillBackground(true);
    auto* grid = new QGridLayout(fraHEX_);
    grid->addWidget(Named(new QLabel(QStringLiteral("ASCII Code:"), fraHEX_), QStringLiteral("lblASCCode")), 0, 0);
    txtASCCode_ = Named(new QLineEdit(fraHEX_), QStringLiteral("txtASCCode"));
    txtASCCode_->setMaximumWidth(48);
    grid->addWidget(txtASCCode_, 0, 1);
    lblASCIIChar_ = Named(new QLabel(fraHEX_), QStringLiteral("lblASCIIChar"));
    lblASCIIChar_->setMinimumWidth(20);
    grid->addWidget(lblASCIIChar_, 0, 2);
    txtASCFlag_ = Named(new QLineEdit(fraHEX_), QStringLiteral("txtASCFlag"));
    txtASCFlag_->setMaxLength(1);
    txtASCFlag_->setMaximumWidth(28);
    txtASCFlag_->setToolTip(QStringLiteral(
        "ASCII code flag character.  Note: make sure to update ALL the ascii strings (where ascii "
        "codes are used) if you change this flag character."));
    grid->addWidget(Named(new QLabel(QStringLiteral("Flag:"), fraHEX_), QStringLiteral("lblASCFlag")), 0, 3, Qt::AlignRight);
    grid->addWidget(txtASCFlag_, 0, 4);
    cmdInsert_ = Named(new QPushButton(QStringLiteral("Insert"), fraHEX_), QStringLiteral("cmdInsert"));
    cmdOk_ = Named(new QPushButton(QStringLiteral("OK"), fraHEX_), QStringLiteral("cmdOk"));
    grid->addWidget(cmdInsert_, 0, 5);
    grid->addWidget(cmdOk_, 0, 6);
    grid->addWidget(Named(new QLabel(QStringLiteral("Commonly used codes:"), fraHEX_), QStringLiteral("lblCommonCodes")), 1, 0, 1, 2);
    const QStringList captions{QStringLiteral("CR (13)"), QStringLiteral("LF (10)"), QStringLiteral("Tab (8)"),
                               QStringLiteral("ESC (27)")};
    const QStringList tags{QStringLiteral("13"), QStringLiteral("10"), QStringLiteral("8"), QStringLiteral("27")};
    for (int i = 0; i < int(cmdCIns_.size()); ++i) {
        cmdCIns_[i] = new QPushButton(captions[i], fraHEX_);
        cmdCIns_[i]->setObjectName(QStringLiteral("cmdCIns_%1").arg(i));
        cmdCIns_[i]->setProperty("tag", tags[i]);
        grid->addWidget(cmdCIns_[i], 2, i);
    }
    fraHEX_->adjustSize();
    fraHEX_->hide();
}

bool CellEditor::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (watched == txtCell_) {
        if (type == QEvent::KeyPress)
            return cellKey(static_cast<QKeyEvent*>(event));
        if (type == QEvent::FocusOut) {
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
                focusLost();
        } else if (type == QEvent::MouseMove) {
            mouseMoved();
        }
        return false;
    }
    if (watched == txtASCCode_ && type == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            cmdInsert_Click();
            return true;
        }
        if (key == Qt::Key_Escape) {
            cmdOk_Click();
            return true;
        }
    }
    if ((watched == txtASCCode_ || watched == txtASCFlag_) && type == QEvent::FocusIn) {
        // After the click that gave the focus has placed the caret.
        QTimer::singleShot(0, static_cast<QLineEdit*>(watched), &QLineEdit::selectAll);
        return false;
    }
    return QObject::eventFilter(watched, event);
}

bool CellEditor::isOpen() const
{
    return cellList_ != nullptr && !txtCell_->isHidden();
}

void CellEditor::startCellEdit(QTreeWidget* list, int row, int column)
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

        place();
        txtCell_->setMaxLength(list == lists_->sequences() ? kLabelLimit
                               : list == lists_->strings() ? kStringLimit
                                                          : kNoLimit);
        txtCell_->setText(item->text(column - 1));
        txtCell_->show();
        txtCell_->raise();
        txtCell_->setFocus();
        txtCell_->selectAll();
        cellSelection_ = {0, int(txtCell_->text().size())};

        if (list == lists_->strings()) {
            txtASCFlag_->setText(QString(QChar(config_.ASCIIFlagChar)));
            place();
            fraHEX_->show();
            fraHEX_->raise();
        }
    });
}

void CellEditor::place()
{
    QTreeWidgetItem* item = cellList_ ? cellList_->topLevelItem(cellRow_ - 1) : nullptr;
    if (!item)
        return;
    const QRect rowRect = cellList_->visualItemRect(item);
    const int left = cellList_->header()->sectionViewportPosition(cellColumn_ - 1);
    const int width = cellList_->header()->sectionSize(cellColumn_ - 1);
    QWidget* client = client_;
    const QPoint topLeft = cellList_->viewport()->mapTo(client, QPoint(left, rowRect.top()));
    txtCell_->setGeometry(QRect(topLeft, QSize(std::max(width, 40), std::max(rowRect.height(), 20))));
    // The panel goes right under the editor, kept inside the window.
    const int y = std::min(txtCell_->geometry().bottom() + 1, client->height() - fraHEX_->height());
    fraHEX_->move(std::max(0, std::min(txtCell_->x(), client->width() - fraHEX_->width())), std::max(0, y));
}

void CellEditor::ProcessCell(bool commit)
{
    if (!cellList_ || closingCell_)
        return;
    const ProcedureTrap trap = ProcedureTrap::form("ProcessCell", "frmMain");
    closingCell_ = true;
    QTreeWidget* list = cellList_;
    const bool labels = list == lists_->sequences();
    const bool strings = list == lists_->strings();
    const int column = cellColumn_ - 1;
    QTreeWidgetItem* item = list->topLevelItem(cellRow_ - 1);

    trap([&] {
        if (!item)
            return;
        oldCellText_ = item->text(column);
        if (!commit)
            return;
        QString text = txtCell_->text();
        if (!labels && !strings) {
            text = FilterDTMFChars(text);
        } else {
            try {
                CheckASCIILength(text.toLatin1(), char(config_.ASCIIFlagChar));
            } catch (const RuntimeError&) {
                // A code above 255 between flags is no character: keep the old text.
                ShowStatus(kCodeRangeMessage);
                return;
            }
        }
        item->setText(column, text);
        emit edited();
    });

    if (labels && item) {
        trap([&] {
            const SequenceTexts texts = lists_->texts();
            if (!VerifyInformation(texts.labels, texts.lines, false)) {
                item->setText(column, oldCellText_);
                return;
            }
            // After the check, whose own status text would hide it.
            if (item->text(column).isEmpty())
                ShowStatus(QStringLiteral("Sequence #") + item->text(0) + QStringLiteral(" disabled."));
            UnitConfig& c = config_;
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
                config_.ASCIIStrings[i] = list->topLevelItem(i)->text(1).toLatin1();
        });
    }
    if (labels || strings)
        emit listsChanged();

    // The flag box belongs to the panel, which only string edits open.
    trap([&] {
        const QByteArray flag = txtASCFlag_->text().toLatin1();
        if (!strings || flag.isEmpty() || uint8_t(flag[0]) == config_.ASCIIFlagChar)
            return;
        Prompts().message(QStringLiteral("Since the ASCII code flag character has been updated, please "
                                         "make sure to update all other ASCII Strings with this new "
                                         "character, where needed."),
                          MsgIcon::Information);
        config_.ASCIIFlagChar = uint8_t(flag[0]);
        emit flagChanged();
    });

    txtCell_->hide();
    fraHEX_->hide();
    cellList_ = nullptr;
    closingCell_ = false;
    emit closed();
}

bool CellEditor::cellKey(QKeyEvent* e)
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

void CellEditor::focusLost()
{
    if (!isOpen() || closingCell_)
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

void CellEditor::mouseMoved()
{
    if (fraHEX_->isHidden() || !txtCell_->hasSelectedText())
        return;
    const QString sel = txtCell_->selectedText();
    const QString flag = QString(QChar(config_.ASCIIFlagChar));
    if (sel.size() == 1)
        txtASCCode_->setText(QString::number(sel[0].unicode()));
    else if (sel.size() > 2 && sel.startsWith(flag) && sel.endsWith(flag))
        txtASCCode_->setText(sel.mid(1, sel.size() - 2));
}

void CellEditor::txtASCCode_Change()
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

QByteArray CellEditor::cellFlag() const
{
    // A flag typed into the panel is the one the string will be read with.
    const QByteArray typed = txtASCFlag_->text().toLatin1();
    return typed.isEmpty() ? QByteArray(1, char(config_.ASCIIFlagChar)) : typed.left(1);
}

void CellEditor::insertCodeAtSelection()
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

void CellEditor::cmdInsert_Click()
{
    if (txtASCCode_->text().isEmpty())
        return;
    insertCodeAtSelection();
    txtASCCode_->setFocus();
    txtASCCode_->selectAll();
}

void CellEditor::cmdOk_Click()
{
    ProcessCell(true);
}

void CellEditor::cmdCIns_Click(int index)
{
    txtASCCode_->setText(QString::number(cmdCIns_[index]->property("tag").toString().toInt()));
    cmdInsert_Click();
}

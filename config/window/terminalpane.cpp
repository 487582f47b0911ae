// The terminal pane: what the unit sends, typing to the unit, the red
// highlighting of character codes, clearing, and the instant DTMF line.
#include "terminalpane.h"

#include "errorlog.h"
#include "textforms.h"
#include "unitconfig.h"
#include "unitlink.h"
#include "vocabulary.h"
#include "widgetmaking.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QVBoxLayout>

#include <array>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {
constexpr const char* kForm = "frmMain";
constexpr int kFirstPrintable = 32;
constexpr int kLastPrintable = 126;
constexpr int kHighlightDelayMs = 100;
// Characters and lines the terminal keeps: the oldest go past either. They
// go a quarter at a time, so dropping is rare and its cost spread thin. A
// line the window lays out costs far more than its characters (hundreds of
// bytes), so a unit that sends short lines would otherwise keep tens of
// megabytes of layout for its megabyte of text.
constexpr int kHistoryChars = 1024 * 1024;
constexpr int kDropChars = kHistoryChars / 4;
constexpr int kHistoryLines = 10000;
constexpr int kDropLines = kHistoryLines / 4;
constexpr int kLongLine = 2048;
constexpr int kMaxCodeDigits = 3;
constexpr int kHighlightPiece = 16 * 1024;   // characters read at a time to be highlighted

// Line ends as the unit sends them (CR LF, or a lone CR) shown as new
// lines. A CR LF split over two reads is one line end: afterCr says the
// last read ended in CR, and is updated for the next one.
QString TerminalText(const QByteArray& bytes, bool& afterCr)
{
    QString text;
    text.reserve(bytes.size());
    for (char c : bytes) {
        if (c == '\n' && afterCr) {
            afterCr = false;
            continue;
        }
        afterCr = c == '\r';
        text += afterCr ? QChar(u'\n') : QChar(uchar(c));
    }
    return text;
}

// Appends text in black. Each arrival lays out the line it ends on again,
// so lines are kept short: once the last line is longer than kLongLine, the
// next arrival starts a new one (codes shown in place of line ends leave no
// line ends at all, and one endless line would cost more with every arrival).
void AppendInBlack(QTextEdit* terminal, const QString& text)
{
    QTextCursor cursor(terminal->document());
    cursor.movePosition(QTextCursor::End);
    QTextCharFormat black;
    black.setForeground(Qt::black);
    if (cursor.block().length() > kLongLine)
        cursor.insertBlock();
    cursor.insertText(text, black);
}

// The character code written at text[at]: the flag, the code's decimal
// digits (no leading zeros) and the flag again; -1 when none starts there.
int CodeAt(const QString& text, qsizetype at, QChar flag, qsizetype* length)
{
    if (text[at] != flag)
        return -1;
    for (qsizetype digits = 1; digits <= kMaxCodeDigits && at + digits + 1 < text.size(); ++digits) {
        bool ok = false;
        const QStringView number = QStringView(text).mid(at + 1, digits);
        const int code = number.toInt(&ok);
        if (ok && code <= 255 && text[at + digits + 1] == flag && number == QString::number(code)) {
            *length = digits + 2;
            return code;
        }
    }
    return -1;
}
} // namespace

TerminalPane::TerminalPane(const UnitConfig& config, UnitLink& link, QWidget* parent)
    : QWidget(parent), config_(config), link_(link), feedback_(OptionNames())
{
    auto* lay = new QHBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    txtTerminal_ = Named(new QTextEdit, QStringLiteral("txtTerminal"));
    txtTerminal_->setReadOnly(true);   // keys go to the unit, not into the text
    txtTerminal_->setUndoRedoEnabled(false);   // nothing to undo, and it would keep every arrival
    txtTerminal_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    txtTerminal_->setFocusPolicy(Qt::StrongFocus);
    txtTerminal_->setTabChangesFocus(true);
    txtTerminal_->setToolTip(QStringLiteral("What the unit sends.  Type here to send to the unit (Ctrl+Tab sends a TAB)."));
    txtTerminal_->setFont(QFont(QStringLiteral("Monospace")));
    txtTerminal_->installEventFilter(this);
    lay->addWidget(txtTerminal_, 1);

    auto* side = side_ = new QVBoxLayout;
    chkTermAscCodeDisplay_ = Named(new QCheckBox, QStringLiteral("chkTermAscCodeDisplay"));
    chkGlobalAscCodeOnly_ = Named(new QCheckBox, QStringLiteral("chkGlobalAscCodeOnly"));
    cmdTermClear_ = Named(new QPushButton(QStringLiteral("Clear Terminal")), QStringLiteral("cmdTermClear"));
    lblInstDTMF_ = Named(new QLabel(QStringLiteral("Instant DTMF sequence:")), QStringLiteral("lblInstDTMF"));
    txtInstDTMF_ = Named(new QLineEdit, QStringLiteral("txtInstDTMF"));
    cmdInstDTMFSend_ = Named(new QPushButton(QStringLiteral("Send")), QStringLiteral("cmdInstDTMFSend"));
    side->addWidget(chkTermAscCodeDisplay_);
    side->addWidget(chkGlobalAscCodeOnly_);
    side->addWidget(cmdTermClear_);
    side->addStretch(1);
    side->addWidget(lblInstDTMF_);
    auto* inst = new QHBoxLayout;
    inst->addWidget(txtInstDTMF_, 1);
    inst->addWidget(cmdInstDTMFSend_);
    side->addLayout(inst);
    lay->addLayout(side);

    tmrHighLight_.setObjectName(QStringLiteral("tmrHighLight"));
    tmrHighLight_.setSingleShot(true);
    tmrHighLight_.setInterval(kHighlightDelayMs);
    connect(&tmrHighLight_, &QTimer::timeout, this, &TerminalPane::tmrHighLight_Timer);
    connect(cmdTermClear_, &QPushButton::clicked, this, &TerminalPane::cmdTermClear_Click);
    connect(cmdInstDTMFSend_, &QPushButton::clicked, this, &TerminalPane::cmdInstDTMFSend_Click);
    connect(txtInstDTMF_, &QLineEdit::returnPressed, this, &TerminalPane::cmdInstDTMFSend_Click);
    connect(chkGlobalAscCodeOnly_, &QCheckBox::toggled, this, [this](bool on) { link_.setAllCharsAsCodes(on); });
}

void TerminalPane::rebuildCheckTexts(uint8_t flagChar)
{
    const QString c(QChar{flagChar});
    chkTermAscCodeDisplay_->setText(QStringLiteral("Display invisible\\special chars as ") + c
                                    + QStringLiteral("#") + c);
    chkTermAscCodeDisplay_->setToolTip(
        QStringLiteral("Tick here to have invisible and special ASCII characters display as their "
                       "equivelant decimal value in form ")
        + c + QStringLiteral("#") + c + QStringLiteral(" (in terminal)"));
}

void TerminalPane::setAllCodesTexts()
{
    chkGlobalAscCodeOnly_->setText(QStringLiteral("Display ASCII codes for ALL chars"));
    chkGlobalAscCodeOnly_->setToolTip(QStringLiteral(
        "Tick here to enable display of all characters as their ASCII code equivelant (in "
        "terminal or upon download)."));
}

void TerminalPane::terminalAppend(const QByteArray& bytes)
{
    const bool codes = chkTermAscCodeDisplay_->isChecked();
    const QString text = codes ? QString::fromLatin1(EncodeASCIICodes(bytes, char(config_.ASCIIFlagChar),
                                                                       chkGlobalAscCodeOnly_->isChecked()))
                               : TerminalText(bytes, afterCr_);
    if (codes && txtTerminal_->document()->isEmpty())
        txtTerminal_->setPlainText(text);
    else
        AppendInBlack(txtTerminal_, text);
    if (codes)
        tmrHighLight_.start();
    trimHistory();
    FeedbackReading reply;
    const ProcedureTrap trap = ProcedureTrap::form("SyncJumpers", kForm);
    trap([&] { reply = feedback_.take(text); });
    emit feedbackRead(reply);
    txtTerminal_->moveCursor(QTextCursor::End);
}

void TerminalPane::trimHistory()
{
    QTextDocument* doc = txtTerminal_->document();
    const int length = doc->characterCount() - 1;
    const int lines = doc->blockCount();
    int drop = 0;
    if (length > kHistoryChars + kDropChars)
        drop = length - kHistoryChars;
    if (lines > kHistoryLines + kDropLines)
        drop = qMax(drop, doc->findBlockByNumber(lines - kHistoryLines).position());
    if (drop == 0)
        return;
    QTextCursor oldest(doc);
    oldest.setPosition(drop, QTextCursor::KeepAnchor);
    oldest.removeSelectedText();
    highlightPosition_ = qMax(0, highlightPosition_ - drop);
#ifdef __GLIBC__
    // What the dropped lines held goes back to the system, not only to the
    // heap: otherwise the heap keeps what the largest history ever took.
    malloc_trim(0);
#endif
}

void TerminalPane::txtTerminal_KeyPress(const QString& typed)
{
    if (!link_.isConnected() || typed.isEmpty())
        return;
    for (QChar ch : typed)
        link_.sendText(QString(ch).toLatin1());
}

bool TerminalPane::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == txtTerminal_ && event->type() == QEvent::KeyPress)
        return terminalKey(static_cast<QKeyEvent*>(event));
    return QWidget::eventFilter(watched, event);
}

bool TerminalPane::terminalKey(QKeyEvent* e)
{
    // Tab moves the focus on, as everywhere else; Ctrl+Tab sends a TAB.
    if (e->key() == Qt::Key_Tab && e->modifiers() == Qt::ControlModifier) {
        txtTerminal_KeyPress(QStringLiteral("\t"));
        return true;
    }
    if (e->key() == Qt::Key_Tab || e->key() == Qt::Key_Backtab)
        return false;
    const bool command = e->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (command || e->text().isEmpty())
        return false;   // selection, copying and scrolling stay with the box
    txtTerminal_KeyPress(e->text());
    return true;
}

void TerminalPane::cmdTermClear_Click()
{
    txtTerminal_->clear();
    highlightPosition_ = 0;
    feedback_.clear();
}

void TerminalPane::cmdInstDTMFSend_Click()
{
    if (link_.isConnected())
        link_.sendText(txtInstDTMF_->text().toLatin1());
}

void TerminalPane::tmrHighLight_Timer()
{
    const ProcedureTrap trap = ProcedureTrap::form("tmrHighLight_Timer", kForm);
    QTextDocument* doc = txtTerminal_->document();
    trap([&] {
        // Every code of an invisible or special character from the highlight
        // position on turns red: each code's occurrences as a search for it
        // from left to right finds them, all codes in one pass over the text.
        // The text is read a piece at a time: after a long burst it is the
        // whole history.
        const int start = qMin(highlightPosition_, doc->characterCount() - 1);
        const int end = doc->characterCount() - 1;
        const QChar flag(config_.ASCIIFlagChar);
        QTextCharFormat red;
        red.setForeground(QColor(255, 0, 0));
        std::array<qsizetype, 256> searchFrom{};
        QTextCursor found(doc);
        found.beginEditBlock();   // laid out once, not once per code
        for (int piece = start; piece < end; piece += kHighlightPiece) {
            // A code that starts in this piece may end in the next.
            QTextCursor reader(doc);
            reader.setPosition(piece);
            reader.setPosition(qMin(end, piece + kHighlightPiece + kMaxCodeDigits + 1), QTextCursor::KeepAnchor);
            const QString text = reader.selectedText();
            for (qsizetype at = 0; at < text.size() && piece + at < qMin(end, piece + kHighlightPiece); ++at) {
                qsizetype length = 0;
                const int code = CodeAt(text, at, flag, &length);
                if (code < 0 || (code >= kFirstPrintable && code <= kLastPrintable) || piece + at < searchFrom[code])
                    continue;
                searchFrom[code] = piece + at + length;
                found.setPosition(piece + int(at));
                found.setPosition(piece + int(at + length), QTextCursor::KeepAnchor);
                found.mergeCharFormat(red);
            }
        }
        found.endEditBlock();
    });
    txtTerminal_->moveCursor(QTextCursor::End);
    QTextCharFormat black;
    black.setForeground(Qt::black);
    txtTerminal_->setCurrentCharFormat(black);
    highlightPosition_ = doc->characterCount() - 1;
    tmrHighLight_.stop();
}

QString TerminalPane::instantDtmf() const { return txtInstDTMF_->text(); }

void TerminalPane::setInstantDtmf(const QString& text) { txtInstDTMF_->setText(text); }

void TerminalPane::setInstantDtmfEnabled(bool enabled)
{
    for (QWidget* w : std::initializer_list<QWidget*>{lblInstDTMF_, txtInstDTMF_, cmdInstDTMFSend_})
        w->setEnabled(enabled);
}

void TerminalPane::addTool(QWidget* tool) { side_->insertWidget(side_->indexOf(cmdTermClear_) + 1, tool); }

void TerminalPane::applyRule(const ControlRule& rule)
{
    if (!rule.all)
        return;
    for (QWidget* w : std::initializer_list<QWidget*>{txtTerminal_, chkTermAscCodeDisplay_, chkGlobalAscCodeOnly_,
                                                       cmdTermClear_, lblInstDTMF_, txtInstDTMF_, cmdInstDTMFSend_})
        w->setEnabled(rule.enabled);
}

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
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QVBoxLayout>

namespace {
constexpr const char* kForm = "frmMain";
constexpr int kFirstPrintable = 32;
constexpr int kLastPrintable = 126;
constexpr int kHighlightDelayMs = 100;

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

void AppendInBlack(QTextEdit* terminal, const QString& text)
{
    QTextCursor cursor(terminal->document());
    cursor.movePosition(QTextCursor::End);
    QTextCharFormat black;
    black.setForeground(Qt::black);
    cursor.insertText(text, black);
}
} // namespace

TerminalPane::TerminalPane(const UnitConfig& config, UnitLink& link, QWidget* parent)
    : QWidget(parent), config_(config), link_(link)
{
    auto* lay = new QHBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    txtTerminal_ = Named(new QTextEdit, QStringLiteral("txtTerminal"));
    txtTerminal_->setReadOnly(true);   // keys go to the unit, not into the text
    txtTerminal_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    txtTerminal_->setFocusPolicy(Qt::StrongFocus);
    txtTerminal_->setTabChangesFocus(true);
    txtTerminal_->setToolTip(QStringLiteral("What the unit sends.  Type here to send to the unit (Ctrl+Tab sends a TAB)."));
    txtTerminal_->setFont(QFont(QStringLiteral("Monospace")));
    txtTerminal_->installEventFilter(this);
    lay->addWidget(txtTerminal_, 1);

    auto* side = new QVBoxLayout;
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
    if (chkTermAscCodeDisplay_->isChecked()) {
        const QString coded = QString::fromLatin1(EncodeASCIICodes(
            bytes, char(config_.ASCIIFlagChar), chkGlobalAscCodeOnly_->isChecked()));
        if (txtTerminal_->document()->isEmpty())
            txtTerminal_->setPlainText(coded);
        else
            AppendInBlack(txtTerminal_, coded);
        tmrHighLight_.start();
    } else {
        AppendInBlack(txtTerminal_, TerminalText(bytes, afterCr_));
    }
    FeedbackReading reply;
    const ProcedureTrap trap = ProcedureTrap::form("SyncJumpers", kForm);
    trap([&] { reply = ReadFeedback(txtTerminal_->toPlainText(), scanPosition_, OptionNames()); });
    emit feedbackRead(reply);
    txtTerminal_->moveCursor(QTextCursor::End);
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
    scanPosition_ = 0;
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
    const QString flag(QChar(config_.ASCIIFlagChar));
    QTextCharFormat red;
    red.setForeground(QColor(255, 0, 0));
    for (int c = 255; c >= 0; --c) {
        if (c >= kFirstPrintable && c <= kLastPrintable)
            continue;
        trap([&] {
            const QString code = flag + QString::number(c) + flag;
            QTextCursor found = doc->find(code, highlightPosition_, QTextDocument::FindCaseSensitively);
            while (!found.isNull()) {
                found.mergeCharFormat(red);
                found = doc->find(code, found.selectionEnd(), QTextDocument::FindCaseSensitively);
            }
        });
    }
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

void TerminalPane::applyRule(const ControlRule& rule)
{
    if (!rule.all)
        return;
    for (QWidget* w : std::initializer_list<QWidget*>{txtTerminal_, chkTermAscCodeDisplay_, chkGlobalAscCodeOnly_,
                                                       cmdTermClear_, lblInstDTMF_, txtInstDTMF_, cmdInstDTMFSend_})
        w->setEnabled(rule.enabled);
}

// The terminal pane: what the unit sends, typing to the unit, the red
// highlighting of character codes, clearing, and the instant DTMF line.
#include "mainwindow.h"

#include "errorlog.h"
#include "textforms.h"
#include "unitconfig.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

namespace {
constexpr int kFirstPrintable = 32;
constexpr int kLastPrintable = 126;

QString FlagChar() { return QString(QChar(Config().ASCIIFlagChar)); }

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

void frmMain::rebuildTerminalCheckTexts()
{
    const QString c = FlagChar();
    chkTermAscCodeDisplay_->setText(QStringLiteral("Display invisible\\special chars as ") + c
                                    + QStringLiteral("#") + c);
    chkTermAscCodeDisplay_->setToolTip(
        QStringLiteral("Tick here to have invisible and special ASCII characters display as their "
                       "equivelant decimal value in form ")
        + c + QStringLiteral("#") + c + QStringLiteral(" (in terminal)"));
}

void frmMain::terminalAppend(const QByteArray& bytes)
{
    if (chkTermAscCodeDisplay_->isChecked()) {
        const QString coded = QString::fromLatin1(EncodeASCIICodes(
            bytes, char(Config().ASCIIFlagChar), chkGlobalAscCodeOnly_->isChecked()));
        if (txtTerminal_->document()->isEmpty())
            txtTerminal_->setPlainText(coded);
        else
            AppendInBlack(txtTerminal_, coded);
        tmrHighLight_.start();
    } else {
        AppendInBlack(txtTerminal_, TerminalText(bytes, terminalAfterCr_));
    }
    SyncJumpers();
    txtTerminal_->moveCursor(QTextCursor::End);
}

void frmMain::txtTerminal_KeyPress(const QString& typed)
{
    if (!unitConnected() || typed.isEmpty())
        return;
    for (QChar ch : typed)
        link_->sendText(QString(ch).toLatin1());
}

bool frmMain::terminalKey(QKeyEvent* e)
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

void frmMain::cmdTermClear_Click()
{
    txtTerminal_->clear();
    highlightPosition_ = 0;
    scanPosition_ = 0;
}

void frmMain::cmdInstDTMFSend_Click()
{
    if (unitConnected())
        link_->sendText(txtInstDTMF_->text().toLatin1());
}

void frmMain::tmrHighLight_Timer()
{
    const ProcedureTrap trap = ProcedureTrap::form("tmrHighLight_Timer", "frmMain");
    QTextDocument* doc = txtTerminal_->document();
    const QString flag = FlagChar();
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

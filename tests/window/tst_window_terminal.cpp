// The terminal over a long session: a bounded history that keeps the
// newest text, replies read from text split between arrivals and after
// megabytes of other text, and codes coloured once the oldest text is gone.
#include "windowfixture.h"

#include "vocabulary.h"

#include <QCheckBox>
#include <QTextBlock>
#include <QTextEdit>

namespace {

QColor ColourAt(QTextEdit* terminal, int position)
{
    QTextCursor c(terminal->document());
    c.setPosition(position + 1);
    return c.charFormat().foreground().color();
}

const QColor kRed(255, 0, 0);

// The terminal's text as "r" where it is red and "." elsewhere.
QString RedMap(QTextEdit* terminal)
{
    QString red;
    const qsizetype size = terminal->toPlainText().size();
    for (int i = 0; i < size; ++i)
        red += ColourAt(terminal, i) == kRed ? QLatin1Char('r') : QLatin1Char('.');
    return red;
}

// 1 KB of ordinary traffic that holds no reply.
QByteArray Chatter(int i) { return QByteArray::number(i).rightJustified(6, '0') + QByteArray(1016, 'x') + "\r\n"; }

} // namespace

class WindowTerminalTest : public QObject {
    Q_OBJECT
private slots:
    void historyIsBoundedAndKeepsTheNewest()
    {
        WindowFixture f;
        frmMain& w = f.start();
        auto* terminal = f.find<QTextEdit>(QStringLiteral("txtTerminal"));
        constexpr int kArrivals = 3 * 1024;   // 3 MB
        for (int i = 0; i < kArrivals; ++i)
            w.panels().terminal->terminalAppend(Chatter(i));
        const QString text = terminal->toPlainText();
        QVERIFY2(text.size() >= 1024 * 1024, qPrintable(QString::number(text.size())));
        QVERIFY2(text.size() <= 1024 * 1024 * 5 / 4 + 2048, qPrintable(QString::number(text.size())));
        QVERIFY(text.endsWith(QString::fromLatin1(Chatter(kArrivals - 1).left(1022)) + QLatin1Char('\n')));
        QVERIFY(!text.contains(QStringLiteral("000000")));   // the first arrival is gone
        // Nothing to undo is kept either.
        QVERIFY(!terminal->document()->isUndoAvailable());

        // Replies still come through after all that, also split up.
        w.panels().terminal->terminalAppend("Ser Ec");
        w.panels().terminal->terminalAppend("ho ON\r\n");
        QCOMPARE(f.find<QCheckBox>(QStringLiteral("chkOpt_11"))->checkState(), Qt::Checked);
    }

    // Short lines cost the window far more than their characters: the
    // history is bounded in lines too (10,000 kept, a quarter more at most).
    void historyIsBoundedInLines()
    {
        WindowFixture f;
        frmMain& w = f.start();
        auto* terminal = f.find<QTextEdit>(QStringLiteral("txtTerminal"));
        for (int i = 0; i < 40000; ++i)
            w.panels().terminal->terminalAppend("L" + QByteArray::number(i) + "\r\n");
        const int lines = terminal->document()->blockCount();
        QVERIFY2(lines >= 10000 && lines <= 12501, qPrintable(QString::number(lines)));
        QVERIFY(terminal->toPlainText().endsWith(QStringLiteral("L39999\n")));
        QVERIFY(terminal->toPlainText().startsWith(QStringLiteral("L%1\n").arg(40000 - lines + 1)));
    }

    // After a long burst the colouring covers it all, codes where the text
    // is read a piece at a time included.
    void codesOfALongBurstAreAllColoured()
    {
        WindowFixture f;
        frmMain& w = f.start();
        Config().ASCIIFlagChar = '\\';
        auto* terminal = f.find<QTextEdit>(QStringLiteral("txtTerminal"));
        f.find<QCheckBox>(QStringLiteral("chkTermAscCodeDisplay"))->setChecked(true);
        // "ab" and a line end, shown as "ab\13\\10\": 10 characters a
        // line, so the codes fall on every position modulo the pieces.
        QByteArray burst;
        for (int i = 0; i < 7000; ++i)
            burst += "ab\r\n";
        w.panels().terminal->terminalAppend(burst);
        w.panels().terminal->tmrHighLight_Timer();
        const QString red = RedMap(terminal);
        QCOMPARE(red.size(), 70000);
        QCOMPARE(red, QString(QStringLiteral("..rrrrrrrr")).repeated(7000));
    }

    // A reply that started before the oldest text went is still read: the
    // reader keeps what it needs of older text itself.
    void replyPendingWhileHistoryIsDroppedIsRead()
    {
        WindowFixture f;
        frmMain& w = f.start();
        const bool wasOn = OptionOn(Config(), 1);
        w.panels().terminal->terminalAppend("CR/LF");
        for (int i = 0; i < 2 * 1024; ++i)
            w.panels().terminal->terminalAppend(Chatter(i));
        QCOMPARE(OptionOn(Config(), 1), wasOn);
        w.panels().terminal->terminalAppend(wasOn ? " OFF\r\n" : " ON\r\n");
        QCOMPARE(f.find<QCheckBox>(QStringLiteral("chkOpt_1"))->isChecked(), !wasOn);
        QCOMPARE(OptionOn(Config(), 1), !wasOn);
    }

    void codesAreColouredAsEachCodesOwnSearchFindsThem()
    {
        WindowFixture f;
        frmMain& w = f.start();
        Config().ASCIIFlagChar = '\\';
        auto* terminal = f.find<QTextEdit>(QStringLiteral("txtTerminal"));
        f.find<QCheckBox>(QStringLiteral("chkTermAscCodeDisplay"))->setChecked(true);
        // Bytes 13 and 10 arrive as "\13\\10\": two codes, both red.
        w.panels().terminal->terminalAppend("A\r\nB");
        QCOMPARE(terminal->toPlainText(), QStringLiteral("A\\13\\\\10\\B"));
        w.panels().terminal->tmrHighLight_Timer();
        QCOMPARE(RedMap(terminal), QStringLiteral(".rrrrrrrr."));

        // The unit's own text may hold code-like text too: "\13\10\" shares
        // a flag between two codes, "\013\" is no code (a leading zero),
        // "\1\1\" is one code (the search for "\1\" goes on after the
        // first), "\65\" is printable.
        // Plain display: the text is shown as it came, and the codes in it
        // are coloured at the next tick after coded text arrives.
        f.find<QCheckBox>(QStringLiteral("chkTermAscCodeDisplay"))->setChecked(false);
        w.panels().terminal->cmdTermClear_Click();
        w.panels().terminal->terminalAppend("\\13\\10\\ \\013\\ \\1\\1\\ \\65\\");
        f.find<QCheckBox>(QStringLiteral("chkTermAscCodeDisplay"))->setChecked(true);
        w.panels().terminal->terminalAppend("!");
        w.panels().terminal->tmrHighLight_Timer();
        // Under the text:                         \13\10\ \013\ \1\1\ \65\!
        QCOMPARE(RedMap(terminal), QStringLiteral("rrrrrrr.......rrr........"));
    }

    void codesAreStillColouredAfterTheOldestTextWent()
    {
        WindowFixture f;
        frmMain& w = f.start();
        Config().ASCIIFlagChar = '\\';
        auto* terminal = f.find<QTextEdit>(QStringLiteral("txtTerminal"));
        f.find<QCheckBox>(QStringLiteral("chkTermAscCodeDisplay"))->setChecked(true);
        const QByteArray line = QByteArray(300, 'y') + "\r\n";
        for (int i = 0; i < 4 * 1024; ++i) {
            w.panels().terminal->terminalAppend(line);
            if (i % 512 == 0)
                w.panels().terminal->tmrHighLight_Timer();
        }
        w.panels().terminal->tmrHighLight_Timer();
        w.panels().terminal->terminalAppend("\a");
        w.panels().terminal->tmrHighLight_Timer();
        const int end = terminal->document()->characterCount() - 1;
        QCOMPARE(terminal->toPlainText().right(3), QStringLiteral("\\7\\"));
        for (int i = end - 3; i < end; ++i)
            QCOMPARE(ColourAt(terminal, i), kRed);
        QCOMPARE(ColourAt(terminal, end - 4), kRed);   // "\13\\10\" before it
        QCOMPARE(ColourAt(terminal, end - 11), kRed);
        QCOMPARE(ColourAt(terminal, end - 12), QColor(Qt::black));   // the last "y"
        // Shown as codes there are no line ends: lines are still kept short.
        int longest = 0;
        for (QTextBlock b = terminal->document()->begin(); b.isValid(); b = b.next())
            longest = qMax(longest, b.length());
        QVERIFY2(longest < 4 * 1024, qPrintable(QString::number(longest)));
    }
};

QTEST_MAIN(WindowTerminalTest)
#include "tst_window_terminal.moc"

#include "seqtext.h"

#include "codec.h"
#include "errorlog.h"

namespace {
const char* const kForm = "frmMain";
const QString kJoin = QStringLiteral(", ");

} // namespace

QList<SplitAction> SplitActions(const QByteArray& seq)
{
    QList<SplitAction> actions;
    if (seq.size() < 2)
        return actions;
    qsizetype pos = 0;
    while (pos < seq.size()) {
        SplitAction a;
        a.code = uint8_t(seq.at(pos++));
        a.p1 = pos < seq.size() ? uint8_t(seq.at(pos)) : 0;
        ++pos;
        if (ActionByteCount(a.code) == 3) {
            a.p2 = pos < seq.size() ? uint8_t(seq.at(pos)) : 0;
            ++pos;
        }
        actions.append(a);
    }
    return actions;
}

QStringList ActionTexts(const QByteArray& seq, const AsciiStringList& strings)
{
    QStringList texts;
    for (const SplitAction& a : SplitActions(seq))
        texts.append(Action2English(strings, a.code, a.p1, a.p2));
    return texts;
}

QString GetENGSequenceFromUDT(QByteArray& seq, const AsciiStringList& strings)
{
    const auto trap = ProcedureTrap::form("GetENGSequenceFromUDT", kForm);
    QString line;
    trap([&] {
        while (!seq.isEmpty() && uint8_t(seq.back()) == kFillerByte)
            seq.chop(1);
    });
    trap([&] {
        for (const QString& text : ActionTexts(seq, strings))
            line += text + kJoin;
    });
    if (line.endsWith(kJoin))
        line.chop(kJoin.size());
    return line;
}

TempSeq UpdateTempSequence(const QStringList& rowTexts, const AsciiStringList& strings)
{
    const auto trap = ProcedureTrap::form("UpdateTempSequence", kForm);
    TempSeq result;
    for (const QString& row : rowTexts) {
        const QString text = row.trimmed();
        if (text.isEmpty())
            continue;
        trap([&] {
            result.Contents += English2Action(strings, text);
            ++result.ActionCount;
        });
    }
    return result;
}

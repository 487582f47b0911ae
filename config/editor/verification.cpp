#include "verification.h"

#include "binaryutils.h"
#include "errorlog.h"
#include "numbertext.h"
#include "prompter.h"
#include "runtimeerror.h"
#include "seqtext.h"
#include "status.h"
#include "unitconfig.h"

#include <cmath>
#include <limits>

namespace {
const char* const kForm = "frmMain";
const QString kCrLf = QStringLiteral("\r\n");
// The lower-cased text of the jump action up to its opening quote.
const QString kJumpKey = QStringLiteral("jump sequence '");

bool InRange(int slot) { return slot >= 0 && slot < kSequenceRows; }

QString At(const QStringList& list, int index) { return index < list.size() ? list.at(index) : QString(); }

// A 16-bit integer from a number, rounding half to even; too large overflows.
int16_t ToInt16(double value)
{
    const double rounded = RoundHalfEven(value);
    if (rounded < std::numeric_limits<int16_t>::min() || rounded > std::numeric_limits<int16_t>::max())
        throw RuntimeError::overflow();
    return int16_t(rounded);
}

bool LabelsUnique(const QStringList& labels)
{
    for (int i = 0; i < kSequenceRows; ++i) {
        const QString a = At(labels, i);
        if (a.isEmpty())
            continue;
        for (int j = 0; j < kSequenceRows; ++j) {
            if (j == i || At(labels, j) != a)
                continue;
            Prompts().message(QStringLiteral("Following labels are not unique and must be changed.")
                                  + kCrLf + kCrLf + u'#' + TwoDigits(i + 1) + QStringLiteral(" label '")
                                  + a + u'\'' + kCrLf + u'#' + TwoDigits(j + 1)
                                  + QStringLiteral(" label '") + a + u'\'',
                              MsgIcon::Exclamation);
            return false;
        }
    }
    return true;
}

void ReportInfiniteJumps(const JumpTables& tables)
{
    QString text = QStringLiteral("The following network of jumps results in an infinite repeat:") + kCrLf + kCrLf;
    for (int k = 0; k < kSequenceRows; ++k) {
        if (tables.Visited[k])
            text += QStringLiteral("Sequence ") + TwoDigits(k + 1) + QStringLiteral(" jumps to ")
                + TwoDigits(tables.JumpTo[k] + 1) + kCrLf;
    }
    text += kCrLf + QStringLiteral("Please correct the problem.  Nothing has been saved.");
    Prompts().message(text, MsgIcon::Critical, MsgButtons::Ok, QStringLiteral("Infinite jumps detected"));
}
} // namespace

SequenceTexts SequenceListTexts(const UnitConfig& config)
{
    SequenceTexts texts;
    for (int i = 0; i < kSequenceRows; ++i) {
        QByteArray seq = config.SeqContents[i];
        texts.labels.append(QString::fromLatin1(config.SeqLabel[i].toUpper()));
        texts.lines.append(GetENGSequenceFromUDT(seq, config.ASCIIStrings));
    }
    return texts;
}

void ExtractJumps(const QStringList& lines, JumpTables& tables)
{
    const auto trap = ProcedureTrap::form("ExtractJumps", kForm);
    for (int i = 0; i < kSequenceRows; ++i) {
        tables.JumpTo[i] = -1;
        const QString line = At(lines, i);
        if (line.isEmpty())
            continue;
        const qsizetype key = line.toLower().indexOf(kJumpKey);
        if (key < 0)
            continue;
        const qsizetype p = key + kJumpKey.size();
        const qsizetype quote = line.indexOf(u'\'', p);
        if (quote < 0)
            continue;
        trap([&] { tables.JumpTo[i] = ToInt16(LeadingNumber(line.mid(p, quote - p)) - 1); });
    }
}

bool FollowJumps(JumpTables& tables, int slot)
{
    // A target outside the list (from a file or the unit) cannot be
    // followed: the walk ends there as if there were no jump.
    if (!InRange(slot)) {
        ProcedureTrap::form("FollowJumps", kForm)([] { throw RuntimeError::subscriptOutOfRange(); });
        return true;
    }
    if (tables.JumpTo[slot] == -1)
        return true;
    if (tables.Visited[slot])
        return false;
    tables.Visited[slot] = true;
    return FollowJumps(tables, tables.JumpTo[slot]);
}

bool VerifyInformation(const QStringList& labels, const QStringList& lines, bool checkJumps,
                       JumpTables& tables)
{
    ShowStatus(QStringLiteral("Verifying labels..."));
    bool result = true;
    if (!LabelsUnique(labels))
        return false;
    if (!checkJumps)
        return result;

    ShowStatus(QStringLiteral("Verifying jumpto pointers..."));
    ExtractJumps(lines, tables);
    for (int s = 0; s < kSequenceRows && result; ++s) {
        tables.Visited.fill(false);
        result = FollowJumps(tables, s);
    }
    ShowStatus(QString());
    if (!result)
        ReportInfiniteJumps(tables);
    return result;
}

bool VerifyInformation(const QStringList& labels, const QStringList& lines, bool checkJumps)
{
    JumpTables tables;
    return VerifyInformation(labels, lines, checkJumps, tables);
}

#include "codec.h"

#include "binaryutils.h"
#include "errorlog.h"
#include "numbertext.h"
#include "runtimeerror.h"
#include "unitconfig.h"

#include <QStringList>

#include <cmath>
#include <limits>
#include <optional>

namespace {

constexpr const char* kModule = "modUtils";
constexpr int kMsPerStep = 200;
constexpr int kMaxSteps = 255;
const QChar kQuote = QLatin1Char('\'');

template <class List>
const auto& Item(const List& list, qsizetype index)
{
    if (index < 0 || index >= qsizetype(list.size()))
        throw RuntimeError::subscriptOutOfRange();
    return list[index];
}

QString Quoted(const QString& value) { return kQuote + value + kQuote; }

// The nearest whole number, halves to the even neighbour; a value beyond
// the integer range is an overflow.
long long WholeNumber(double value)
{
    if (!std::isfinite(value) || std::fabs(value) > double(std::numeric_limits<int>::max()))
        throw RuntimeError::overflow();
    return static_cast<long long>(RoundHalfEven(value));
}

uint8_t ToByte(long long value)
{
    if (value < 0 || value > 255)
        throw RuntimeError::overflow();
    return uint8_t(value);
}

// The first quoted value of a Send ASCII line: everything between the first
// and the last quote, so a string that itself holds a quote still matches.
QString AsciiValue(const QString& text)
{
    const qsizetype open = text.indexOf(kQuote);
    if (open < 0)
        throw RuntimeError::subscriptOutOfRange();
    const qsizetype close = text.lastIndexOf(kQuote);
    return close > open ? text.mid(open + 1, close - open - 1) : text.mid(open + 1);
}

int AsciiIndex(const AsciiStringList& strings, const QString& value)
{
    for (int i = 0; i < kSlotCount; ++i)
        if (QString::fromLatin1(strings[i]).compare(value, Qt::CaseInsensitive) == 0)
            return i;
    return 0;
}

} // namespace

int ActionByteCount(uint8_t code) { return code == TimedClosure || code == TimedOpen ? 3 : 2; }

QString DurationText(int steps)
{
    const int ms = steps * kMsPerStep;
    return TwoDigits(ms / 1000) + QLatin1Char('.') + ZeroPadded(ms % 1000, 3);
}

QString Action2English(const AsciiStringList& strings, uint8_t code, int p1, int p2)
{
    const ProcedureTrap trap("Action2English", kModule);
    QString text;
    trap([&] {
        const QStringList& names = ActionNames();
        switch (code) {
        case SendASCII:
            text = names[code] + Quoted(QString::fromLatin1(Item(strings, p1)));
            break;
        case OutputDTMFTone:
            text = names[code] + Quoted(Item(DTMFToneNames(), p1));
            break;
        case CloseRelay:
        case OpenRelay:
        case ToggleRelay:
        case MomentaryRelay:
            text = names[code] + Quoted(Item(RelayNames(), p1));
            break;
        case TimedClosure:
        case TimedOpen:
            text = names[code] + Quoted(Item(RelayNames(), p1)) + QStringLiteral(" for ")
                + Quoted(DurationText(p2)) + QStringLiteral(" sec(s)");
            break;
        case Pause:
            text = names[code] + Quoted(DurationText(p1)) + QStringLiteral(" sec(s)");
            break;
        case JumpSequence:
            text = names[code] + Quoted(TwoDigits(p1 - kJumpOffset));
            break;
        default:
            break;
        }
    });
    return text;
}

QByteArray English2Action(const AsciiStringList& strings, const QString& text)
{
    const ProcedureTrap trap("English2Action", kModule);
    std::optional<uint8_t> code;
    std::optional<uint8_t> p1;
    std::optional<uint8_t> p2;

    const QString upper = text.toUpper();
    for (int i = 0; i < kActionCodeCount && !code; ++i)
        if (upper.contains(ActionNames()[i].toUpper()))
            code = uint8_t(i);
    // Without an action name there is nothing to build.
    if (!code)
        return {};

    const QStringList parts = text.split(kQuote);
    const QString lower = text.toLower();
    if (lower.contains(QStringLiteral("ascii"))) {
        trap([&] { p1 = uint8_t(AsciiIndex(strings, AsciiValue(text))); });
    } else if (lower.contains(QStringLiteral("tone"))) {
        trap([&] {
            const qsizetype tone = DTMFToneNames().indexOf(Item(parts, 1));
            if (tone < 0)
                throw RuntimeError::subscriptOutOfRange();
            p1 = uint8_t(tone);
        });
    } else if (lower.contains(QStringLiteral("pause"))) {
        trap([&] { p1 = PauseStr2Byte(Item(parts, 1)); });
    } else if (lower.contains(QStringLiteral("timed"))) {
        trap([&] { p1 = uint8_t(RelayIndex(Item(parts, 1))); });
        trap([&] { p2 = PauseStr2Byte(Item(parts, 3)); });
    } else if (lower.contains(QStringLiteral("jump"))) {
        trap([&] { p1 = ToByte(WholeNumber(LeadingNumber(Item(parts, 1)) + kJumpOffset)); });
    } else {
        trap([&] { p1 = uint8_t(RelayIndex(Item(parts, 1))); });
    }

    // Keep the sequence's byte layout intact whatever the line held: a named
    // action always gives all its bytes.
    QByteArray bytes(1, char(*code));
    bytes += char(p1.value_or(0));
    if (ActionByteCount(*code) == 3)
        bytes += char(p2.value_or(0));
    return bytes;
}

uint8_t PauseStr2Byte(const QString& text)
{
    const ProcedureTrap trap("PauseStr2Byte", kModule);
    uint8_t steps = 0;
    trap([&] {
        const QStringList parts = text.split(QLatin1Char('.'));
        const QString fraction = parts.size() > 1 ? parts.at(1) : QString();
        const long long ms = WholeNumber(LeadingNumber(parts.at(0)) * 1000)
            + WholeNumber(LeadingNumber(fraction));
        const long long count = ms / kMsPerStep;
        if (count < 0 || count > kMaxSteps)
            throw RuntimeError::overflow();
        steps = uint8_t(count);
    });
    return steps;
}

int RelayIndex(const QString& name)
{
    const qsizetype index = RelayNames().indexOf(name);
    return index < 0 ? 0 : int(index);
}

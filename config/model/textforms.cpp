#include "textforms.h"

#include "prompter.h"
#include "runtimeerror.h"
#include "status.h"
#include "unitconfig.h"

#include <QStringList>

namespace {

constexpr int kFirstPrintable = 32;
constexpr int kFirstHigh = 127;
constexpr int kMaxCodeDigits = 3;

bool IsDTMFChar(QChar upper)
{
    const char16_t c = upper.unicode();
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'D') || c == u'*' || c == u'#';
}

bool IsDecimal(const QByteArray& text)
{
    if (text.isEmpty())
        return false;
    for (const char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

int CodeValue(const QByteArray& digits)
{
    qsizetype start = 0;
    while (start < digits.size() - 1 && digits.at(start) == '0')
        ++start;
    const QByteArray significant = digits.mid(start);
    const int value = significant.size() > kMaxCodeDigits ? 256 : significant.toInt();
    if (value > 255)
        throw RuntimeError::overflow();
    return value;
}

QByteArray FlagCode(char flag, uint8_t byte)
{
    return flag + QByteArray::number(byte) + flag;
}

QByteArray Encode(const QByteArray& raw, char flag, bool allAsCodes, bool flagAsCode)
{
    QByteArray text;
    for (const char c : raw) {
        const uint8_t byte = uint8_t(c);
        const bool asCode = allAsCodes || byte < kFirstPrintable || byte >= kFirstHigh
            || (flagAsCode && c == flag);
        text += asCode ? FlagCode(flag, byte) : QByteArray(1, c);
    }
    return text;
}

bool DecodesTo(const QByteArray& text, const QByteArray& raw, char flag)
{
    try {
        return DecodeASCIICodes(text, flag) == raw;
    } catch (const RuntimeError&) {
        return false;
    }
}

} // namespace

QByteArray StripLastNulls(const QByteArray& text, uint8_t code)
{
    qsizetype end = text.size();
    while (end > 0 && uint8_t(text.at(end - 1)) == code)
        --end;
    return text.left(end);
}

QString FilterDTMFChars(const QString& text)
{
    ShowStatus(QString());
    QString kept;
    QStringList rejected;
    for (const QChar c : text) {
        const QChar upper = c.toUpper();
        if (IsDTMFChar(upper))
            kept += c;
        else
            rejected << QString(upper);
    }
    if (!rejected.isEmpty()) {
        const QString list = rejected.join(QStringLiteral(", "));
        ShowStatus(QStringLiteral("Unknown DTMF tone") + (list.size() > 1 ? QStringLiteral("(s)") : QString())
                   + QStringLiteral(" detected: ") + list);
    }
    return kept;
}

QByteArray EncodeASCIICodes(const QByteArray& raw, char flag, bool allAsCodes)
{
    const QByteArray text = Encode(raw, flag, allAsCodes, false);
    // A flag character kept as itself can pair with a later flag and be read
    // back as a code ("\13\" typed literally, or "\x" before a code); then
    // the flag characters are written as codes too, so the string survives.
    if (allAsCodes || !raw.contains(flag) || DecodesTo(text, raw, flag))
        return text;
    return Encode(raw, flag, false, true);
}

QByteArray DecodeASCIICodes(const QByteArray& text, char flag)
{
    QByteArray raw;
    qsizetype i = 0;
    while (i < text.size()) {
        if (text.at(i) != flag) {
            raw += text.at(i++);
            continue;
        }
        const qsizetype close = text.indexOf(flag, i + 1);
        if (close < 0) {
            raw += text.mid(i);
            break;
        }
        if (close == i + 1) {
            // Two flags in a row: the first is a plain character, the second
            // may open a code.
            raw += flag;
            i = close;
            continue;
        }
        const QByteArray between = text.mid(i + 1, close - i - 1);
        if (IsDecimal(between))
            raw += char(CodeValue(between));
        else
            raw += text.mid(i, close - i + 1);
        i = close + 1;
    }
    return raw;
}

bool CheckASCIILength(const QByteArray& text, char flag)
{
    const qsizetype length = DecodeASCIICodes(text, flag).size();
    if (length <= kMaxAsciiRaw)
        return true;
    Prompts().message(QStringLiteral("Processed ASCII string ") + QString::fromLatin1(text)
                          + QStringLiteral(" has a length of ") + QString::number(length)
                          + QStringLiteral(", which is too long.  Must be ")
                          + QString::number(kMaxAsciiRaw)
                          + QStringLiteral(" characters long.  If left unchanged, ASCII string "
                                           "will be truncated."),
                      MsgIcon::Information);
    return false;
}

#include "printabletext.h"

namespace {
QString Code(ushort code)
{
    return QStringLiteral("\\x") + QString::number(code, 16).toUpper().rightJustified(2, QLatin1Char('0'));
}
} // namespace

QString PrintableText(const QString& text)
{
    qsizetype end = text.size();
    while (end > 0 && text.at(end - 1) == QLatin1Char(' '))
        --end;
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const ushort code = text.at(i).unicode();
        if (code >= 0x20 && code <= 0x7E && i < end)
            out += text.at(i);
        else
            out += Code(code);
    }
    return out;
}

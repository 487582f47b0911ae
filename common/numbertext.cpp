#include "numbertext.h"

#include <QLocale>

#include <cmath>
#include <cstdlib>

double LeadingNumber(const QString& text)
{
    QString s;
    for (const QChar c : text)
        if (!c.isSpace())
            s += c;
    const auto digitsFrom = [&](qsizetype from) {
        qsizetype k = from;
        while (k < s.size() && s.at(k) >= u'0' && s.at(k) <= u'9')
            ++k;
        return k;
    };
    qsizetype i = 0;
    if (i < s.size() && (s.at(i) == u'+' || s.at(i) == u'-'))
        ++i;
    const qsizetype intEnd = digitsFrom(i);
    qsizetype end = intEnd;
    bool hasDigits = intEnd > i;
    if (end < s.size() && s.at(end) == u'.') {
        end = digitsFrom(end + 1);
        hasDigits = hasDigits || end > intEnd + 1;
    }
    if (!hasDigits)
        return 0;
    if (end < s.size() && (s.at(end) == u'e' || s.at(end) == u'E')) {
        qsizetype e = end + 1;
        if (e < s.size() && (s.at(e) == u'+' || s.at(e) == u'-'))
            ++e;
        const qsizetype expEnd = digitsFrom(e);
        if (expEnd > e)
            end = expEnd;
    }
    bool ok = false;
    const double value = s.left(end).toDouble(&ok);
    return ok ? value : 0;
}

bool ParseUserNumber(const QString& text, double* value)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    bool ok = false;
    double v = QLocale::system().toDouble(t, &ok);
    if (!ok)
        v = QLocale::c().toDouble(t, &ok);
    if (!ok || !std::isfinite(v))
        return false;
    *value = v;
    return true;
}

QString ZeroPadded(int value, int width)
{
    const QString digits = QString::number(std::abs(qint64(value))).rightJustified(width, QLatin1Char('0'));
    return value < 0 ? QLatin1Char('-') + digits : digits;
}

QString TwoDigits(int value) { return ZeroPadded(value, 2); }

#include "configdiff.h"

#include "configlisting.h"

QStringList ConfigDifferences(const UnitConfig& before, const UnitConfig& after)
{
    const QList<ListingSection> a = ListingSections(before);
    const QList<ListingSection> b = ListingSections(after);
    QStringList out;
    for (qsizetype s = 0; s < a.size() && s < b.size(); ++s) {
        QStringList lines;
        for (qsizetype i = 0; i < a[s].lines.size() && i < b[s].lines.size(); ++i) {
            if (a[s].lines[i].key == b[s].lines[i].key)
                continue;
            lines << QStringLiteral("- ") + a[s].lines[i].text << QStringLiteral("+ ") + b[s].lines[i].text;
        }
        if (a[s].title != b[s].title)
            out << QStringLiteral("- ") + a[s].title << QStringLiteral("+ ") + b[s].title;
        else if (!lines.isEmpty())
            out << a[s].title;
        out << lines;
    }
    return out;
}

#include "configlisting.h"

#include "numbertext.h"
#include "printabletext.h"
#include "seqtext.h"
#include "unitconfig.h"
#include "vocabulary.h"

#include <QStringList>

namespace {
QString withoutTrailingBlanks(QString line)
{
    while (line.endsWith(QLatin1Char(' ')))
        line.chop(1);
    return line;
}

QString latin1(const QByteArray& bytes) { return QString::fromLatin1(bytes); }

QString eventLine(const char* name, uint8_t info)
{
    return QStringLiteral("%1: %2, sequence %3")
        .arg(QLatin1String(name), InfoEnabled(info) ? QStringLiteral("on") : QStringLiteral("off"),
             TwoDigits(InfoSlot(info) + 1));
}

// A line whose key is its own text.
ListingLine plain(const QString& text)
{
    const QString shown = PrintableText(text);
    return {shown, shown.toLatin1()};
}

ListingSection settingsSection(const UnitConfig& config)
{
    return {QStringLiteral("Settings:"),
            {plain(QStringLiteral("Rings: %1").arg(config.Rings)),
             plain(QStringLiteral("Prefix character: %1 (%2)")
                       .arg(latin1(QByteArray(1, char(config.PrefixChar))))
                       .arg(config.PrefixChar)),
             plain(QStringLiteral("DTMF output duration: %1 s").arg(latin1(DTMFOutDurText(config.DTMFOutDur)))),
             plain(QStringLiteral("Inactivity timer: %1").arg(config.InactivityDur)),
             plain(QStringLiteral("Password: %1").arg(latin1(config.PassWord))),
             plain(eventLine("Disconnect", config.DisconnectInfo)),
             plain(eventLine("External status", config.ExtStatInfo)),
             plain(eventLine("Power on", config.PWRONInfo))}};
}

ListingSection optionsSection(const UnitConfig& config)
{
    ListingSection section{QStringLiteral("Options (%1 %2):")
                               .arg(config.Settings[0], 2, 16, QLatin1Char('0'))
                               .arg(config.Settings[1], 2, 16, QLatin1Char('0')),
                           {}};
    const QStringList& names = OptionNames();
    for (int k = 0; k < kOptionCount; ++k)
        section.lines << plain(QStringLiteral("%1: %2").arg(
            names.at(k), OptionOn(config, k) ? QStringLiteral("ON") : QStringLiteral("OFF")));
    return section;
}

ListingSection sequencesSection(const UnitConfig& config)
{
    ListingSection section{QStringLiteral("Sequences:"), {}};
    for (int i = 0; i < kSlotCount; ++i) {
        QByteArray contents = config.SeqContents[i];
        const QString text = PrintableText(withoutTrailingBlanks(
            QStringLiteral("%1 [%2] %3")
                .arg(TwoDigits(i + 1), latin1(config.SeqLabel[i]), GetENGSequenceFromUDT(contents, config.ASCIIStrings))));
        // GetENGSequenceFromUDT has stripped the filler from contents.
        section.lines << ListingLine{text, config.SeqLabel[i] + '\0' + contents};
    }
    return section;
}

// What the data file holds of each slot besides its actions and label.
ListingSection slotsSection(const UnitConfig& config)
{
    ListingSection section{QStringLiteral("Slots:"), {}};
    for (int i = 0; i < kSlotCount; ++i)
        section.lines << plain(QStringLiteral("%1 count %2, label length %3, label number %4, start address %5 %6")
                                   .arg(TwoDigits(i + 1))
                                   .arg(config.SeqContentsLen[i])
                                   .arg(config.SeqLabelLen[i])
                                   .arg(config.SeqLabelNum[i])
                                   .arg(config.SeqStartAddrHB[i], 2, 16, QLatin1Char('0'))
                                   .arg(config.SeqStartAddrLB[i], 2, 16, QLatin1Char('0')));
    return section;
}

ListingSection stringsSection(const UnitConfig& config)
{
    ListingSection section{PrintableText(QStringLiteral("ASCII strings (flag character %1):")
                                       .arg(latin1(QByteArray(1, char(config.ASCIIFlagChar))))),
                           {}};
    for (int i = 0; i < kSlotCount; ++i) {
        const QString text = latin1(config.ASCIIStrings[i]);
        section.lines << plain(TwoDigits(i + 1) + (text.isEmpty() ? QString() : QLatin1Char(' ') + text));
    }
    return section;
}
} // namespace

QList<ListingSection> ListingSections(const UnitConfig& config)
{
    return {settingsSection(config), optionsSection(config), sequencesSection(config),
            slotsSection(config), stringsSection(config)};
}

QString ConfigListing(const UnitConfig& config)
{
    QStringList out;
    for (const ListingSection& section : ListingSections(config)) {
        out << section.title;
        for (const ListingLine& line : section.lines)
            out << QStringLiteral("  ") + line.text;
    }
    return out.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

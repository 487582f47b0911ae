#include "configlisting.h"

#include "numbertext.h"
#include "seqtext.h"
#include "unitconfig.h"
#include "verification.h"
#include "vocabulary.h"

#include <QStringList>

namespace {
// Every byte of the file shows, and none reaches the terminal as a control
// character or escape sequence: bytes outside printable ASCII (line breaks
// inside a field included) are written as \xHH.
QString Escaped(const QString& line)
{
    QString out;
    for (const QChar c : line) {
        const ushort code = c.unicode();
        if (code >= 0x20 && code <= 0x7E)
            out += c;
        else
            out += QStringLiteral("\\x") + QString::number(code, 16).toUpper().rightJustified(2, QLatin1Char('0'));
    }
    return out;
}

QString withoutTrailingBlanks(QString line)
{
    while (line.endsWith(QLatin1Char(' ')))
        line.chop(1);
    return line;
}

QString eventLine(const char* name, uint8_t info)
{
    return QStringLiteral("  %1: %2, sequence %3")
        .arg(QLatin1String(name), InfoEnabled(info) ? QStringLiteral("on") : QStringLiteral("off"),
             TwoDigits(InfoSlot(info) + 1));
}
} // namespace

QString ConfigListing(const UnitConfig& config)
{
    QStringList out;
    out << QStringLiteral("Settings:")
        << QStringLiteral("  Rings: %1").arg(config.Rings)
        << QStringLiteral("  Prefix character: %1 (%2)")
               .arg(QString::fromLatin1(QByteArray(1, char(config.PrefixChar))))
               .arg(config.PrefixChar)
        << QStringLiteral("  DTMF output duration: %1 s")
               .arg(QString::fromLatin1(DTMFOutDurText(config.DTMFOutDur)))
        << QStringLiteral("  Inactivity timer: %1").arg(config.InactivityDur)
        << QStringLiteral("  Password: %1").arg(QString::fromLatin1(config.PassWord))
        << eventLine("Disconnect", config.DisconnectInfo)
        << eventLine("External status", config.ExtStatInfo)
        << eventLine("Power on", config.PWRONInfo)
        << QStringLiteral("Options (%1 %2):")
               .arg(config.Settings[0], 2, 16, QLatin1Char('0'))
               .arg(config.Settings[1], 2, 16, QLatin1Char('0'));
    const QStringList& names = OptionNames();
    for (int k = 0; k < kOptionCount; ++k)
        out << QStringLiteral("  %1: %2").arg(names.at(k),
                                             OptionOn(config, k) ? QStringLiteral("ON")
                                                                 : QStringLiteral("OFF"));
    out << QStringLiteral("Sequences:");
    for (int i = 0; i < kSlotCount; ++i) {
        QByteArray contents = config.SeqContents[i];
        out << withoutTrailingBlanks(QStringLiteral("  %1 [%2] %3")
                                         .arg(TwoDigits(i + 1),
                                              QString::fromLatin1(config.SeqLabel[i]),
                                              GetENGSequenceFromUDT(contents, config.ASCIIStrings)));
    }
    out << QStringLiteral("ASCII strings (flag character %1):")
               .arg(QString::fromLatin1(QByteArray(1, char(config.ASCIIFlagChar))));
    for (int i = 0; i < kSlotCount; ++i)
        out << withoutTrailingBlanks(QStringLiteral("  %1 %2").arg(
            TwoDigits(i + 1), QString::fromLatin1(config.ASCIIStrings[i])));
    for (QString& line : out)
        line = Escaped(line);
    return out.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

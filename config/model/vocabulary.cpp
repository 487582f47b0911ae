#include "vocabulary.h"

const QStringList& ActionNames()
{
    static const QStringList names =
        QStringLiteral("Send ASCII ,Output DTMF Tone ,Close Relay ,Open Relay ,Toggle Relay ,"
                       "Momentary Relay ,Timed Closure ,Timed Open ,Pause ,Jump Sequence ")
            .split(QLatin1Char(','));
    return names;
}

const QStringList& RelayNames()
{
    static const QStringList names =
        QStringLiteral("Telco Relay,Relay 1,Relay 2,Relay 3,Relay 4").split(QLatin1Char(','));
    return names;
}

const QStringList& DTMFToneNames()
{
    static const QStringList names =
        QStringLiteral("0,1,2,3,4,5,6,7,8,9,*,#,A,B,C,D,-").split(QLatin1Char(','));
    return names;
}

const QStringList& OptionNames()
{
    static const QStringList names =
        QStringLiteral("Simple mode|CR/LF|Inact Tmr|Auto-HangUp|Auto-Ans|Feedback|PW Check|"
                       "Reserved|Reserved|Ser2DTMF|DTMF2Ser|Ser Echo")
            .split(QLatin1Char('|'));
    return names;
}

const QStringList& OptionCommands()
{
    static const QStringList commands =
        QStringLiteral("jmd|jcr|jtm|jah|jaa|jst|jpw|||jsd|jds|jse").split(QLatin1Char('|'));
    return commands;
}

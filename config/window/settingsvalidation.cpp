#include "settingsvalidation.h"

#include "binaryutils.h"

#include <QLocale>
#include <cmath>

const NumericField& RingsField()
{
    static const NumericField f{
        QStringLiteral("Invalid rings number (must be between 0 and 255)."), QStringLiteral("1"),
        255, QStringLiteral("255"), QStringLiteral("Number of rings must be between 0 and 255."), 1};
    return f;
}

const NumericField& InactivityField()
{
    static const NumericField f{
        QStringLiteral("Invalid Inactivity number (must be between 0 and 255)."),
        QStringLiteral("3"), 255, QStringLiteral("255"), QString(), 1};
    return f;
}

const NumericField& DTMFDurationField()
{
    static const NumericField f{
        QStringLiteral("Invalid DTMF duration (must be between 0.00 and 12.75)."),
        QStringLiteral("0.25"), 12.75, QStringLiteral("12.75"),
        QStringLiteral("DTMF duration must be between 0.00 and 12.75."), 0.05};
    return f;
}

static QString NumberText(double v)
{
    return QLocale::system().toString(v, 'g', 15);
}

NumericCheck CheckNumericBox(const QString& text, double stored, const NumericField& field)
{
    NumericCheck out;
    if (text.isEmpty())
        return out;
    out.act = true;
    double boxValue = 0;
    if (!ParseUserNumber(text, &boxValue)) {
        out.status = field.invalidMessage;
        out.text = field.resetText;
        ParseUserNumber(field.resetText, &boxValue);
    } else {
        boxValue = std::fabs(boxValue);
        out.text = NumberText(boxValue);
        if (boxValue > field.maximum) {
            out.status = field.rangeMessage;
            out.text = field.maximumText;
            return out;
        }
    }
    if (field.stepSize == 1) {
        if (boxValue != stored) {
            out.store = true;
            out.value = RoundHalfEven(boxValue);
        }
    } else {
        // Whole steps, rounded once here: the unit and the data file then
        // hold the same value, and the box shows it.
        const double steps = RoundHalfEven(double(float(boxValue) / float(field.stepSize)));
        out.text = QLocale::system().toString(steps * field.stepSize, 'f', 2);
        if (steps != stored) {
            out.store = true;
            out.value = steps;
        }
    }
    return out;
}

QByteArray PasswordField(const QByteArray& text)
{
    return text.left(4).leftJustified(4, ' ');
}

#include "feedbackreader.h"

namespace {
// 1-based search from a 1-based start; true when found.
bool FoundFrom(const QString& text, int start, const QString& what)
{
    return text.indexOf(what, start - 1, Qt::CaseSensitive) >= 0;
}
} // namespace

FeedbackReading ReadFeedback(const QString& text, int& scanPosition,
                             const QStringList& optionNames)
{
    FeedbackReading out;
    if (scanPosition > text.size())
        scanPosition = int(text.size());
    if (scanPosition < 1)
        scanPosition = 1;

    out.resetDetected = FoundFrom(text, scanPosition, QStringLiteral("Reset..."));

    if (FoundFrom(text, scanPosition, QStringLiteral("OFF")))
        out.on = false;
    else if (FoundFrom(text, scanPosition, QStringLiteral("ON")))
        out.on = true;
    else
        return out;

    for (int i = 0; i < optionNames.size(); ++i) {
        if (FoundFrom(text, scanPosition, optionNames[i])) {
            out.option = i;
            scanPosition = int(text.size());
            break;
        }
    }
    return out;
}

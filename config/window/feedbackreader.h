#pragma once
#include <QString>
#include <QStringList>

// Reads the unit's answers to option commands out of the terminal text:
// "Reset..." and, after the last text already read, an option name with
// "ON" or "OFF" ("Ser Echo ON"). Searches are case-sensitive.
struct FeedbackReading {
    bool resetDetected = false;
    int option = -1;     // the option the reply names, -1 for none
    bool on = false;     // "OFF" wins when both occur
};

// scanPosition is 1-based, as the terminal text was always searched. It is
// clamped to the text and moved to the end of the text once a reply has
// been read; otherwise it stays, so the text is searched again when more
// arrives.
FeedbackReading ReadFeedback(const QString& terminalText, int& scanPosition,
                             const QStringList& optionNames);

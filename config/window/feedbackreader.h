#pragma once
#include <QString>
#include <QStringList>

#include <vector>

// Reads the unit's answers to option commands out of the terminal text:
// "Reset..." and, after the last text already read, an option name with
// "ON" or "OFF" ("Ser Echo ON"). Searches are case-sensitive.
struct FeedbackReading {
    bool resetDetected = false;
    int option = -1;     // the option the reply names, -1 for none
    bool on = false;     // "OFF" wins when both occur
};

// Takes the terminal text as it arrives and looks only at text it has not
// seen, so an arrival costs the same however long the terminal runs. What
// it keeps of older text: which of the words it looks for occurred since
// the last reply was read, and the last few characters, so that a word
// split between two arrivals is still found. Reading a reply starts the
// text to search anew from the reply's last character, as the whole
// terminal text was once searched from that position.
class FeedbackScanner {
public:
    explicit FeedbackScanner(QStringList optionNames);

    // The text just added to the terminal; returns what the text since the
    // last reply holds now.
    FeedbackReading take(const QString& added);
    // The terminal was cleared: nothing read before is read again.
    void clear();

private:
    void look(const QString& text);

    QStringList names_;
    qsizetype overlap_ = 0;      // longest word less one
    QString tail_;               // the last overlap_ characters searched
    bool reset_ = false;
    bool off_ = false;
    bool on_ = false;
    std::vector<bool> named_;    // option i's name occurred
};

#pragma once
#include <QByteArray>
#include <QList>
#include <QString>

struct UnitConfig;

// A readable listing of every field of a configuration: settings, options
// by name, the three events, each sequence as "01 [LBL] actions", what else
// each slot holds (action count, label length and number, start address)
// and the ASCII strings. Every byte shows: bytes outside printable ASCII,
// and blanks that end a line, are written as \xHH, so no field reaches a
// terminal as a control character and none goes unseen.

// One line of a listing and the data it shows: two listings differ where
// their keys differ (a sequence line also shows the text of the strings it
// sends, which is no part of the sequence).
struct ListingLine {
    QString text;
    QByteArray key;
};

struct ListingSection {
    QString title;   // "Settings:", "Options (ff fe):" ...
    QList<ListingLine> lines;
};

// The listing in sections; every configuration gives the same sections
// with the same number of lines.
QList<ListingSection> ListingSections(const UnitConfig& config);

// The whole listing as text: each title, then its lines indented by two
// blanks, one per line.
QString ConfigListing(const UnitConfig& config);

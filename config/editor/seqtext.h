#pragma once
#include "unitconfig.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>

// The two text forms of a sequence: one line for the sequence list, one
// row per action for the action editor, and the way back from rows to bytes.

constexpr int kActionRows = 15;          // rows of the action editor
constexpr uint8_t kFillerByte = 0xFF;    // unit memory filler, never an action byte

// The sequence being edited: its encoded actions and their number.
struct TempSeq {
    QByteArray Contents;
    int16_t ActionCount = 0;
};

// One action as split from a byte string, ready for Action2English.
struct SplitAction {
    uint8_t code = 0;
    int p1 = 0;
    int p2 = 0;
};

// Splits encoded actions; a string of fewer than two bytes holds none.
// Codes 6 and 7 take a second parameter (0 when the string ends early); a
// last action that lacks its first parameter gets 0 as well.
QList<SplitAction> SplitActions(const QByteArray& seq);

// The text of each action of seq, in order; Send ASCII actions show their
// entry of strings.
QStringList ActionTexts(const QByteArray& seq, const AsciiStringList& strings);

// The one-line form: actions joined by ", ". Strips trailing filler from
// the caller's variable, so a model entry is left without it.
QString GetENGSequenceFromUDT(QByteArray& seq, const AsciiStringList& strings);

// Rebuilds the bytes from the action rows; blank rows are skipped.
TempSeq UpdateTempSequence(const QStringList& rowTexts, const AsciiStringList& strings);

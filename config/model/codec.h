#pragma once
#include "textforms.h"
#include "unitconfig.h"
#include "vocabulary.h"

#include <QByteArray>
#include <QString>
#include <cstdint>

// The action codec: an action is a code byte and one parameter byte, two for
// the timed relay actions; its text form is one line of English such as
//   Close Relay 'Relay 2'   Timed Closure 'Telco Relay' for '01.400' sec(s)
//   Pause '00.600' sec(s)   Jump Sequence '05'
// Durations count 200 ms steps. Errors are logged, never thrown.

enum ActionCode : uint8_t {
    SendASCII = 0,
    OutputDTMFTone = 1,
    CloseRelay = 2,
    OpenRelay = 3,
    ToggleRelay = 4,
    MomentaryRelay = 5,
    TimedClosure = 6,
    TimedOpen = 7,
    Pause = 8,
    JumpSequence = 9,
};
constexpr int kActionCodeCount = 10;
// A jump's parameter is the target sequence number plus this.
constexpr int kJumpOffset = 12;

// Bytes of one action with this code: 3 for the timed actions, else 2.
int ActionByteCount(uint8_t code);

// The text form; empty for a code without a name or a parameter outside its
// list (ASCII string above 19, tone above 16, relay above 4). p2 is read only
// by the timed actions. A Send ASCII action shows its entry of strings as
// held.
QString Action2English(const AsciiStringList& strings, uint8_t code, int p1, int p2 = 0);

// The action bytes of a text form line. A line without an action name gives
// no bytes; a missing or unknown quoted value is logged and taken as 0, so a
// named action always gives its full ActionByteCount bytes. A Send ASCII
// line names its string by its text in strings (any letter case).
QByteArray English2Action(const AsciiStringList& strings, const QString& text);

// "SS.mmm" for a count of 200 ms steps ("01.400" for 7).
QString DurationText(int steps);
// Duration text to 200 ms steps; the digits after "." count milliseconds as
// written ("1.3" is 1003 ms). More than 255 steps is logged and gives 0.
uint8_t PauseStr2Byte(const QString& text);

// Index of the relay with exactly this name, 0 when there is none.
int RelayIndex(const QString& name);

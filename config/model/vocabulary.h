#pragma once
#include <QStringList>

// The fixed name lists of the program, built once; their order gives the
// codes (option number, action code, tone index, relay index).

// "Send ASCII " .. "Jump Sequence ": every name keeps its trailing blank,
// which is part of an action's text form.
const QStringList& ActionNames();
// "Telco Relay", "Relay 1" .. "Relay 4".
const QStringList& RelayNames();
// "0".."9", "*", "#", "A".."D", "-".
const QStringList& DTMFToneNames();
// Short names of the twelve options, "Simple mode" .. "Ser Echo".
const QStringList& OptionNames();
// The unit command that toggles each option ("jmd" ..); empty for the two
// reserved options, which have none.
const QStringList& OptionCommands();

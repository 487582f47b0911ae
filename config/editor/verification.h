#pragma once
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>

struct UnitConfig;

// Checks run before a configuration is saved or written to the unit, and
// after a label edit: labels unique, no endless chain of jumps. They read
// the texts shown in the sequence list, not the model's bytes.

constexpr int kSequenceRows = 20;

// Where each sequence jumps (slot, -1 for none) and which slots the last
// walk passed; after a failed check Visited marks the failing walk.
struct JumpTables {
    std::array<int16_t, kSequenceRows> JumpTo{};
    std::array<bool, kSequenceRows> Visited{};
};

// The label and sequence-line columns of the sequence list, row 1 first.
struct SequenceTexts {
    QStringList labels;
    QStringList lines;
};

// The list texts that the window would show for config (labels upper case,
// one line per sequence), for callers without a window.
SequenceTexts SequenceListTexts(const UnitConfig& config);

// True when the configuration passes. The label check always runs; the
// jump check only with checkJumps. Failures are told in a message box.
bool VerifyInformation(const QStringList& labels, const QStringList& lines, bool checkJumps,
                       JumpTables& tables);
bool VerifyInformation(const QStringList& labels, const QStringList& lines, bool checkJumps);

// Fills tables.JumpTo from the sequence lines (first jump of each line).
void ExtractJumps(const QStringList& lines, JumpTables& tables);

// Walks the jump chain from slot; false when it comes back to a slot it passed.
bool FollowJumps(JumpTables& tables, int slot);

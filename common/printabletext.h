#pragma once
#include <QString>

// Text from a file or a unit made fit for a terminal and for the eye: every
// character outside printable ASCII (line breaks and escapes included), and
// the blanks that end the text, written as \xHH, so that no byte acts on
// the terminal and none goes unseen.
QString PrintableText(const QString& text);

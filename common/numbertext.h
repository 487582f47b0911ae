#pragma once
#include <QString>

// Numbers in text, read and written the one way both programs use.

// The leading number of a text, as a typed number is read: blanks anywhere
// are ignored, an optional sign, digits with an optional fraction and
// exponent; reading stops at the first character that cannot continue the
// number ("12ab" is 12, " 1 5" is 15, "1.5e2x" is 150); no number is 0.
double LeadingNumber(const QString& text);

// The whole text (blanks around it allowed) as a number written with the
// user's decimal point or with "."; false when it is not one.
bool ParseUserNumber(const QString& text, double* value);

// A whole number with at least width digits, the sign in front ("007",
// "-05").
QString ZeroPadded(int value, int width);
// Two digits at least: how sequences and ASCII strings are numbered for the
// user, "01" .. "20".
QString TwoDigits(int value);

#pragma once
#include "numbertext.h"

#include <QString>

// The checks the settings panel runs when the user leaves one of its boxes.
// They only compute; the panel shows the texts and stores the values.

// One numeric box: its messages, the text it falls back to and its range.
struct NumericField {
    QString invalidMessage;   // the text is not a number
    QString resetText;        // what the box shows instead
    double maximum;
    QString maximumText;
    QString rangeMessage;     // above the maximum (empty: no message)
    double stepSize;          // box units per stored step (1, or 0.05 s)
};

const NumericField& RingsField();
const NumericField& InactivityField();
const NumericField& DTMFDurationField();

struct NumericCheck {
    bool act = false;     // false for an empty box: nothing happens
    QString text;         // the corrected box text
    QString status;       // for the status line; empty for none
    bool store = false;   // the value differs from the stored field
    double value = 0;     // what to store, in stored steps
};

// stored: the field's current value in stored steps.
NumericCheck CheckNumericBox(const QString& text, double stored, const NumericField& field);

// The password field as the unit holds it: cut or padded with blanks to 4.
QByteArray PasswordField(const QByteArray& text);

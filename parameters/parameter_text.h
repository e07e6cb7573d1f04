// How a parameter and its values are written for people: its label, a value
// as the panel shows it ("+2.4 dB", "On", "Type 2"), as a screen reader says
// it, as a tooltip describes it, as the user types it, and what to say when a
// typed value lies outside the range. The panel and the command line both
// write values this way.
#pragma once

#include "parameters/parameter_table.h"

#include <QString>

namespace parameters {

// The label on the module's card, and the name on its own ("Preamp volume").
QString label(const Parameter &p);
QString fullLabel(const Parameter &p);
QString groupTitle(const Group &g);
// The names of a Choice parameter's positions (empty for the others).
QStringList choiceNames(const Parameter &p);

// "+3 dB", "+2.4 dB", "75", "On", "Type 2".
QString text(const Parameter &p, int value);
// The same as a screen reader says it: a plain level with its range ("33 of 100").
QString spokenText(const Parameter &p, int value);
// The value in words for a tooltip: what a shift means, the device value of a gain.
QString describe(const Parameter &p, int value);
// The value as the user types it: in dB for a gain, else the number.
QString editText(const Parameter &p, int value);
// "0 to 100", "-12 dB to +12 dB", "Type 1 to Type 4".
QString rangeText(const Parameter &p);

// A typed value (as editText gives it; a unit may follow): the value it
// stands for, not yet brought into the range. False when it is not a number.
bool parseTyped(const Parameter &p, const QString &typed, int *value);
// What to say of a typed value the range limited: "Mid goes from -12 dB to
// +12 dB: set to -12 dB."; empty when it was in the range or no number.
QString limitNote(const Parameter &p, const QString &typed);

} // namespace parameters

// The 43 status positions as the tests state them: the name the panel
// publishes and sets, the upper-case alias, whether the byte is signed, the
// device command word and the control's range. Written out here rather than
// taken from the program's own table, so that the two can disagree.
#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

namespace statusnames {

enum class Range { Level, Flag, Type, Signed };

struct StatusName {
    int position;
    const char *name;
    const char *alias;   // published alias, or nullptr
    const char *command; // command word with its band, e.g. "mv", "eqf 0"
    Range range;
};

const QVector<StatusName> &statusNames();

// Upper-case names that set a parameter without marking the preset edited,
// with the position each one writes (the published alias "on_POWERAMP" is
// not among them; "on_PARAMETRIC_EQ" is, though it is never published).
struct SettableAlias {
    const char *alias;
    int position;
};
const QVector<SettableAlias> &settableAliases();

// The value a position publishes for a status byte: signed positions as the
// byte's two's complement.
int publishedValue(int position, quint8 byte);

// A byte inside the control's range, chosen by `variant` (0: lowest, 1:
// highest, other: spread over the range).
quint8 valueInRange(int position, int variant);

// The parameter command the device should receive for a position and byte.
QByteArray parameterCommand(int position, quint8 byte);

} // namespace statusnames

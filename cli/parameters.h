// The current preset's parameters as the command line reads and sets them:
// their names (any the parameter table knows: the value names, the
// protocol's aliases, the plain spellings), device values decoded from a
// status block, and the value as the panel shows it, with its label.
#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

namespace parameters {
struct Parameter;
}

namespace cli {

struct ParameterValue {
    QString name;
    QString label; // as the panel names it: "Preamp volume"
    int value = 0; // the device value; signed parameters from -128 to 127
    QString shown; // as the panel shows it: "+3 dB", "On", "Type 2"
    QString unit;  // "dB", or empty
};

// Every parameter of `statusText` (86 hex digits), in the table's order of
// names; empty when the text is not a status block.
QVector<ParameterValue> decodeParameters(const QByteArray &statusText);

// The preset parameter a script names (any of its names), or nullptr.
const parameters::Parameter *findParameter(const QString &name);

// "name=value" checked against the table: the name and the device byte
// setValue takes. False with `error` in plain words.
bool parseAssignment(const QString &text, QString *name, unsigned char *value, QString *error);

} // namespace cli

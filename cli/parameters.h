// The current preset's parameters as the command line reads and sets them:
// the names setValue takes (the status table's), their device values decoded
// from a status block, and the shown value with its unit where the panel
// shows one. The panel keeps its labels and units in its document (Params.qml);
// the few the command line shows are stated here once.
#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

namespace cli {

struct ParameterValue {
    QString name;
    int value = 0; // the device value; signed parameters from -128 to 127
    QString shown; // as the panel shows it, or empty
    QString unit;  // "dB", or empty
};

// Every parameter of `statusText` (86 hex digits), in the table's order of
// names; empty when the text is not a status block.
QVector<ParameterValue> decodeParameters(const QByteArray &statusText);

// "name=value" checked against the table: the name and the device byte
// setValue takes. False with `error` in plain words.
bool parseAssignment(const QString &text, QString *name, unsigned char *value, QString *error);

} // namespace cli

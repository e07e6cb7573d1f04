// The command line as given: the global options, the command and its
// arguments, checked for form before anything reaches the device. Pure, so
// the usage errors can be tested without a device.
#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

namespace cli {

struct Options {
    QString port; // --port PATH; empty: found as the panel finds it
    bool json = false;
    bool quiet = false;
    int timeoutSeconds = 10; // how long the device may stay silent
    bool save = false;       // set, impulse load: store afterwards
    bool yes = false;        // restore, import: do not ask
    bool discard = false;    // preset: unsaved changes may go
    QVector<int> presets;    // restore --presets: empty for all
    bool verbose = false;    // the exchanges with the device on standard error
    bool help = false;       // -h, --help, "help [COMMAND]", "COMMAND --help"
    QString helpTopic;       // the command help was asked about; empty: all
    bool version = false;    // -V, --version

    QString command;  // "ports", "info", ..., "impulse load", "impulse convert"
    QStringList args; // the command's own arguments
};

// Parses `arguments` (without the program name). On a usage error returns
// false with `error`: one sentence naming what was wrong.
bool parse(const QStringList &arguments, Options *options, QString *error);

// The command's file arguments (and a port given as a relative path) made
// absolute against `folder`, so the run may change its working folder; "-"
// (standard output) stays as it is.
void resolvePaths(Options *options, const QString &folder);

} // namespace cli

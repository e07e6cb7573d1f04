// The command line as given: the global options, the command and its
// arguments, checked for form before anything reaches the device. Pure, so
// the usage errors can be tested without a device.
#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

namespace cli {

// The exit codes every command ends with.
enum Exit { Done = 0, DeviceFailed = 1, Usage = 2, FileRefused = 3 };

struct Options {
    QString port; // --port PATH; empty: found as the panel finds it
    bool json = false;
    bool quiet = false;
    int timeoutSeconds = 5; // how long the device may stay silent
    bool save = false;      // set, impulse load: store afterwards
    bool yes = false;       // restore, import: do not ask
    QVector<int> presets;   // restore --presets: empty for all
    bool verbose = false;   // the serial log on standard error
    bool help = false;
    bool version = false;

    QString command;  // "ports", "info", ..., "impulse load", "impulse convert"
    QStringList args; // the command's own arguments
};

// Parses `arguments` (without the program name). On a usage error returns
// false with `error` in plain words.
bool parse(const QStringList &arguments, Options *options, QString *error);

// The command's file arguments (and a port given as a relative path) made
// absolute against `folder`, so the run may change its working folder.
void resolvePaths(Options *options, const QString &folder);

// "0-9,23" as preset numbers, ascending, without repeats; false when the
// text is not such a list.
bool parsePresetList(const QString &text, QVector<int> *numbers);

// The usage text printed by --help and after a usage error.
QString usage();

} // namespace cli

// How a run of vortaxa-cli ends: the exit codes the manual page lists, and
// what a command reports when it ends.
#pragma once

#include <QJsonObject>
#include <QString>

namespace cli {

enum Exit {
    Done = 0,
    DeviceFailed = 1,  // not found, silent, refused, or a question not answered yes
    Usage = 2,         // the command line is wrong, or a value is outside the device's range
    FileRefused = 3,   // a file cannot be read or written (standard output too), or does not fit
    HungUp = 129,      // SIGHUP
    Interrupted = 130, // SIGINT (Ctrl+C)
    Terminated = 143,  // SIGTERM
};

// The exit code of a run a signal ended: 128 and the signal's number.
constexpr int exitForSignal(int signal)
{
    return 128 + signal;
}

// A command's end: the exit code, the message in words (standard error) and
// what the JSON document adds to it.
struct Outcome {
    int code = Done;
    QString message;
    QJsonObject details;
};

} // namespace cli

// One run of vortaxa-cli: the options, the engine, the output and the
// device every command uses, the command itself, and how the run ends.
//
// A run starts the command's checks (no device yet), opens the device when
// the command needs one, and starts its work. It ends once, with succeed()
// or fail(): the message on standard error, with --json one document on
// standard output ({"ok": false, "error", "code"} on failure), and the exit
// code; a failed write to standard output turns a success into exit 3.
//
// Signals arrive from the event loop (main.cpp): the first Ctrl+C asks the
// command to stop at its next boundary; a second one, SIGTERM and SIGHUP end
// the run at once with what the command did so far.
#pragma once

#include "cli/options.h"
#include "cli/outcome.h"

#include <QJsonValue>
#include <QObject>
#include <memory>

class Engine;

namespace cli {

class Command;
class Device;
class ExchangeLog;
class Output;

class Run : public QObject {
    Q_OBJECT

public:
    Run(const Options &options, Engine &engine, Output &output);
    ~Run() override;

    const Options &options() const { return opts; }
    Engine &engine() { return eng; }
    Output &out() { return output; }
    Device &device() { return *dev; }

    void start();
    // The command succeeded: `message` (may be empty) on standard error,
    // `document` with --json.
    void succeed(const QString &message, const QJsonValue &document);
    void fail(int code, const QString &message, const QJsonObject &details = QJsonObject());
    void fail(const Outcome &outcome) { fail(outcome.code, outcome.message, outcome.details); }
    bool finished() const { return ended; }

    // A signal reached the program (SIGINT, SIGTERM, SIGHUP).
    void signalled(int signal);

    enum class Answer { Yes, No, NoTerminal, Interrupted };
    // Asks `question` on the terminal (yes with --yes); the device's
    // silence is not counted meanwhile.
    Answer ask(const QString &question);

private:
    void exitWith(int code);

    Options opts;
    Engine &eng;
    Output &output;
    std::unique_ptr<Device> dev;
    std::unique_ptr<ExchangeLog> log;
    std::unique_ptr<Command> command;
    bool ended = false;
    bool stopAsked = false;
    bool deviceOpened = false; // a usage error before it ends with the pointer to --help
};

} // namespace cli

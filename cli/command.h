// A command of vortaxa-cli: what it checks before the device is reached,
// what it does once the device is open, and how it stops on a signal. The
// commands are grouped by kind: reading (reading_commands.cpp), writing
// (writing_commands.cpp), the library walks (library_commands.cpp) and the
// impulse commands (impulse_commands.cpp).
#pragma once

#include "cli/outcome.h"

#include <QObject>
#include <functional>
#include <memory>

namespace cli {

class Run;

class Command : public QObject {
    Q_OBJECT

public:
    using Step = std::function<void()>;

    explicit Command(Run &run) : run(run) {}

    // Checks that need no device (arguments, files); false once it has
    // ended the run.
    virtual bool check() { return true; }
    // The work; the device is open when the command needs one. It ends
    // the run through Run::succeed or Run::fail.
    virtual void start() = 0;
    // The first Ctrl+C: whether the command can stop at its next boundary
    // (between presets) and end the run itself then; stopSoon() asks it to.
    virtual bool stopsSoftly() const { return false; }
    virtual void stopSoon() {}
    // The run ends at once (a second Ctrl+C, SIGTERM, SIGHUP): what the
    // outcome says of what was done and where it stopped.
    virtual Outcome stoppedNow() const { return Outcome(); }

protected:
    // Stores the current preset (the session's save, followed to the
    // device's acknowledgement); then `then`, else the run fails.
    void storePreset(const Step &then);

    Run &run;
};

// The command named `name` for `run`; null for none. Each group makes its own.
std::unique_ptr<Command> makeCommand(const QString &name, Run &run);
std::unique_ptr<Command> makeReadingCommand(const QString &name, Run &run);
std::unique_ptr<Command> makeWritingCommand(const QString &name, Run &run);
std::unique_ptr<Command> makeLibraryCommand(const QString &name, Run &run);
std::unique_ptr<Command> makeImpulseCommand(const QString &name, Run &run);

// Success documents of the commands that act: {"ok": true, ...fields}.
QJsonObject okDocument(QJsonObject fields = QJsonObject());

} // namespace cli

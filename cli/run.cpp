// Starting a command, ending the run, and the signals.
#include "cli/run.h"

#include "cli/command.h"
#include "cli/command_table.h"
#include "cli/device.h"
#include "cli/engine.h"
#include "cli/exchange_log.h"
#include "cli/output.h"
#include "cli/usage.h"
#include "link/link.h"

#include <QCoreApplication>
#include <QJsonObject>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace cli {

Run::Run(const Options &options, Engine &engine, Output &output)
    : opts(options), eng(engine), output(output), dev(std::make_unique<Device>(engine, opts))
{
    if (opts.verbose)
        log = std::make_unique<ExchangeLog>(engine.link());
    connect(dev.get(), &Device::failed, this,
            [this](int code, const QString &message) { fail(code, message); });
}

Run::~Run() = default;

void Run::start()
{
    command = makeCommand(opts.command, *this);
    const CommandInfo *info = findCommand(opts.command);
    if (!command || !info)
        return fail(Usage, QStringLiteral("Unknown command \u201c%1\u201d.").arg(opts.command));
    if (!command->check() || ended)
        return;
    if (!info->device)
        return command->start();
    deviceOpened = true;
    dev->open([this] {
        if (!ended)
            command->start();
    });
}

void Run::succeed(const QString &message, const QJsonValue &document)
{
    if (ended)
        return;
    if (log)
        log->flush();
    if (!message.isEmpty())
        output.message(message);
    if (output.json() && !document.isUndefined())
        output.document(document);
    exitWith(Done);
}

void Run::fail(int code, const QString &message, const QJsonObject &details)
{
    if (ended)
        return;
    if (log)
        log->flush();
    // A usage error found before the device was reached reads as the
    // parser's do: what was wrong, then where help is.
    output.error(code == Usage && !deviceOpened ? message + QLatin1Char('\n') + tryHelp()
                                                : message);
    if (output.json()) {
        QJsonObject doc = details;
        doc.insert(QStringLiteral("ok"), false);
        doc.insert(QStringLiteral("error"), message);
        doc.insert(QStringLiteral("code"), code);
        output.document(doc);
    }
    exitWith(code);
}

void Run::exitWith(int code)
{
    ended = true;
    output.endProgress();
    // A command that failed has said why; a success that could not be
    // written out is a failure.
    const QString problem = output.outputProblem();
    if (!problem.isEmpty() && code == Done) {
        output.error(problem);
        code = FileRefused;
    }
    QCoreApplication::exit(code);
}

void Run::signalled(int signal)
{
    if (ended)
        return;
    if (signal == SIGINT && !stopAsked && command && command->stopsSoftly()) {
        stopAsked = true;
        output.message(QStringLiteral("Stopping after the current preset; Ctrl+C again stops at "
                                      "once."));
        command->stopSoon(); // may end the run at once (a restore that was asking)
        return;
    }
    Outcome outcome = command ? command->stoppedNow() : Outcome();
    if (outcome.message.isEmpty())
        outcome.message = QStringLiteral("Stopped.");
    fail(exitForSignal(signal), outcome.message, outcome.details);
}

Run::Answer Run::ask(const QString &question)
{
    if (opts.yes)
        return Answer::Yes;
    if (!isatty(STDIN_FILENO) || !output.terminal())
        return Answer::NoTerminal;
    output.endProgress();
    fprintf(stderr, "%s [y/N] ", question.toLocal8Bit().constData());
    fflush(stderr);
    dev->holdWatch(true);
    char line[64] = {};
    errno = 0;
    const bool read = fgets(line, sizeof line, stdin) != nullptr;
    const bool interrupted = !read && errno == EINTR;
    dev->holdWatch(false);
    if (interrupted) {
        fputs("\n", stderr);
        return Answer::Interrupted; // the signal is on its way through the event loop
    }
    return read && (line[0] == 'y' || line[0] == 'Y') ? Answer::Yes : Answer::No;
}

} // namespace cli

// vortaxa-cli: the device from scripts and machines without a screen. Parses
// the command line, answers help and version itself, and otherwise runs one
// command on the event loop. Signals reach the run through a pipe, so they
// act between events.
#include "base/log_categories.h"
#include "cli/command_table.h"
#include "cli/engine.h"
#include "cli/options.h"
#include "cli/output.h"
#include "cli/run.h"
#include "cli/usage.h"

#include <QCoreApplication>
#include <QDir>
#include <QJsonObject>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int signal)
{
    const char number = char(signal);
    [[maybe_unused]] const ssize_t n = write(signalPipe[1], &number, 1);
}

// SIGINT, SIGTERM and SIGHUP go to the run from the event loop. They do not
// restart system calls, so a question waiting for an answer ends at once.
void catchSignals(cli::Run &run, QCoreApplication &app)
{
    if (pipe(signalPipe) != 0)
        return;
    auto *notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &run, [&run] {
        char number = 0;
        if (read(signalPipe[0], &number, 1) == 1)
            run.signalled(number);
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    for (int s : {SIGINT, SIGTERM, SIGHUP})
        sigaction(s, &action, nullptr);
}

// Help, the version, or a usage error: printed, with the exit code.
int answerAlone(const cli::Options &options, const QString &error)
{
    cli::Output out(options.quiet, options.json);
    if (!error.isEmpty()) {
        out.error(error + QLatin1Char('\n') + cli::tryHelp());
        if (options.json)
            out.document(QJsonObject{{"ok", false}, {"error", error}, {"code", cli::Usage}});
        return cli::Usage;
    }
    const cli::CommandInfo *topic = cli::findCommand(options.helpTopic);
    const QString text = options.help ? (topic ? cli::commandHelp(*topic) : cli::usage())
                                      : QStringLiteral("vortaxa-cli %1\n").arg(VORTAXA_VERSION);
    if (options.json)
        out.document(QJsonObject{{"ok", true}, {options.help ? "help" : "version", text}});
    else
        out.result(text);
    const QString problem = out.outputProblem();
    if (!problem.isEmpty())
        out.error(problem);
    return problem.isEmpty() ? cli::Done : cli::FileRefused;
}

} // namespace

int main(int argc, char *argv[])
{
    // A closed pipe on standard output is a failed write, said and ended
    // with its exit code, not a silent death.
    signal(SIGPIPE, SIG_IGN);
    QCoreApplication app(argc, argv);
    // The panel's names, so the data folder (the safety copies) is the same.
    app.setOrganizationName(QStringLiteral("OLK"));
    app.setApplicationName(QStringLiteral("Vortaxa"));
    app.setApplicationVersion(QStringLiteral(VORTAXA_VERSION));

    cli::Options options;
    QString error;
    const QStringList arguments = app.arguments().mid(1);
    const bool parsed = cli::parse(arguments, &options, &error);
    if (!parsed)
        options.json = arguments.contains(QStringLiteral("--json"));
    if (!parsed || options.help || options.version)
        return answerAlone(options, error);

    // As the panel does, the run works in the data folder: the back end
    // writes a copy of the last stored impulse beside itself, which must not
    // land in the folder the command was started from.
    cli::resolvePaths(&options, QDir::currentPath());
    const QString dataFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (QDir().mkpath(dataFolder))
        QDir::setCurrent(dataFolder);

    // The raw serial log stays off (QT_LOGGING_RULES can still switch it
    // on); --verbose shows the exchanges readably instead.
    logCategories::setDebugLines(false);
    cli::Output output(options.quiet, options.json);
    Engine engine;
    cli::Run run(options, engine, output);
    catchSignals(run, app);
    QTimer::singleShot(0, &run, &cli::Run::start);
    return app.exec();
}

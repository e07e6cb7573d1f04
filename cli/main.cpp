// vortaxa-cli: the device from scripts and machines without a screen. Parses
// the command line, makes the engine and runs one command on the event loop.
// Ctrl+C reaches the command through a pipe, so it acts between events.
#include "cli/commands.h"
#include "cli/engine.h"
#include "cli/options.h"
#include "cli/output.h"
#include "core/log_categories.h"

#include <QCoreApplication>
#include <QDir>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

int interruptPipe[2] = {-1, -1};

void onInterrupt(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = write(interruptPipe[1], &byte, 1);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // The panel's names, so the settings (the remembered port) are the same.
    app.setOrganizationName(QStringLiteral("OLK"));
    app.setApplicationName(QStringLiteral("Vortaxa"));
    app.setApplicationVersion(QStringLiteral(VORTAXA_VERSION));

    cli::Options options;
    QString error;
    if (!cli::parse(app.arguments().mid(1), &options, &error)) {
        fprintf(stderr, "%s\n\n%s", qPrintable(error), qPrintable(cli::usage()));
        return cli::Usage;
    }
    if (options.help) {
        fputs(qPrintable(cli::usage()), stdout);
        return cli::Done;
    }
    if (options.version) {
        printf("vortaxa-cli %s\n", VORTAXA_VERSION);
        return cli::Done;
    }

    // As the panel does, the run works in the data folder: the back end
    // writes a copy of the last stored impulse beside itself, which must not
    // land in the folder the command was started from.
    cli::resolvePaths(&options, QDir::currentPath());
    const QString dataFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (QDir().mkpath(dataFolder))
        QDir::setCurrent(dataFolder);

    logCategories::setDebugLines(options.verbose);
    cli::Output output(options.quiet);
    Engine engine;
    cli::Commands commands(options, engine, output);

    if (pipe(interruptPipe) == 0) {
        auto *notifier = new QSocketNotifier(interruptPipe[0], QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, &commands, [&commands] {
            char byte = 0;
            [[maybe_unused]] const ssize_t n = read(interruptPipe[0], &byte, 1);
            commands.interrupt();
        });
        struct sigaction action = {};
        action.sa_handler = onInterrupt;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, nullptr);
        sigaction(SIGTERM, &action, nullptr);
    }

    QTimer::singleShot(0, &commands, &cli::Commands::start);
    return app.exec();
}

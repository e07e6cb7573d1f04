// The help texts, made from the table of commands.
#include "cli/usage.h"

#include "cli/command_table.h"

#include <QStringList>

namespace cli {
namespace {

const char *const globalOptions =
    "Options (anywhere on the line):\n"
    "  --port PATH        the device's serial port (else found as the panel finds it,\n"
    "                     else the port the panel remembers)\n"
    "  --json             one JSON document on standard output, on success and failure\n"
    "  --quiet            no progress and no messages; errors are still printed\n"
    "  --timeout SECONDS  how long the device may stay silent (default 10)\n"
    "  --verbose          the exchanges with the device on standard error\n"
    "  -h, --help         this text; \"help COMMAND\" or \"COMMAND --help\" for one command\n"
    "  -V, --version      the version\n";

const char *const exitCodes =
    "Exit codes: 0 done; 1 device not found, silent or refused, or not confirmed;\n"
    "2 usage, or a value outside the device's range; 3 a file refused (nothing was\n"
    "sent); 129, 130, 143 stopped by SIGHUP, Ctrl+C, SIGTERM.\n";

QString line(const CommandInfo &c)
{
    return (QString::fromLatin1(c.name) + QLatin1Char(' ') + QString::fromLatin1(c.synopsis))
        .trimmed();
}

} // namespace

QString usage()
{
    QString text = QStringLiteral("Usage: vortaxa-cli [OPTIONS] COMMAND [ARGS]\n\nCommands:\n");
    for (const CommandInfo &c : commandTable()) {
        const QString head = line(c);
        text += head.size() < 30 ? QStringLiteral("  %1%2\n").arg(head, -31).arg(c.summary)
                                 : QStringLiteral("  %1\n  %2%3\n")
                                       .arg(head, QString(31, QLatin1Char(' ')), c.summary);
    }
    return text + QLatin1Char('\n') + QLatin1String(globalOptions) + QLatin1Char('\n') +
           QLatin1String(exitCodes);
}

QString commandHelp(const CommandInfo &command)
{
    return QStringLiteral("Usage: vortaxa-cli [OPTIONS] %1\n\n%2\nOptions: see vortaxa-cli "
                          "--help.\n")
        .arg(line(command), QString::fromLatin1(command.details));
}

QString tryHelp()
{
    return QStringLiteral("Try 'vortaxa-cli --help'.");
}

} // namespace cli

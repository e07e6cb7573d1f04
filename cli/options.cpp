// Parsing the command line: options may stand anywhere, the first plain word
// is the command ("impulse" takes a second word), the rest its arguments.
#include "cli/options.h"

#include "cli/command_table.h"
#include "cli/preset_argument.h"

#include <QDir>

namespace cli {
namespace {

// Options that take a value: "--name VALUE" or "--name=VALUE".
bool takesValue(const QString &name)
{
    return name == "--port" || name == "--timeout" || name == "--presets";
}

// Sets the option `name` (with `value` when it takes one).
bool applyOption(const QString &name, const QString &value, Options *o, QString *error)
{
    const QVector<QPair<const char *, bool *>> flags = {
        {"--json", &o->json},      {"--quiet", &o->quiet},     {"--save", &o->save},
        {"--yes", &o->yes},        {"--verbose", &o->verbose}, {"--help", &o->help},
        {"-h", &o->help},          {"--version", &o->version}, {"-V", &o->version},
        {"--discard", &o->discard}};
    for (const auto &flag : flags) {
        if (name == QLatin1String(flag.first)) {
            *flag.second = true;
            return true;
        }
    }
    if (name == "--port") {
        o->port = value;
    } else if (name == "--timeout") {
        bool ok = false;
        o->timeoutSeconds = value.toInt(&ok);
        if (!ok || o->timeoutSeconds < 1 || o->timeoutSeconds > 3600) {
            *error = QStringLiteral("--timeout takes whole seconds from 1 to 3600, not "
                                    "\u201c%1\u201d.")
                         .arg(value);
            return false;
        }
    } else if (name == "--presets") {
        if (!parsePresetList(value, &o->presets)) {
            *error = QStringLiteral("--presets takes preset numbers such as 0-9,23, not "
                                    "\u201c%1\u201d.")
                         .arg(value);
            return false;
        }
    } else {
        *error = QStringLiteral("Unknown option %1.").arg(name);
        return false;
    }
    return true;
}

// Takes the options out of `arguments`; the plain words go to `words`.
bool takeOptions(const QStringList &arguments, Options *o, QStringList *words, QString *error)
{
    for (int i = 0; i < arguments.size(); ++i) {
        QString a = arguments.at(i);
        if (a == QLatin1String("--")) {
            *words += arguments.mid(i + 1);
            break;
        }
        if (!a.startsWith(QLatin1Char('-')) || a == QLatin1String("-")) {
            words->append(a);
            continue;
        }
        QString value;
        const int eq = a.startsWith(QLatin1String("--")) ? a.indexOf(QLatin1Char('=')) : -1;
        if (eq > 0) {
            value = a.mid(eq + 1);
            a = a.left(eq);
        }
        if (takesValue(a) && eq < 0) {
            if (i + 1 >= arguments.size()) {
                *error = QStringLiteral("The option %1 needs a value.").arg(a);
                return false;
            }
            value = arguments.at(++i);
        } else if (!takesValue(a) && eq > 0) {
            *error = QStringLiteral("The option %1 takes no value.").arg(a);
            return false;
        }
        if (!applyOption(a, value, o, error))
            return false;
    }
    return true;
}

// The command the first words name ("impulse" takes the next word too),
// taken out of `words`; null with `error` when there is none.
const CommandInfo *takeCommandName(QStringList *words, QString *error)
{
    QString name = words->takeFirst();
    if (name == QLatin1String("impulse") && !words->isEmpty())
        name += QLatin1Char(' ') + words->takeFirst();
    const CommandInfo *info = findCommand(name);
    if (!info)
        *error = name == QLatin1String("impulse")
                     ? QStringLiteral("impulse needs \u201cload\u201d or \u201cconvert\u201d.")
                     : QStringLiteral("Unknown command \u201c%1\u201d.").arg(name);
    return info;
}

// The command's arguments and options agree with its line in the table.
bool fits(const CommandInfo &c, const Options &o, const QStringList &args, QString *error)
{
    if (args.size() < c.minArgs || (c.maxArgs >= 0 && args.size() > c.maxArgs)) {
        *error = *c.synopsis ? QStringLiteral("%1 takes %2.").arg(c.name, c.synopsis)
                             : QStringLiteral("%1 takes no arguments.").arg(c.name);
        return false;
    }
    const QVector<QPair<CommandOption, bool>> given = {{SaveOption, o.save},
                                                       {YesOption, o.yes},
                                                       {PresetsOption, !o.presets.isEmpty()},
                                                       {DiscardOption, o.discard}};
    for (const auto &g : given) {
        if (g.second && !(c.options & g.first)) {
            *error = QStringLiteral("%1 does not apply to %2.").arg(optionName(g.first), c.name);
            return false;
        }
    }
    for (int i = 0; i < args.size(); ++i) {
        if (o.json && c.kindOf(i) == ArgKind::OutFile && args.at(i) == QLatin1String("-")) {
            *error = QStringLiteral("With --json standard output holds the JSON document: give "
                                    "%1 a file name instead of \u201c-\u201d.")
                         .arg(c.name);
            return false;
        }
    }
    return true;
}

} // namespace

bool parse(const QStringList &arguments, Options *o, QString *error)
{
    QStringList words;
    if (!takeOptions(arguments, o, &words, error))
        return false;
    if (!words.isEmpty() && words.first() == QLatin1String("help")) {
        o->help = true;
        words.removeFirst();
    }
    if (o->help || o->version) {
        if (o->help && !words.isEmpty()) {
            const CommandInfo *topic = takeCommandName(&words, error);
            if (!topic)
                return false;
            o->helpTopic = QString::fromLatin1(topic->name);
        }
        return true;
    }
    if (words.isEmpty()) {
        *error = QStringLiteral("No command given.");
        return false;
    }
    const CommandInfo *command = takeCommandName(&words, error);
    if (!command || !fits(*command, *o, words, error))
        return false;
    o->command = QString::fromLatin1(command->name);
    o->args = words;
    return true;
}

void resolvePaths(Options *o, const QString &folder)
{
    const QDir base(folder);
    if (o->port.contains(QLatin1Char('/')) && QDir::isRelativePath(o->port))
        o->port = QDir::cleanPath(base.absoluteFilePath(o->port));
    const CommandInfo *command = findCommand(o->command);
    if (!command)
        return;
    for (int i = 0; i < o->args.size(); ++i) {
        const ArgKind kind = command->kindOf(i);
        const bool file = kind == ArgKind::InFile || kind == ArgKind::OutFile;
        if (file && !(kind == ArgKind::OutFile && o->args.at(i) == QLatin1String("-")))
            o->args[i] = QDir::cleanPath(base.absoluteFilePath(o->args.at(i)));
    }
}

} // namespace cli

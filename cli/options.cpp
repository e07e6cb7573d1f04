// Parsing the command line: options may stand anywhere, the first plain word
// is the command ("impulse" takes a second word), the rest its arguments.
#include "cli/options.h"

#include <QDir>
#include <QRegularExpression>
#include <algorithm>

namespace cli {
namespace {

struct CommandForm {
    const char *name;
    int minArgs;
    int maxArgs; // -1: any number
};

const CommandForm forms[] = {
    {"ports", 0, 0},
    {"info", 0, 0},
    {"get", 0, -1},
    {"set", 1, -1},
    {"save", 0, 0},
    {"preset", 1, 1},
    {"slots", 0, 0},
    {"backup", 1, 1},
    {"restore", 1, 1},
    {"export", 2, 2},
    {"import", 2, 2},
    {"impulse load", 1, 1},
    {"impulse convert", 2, 2},
};

// Options that take a value: "--name VALUE" or "--name=VALUE".
bool takesValue(const QString &name)
{
    return name == "--port" || name == "--timeout" || name == "--presets";
}

} // namespace

bool parsePresetList(const QString &text, QVector<int> *numbers)
{
    static const QRegularExpression item(QStringLiteral("^(\\d{1,4})(?:-(\\d{1,4}))?$"));
    QVector<int> result;
    const QStringList parts = text.split(QLatin1Char(','));
    for (const QString &part : parts) {
        const QRegularExpressionMatch m = item.match(part.trimmed());
        if (!m.hasMatch())
            return false;
        const int from = m.captured(1).toInt();
        const int to = m.captured(2).isEmpty() ? from : m.captured(2).toInt();
        if (to < from)
            return false;
        for (int n = from; n <= to; ++n)
            if (!result.contains(n))
                result.append(n);
    }
    std::sort(result.begin(), result.end());
    *numbers = result;
    return !result.isEmpty();
}

bool parse(const QStringList &arguments, Options *o, QString *error)
{
    QStringList words;
    for (int i = 0; i < arguments.size(); ++i) {
        QString a = arguments.at(i);
        if (!a.startsWith(QLatin1String("--")) || a == QLatin1String("--")) {
            if (a == QLatin1String("--")) {
                words += arguments.mid(i + 1);
                break;
            }
            words.append(a);
            continue;
        }
        QString value;
        bool hasValue = false;
        const int eq = a.indexOf(QLatin1Char('='));
        if (eq > 0) {
            value = a.mid(eq + 1);
            a = a.left(eq);
            hasValue = true;
        }
        if (takesValue(a) && !hasValue) {
            if (i + 1 >= arguments.size()) {
                *error = QStringLiteral("The option %1 needs a value.").arg(a);
                return false;
            }
            value = arguments.at(++i);
            hasValue = true;
        }
        if (!takesValue(a) && hasValue) {
            *error = QStringLiteral("The option %1 takes no value.").arg(a);
            return false;
        }
        if (a == "--port") {
            o->port = value;
        } else if (a == "--timeout") {
            bool ok = false;
            o->timeoutSeconds = value.toInt(&ok);
            if (!ok || o->timeoutSeconds < 1 || o->timeoutSeconds > 3600) {
                *error = QStringLiteral("--timeout takes whole seconds from 1 to 3600, not "
                                        "\u201c%1\u201d.")
                             .arg(value);
                return false;
            }
        } else if (a == "--presets") {
            if (!parsePresetList(value, &o->presets)) {
                *error = QStringLiteral("--presets takes preset numbers such as 0-9,23, not "
                                        "\u201c%1\u201d.")
                             .arg(value);
                return false;
            }
        } else if (a == "--json") {
            o->json = true;
        } else if (a == "--quiet") {
            o->quiet = true;
        } else if (a == "--save") {
            o->save = true;
        } else if (a == "--yes") {
            o->yes = true;
        } else if (a == "--verbose") {
            o->verbose = true;
        } else if (a == "--help") {
            o->help = true;
        } else if (a == "--version") {
            o->version = true;
        } else {
            *error = QStringLiteral("Unknown option %1.").arg(a);
            return false;
        }
    }
    if (o->help || o->version)
        return true;
    if (words.isEmpty()) {
        *error = QStringLiteral("No command given.");
        return false;
    }
    QString command = words.takeFirst();
    if (command == QLatin1String("impulse")) {
        if (words.isEmpty()) {
            *error = QStringLiteral("impulse needs \u201cload\u201d or \u201cconvert\u201d.");
            return false;
        }
        command += QLatin1Char(' ') + words.takeFirst();
    }
    const auto form = std::find_if(std::begin(forms), std::end(forms),
                                   [&](const CommandForm &f) { return command == f.name; });
    if (form == std::end(forms)) {
        *error = QStringLiteral("Unknown command \u201c%1\u201d.").arg(command);
        return false;
    }
    if (words.size() < form->minArgs || (form->maxArgs >= 0 && words.size() > form->maxArgs)) {
        *error = QStringLiteral("Wrong number of arguments for %1.").arg(command);
        return false;
    }
    const bool saveFits = command == "set" || command == "impulse load";
    const bool yesFits = command == "restore" || command == "import";
    if ((o->save && !saveFits) || (o->yes && !yesFits) ||
        (!o->presets.isEmpty() && command != "restore")) {
        *error = QStringLiteral("An option given does not apply to %1.").arg(command);
        return false;
    }
    o->command = command;
    o->args = words;
    return true;
}

void resolvePaths(Options *o, const QString &folder)
{
    const QDir base(folder);
    const bool path = o->port.contains(QLatin1Char('/'));
    if (path && QDir::isRelativePath(o->port))
        o->port = QDir::cleanPath(base.absoluteFilePath(o->port));
    // Which arguments name files; preset numbers and parameters stay.
    QVector<int> files;
    if (o->command == "backup" || o->command == "restore" || o->command == "impulse load")
        files = {0};
    else if (o->command == "export")
        files = {1};
    else if (o->command == "import")
        files = {0};
    else if (o->command == "impulse convert")
        files = {0, 1};
    for (int i : files)
        if (i < o->args.size())
            o->args[i] = QDir::cleanPath(base.absoluteFilePath(o->args.at(i)));
}

QString usage()
{
    return QStringLiteral(
        "Usage: vortaxa-cli [--port PATH] [--json] [--quiet] [--timeout SECONDS] [--verbose]\n"
        "                   COMMAND [ARGS]\n"
        "\n"
        "Commands:\n"
        "  ports                        the serial ports; the device's are marked\n"
        "  info                         device type, firmware, presets, current preset, impulse\n"
        "  get [NAME...]                the current preset's parameters\n"
        "  set NAME=VALUE... [--save]   live edits in device values; --save stores them\n"
        "  save                         stores the current preset\n"
        "  preset N                     goes to preset number N\n"
        "  slots                        the impulse slots\n"
        "  backup FILE                  every preset into FILE\n"
        "  restore FILE [--presets 0-9,23] [--yes]\n"
        "                               writes the presets that differ from FILE\n"
        "  export N FILE                preset N into FILE\n"
        "  import FILE N [--yes]        FILE onto preset N, stored\n"
        "  impulse load FILE [--save]   plays FILE as the current preset's impulse\n"
        "  impulse convert IN OUT       writes IN in the device's form, no device needed\n"
        "\n"
        "Exit codes: 0 done, 1 device not found, silent or refused, 2 usage, 3 file refused.\n");
}

} // namespace cli

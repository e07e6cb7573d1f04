// The commands of vortaxa-cli stated once: their names, arguments and the
// options that belong to them, the usage lines and help texts, what their
// arguments are (files are resolved against the starting folder) and
// whether they need the device. Parsing, help and the run all read it.
#pragma once

#include <QString>
#include <QVector>

namespace cli {

// The options that belong to some commands only.
enum CommandOption : unsigned {
    NoOption = 0,
    SaveOption = 1,
    YesOption = 2,
    PresetsOption = 4,
    DiscardOption = 8
};

// What an argument names.
enum class ArgKind { Word, Preset, InFile, OutFile };

struct CommandInfo {
    const char *name;     // "impulse load"
    const char *synopsis; // its arguments and own options: "FILE [--save]"
    const char *summary;  // one line of the usage
    const char *details;  // the rest of "help COMMAND"
    int minArgs;
    int maxArgs; // -1: any number
    unsigned options;
    ArgKind first;
    ArgKind second;
    bool device; // needs the device

    // The kind of argument `index` (those past the second are words).
    ArgKind kindOf(int index) const
    {
        return index == 0 ? first : index == 1 ? second : ArgKind::Word;
    }
};

const QVector<CommandInfo> &commandTable();

// The command named `name` ("impulse load"); null when there is none.
const CommandInfo *findCommand(const QString &name);

// "--save", "--yes", "--presets", "--discard", for messages.
QString optionName(CommandOption option);

} // namespace cli

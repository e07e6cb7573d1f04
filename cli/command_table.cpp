// The table of commands.
#include "cli/command_table.h"

namespace cli {

const QVector<CommandInfo> &commandTable()
{
    using K = ArgKind;
    static const QVector<CommandInfo> table = {
        {"ports", "", "the serial ports; the device's are marked",
         "Lists the serial ports the system has, marks the device's (found by its USB\n"
         "identifiers) and the port the panel remembers. Needs no device.\n",
         0, 0, NoOption, K::Word, K::Word, false},
        {"info", "", "device type, firmware, presets, current preset, impulse",
         "The device's type and firmware, its banks and presets, the current preset and\n"
         "the impulse it plays (none: \"none\", and null with --json), and the port.\n",
         0, 0, NoOption, K::Word, K::Word, true},
        {"get", "[NAME...]", "the current preset's parameters",
         "The current preset's parameters (all when none are named): the device value\n"
         "and, where the panel shows one, the shown value and unit.\n",
         0, -1, NoOption, K::Word, K::Word, true},
        {"set", "NAME=VALUE... [--save]", "live edits in device values; --save stores them",
         "Live edits, in device values; signed parameters take negative values. Every\n"
         "assignment is checked before the device is reached. With --save the preset is\n"
         "stored afterwards.\n",
         1, -1, SaveOption, K::Word, K::Word, true},
        {"save", "", "stores the current preset", "Stores the current preset as it plays.\n", 0, 0,
         NoOption, K::Word, K::Word, true},
        {"preset", "N [--discard]", "goes to preset N",
         "Goes to preset N: a number (bank x presets per bank + preset, counted from 0)\n"
         "or a place such as 2-3 (bank 2, preset 3). When the current preset has changes\n"
         "the device has not stored, it asks first on a terminal; without one it does\n"
         "nothing unless --discard is given.\n",
         1, 1, DiscardOption, K::Preset, K::Word, true},
        {"slots", "", "the impulse slots", "The impulse slots with their names and states.\n", 0, 0,
         NoOption, K::Word, K::Word, true},
        {"backup", "FILE", "every preset into FILE",
         "Reads every preset and writes them to FILE (\"-\": standard output) in the\n"
         "Library page's format, then goes back to the preset that was current. FILE is\n"
         "checked before the device is reached; an existing file is replaced whole, and\n"
         "anything that is not a regular file is refused.\n",
         1, 1, NoOption, K::OutFile, K::Word, true},
        {"restore", "FILE [--presets LIST] [--yes]", "writes the presets that differ from FILE",
         "Reads what the chosen presets hold (LIST: preset numbers and ranges such as\n"
         "0-9,23; all in FILE when not given), prints what will change, and writes only\n"
         "the presets that differ. On a terminal it asks first; without one it writes\n"
         "nothing unless --yes is given. Before the first write, what they hold is kept in\n"
         "a safety copy. Ctrl+C stops between presets and says which were written.\n",
         1, 1, YesOption | PresetsOption, K::InFile, K::Word, true},
        {"export", "N FILE", "preset N into FILE",
         "Writes preset N (a number or a place such as 2-3) to FILE (\"-\": standard\n"
         "output), then goes back to the preset that was current.\n",
         2, 2, NoOption, K::Preset, K::OutFile, true},
        {"import", "FILE N [--yes]", "FILE onto preset N, stored",
         "Writes the one preset in FILE onto preset N (a number or a place such as 2-3)\n"
         "and stores it, then goes back to the preset that was current. Asks first, as\n"
         "restore does.\n",
         2, 2, YesOption, K::InFile, K::Preset, true},
        {"impulse load", "FILE [--save]", "plays FILE as the current preset's impulse",
         "Converts FILE as the panel does and plays it as the current preset's impulse;\n"
         "with --save it is stored with the preset.\n",
         1, 1, SaveOption, K::InFile, K::Word, true},
        {"impulse convert", "IN OUT", "writes IN in the device's form, no device needed",
         "Writes IN in the device's form (48 kHz, 24 bit, mono, at most 32000 sample\n"
         "bytes, ending in a fade): the bytes the panel would send. OUT may not be IN.\n",
         2, 2, NoOption, K::InFile, K::OutFile, false},
    };
    return table;
}

const CommandInfo *findCommand(const QString &name)
{
    for (const CommandInfo &c : commandTable())
        if (name == QLatin1String(c.name))
            return &c;
    return nullptr;
}

QString optionName(CommandOption option)
{
    switch (option) {
    case SaveOption:
        return QStringLiteral("--save");
    case YesOption:
        return QStringLiteral("--yes");
    case PresetsOption:
        return QStringLiteral("--presets");
    case DiscardOption:
        return QStringLiteral("--discard");
    case NoOption:
        break;
    }
    return QString();
}

} // namespace cli

// The help texts: the whole usage (-h, --help, help), one command's
// (help COMMAND, COMMAND --help), and the pointer a usage error ends with.
#pragma once

#include <QString>

namespace cli {

struct CommandInfo;

QString usage();
QString commandHelp(const CommandInfo &command);
// "Try 'vortaxa-cli --help'."
QString tryHelp();

} // namespace cli

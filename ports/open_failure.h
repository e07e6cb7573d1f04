// Why a port did not open, in words: written once here for every front end
// (the panel's notice and status chip through the port chooser, and the
// command line). Ports are named by their full paths. Pure, so it can be
// tested without a port.
#pragma once

#include "link/transport.h"

#include <QString>

namespace openFailure {

// "", "gone", "busy", "permission" or "other": the failure's kind as the
// panel's state names it.
QString word(OpenFailure::Kind kind);

// What is wrong, as one sentence: "The port /dev/ttyACM0 is in use by
// another program (vortaxa, pid 1234)."
QString title(const OpenFailure &failure);
// The same for a status chip: "/dev/ttyACM0 is in use".
QString shortText(const OpenFailure &failure);

// Who reads the advice: the panel (which tries again by itself and has a
// port setting) or the command line (which the user runs again).
enum class Front { Panel, CommandLine };
// What to do about it, with the system's own words after it where it gave any.
QString advice(const OpenFailure &failure, Front front);

// The command line's whole message: the title and its advice.
QString message(const OpenFailure &failure);

} // namespace openFailure

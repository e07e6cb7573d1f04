// Named logging categories, one per area, so that a user can switch on the
// diagnostics of one area alone (QT_LOGGING_RULES="vortaxa.link.debug=true").
// The fixed diagnostic lines of the original interface stay on the default
// category (base/program_log.h); everything new logs through these.
#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(linkLog)    // "vortaxa.link": port and command pacing
Q_DECLARE_LOGGING_CATEGORY(parseLog)   // "vortaxa.parse": answers and their dispatch
Q_DECLARE_LOGGING_CATEGORY(editLog)    // "vortaxa.edit": editing, compare, copy and paste
Q_DECLARE_LOGGING_CATEGORY(impulseLog) // "vortaxa.impulse": impulse files, preview and store
Q_DECLARE_LOGGING_CATEGORY(audioLog)   // "vortaxa.audio": reading, conversion and analysis
Q_DECLARE_LOGGING_CATEGORY(browserLog) // "vortaxa.browser": the impulse browser
Q_DECLARE_LOGGING_CATEGORY(libraryLog) // "vortaxa.library": backup, restore, export, import
Q_DECLARE_LOGGING_CATEGORY(historyLog) // "vortaxa.history": undo and redo

namespace logCategories {

// The debug lines of the program (the serial log on the default category and
// every named category above) on or off. Off by default, since the serial
// log carries whole impulses as hexadecimal; the standard logging rules
// (QT_LOGGING_RULES, QT_LOGGING_CONF) still take precedence.
void setDebugLines(bool on);

} // namespace logCategories

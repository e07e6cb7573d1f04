// The program's debug log: the default logging category, as every
// diagnostic line ("send", "sendCount", "setValue", ...) goes there. Lines
// written on every write, pacing step, status block or control movement use
// qCDebug(programLog) so that their text is only built while that log is on.
#pragma once

#include <QLoggingCategory>

inline const QLoggingCategory &programLog()
{
    return *QLoggingCategory::defaultCategory();
}

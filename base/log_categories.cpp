// The named logging categories of base/log_categories.h. Their debug lines
// are off until a logging rule (or setDebugLines) switches them on.
#include "base/log_categories.h"

Q_LOGGING_CATEGORY(linkLog, "vortaxa.link", QtInfoMsg)
Q_LOGGING_CATEGORY(parseLog, "vortaxa.parse", QtInfoMsg)
Q_LOGGING_CATEGORY(editLog, "vortaxa.edit", QtInfoMsg)
Q_LOGGING_CATEGORY(impulseLog, "vortaxa.impulse", QtInfoMsg)
Q_LOGGING_CATEGORY(audioLog, "vortaxa.audio", QtInfoMsg)
Q_LOGGING_CATEGORY(browserLog, "vortaxa.browser", QtInfoMsg)
Q_LOGGING_CATEGORY(libraryLog, "vortaxa.library", QtInfoMsg)
Q_LOGGING_CATEGORY(historyLog, "vortaxa.history", QtInfoMsg)

namespace logCategories {

void setDebugLines(bool on)
{
    const QString value = on ? QStringLiteral("true") : QStringLiteral("false");
    QLoggingCategory::setFilterRules(
        QStringLiteral("default.debug=%1\nvortaxa.*.debug=%1").arg(value));
}

} // namespace logCategories

// The named logging categories of core/log_categories.h.
#include "core/log_categories.h"

Q_LOGGING_CATEGORY(linkLog, "vortaxa.link")
Q_LOGGING_CATEGORY(parseLog, "vortaxa.parse")
Q_LOGGING_CATEGORY(editLog, "vortaxa.edit")
Q_LOGGING_CATEGORY(impulseLog, "vortaxa.impulse")
Q_LOGGING_CATEGORY(audioLog, "vortaxa.audio")
Q_LOGGING_CATEGORY(browserLog, "vortaxa.browser")
Q_LOGGING_CATEGORY(libraryLog, "vortaxa.library")
Q_LOGGING_CATEGORY(historyLog, "vortaxa.history")

namespace logCategories {

void setDebugLines(bool on)
{
    const QString value = on ? QStringLiteral("true") : QStringLiteral("false");
    QLoggingCategory::setFilterRules(
        QStringLiteral("default.debug=%1\nvortaxa.*.debug=%1").arg(value));
}

} // namespace logCategories

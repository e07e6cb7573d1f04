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

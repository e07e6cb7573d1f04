// The named logging categories of core/log_categories.h. Their debug lines
// are off until switched on, one area at a time.
#include "core/log_categories.h"

Q_LOGGING_CATEGORY(linkLog, "vortaxa.link", QtInfoMsg)
Q_LOGGING_CATEGORY(parseLog, "vortaxa.parse", QtInfoMsg)
Q_LOGGING_CATEGORY(editLog, "vortaxa.edit", QtInfoMsg)
Q_LOGGING_CATEGORY(impulseLog, "vortaxa.impulse", QtInfoMsg)
Q_LOGGING_CATEGORY(audioLog, "vortaxa.audio", QtInfoMsg)
Q_LOGGING_CATEGORY(browserLog, "vortaxa.browser", QtInfoMsg)
Q_LOGGING_CATEGORY(libraryLog, "vortaxa.library", QtInfoMsg)
Q_LOGGING_CATEGORY(historyLog, "vortaxa.history", QtInfoMsg)

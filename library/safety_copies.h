// The safety copies a restore keeps of the presets it is about to
// overwrite: one file per restore in the user's data folder, named by the
// time it was made, and only the newest `kept` of them stay.
#pragma once

#include "library/preset_file.h"

#include <QString>

namespace safetyCopies {

constexpr int kept = 20;

// The folder they are kept in (the data folder's "safety-copies").
QString folder();

// Writes `copy` as a new safety copy and removes the oldest beyond `kept`;
// returns its path, or an empty string with the reason in `error`.
QString write(const library::PresetFile &copy, QString *error);

// Removes the oldest safety copies in `folder` beyond the newest `keep`.
void prune(const QString &folder, int keep = kept);

} // namespace safetyCopies

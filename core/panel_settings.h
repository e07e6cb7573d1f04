// The settings the back end's objects share with Core, each key stated once:
// the folder impulse files were last chosen in ("ImpulsPath").
#pragma once

#include <QString>

class QSettings;

namespace panelSettings {

// The folder as a file URL; the home folder when none was kept yet.
QString lastImpulseFolder(const QSettings &settings);
void setLastImpulseFolder(QSettings &settings, const QString &folderUrl);

} // namespace panelSettings

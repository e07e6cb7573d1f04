// The settings the back end's objects share with Core, each key stated once:
// the store's names, and the folder impulse files were last chosen in
// ("ImpulsPath").
#pragma once

#include <QString>

class QSettings;

namespace panelSettings {

// The store the panel and the command line share: "Ostrel Electronics" / "NV-300".
inline QString organisation()
{
    return QStringLiteral("Ostrel Electronics");
}
inline QString application()
{
    return QStringLiteral("NV-300");
}

// The folder a file dialog starts in when none was kept yet, as a file URL:
// the home folder (the root of drive C: on Windows).
QString defaultFolderUrl();

// The folder as a file URL; the default folder when none was kept yet.
QString lastImpulseFolder(const QSettings &settings);
void setLastImpulseFolder(QSettings &settings, const QString &folderUrl);

} // namespace panelSettings

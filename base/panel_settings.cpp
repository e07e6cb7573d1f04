// The settings keys the back end's objects share with Core (base/panel_settings.h).
#include "base/panel_settings.h"

#include <QDir>
#include <QSettings>
#include <QUrl>

namespace {

const char *const keyImpulsPath = "ImpulsPath";

} // namespace

QString panelSettings::defaultFolderUrl()
{
#ifdef Q_OS_WIN
    return QStringLiteral("file:///C:/");
#else
    return QUrl::fromLocalFile(QDir::homePath()).toString();
#endif
}

QString panelSettings::lastImpulseFolder(const QSettings &settings)
{
    return settings.value(keyImpulsPath, defaultFolderUrl()).toString();
}

void panelSettings::setLastImpulseFolder(QSettings &settings, const QString &folderUrl)
{
    settings.setValue(keyImpulsPath, folderUrl);
    settings.sync();
}

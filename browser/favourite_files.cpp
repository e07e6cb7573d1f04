// The favourite impulse files and their setting.
#include "browser/favourite_files.h"

#include <QSettings>
#include <QStringList>

namespace {

const char *const keyFavourites = "ImpulseFavourites";

} // namespace

FavouriteFiles::FavouriteFiles(QSettings &settings) : settings(settings)
{
    const QStringList kept = settings.value(keyFavourites).toStringList();
    paths = QSet<QString>(kept.begin(), kept.end());
}

bool FavouriteFiles::set(const QString &path, bool on)
{
    if (paths.contains(path) == on)
        return false;
    if (on)
        paths.insert(path);
    else
        paths.remove(path);
    QStringList sorted(paths.begin(), paths.end());
    sorted.sort();
    settings.setValue(keyFavourites, sorted);
    settings.sync();
    return true;
}

// FavouriteFiles: the impulse files the user marked as favourites, kept as
// paths in the settings ("ImpulseFavourites") and written through at once.
#pragma once

#include <QSet>
#include <QString>

class QSettings;

class FavouriteFiles {
public:
    explicit FavouriteFiles(QSettings &settings);

    bool contains(const QString &path) const { return paths.contains(path); }
    // Marks or unmarks `path`; false when it already was as asked.
    bool set(const QString &path, bool on);

private:
    QSettings &settings;
    QSet<QString> paths;
};

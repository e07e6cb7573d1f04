// The window's kept place and the report of a web page no browser opened.
#include "desktop/desktop.h"

#include "base/web_pages.h"
#include "desktop/window_place.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QSettings>

namespace {
const char *const keyWindowGeometry = "WindowGeometry";
const char *const keyWindowMaximized = "WindowMaximized";
} // namespace

Desktop::Desktop(QSettings &settings, WebPageOpener &webPages, QObject *parent)
    : QObject(parent), settings(settings)
{
    connect(&webPages, &WebPageOpener::notOpened, this,
            [this](const QUrl &url) { emit webPageNotOpened(url.toString()); });
}

QVariantMap Desktop::windowPlace() const
{
    QVariantMap place{{"maximized", settings.value(keyWindowMaximized, false).toBool()}};
    QList<QRect> screens;
    for (const QScreen *screen : QGuiApplication::screens())
        screens.append(screen->availableGeometry());
    const std::optional<QRect> fitted =
        windowPlace::onScreens(settings.value(keyWindowGeometry).toRect(), screens);
    if (fitted) {
        place.insert("x", fitted->x());
        place.insert("y", fitted->y());
        place.insert("width", fitted->width());
        place.insert("height", fitted->height());
    }
    return place;
}

void Desktop::keepWindowPlace(int x, int y, int width, int height, bool maximized)
{
    if (!maximized)
        settings.setValue(keyWindowGeometry, QRect(x, y, width, height));
    settings.setValue(keyWindowMaximized, maximized);
    settings.sync();
}

// vortaxa_panel_probe: the panel started as the application starts it (the
// same engine, Core and context properties, the interface document from
// flat/ beside the application), then driven to show the full preset map:
// the port opened, the start-up read finished, the "Preset map" page shown
// and every preset read. Prints its resident memory once the map has been
// drawn. Used by the benchmarks only.
//
// Usage: vortaxa_panel_probe --app-dir DIR --port PATH
#include "browser/impulses.h"
#include "core/core.h"
#include "support/core_access.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTimer>
#include <QUrl>

#include <cstdio>

namespace {

QString optionValue(const QStringList &arguments, const QString &option)
{
    const int at = arguments.indexOf(option);
    return at >= 0 && at + 1 < arguments.size() ? arguments.at(at + 1) : QString();
}

// VmRSS and VmHWM of this process, in bytes.
bool residentMemory(qint64 *rss, qint64 *peak)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    *rss = *peak = -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        const QList<QByteArray> words = line.simplified().split(' ');
        if (words.size() >= 2 && words.at(0) == "VmRSS:")
            *rss = words.at(1).toLongLong() * 1024;
        if (words.size() >= 2 && words.at(0) == "VmHWM:")
            *peak = words.at(1).toLongLong() * 1024;
    }
    return *rss > 0 && *peak > 0;
}

// The first item under `item` (itself included) whose text is `text` and
// that can be checked, as a tab can.
QQuickItem *checkableWithText(QQuickItem *item, const QString &text)
{
    if (item->property("text").toString() == text &&
        item->metaObject()->indexOfProperty("checked") >= 0)
        return item;
    for (QQuickItem *child : item->childItems()) {
        if (QQuickItem *found = checkableWithText(child, text))
            return found;
    }
    return nullptr;
}

// Shows the document's preset map page if it has one: the tab whose text is
// "Preset map" is checked, as a click would.
bool showMapPage(QQuickWindow *window)
{
    QQuickItem *tab = checkableWithText(window->contentItem(), QStringLiteral("Preset map"));
    return tab && tab->setProperty("checked", true);
}

// How many cells the document's map holds, or -1 when it has none.
int mapCells(QObject *root)
{
    QObject *state = root->property("deviceState").value<QObject *>();
    QObject *map = state ? state->property("map").value<QObject *>() : nullptr;
    return map ? map->property("count").toInt() : -1;
}

// Starts the sweep the way the document's own button does when it has one.
void readAllPresets(QObject *root, Core &core)
{
    QObject *state = root->property("deviceState").value<QObject *>();
    if (state && state->metaObject()->indexOfMethod("readAllPresets()") >= 0) {
        QMetaObject::invokeMethod(state, "readAllPresets");
        return;
    }
    core.setValue(QStringLiteral("map_update"), 0);
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    app.setOrganizationName(QStringLiteral("OLK"));
    app.setApplicationName(QStringLiteral("Vortaxa"));
    const QString appDir = optionValue(app.arguments(), QStringLiteral("--app-dir"));
    const QString port = optionValue(app.arguments(), QStringLiteral("--port"));
    if (appDir.isEmpty() || port.isEmpty()) {
        std::fprintf(stderr, "usage: vortaxa_panel_probe --app-dir DIR --port PATH\n");
        return 2;
    }

    QQmlApplicationEngine engine;
    Core core;
    Impulses impulses(core.deviceLink(), core.presetSession(), core.settingsStore());
    QQmlContext *context = engine.rootContext();
    context->setContextProperty(QStringLiteral("_core"), &core);
    context->setContextProperty(QStringLiteral("_impulses"), &impulses);
    context->setContextProperty(QStringLiteral("applicationDirPath"), QVariant(appDir));
    engine.load(QUrl::fromLocalFile(appDir + QStringLiteral("/flat/main.qml")));
    if (engine.rootObjects().isEmpty()) {
        std::fprintf(stderr, "vortaxa_panel_probe: the document did not load\n");
        return 2;
    }
    QObject *root = engine.rootObjects().first();
    auto *window = qobject_cast<QQuickWindow *>(root);
    if (!window) {
        std::fprintf(stderr, "vortaxa_panel_probe: the document's root is not a window\n");
        return 2;
    }

    int frames = 0;
    QObject::connect(window, &QQuickWindow::frameSwapped, [&] { ++frames; });
    int banks = 0; // "bank" publications: one per "gb" answer
    QObject::connect(&core, &Core::sgReadValue, [&](const QString &name, int) {
        if (name == QLatin1String("bank"))
            ++banks;
    });

    CoreAccess a{core};
    enum class Phase { Open, StartUp, Map, Settle };
    Phase phase = Phase::Open;
    QElapsedTimer clock;
    clock.start();
    qint64 phaseStart = 0;
    int banksBefore = 0;
    int framesBefore = 0;
    bool mapPage = false;
    int status = 3;

    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        switch (phase) {
        case Phase::Open:
            // The document may open the port itself (given --port); if it
            // has not after a while, do it as a user's port choice would.
            if (!a.port()->isOpen() && now > 1500)
                core.openPort(port);
            if (a.port()->isOpen()) {
                phase = Phase::StartUp;
                phaseStart = now;
            }
            break;
        case Phase::StartUp:
            if (banks > 0 && a.queue().isEmpty() && now - phaseStart > 200) {
                mapPage = showMapPage(window);
                banksBefore = banks;
                readAllPresets(root, core);
                phase = Phase::Map;
                phaseStart = now;
            }
            break;
        case Phase::Map:
            if (banks - banksBefore >= 110 && a.queue().isEmpty()) {
                framesBefore = frames;
                window->update(); // at least one more frame, whatever the document did
                phase = Phase::Settle;
                std::printf("map_seconds=%.3f\n", double(now - phaseStart) / 1e3);
                phaseStart = now;
            }
            break;
        case Phase::Settle:
            // Drawn again since, and given half a second to settle.
            if (frames > framesBefore && now - phaseStart > 500) {
                qint64 rss = 0;
                qint64 peak = 0;
                if (residentMemory(&rss, &peak)) {
                    std::printf("rss_bytes=%lld\npeak_rss_bytes=%lld\nframes=%d\nmap_page=%d\n"
                                "map_cells=%d\n",
                                rss, peak, frames, mapPage ? 1 : 0, mapCells(root));
                    status = 0;
                }
                app.quit();
            }
            break;
        }
        if (now > 60000) {
            std::fprintf(stderr, "vortaxa_panel_probe: timed out\n");
            app.quit();
        }
    });
    poll.start();
    app.exec();
    std::fflush(stdout);
    return status;
}

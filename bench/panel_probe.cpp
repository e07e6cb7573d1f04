// vortaxa_panel_probe: the panel started as the application starts it (the
// same engine, Core and context properties, the interface document from
// flat/ beside the application), then driven as a user drives it to show the
// full preset map: once the port is open and the start-up read finished, it
// clicks the "Preset map" tab, "Read all", and the question's go-ahead, and
// waits for every preset to be read. Items are found by their objectName and
// clicked with mouse events, so a control that is hidden, disabled or asks
// first stops the probe as it would stop a user. Prints its resident memory
// once the map has been drawn. Used by the benchmarks only.
//
// Usage: vortaxa_panel_probe --app-dir DIR --port PATH
#include "core/core.h"
#include "link/link.h"
#include "panel/panel_objects.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QMouseEvent>
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

// The item named `name` in the window: its scene first, then its popups
// (a question's buttons live in the popup's own items).
QQuickItem *itemNamed(QQuickWindow *window, const QString &name)
{
    if (auto *item = window->contentItem()->findChild<QQuickItem *>(name))
        return item;
    return window->findChild<QQuickItem *>(name);
}

// An item a user can click: shown, enabled, and with its centre inside the
// window.
bool clickable(QQuickWindow *window, QQuickItem *item)
{
    if (!item || !item->isVisible() || !item->isEnabled() || item->width() <= 0 ||
        item->height() <= 0)
        return false;
    const QPointF centre = item->mapToScene(QPointF(item->width() / 2, item->height() / 2));
    return QRectF(0, 0, window->width(), window->height()).contains(centre);
}

// A left click in the middle of `item`, delivered to the window as the
// platform delivers a mouse click: whatever lies on top there (a popup's
// overlay, say) gets it, as it would a user's.
void click(QQuickWindow *window, QQuickItem *item)
{
    const QPointF at = item->mapToScene(QPointF(item->width() / 2, item->height() / 2));
    const QPointF global = window->mapToGlobal(at.toPoint());
    QMouseEvent press(QEvent::MouseButtonPress, at, at, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(window, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, at, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(window, &release);
}

// How many map cells are drawn under `item` (a Repeater's cells are items of
// the scene, not children of the Repeater).
int cellsUnder(QQuickItem *item)
{
    int cells = item->objectName().startsWith(QLatin1String("mapCell_")) ? 1 : 0;
    for (QQuickItem *child : item->childItems())
        cells += cellsUnder(child);
    return cells;
}

// How many cells the map page shows, or -1 when it shows no map.
int mapCells(QQuickWindow *window)
{
    QQuickItem *grid = itemNamed(window, QStringLiteral("mapGrid"));
    if (!grid || !grid->isVisible())
        return -1;
    return cellsUnder(grid);
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
    // Every object beside Core, as the application makes them.
    PanelObjects objects(core.deviceLink(), core.presetSession(), core.deviceReadout(),
                         core.settingsStore(), core.webPageOpener(), QString());
    QQmlContext *context = engine.rootContext();
    context->setContextProperty(QStringLiteral("_core"), &core);
    objects.publish(context);
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

    const Link &link = core.deviceLink();
    // Open: the port; StartUp: the start-up read; MapTab: the "Preset map"
    // tab clicked until its page shows; ReadAll: "Read all" clicked until the
    // question asks; Confirm: its go-ahead clicked until the sweep starts;
    // Map: the sweep; Settle: a frame drawn after it.
    enum class Phase { Open, StartUp, MapTab, ReadAll, Confirm, Map, Settle };
    Phase phase = Phase::Open;
    const char *waitingFor = "the device's port to open";
    QElapsedTimer clock;
    clock.start();
    qint64 phaseStart = 0;
    qint64 lastClick = -1000; // the last click of this phase
    int banksBefore = 0;
    int framesBefore = 0;
    int status = 3;
    auto enter = [&](Phase next, const char *what, qint64 now) {
        phase = next;
        waitingFor = what;
        phaseStart = now;
        lastClick = -1000;
    };
    // Clicks `item` when a user could, at most every half second until the
    // click has shown its effect.
    auto clickWhenReady = [&](QQuickItem *item, qint64 now) {
        if (clickable(window, item) && now - lastClick > 500) {
            click(window, item);
            lastClick = now;
        }
    };

    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        switch (phase) {
        case Phase::Open:
            // The document may open the port itself (given --port); if it
            // has not after a while, do it as a user's port choice would.
            if (!link.isOpen() && now > 1500)
                core.openPort(port);
            if (link.isOpen())
                enter(Phase::StartUp, "the start-up read", now);
            break;
        case Phase::StartUp:
            if (banks > 0 && link.queueEmpty() && now - phaseStart > 200)
                enter(Phase::MapTab, "the \"Preset map\" tab to show its page", now);
            break;
        case Phase::MapTab:
            if (mapCells(window) >= 0) {
                enter(Phase::ReadAll, "\"Read all\" to ask its question", now);
                break;
            }
            clickWhenReady(checkableWithText(window->contentItem(), QStringLiteral("Preset map")),
                           now);
            break;
        case Phase::ReadAll: {
            QQuickItem *confirm = itemNamed(window, QStringLiteral("questionSave"));
            if (confirm && confirm->isVisible()) {
                // Nothing is edited, so the question only asks for a go-ahead.
                if (confirm->property("text").toString() != QLatin1String("Read all")) {
                    std::fprintf(stderr,
                                 "vortaxa_panel_probe: the question before \"Read all\" "
                                 "offers \"%s\" instead of \"Read all\"\n",
                                 qPrintable(confirm->property("text").toString()));
                    app.quit();
                    return;
                }
                enter(Phase::Confirm, "the go-ahead to start the sweep", now);
                break;
            }
            clickWhenReady(itemNamed(window, QStringLiteral("readAllButton")), now);
            break;
        }
        case Phase::Confirm: {
            // The question closes at the click, and the sweep starts.
            QQuickItem *confirm = itemNamed(window, QStringLiteral("questionSave"));
            if (lastClick >= 0 && !confirm->isVisible()) {
                const qint64 clickedAt = lastClick;
                enter(Phase::Map, "the walk through every preset", clickedAt);
                break;
            }
            banksBefore = banks;
            clickWhenReady(confirm, now);
            break;
        }
        case Phase::Map:
            // The walk reads every preset once ("gb" each), then goes home.
            if (banks - banksBefore >= 100 && !objects.library.busy() && link.queueEmpty()) {
                framesBefore = frames;
                window->update(); // at least one more frame, whatever the document did
                std::printf("map_seconds=%.3f\n", double(now - phaseStart) / 1e3);
                enter(Phase::Settle, "a frame after the sweep", now);
            }
            break;
        case Phase::Settle:
            // Drawn again since, and given half a second to settle.
            if (frames > framesBefore && now - phaseStart > 500) {
                qint64 rss = 0;
                qint64 peak = 0;
                if (residentMemory(&rss, &peak)) {
                    std::printf("rss_bytes=%lld\npeak_rss_bytes=%lld\nframes=%d\nmap_cells=%d\n",
                                rss, peak, frames, mapCells(window));
                    status = 0;
                }
                app.quit();
            }
            break;
        }
        if (now > 60000) {
            std::fprintf(stderr, "vortaxa_panel_probe: timed out waiting for %s\n", waitingFor);
            app.quit();
        }
    });
    poll.start();
    app.exec();
    std::fflush(stdout);
    return status;
}

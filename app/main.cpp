// Entry point: the application, the QML engine and the one Core, published to
// the interface document flat/main.qml that lies beside the executable.
#include "base/log_categories.h"
#include "core/core.h"
#include "panel/panel_objects.h"

#include <QDir>
#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QStandardPaths>
#include <QUrl>

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    app.setOrganizationName(QStringLiteral("OLK"));
    app.setApplicationName(QStringLiteral("Vortaxa"));
    // Names the desktop entry, so docks and compositors find the window's icon.
    app.setDesktopFileName(QStringLiteral(VORTAXA_APP_ID));

    // The serial log (every exchange, whole impulses in hexadecimal) only
    // when asked for: --verbose, or the standard logging rules.
    logCategories::setDebugLines(app.arguments().contains(QStringLiteral("--verbose")));

    // Everything relative is resolved from here on; the program then runs in
    // its data folder, where the files it writes beside itself (the copy of
    // the last stored impulse) do no harm.
    const QString document = QGuiApplication::applicationDirPath() + "/flat/main.qml";
    const QString givenPort = PortChooser::portArgument(app.arguments(), QDir::currentPath());
    const QString dataFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (QDir().mkpath(dataFolder))
        QDir::setCurrent(dataFolder);

    QQmlApplicationEngine engine;
    Core core;
    // The objects beside Core are declared after it: gone before it.
    PanelObjects objects(core.deviceLink(), core.presetSession(), core.deviceReadout(),
                         core.settingsStore(), core.webPageOpener(), givenPort);

    QQmlContext *context = engine.rootContext();
    context->setContextProperty(QStringLiteral("_core"), &core);
    objects.publish(context);
    context->setContextProperty(QStringLiteral("applicationDirPath"),
                                QVariant(QGuiApplication::applicationDirPath()));

    // Built from a local path: plain "file:///" + "/usr/..." would give four slashes.
    engine.load(QUrl::fromLocalFile(document));

    return app.exec();
}

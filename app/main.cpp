// Entry point: the application, the QML engine and the one Core, published to
// the interface document flat/main.qml that lies beside the executable.
#include "core/core.h"
#include "history/edit_history.h"

#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QUrl>

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    app.setOrganizationName(QStringLiteral("OLK"));
    app.setApplicationName(QStringLiteral("Vortaxa"));

    QQmlApplicationEngine engine;
    Core core;
    EditHistory history(core); // declared after Core: gone before it

    QQmlContext *context = engine.rootContext();
    context->setContextProperty(QStringLiteral("_core"), &core);
    context->setContextProperty(QStringLiteral("_history"), &history);
    context->setContextProperty(QStringLiteral("applicationDirPath"),
                                QVariant(QGuiApplication::applicationDirPath()));

    // Built from a local path: plain "file:///" + "/usr/..." would give four slashes.
    engine.load(QUrl::fromLocalFile(QGuiApplication::applicationDirPath() + "/flat/main.qml"));

    return app.exec();
}

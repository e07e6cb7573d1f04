// Entry point: the application, the QML engine and the one Core, published to
// the interface document flat/main.qml that lies beside the executable.
#include "browser/impulses.h"
#include "browser/lab_preview.h"
#include "core/core.h"
#include "core/log_categories.h"
#include "core/web_pages.h"
#include "desktop/desktop.h"
#include "editing/preset_session.h"
#include "history/edit_history.h"
#include "lab/lab.h"
#include "library/librarian.h"
#include "link/link.h"
#include "panel/preset_names.h"
#include "parsing/device_readout.h"
#include "ports/port_chooser.h"
#include "slot_list/slot_list.h"
#include "state/device_state.h"

#include <QDesktopServices>
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

    // Holds no state and outlives the document, which may still read it
    // while it goes.
    PresetNames presetNames;
    QQmlApplicationEngine engine;
    Core core;
    // The objects beside Core are declared after it: gone before it.
    Link &link = core.deviceLink();
    PresetSession &session = core.presetSession();
    DeviceReadout &readout = core.deviceReadout();
    QSettings &settings = core.settingsStore();
    Impulses impulses(link, session, settings);
    EditHistory history(session, readout);
    PortChooser ports(link, settings, givenPort);
    core.webPageOpener().setOpenUrl(&QDesktopServices::openUrl);
    Desktop desktop(settings, core.webPageOpener());
    SlotList slotList(link);
    Librarian library(link, session, readout, settings);
    LabPreview labPreview(link, session, impulses);
    Lab lab(&labPreview);
    DeviceState device(link, session, readout, &library);
    device.setNeighbours(&impulses, &slotList, &ports);

    QQmlContext *context = engine.rootContext();
    context->setContextProperty(QStringLiteral("_core"), &core);
    context->setContextProperty(QStringLiteral("_device"), &device);
    context->setContextProperty(QStringLiteral("_impulses"), &impulses);
    context->setContextProperty(QStringLiteral("_history"), &history);
    context->setContextProperty(QStringLiteral("_ports"), &ports);
    context->setContextProperty(QStringLiteral("_desktop"), &desktop);
    context->setContextProperty(QStringLiteral("_slots"), &slotList);
    context->setContextProperty(QStringLiteral("_library"), &library);
    context->setContextProperty(QStringLiteral("_presetNames"), &presetNames);
    context->setContextProperty(QStringLiteral("_lab"), &lab);
    context->setContextProperty(QStringLiteral("applicationDirPath"),
                                QVariant(QGuiApplication::applicationDirPath()));

    // Built from a local path: plain "file:///" + "/usr/..." would give four slashes.
    engine.load(QUrl::fromLocalFile(document));

    return app.exec();
}

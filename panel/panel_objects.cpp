// Making, wiring and publishing the objects beside Core.
#include "panel/panel_objects.h"

#include "base/web_pages.h"

#include <QDesktopServices>
#include <QQmlContext>
#include <QQmlEngine>

PanelObjects::PanelObjects(Link &link, PresetSession &session, DeviceReadout &readout,
                           QSettings &settings, WebPageOpener &webPages, const QString &givenPort)
    : impulses(link, session, settings), parameters(session, readout), history(session),
      ports(link, settings, givenPort), desktop(settings, webPages), slotList(link),
      library(link, session, readout, settings), labPreview(link, session, impulses),
      lab(&labPreview), device(link, session, readout, &library)
{
    webPages.setOpenUrl(&QDesktopServices::openUrl);
    device.setNeighbours(&impulses, &slotList, &ports);
}

void PanelObjects::publish(QQmlContext *context)
{
    context->setContextProperty(QStringLiteral("_device"), &device);
    context->setContextProperty(QStringLiteral("_impulses"), &impulses);
    context->setContextProperty(QStringLiteral("_parameters"), &parameters);
    context->setContextProperty(QStringLiteral("_history"), &history);
    context->setContextProperty(QStringLiteral("_ports"), &ports);
    context->setContextProperty(QStringLiteral("_desktop"), &desktop);
    context->setContextProperty(QStringLiteral("_slots"), &slotList);
    context->setContextProperty(QStringLiteral("_library"), &library);
    context->setContextProperty(QStringLiteral("_presetNames"), new PresetNames(context->engine()));
    context->setContextProperty(QStringLiteral("_lab"), &lab);
}

// The engine: the parts, started when the port opens and reset when it is lost.
#include "cli/engine.h"

#include "base/panel_settings.h"
#include "core/device_parts.h"
#include "link/link.h"

Engine::Engine()
    : parts(std::make_unique<DeviceParts>()),
      store(panelSettings::organisation(), panelSettings::application())
{
    DeviceParts *p = parts.get();
    Link *link = &p->link();
    QObject::connect(link, &Link::opened, link, [p] { p->startConnection(); });
    QObject::connect(link, &Link::closedAfterError, link, [p] { p->connectionLost(); });
}

Engine::~Engine() = default;

Link &Engine::link()
{
    return parts->link();
}

PresetSession &Engine::session()
{
    return parts->session();
}

DeviceReadout &Engine::readout()
{
    return parts->readout();
}

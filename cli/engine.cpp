// The engine: Core, created only as the owner of the parts.
#include "cli/engine.h"

#include "core/core.h"

Engine::Engine() : owner(std::make_unique<Core>()) {}

Engine::~Engine() = default;

Link &Engine::link()
{
    return owner->deviceLink();
}

PresetSession &Engine::session()
{
    return owner->presetSession();
}

DeviceReadout &Engine::readout()
{
    return owner->deviceReadout();
}

QSettings &Engine::settings()
{
    return owner->settingsStore();
}

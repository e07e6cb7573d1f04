// Construction and destruction of Core: the settings store and the parts it
// speaks for (the link, the answer dispatcher, the preset session, the device
// readout), wired together.
#include "core/core.h"

#include "base/web_pages.h"
#include "core/device_parts.h"
#include "link/link.h"

Core::Core(QObject *parent) : Core(nullptr, PacingClock(), parent) {}

Core::Core(Transport *transport, PacingClock clock, QObject *parent) : QObject(parent)
{
    parts = std::make_unique<DeviceParts>(this, transport, clock);
    webOpener = new WebPageOpener(this);
    // Core hears of every event before the objects beside it.
    connectSession();
    connectReadout();
    connectLink();
}

Core::~Core()
{
    // The parts go first, the link cut off before it closes the port, so
    // nothing is emitted from here.
    parts.reset();
}

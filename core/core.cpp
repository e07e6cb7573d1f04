// Construction and destruction of Core: the settings store, the answer
// matchers (the `matchers` member, built from the answer catalogue) and the
// link that owns the port, the port timer and the command queue, wired
// together.
#include "core/core.h"

#include "core/core_seam.h"
#include "link/link.h"

Core::Core(QObject *parent) : QObject(parent)
{
    bankCount = 10;
    presetCount = 10;

    editable = 0;
    saveToFile = 0;
    std::fill(std::begin(statusData), std::end(statusData), uchar(0));

    typeDev = 1;
    pendingUpDown = 0;
    pendingPreset = -1;
    presetEdit = 0;

    // The link creates the port and starts the port timer.
    link = new Link(this);
    seam = new CoreSeam(*this);
    connectLink();
}

Core::~Core()
{
    // The link goes first, cut off from Core: closing the port (and a long
    // command cut off by the close) must not reach Core, so nothing is
    // emitted from here.
    disconnect(link, nullptr, this, nullptr);
    delete link;
    link = nullptr;
    // The answer matchers go with their member, `matchers`.
}

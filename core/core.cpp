// Construction and destruction of Core: the settings store, the answer
// matchers (the `matchers` member, built from the answer catalogue), and the
// parts it speaks for (the link, the preset session, the device readout),
// wired together.
#include "core/core.h"

#include "core/web_pages.h"
#include "editing/preset_session.h"
#include "link/link.h"
#include "parsing/device_readout.h"

Core::Core(QObject *parent) : QObject(parent)
{
    bankCount = 10;
    presetCount = 10;

    saveToFile = 0;
    std::fill(std::begin(statusData), std::end(statusData), uchar(0));

    typeDev = 1;

    // The preset as the panel edits it: not edited, no move waiting, and
    // editable only once the first status block says so.
    session = new PresetSession(this);
    readout = new DeviceReadout(this);
    // The link creates the port and starts the port timer.
    link = new Link(this);
    webOpener = new WebPageOpener(this);
    connectLink();
    setSessionSteps();
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

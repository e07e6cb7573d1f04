// Construction and destruction of Core: the settings store and the parts it
// speaks for (the link, the answer dispatcher, the preset session, the device
// readout), wired together.
#include "core/core.h"

#include "core/web_pages.h"
#include "editing/preset_session.h"
#include "link/link.h"
#include "parsing/answer_dispatcher.h"
#include "parsing/device_readout.h"

Core::Core(QObject *parent) : QObject(parent)
{
    std::fill(std::begin(statusData), std::end(statusData), uchar(0));

    readout = new DeviceReadout(this);
    // The link creates the port and starts the port timer.
    link = new Link(this);
    // The preset as the panel edits it: not edited, no move waiting, and
    // editable only once the first status block says so.
    session = new PresetSession(*link, *readout, this);
    dispatcher = new AnswerDispatcher(*link, *session, *readout, this);
    webOpener = new WebPageOpener(this);
    // Core hears of every event before the objects beside it.
    connectSession();
    connectReadout();
    connectLink();
}

Core::~Core()
{
    // The link goes first, cut off from Core and the dispatcher: closing the
    // port (and a long command cut off by the close) must not reach them, so
    // nothing is emitted from here.
    disconnect(link, nullptr, this, nullptr);
    disconnect(link, nullptr, dispatcher, nullptr);
    delete link;
    link = nullptr;
}

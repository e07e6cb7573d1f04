// The parts, made in the order they depend on each other.
#include "core/device_parts.h"

#include "editing/preset_session.h"
#include "link/link.h"
#include "link/requests.h"
#include "parsing/answer_dispatcher.h"
#include "parsing/device_readout.h"

DeviceParts::DeviceParts(QObject *owner, Transport *transport, PacingClock clock)
{
    if (!owner) {
        ownHolder = std::make_unique<QObject>();
        owner = ownHolder.get();
    }
    readoutPart = new DeviceReadout(owner);
    // The link creates the port and starts the port timer.
    linkPart = transport ? new Link(transport, owner, clock) : new Link(owner);
    // The preset as the panel edits it: not edited, no move waiting, and
    // editable only once the first status block says so.
    sessionPart = new PresetSession(*linkPart, *readoutPart, owner);
    dispatcherPart = new AnswerDispatcher(*linkPart, *sessionPart, *readoutPart, owner);
}

DeviceParts::~DeviceParts()
{
    // Closing the port (and a long command cut off by the close) must not
    // reach the other parts or their listeners.
    linkPart->disconnect();
    delete linkPart;
    linkPart = nullptr;
}

void DeviceParts::startConnection()
{
    sessionPart->connectionStarted();
    linkPart->drain();
    for (const QByteArray &request : requests::startupBurst())
        linkPart->send(request);
}

void DeviceParts::connectionLost()
{
    readoutPart->forget();
    sessionPart->connectionLost();
}

// Asking the device for its impulse slot list again.
#include "slot_list/slot_list.h"

#include "base/log_categories.h"
#include "link/link.h"
#include "link/requests.h"

SlotList::SlotList(Link &link, QObject *parent) : QObject(parent), link(link) {}

void SlotList::refresh()
{
    if (!link.isOpen())
        return;
    // A pacing step with a request on the wire would send that one again:
    // behind a queue the list waits its turn.
    const bool idle = link.queueEmpty();
    link.send(requests::impulseNames);
    if (idle)
        link.pacingStep();
    qCDebug(linkLog) << "slot list asked for" << (idle ? "at once" : "behind the queue");
}

// Asking the device for its impulse slot list again.
#include "slot_list/slot_list.h"

#include "core/core.h"
#include "core/core_seam.h"
#include "core/log_categories.h"
#include "link/requests.h"

#include <QSerialPort>

SlotList::SlotList(Core &core, QObject *parent) : QObject(parent), seam(CoreSeam::of(core)) {}

void SlotList::refresh()
{
    if (!seam.port().isOpen())
        return;
    // A pacing step with a request on the wire would send that one again:
    // behind a queue the list waits its turn.
    const bool idle = seam.queueEmpty();
    seam.core().send(requests::impulseNames);
    if (idle)
        seam.core().slTimer();
    qCDebug(linkLog) << "slot list asked for" << (idle ? "at once" : "behind the queue");
}

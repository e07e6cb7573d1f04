// The shared Core-on-a-pty rig.
#include "support/pty_core_rig.h"

bool PtyCoreRig::openIdle()
{
    if (!open())
        return false;
    a.queue().clear();
    a.commandTotal() = 0;
    a.answerReceived() = 1;
    return true;
}

QByteArray PtyCoreRig::wire(int atLeast)
{
    const QByteArray bytes = atLeast > 0 ? pty.read(atLeast) : QByteArray();
    return bytes + pty.drainFor(50);
}

void PtyCoreRig::answerHead()
{
    releaseHead();
    core.slTimer();
}

void PtyCoreRig::releaseHead()
{
    if (!a.queue().isEmpty())
        a.queue().removeFirst();
    a.answerReceived() = 1;
}

bool PtyCoreRig::answer(const QByteArray &bytes, int left)
{
    pty.write(bytes);
    return spinUntil([&] { return a.queue().size() == left; });
}

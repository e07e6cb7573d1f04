// The shared Core-on-a-pty rig.
#include "support/core_rig.h"

bool CoreRig::openIdle()
{
    if (!open())
        return false;
    a.queue().clear();
    a.commandTotal() = 0;
    a.answerReceived() = 1;
    return true;
}

QByteArray CoreRig::wire(int atLeast)
{
    const QByteArray bytes = atLeast > 0 ? pty.read(atLeast) : QByteArray();
    return bytes + pty.drainFor(50);
}

void CoreRig::answerHead()
{
    releaseHead();
    core.slTimer();
}

void CoreRig::releaseHead()
{
    if (!a.queue().isEmpty())
        a.queue().removeFirst();
    a.answerReceived() = 1;
}

bool CoreRig::answer(const QByteArray &bytes, int left)
{
    pty.write(bytes);
    return spinUntil([&] { return a.queue().size() == left; });
}

namespace {

// The signals the pacing step emits when it sends a head or goes idle.
bool isPacingSignal(const Emission &e)
{
    if (e.signal == "sgSetProgress" || e.signal == "sgSetWait" || e.signal == "sgEndCommands")
        return true;
    return e.signal == "sgReadValue" && e.args.value(0).toString() == QLatin1String("wait");
}

} // namespace

QStringList withoutPacing(const SignalRecorder &rec)
{
    QStringList lines;
    const QStringList all = rec.lines();
    for (int i = 0; i < rec.all().size(); ++i) {
        if (!isPacingSignal(rec.all().at(i)))
            lines.append(all.at(i));
    }
    return lines;
}

QByteArray sampleStatus()
{
    QByteArray text;
    for (int i = 0; i < 43; ++i)
        text += QByteArray::number(i + 0x10, 16);
    return text;
}

// Core on the in-process device.
#include "support/core_rig.h"

#include "support/link_rig.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>

CoreRig::CoreRig(int type, int speedUp)
    : device(*new InProcessDevice(type)), core(&device, PacingClock(speedUp)),
      link(core.deviceLink()), session(core.presetSession()), readout(core.deviceReadout())
{
}

bool CoreRig::open()
{
    return core.openPort(QStringLiteral("/dev/in-process"));
}

bool CoreRig::openIdle()
{
    if (!open())
        return false;
    // The port timer's next step would start the start-up reading; the test
    // does not wait for it.
    link.startSending();
    // Read, and the stored preset learned, once every request was answered.
    const bool idle =
        waitFor([&] { return link.queueEmpty() && readout.identified() && !session.learning(); });
    QCoreApplication::processEvents(); // what the last answer's outcome sets off
    device.clearLog();
    rec.clear();
    linkRec.clear();
    return idle && link.queueEmpty();
}

bool CoreRig::waitIdle(int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        int idles = linkRec.count("idle");
        const bool idle = waitFor(
            [&] {
                const int now = linkRec.count("idle");
                const bool quiet = now > idles && link.queueEmpty();
                idles = now;
                return quiet;
            },
            int(std::max<qint64>(0, timeoutMs - clock.elapsed())));
        if (!idle)
            return false;
        // An exchange's outcome comes from the event loop after the idle
        // step, and what follows it may queue more.
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        if (link.queueEmpty() && !link.sendingInPieces())
            return true;
    }
}

bool CoreRig::waitFor(const std::function<bool()> &condition, int timeoutMs)
{
    return LinkRig::waitFor(condition, timeoutMs);
}

QList<QByteArray> CoreRig::requests() const
{
    return device.requests();
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

// The link's parts on the in-process device.
#include "support/link_rig.h"

#include "link/requests.h"

#include <QCoreApplication>
#include <QElapsedTimer>

LinkRig::LinkRig(int speedUp)
    : device(*new InProcessDevice), parts(nullptr, &device, PacingClock(speedUp)),
      link(parts.link())
{
    QObject::connect(&link, &Link::opened, &link, [this] { parts.startConnection(); });
    QObject::connect(&link, &Link::closedAfterError, &link, [this] { parts.connectionLost(); });
}

bool LinkRig::open(bool burst)
{
    if (!burst) {
        const QSignalBlocker quiet(&link);
        return link.openPort(QStringLiteral("/dev/in-process")) && link.queued().isEmpty();
    }
    return link.openPort(QStringLiteral("/dev/in-process"));
}

bool LinkRig::openIdle()
{
    if (!open())
        return false;
    link.startSending();
    const bool idle = waitIdle();
    device.clearLog();
    rec.clear();
    return idle;
}

void LinkRig::queue(const QList<QByteArray> &requests)
{
    for (const QByteArray &request : requests)
        link.send(request);
    link.startSending();
}

bool LinkRig::waitFor(const std::function<bool()> &condition, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    return true;
}

bool LinkRig::waitIdle(int timeoutMs)
{
    int idles = rec.count("idle");
    return waitFor(
        [&] {
            const int now = rec.count("idle");
            const bool idle = now > idles && link.queued().isEmpty();
            idles = now;
            return idle;
        },
        timeoutMs);
}

QList<QByteArray> firstLines(const QList<QByteArray> &requests)
{
    QList<QByteArray> lines;
    for (const QByteArray &request : requests)
        lines.append(request.left(request.indexOf('\r')));
    return lines;
}

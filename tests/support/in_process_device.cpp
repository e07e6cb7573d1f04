// The virtual device as an in-process transport: the line, the request loop
// through the device's framer and responder, and scheduled answers.
#include "support/in_process_device.h"

#include <QMetaObject>
#include <algorithm>

InProcessDevice::InProcessDevice(int type, QObject *parent)
    : Transport(parent), deviceModel(type, "2.03")
{
    deviceModel.loadFactory();
    releaseTimer.setSingleShot(true);
    releaseTimer.setTimerType(Qt::PreciseTimer);
    connect(&releaseTimer, &QTimer::timeout, this, &InProcessDevice::release);
    clock.start();
}

bool InProcessDevice::open(const QString &name)
{
    if (opened)
        close();
    if (refusing.kind != OpenFailure::Kind::None) {
        failure = refusing;
        failure.port = name;
        return false;
    }
    failure = OpenFailure();
    opened = true;
    return true;
}

void InProcessDevice::close()
{
    if (!opened)
        return;
    emit aboutToClose();
    opened = false;
    line.clear();
    incoming.clear();
    scheduled.clear();
    releaseTimer.stop();
}

qint64 InProcessDevice::write(const QByteArray &bytes)
{
    if (!opened)
        return -1;
    line += bytes;
    writes.append(int(bytes.size()));
    // The line takes the bytes from the event loop, as a driver does.
    if (!lineHeld && !takePending) {
        takePending = true;
        QMetaObject::invokeMethod(this, &InProcessDevice::takeLine, Qt::QueuedConnection);
    }
    return bytes.size();
}

QByteArray InProcessDevice::readAll()
{
    return std::exchange(incoming, QByteArray());
}

void InProcessDevice::holdLine(bool held)
{
    lineHeld = held;
    if (!held && !line.isEmpty() && !takePending) {
        takePending = true;
        QMetaObject::invokeMethod(this, &InProcessDevice::takeLine, Qt::QueuedConnection);
    }
}

void InProcessDevice::takeLine()
{
    takePending = false;
    if (!opened || lineHeld || line.isEmpty())
        return;
    const QByteArray bytes = std::exchange(line, QByteArray());
    taken += bytes;
    framer.feed(bytes);
    vdev::Request request;
    while (framer.next(&request))
        process(request);
    emit bytesWritten(bytes.size());
}

void InProcessDevice::silenceFor(int ms)
{
    silentUntilMs = clock.elapsed() + ms;
}

void InProcessDevice::process(const vdev::Request &request)
{
    received.append(request.line);
    receivedRaw.append(request.raw);
    bool lose = silentUntilMs >= 0 && clock.elapsed() < silentUntilMs;
    if (!lose && !fatesLeft.isEmpty() && vdev::Responder::drawsAnswer(request)) {
        lose = fatesLeft.at(0) == 'x';
        fatesLeft.remove(0, 1);
    }
    if (lose) { // as if it never reached the device
        ++lost;
        return;
    }
    const vdev::Reply reply = responder.handle(request);
    errorsSeen += reply.errors;
    for (int i = 0; i < replacements.size(); ++i) {
        if (replacements.at(i).first == request.line) {
            schedule(replacements.takeAt(i).second, delayMs);
            return;
        }
    }
    if (reply.answered)
        schedule(reply.answer, delayMs);
}

void InProcessDevice::inject(const QByteArray &bytes, int ms)
{
    schedule(bytes, ms);
}

void InProcessDevice::schedule(const QByteArray &bytes, int afterMs)
{
    // Pieces leave in order: never before what was scheduled earlier.
    qint64 due = std::max(clock.elapsed() + afterMs, lastDueMs);
    const int size = pieceBytes > 0 ? pieceBytes : int(bytes.size());
    for (int at = 0; at < bytes.size(); at += size) {
        scheduled.push_back({bytes.mid(at, size), due});
        lastDueMs = due;
        due += pieceGapMs;
    }
    if (bytes.isEmpty())
        return;
    if (!releaseTimer.isActive())
        releaseTimer.start(int(std::max<qint64>(0, scheduled.front().dueMs - clock.elapsed())));
}

void InProcessDevice::release()
{
    if (scheduled.empty())
        return;
    const qint64 now = clock.elapsed();
    // One piece a turn of the event loop, so that each arrives on its own.
    if (scheduled.front().dueMs <= now) {
        incoming += scheduled.front().bytes;
        scheduled.pop_front();
        emit readyRead();
    }
    if (!scheduled.empty() && opened)
        releaseTimer.start(int(std::max<qint64>(0, scheduled.front().dueMs - clock.elapsed())));
}

void InProcessDevice::vanish()
{
    scheduled.clear();
    releaseTimer.stop();
    errorsReported = 0;
    // A vanished port keeps reporting errors while it stays open.
    while (opened && errorsReported < 1000) {
        ++errorsReported;
        emit errorOccurred(QStringLiteral("the device vanished"));
    }
}

void InProcessDevice::clearLog()
{
    received.clear();
    receivedRaw.clear();
    taken.clear();
    writes.clear();
    errorsSeen.clear();
    lost = 0;
}

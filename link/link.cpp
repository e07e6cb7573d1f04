// The link: finding, opening, watching and closing the device's port; the
// command queue with one request on the wire at a time, re-sent at each tick
// until answered and given up after the retry limit; the direct write; long
// commands in pieces on the pacing timer; and exchanges followed to their end.
#include "link/link.h"

#include "base/log_categories.h"
#include "base/program_log.h"
#include "link/paced_writer.h"
#include "link/port_choice.h"
#include "link/requests.h"
#include "link/serial_transport.h"

#include <QDebug>
#include <QMetaObject>
#include <QSerialPortInfo>
#include <QTimer>
#include <utility>

namespace {
constexpr int portTimerIntervalMs = 1000;
constexpr int retryLimit = 3; // sends without an answer before giving up
} // namespace

Link::Link(QObject *parent) : Link(new SerialTransport, parent) {}

Link::Link(Transport *transport, QObject *parent, PacingClock clock)
    : QObject(parent), transport(transport), clock(clock)
{
    transport->setParent(this);
    portTimer = new QTimer();
    setAnswerWait(portTimerIntervalMs);
    // The interval is also the answer wait: a coarse timer may end it up to
    // 5% early and re-send a request the device is about to answer.
    portTimer->setTimerType(Qt::PreciseTimer);

    pacer = new PacedWriter(
        transport, [this](const QByteArray &piece) { writeDirect(piece); }, this, clock);
    connect(pacer, &PacedWriter::progressed, this, [this](int taken, int total) {
        heard.start(); // the line takes bytes: the device is not silent
        // The whole command is reported by the next command's send.
        if (taken < total)
            emit progressed(pacedProgressBase + pacedProgressSpan * float(taken) / float(total));
    });
    connect(pacer, &PacedWriter::finished, this, [this] { endPacedSend(false); });
    connect(pacer, &PacedWriter::stalled, this, [this] { endPacedSend(true); });
    // The port closed: the held writes were meant for a device that is gone.
    connect(pacer, &PacedWriter::cancelled, this, [this] { heldWrites.clear(); });

    connect(transport, &Transport::readyRead, this, &Link::readPort);
    connect(transport, &Transport::aboutToClose, this, &Link::closing);
    // The second of a flood of notifications finds the port already closed.
    connect(transport, &Transport::errorOccurred, this, &Link::closeAfterError);
    connect(portTimer, &QTimer::timeout, this, &Link::tick);

    portTimer->start();
}

Link::~Link()
{
    // The transport's destruction (it is a child), an error raised while
    // closing and a long command cut off by the close reach nobody.
    disconnect(transport, nullptr, this, nullptr);
    disconnect(pacer, nullptr, this, nullptr);
    if (transport->isOpen()) {
        transport->close();
        qDebug() << "CLOSEPORT";
    }
    delete portTimer;
}

// ---- the port ----------------------------------------------------------------

bool Link::isOpen() const
{
    return transport->isOpen();
}

bool Link::sendingInPieces() const
{
    return pacer->busy();
}

void Link::setAnswerWait(int ms)
{
    waitMs = ms;
    portTimer->setInterval(clock.interval(ms));
}

void Link::findPort()
{
    const QList<QSerialPortInfo> infos = QSerialPortInfo::availablePorts();
    QList<portChoice::PortEntry> entries;
    entries.reserve(infos.size());
    for (const QSerialPortInfo &info : infos) {
        portChoice::PortEntry entry;
        entry.systemLocation = info.systemLocation();
        entry.hasIdentifiers = info.hasVendorIdentifier() && info.hasProductIdentifier();
        entry.vendor = info.vendorIdentifier();
        entry.product = info.productIdentifier();
        entries.append(entry);
    }
    const std::optional<int> found = portChoice::firstDevice(entries);
    if (!found)
        return;
    const portChoice::PortEntry &entry = entries.at(*found);
    openPort(entry.systemLocation); // a port that fails to open still ends the walk
    qDebug().nospace().noquote() << "vendor:" << entry.vendor << " product:" << entry.product
                                 << " location:" << entry.systemLocation;
}

bool Link::openPort(const QString &name)
{
    if (transport->isOpen()) {
        transport->close();
        qDebug() << "openPort" << 117;
    }
    lastPortName = name;
    const bool isOpened = transport->open(name);

    if (!isOpened) // busy, gone or no permission: say which in the log
        qDebug().noquote() << "openPort" << name << transport->openFailure().systemMessage;

    const QString shown = portChoice::displayName(name);
    if (isOpened) {
        emit opened(shown);
        readBuffer.clear();
    } else {
        emit openRefused(shown);
    }
    return isOpened;
}

void Link::tick()
{
    if (transport->isOpen()) {
        transport->keepLineSettings();
        pacingStep();
    } else {
        qDebug() << "!OPEN";
        findPort();
    }
}

void Link::closeAfterError()
{
    // Closing on the first notification also ends the flood of read errors a
    // vanished port reports while it stays open.
    if (!transport || !transport->isOpen())
        return;
    transport->close();
    // The search for the device resumes at its own pace, not after the
    // answer wait the last request left behind (up to 10 s).
    setAnswerWait(portTimerIntervalMs);
    emit closedAfterError();
    // The queue does not advance while the port is closed.
    if (tracking)
        endExchange(false, QStringLiteral("the connection to the device was lost"));
}

void Link::readPort()
{
    // While a long command goes out, received bytes wait in the port: each
    // piece discards them, and the last pause hands on what came during it.
    if (pacer->busy())
        return;
    heard.start();
    emit received(transport->readAll());
}

// ---- the queue -----------------------------------------------------------------

void Link::send(const QByteArray &command)
{
    // Into an empty queue the command becomes a new head: its sends are
    // counted afresh, not on top of a head that was dropped unanswered.
    if (queue.isEmpty())
        sendCount = 0;
    queue.append(command);
    commandTotal = static_cast<quint16>(queue.size());
}

void Link::writePort(const QByteArray &bytes)
{
    // A closed port refuses the write; the queue keeps its head.
    if (!transport->isOpen())
        return;
    transport->write(bytes);
}

void Link::sendRaw(const QByteArray &bytes)
{
    // Nothing may come between the pieces of a long command: a direct write
    // made meanwhile leaves right after its last pause, in order.
    if (pacer->busy()) {
        heldWrites.append(bytes);
        qCDebug(linkLog) << "direct write held until the long command is out:" << bytes;
        return;
    }
    writeDirect(bytes);
}

void Link::writeDirect(const QByteArray &bytes)
{
    emit aboutToWrite();
    if (transport->isOpen())
        transport->readAll();
    readBuffer.clear();
    writePort(bytes);
    emit wrote(bytes);
    qCDebug(programLog) << "send" << bytes;
}

void Link::drain()
{
    clearQueue();
    readBuffer.clear();
    if (transport->isOpen())
        transport->readAll();
}

void Link::clearQueue()
{
    const QList<QByteArray> dropped = std::exchange(queue, {});
    emit requestsDropped(dropped);
}

void Link::pacingStep()
{
    // While a long command goes out nothing else is sent: no re-send, no
    // next command, no idle step. Its last pause carries on from there.
    if (pacer->busy())
        return;

    if (queue.isEmpty()) {
        if (tracking) {
            if (awaited.isEmpty())
                endExchange(true, QString());
            else
                endExchange(false,
                            QStringLiteral("the requests were dropped before the device answered"));
        }
        commandTotal = 0;
        emit idle();
        return;
    }

    qCDebug(programLog) << "sendCount" << sendCount;
    if (answerReceived) {
        // An answer released the previous head: this is the first send of
        // the new one. The answer is used up, so that the re-sends of this
        // head count even when no bytes at all come back.
        answerReceived = 0;
        sendCount = 1;
    } else if (sendCount < retryLimit) {
        ++sendCount;
    } else if (!stillPatient()) {
        giveUp();
        return;
    } else if (queue.first().size() > PacedWriter::pieceSize) {
        // A long command is waited for, not sent again: a device still
        // taking it in would get it twice, and each piece would discard
        // the answer that comes meanwhile.
        return;
    }
    if (sendCount == 1)
        heard.start(); // a new head: its wait starts now

    const QByteArray head = queue.first();
    // A closed port takes no bytes, so there is nothing to pace.
    if (head.size() > PacedWriter::pieceSize && transport->isOpen()) {
        startPacedSend(head);
        return;
    }
    sendRaw(head);
    setAnswerWait(requests::answerWaitMs(head));
    reportSend();
}

void Link::startSending()
{
    // Sent again before the timer's tick, the head would draw a second answer
    // and put every later answer one request out of step; counted, a few
    // quick clicks would give up on a device that is answering.
    const bool headOnWire = !queue.isEmpty() && !answerReceived && sendCount > 0;
    if (!headOnWire)
        pacingStep();
}

void Link::setPatience(int ms)
{
    patienceMs = qMax(0, ms);
    pacer->setStallLimit(qMax(PacedWriter::stallLimitMs, patienceMs));
}

bool Link::stillPatient() const
{
    // In link time: a test's clock may run faster than real time.
    return patienceMs > 0 && heard.isValid() && heard.elapsed() * clock.speedUp() < patienceMs;
}

void Link::reportSend()
{
    const float progress =
        commandTotal == 0 ? 0.0f : float(commandTotal - queue.size()) / float(commandTotal);
    emit headSent(progress);
}

void Link::giveUp()
{
    sendCount = 0;
    lastErrCommand = queue.first();
    lastErrAnswer = readBuffer;
    emit unanswered(lastErrCommand);
    const QList<QByteArray> dropped = queue;
    clearQueue();
    emit givenUp(dropped);
    if (tracking) {
        // A store command carries kilobytes of payload: name the request by
        // its first line only.
        const QByteArray request = lastErrCommand.left(lastErrCommand.indexOf('\r')).left(40);
        endExchange(false, QStringLiteral("the device did not answer the request \"%1\"")
                               .arg(QString::fromUtf8(request)));
    }
}

// ---- a received chunk ------------------------------------------------------------

void Link::beginChunk(const QByteArray &chunk)
{
    answerReceived = 0;
    readBuffer = chunk;
    qCDebug(programLog) << "slReadyRead" << readBuffer;
}

void Link::endChunk()
{
    // However many forms completed, the queue advances by one entry.
    if (!answerReceived)
        return;
    if (!queue.isEmpty())
        headReleased(queue.takeFirst());
    pacingStep();
}

// ---- long commands ----------------------------------------------------------------

void Link::startPacedSend(const QByteArray &head)
{
    // Ticks meanwhile find the writer busy and send nothing; the answer
    // wait starts once the command is out.
    pacedSendCount = sendCount;
    pacedProgressBase =
        commandTotal == 0 ? 0.0f : float(commandTotal - queue.size()) / float(commandTotal);
    pacedProgressSpan = commandTotal == 0 ? 0.0f : 1.0f / float(commandTotal);
    pacer->start(head);
    reportSend();
}

void Link::restorePacedHead()
{
    // An operation that emptied the queue meanwhile (escape, a move, another
    // impulse) takes effect now, after the last piece; the command it could
    // not cut stays at the head until the device answers it.
    const QByteArray &sent = pacer->command();
    if (!queue.isEmpty() && queue.constFirst().constData() == sent.constData())
        return;
    queue.prepend(sent);
    commandTotal = static_cast<quint16>(qMin(int(commandTotal) + 1, 0xffff));
    sendCount = pacedSendCount;
}

void Link::endPacedSend(bool stalled)
{
    // Bytes that came during the last pause are dispatched after the writes
    // held meanwhile have gone out (each would discard them).
    const QByteArray arrived = transport->isOpen() ? transport->readAll() : QByteArray();
    if (!arrived.isEmpty())
        heard.start();
    restorePacedHead();
    if (stalled) {
        // What the driver still holds of the command is dropped, so that no
        // later byte completes half a command; then it is given up like an
        // unanswered one.
        if (transport->isOpen())
            transport->discardOutput();
        giveUp();
    } else {
        setAnswerWait(requests::answerWaitMs(pacer->command()));
    }
    releaseHeldWrites();
    if (!arrived.isEmpty())
        emit received(arrived);
}

void Link::releaseHeldWrites()
{
    const QList<QByteArray> writes = std::exchange(heldWrites, {});
    for (const QByteArray &bytes : writes)
        writeDirect(bytes);
}

// ---- exchanges ----------------------------------------------------------------------

void Link::runExchange(const QList<QByteArray> &requests)
{
    drain();
    for (const QByteArray &request : requests)
        send(request);
    followQueue();
    pacingStep();
}

void Link::followQueue()
{
    tracking = true;
    awaited = queue;
}

void Link::headReleased(const QByteArray &head)
{
    if (!tracking)
        return;
    if (awaited.isEmpty() || awaited.first() != head) {
        endExchange(false, QStringLiteral("another operation took over the device"));
        return;
    }
    awaited.removeFirst();
    // Every request followed is answered: what was queued behind them since
    // (a request an answer brought on) is not part of the exchange.
    if (awaited.isEmpty())
        endExchange(true, QString());
}

void Link::endExchange(bool done, const QString &reason)
{
    tracking = false;
    awaited.clear();
    emit followingEnded();
    qCDebug(linkLog) << "exchange" << (done ? "done" : "failed:") << reason;
    // Delivered from the event loop, so a listener that starts the next
    // exchange does not run inside a dispatch or a pacing step.
    if (done)
        QMetaObject::invokeMethod(this, &Link::exchangeDone, Qt::QueuedConnection);
    else
        QMetaObject::invokeMethod(
            this, [this, reason] { emit exchangeFailed(reason); }, Qt::QueuedConnection);
}

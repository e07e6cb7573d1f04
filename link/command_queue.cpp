// The command queue: one request on the wire at a time, re-sent at each tick
// until answered, given up after the retry limit; plus the direct write.
// Long commands go out in pieces on the pacing timer (link/paced_writer.h)
// while the event loop runs on; nothing else reaches the wire meanwhile.
#include "core/core.h"
#include "core/core_seam.h"
#include "core/log_categories.h"
#include "core/program_log.h"
#include "link/paced_writer.h"
#include "link/requests.h"

#include <QDebug>
#include <QSerialPort>
#include <QTimer>
#include <utility>

namespace {
constexpr int retryLimit = 3; // sends without an answer before giving up
} // namespace

void Core::send(QByteArray command)
{
    // Into an empty queue the command becomes a new head: its sends are
    // counted afresh, not on top of a head that was dropped unanswered.
    if (commandQueue.isEmpty())
        sendCount = 0;
    commandQueue.append(command);
    commandTotal = static_cast<quint16>(commandQueue.size());
}

void Core::writePort(const QByteArray &bytes)
{
    // A closed port refuses the write; the queue keeps its head.
    if (!port->isOpen())
        return;
    port->write(bytes);
}

void Core::sendRaw(QByteArray bytes)
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

void Core::writeDirect(const QByteArray &bytes)
{
    matchers.forgetBeforeWrite();
    if (port->isOpen())
        port->readAll();
    readBuffer.clear();
    writePort(bytes);
    qCDebug(programLog) << "send" << bytes;
}

void Core::sendEdit(QByteArray bytes)
{
    pendingImpulse.otherChange();
    setPresetEdited(true);
    sendRaw(bytes);
}

void Core::drain()
{
    clearQueue();
    readBuffer.clear();
    if (port->isOpen())
        port->readAll();
}

void Core::clearQueue()
{
    commandQueue.clear();
    // The panel would otherwise take a copy whose answers never came for done.
    if (kept.requestsDropped())
        emit sgReadText(QStringLiteral("copy_unfinished"), kept.pasteRefusal());
}

void Core::readAll()
{
    emit seam->presetReplaced();
    editable = 1;
    drain();
    // A new connection starts from what the device holds.
    pendingImpulse.drop();
    kept.forgetCompared();
    for (const QByteArray &request : requests::startupBurst())
        send(request);
}

void Core::slTimer()
{
    // While a long command goes out nothing else is sent: no re-send, no
    // next command, no idle step. Its last pause carries on from there.
    if (pacer->busy())
        return;

    if (commandQueue.isEmpty()) {
        seam->queueIdle();
        commandTotal = 0;
        if (pendingUpDown != 0) {
            runUpDown(pendingUpDown);
            pendingUpDown = 0;
        }
        if (pendingPreset >= 0) {
            selectPreset(static_cast<uchar>(pendingPreset));
            pendingPreset = -1;
        }
        emit sgSetWait(false);
        emit sgReadValue(QStringLiteral("wait"), 0);
        return;
    }

    qCDebug(programLog) << "sendCount" << sendCount;
    if (answerReceived) {
        // An answer released the previous head: this is the first send of
        // the new one. The answer is used up, so that the re-sends of this
        // head count even when no bytes at all come back.
        answerReceived = 0;
        sendCount = 1;
    } else if (sendCount + 1 > retryLimit) {
        giveUp();
        return;
    } else {
        ++sendCount;
    }

    const QByteArray head = commandQueue.first();
    // A closed port takes no bytes, so there is nothing to pace.
    if (head.size() > PacedWriter::pieceSize && port->isOpen()) {
        startPacedSend(head);
        return;
    }
    sendRaw(head);
    portTimer->setInterval(requests::answerWaitMs(head));
    reportSend();
}

void Core::startSending()
{
    // Sent again before the timer's tick, the head would draw a second answer
    // and put every later answer one request out of step; counted, a few
    // quick clicks would give up on a device that is answering.
    const bool headOnWire = !commandQueue.isEmpty() && !answerReceived && sendCount > 0;
    if (!headOnWire)
        slTimer();
}

void Core::reportSend()
{
    const float progress =
        commandTotal == 0 ? 0.0f : float(commandTotal - commandQueue.size()) / float(commandTotal);
    emit sgSetProgress(progress);
    emit sgSetWait(true);
    emit sgReadValue(QStringLiteral("wait"), 1);
    if (commandQueue.isEmpty())
        emit sgEndCommands();
}

void Core::giveUp()
{
    sendCount = 0;
    lastErrCommand = commandQueue.first();
    lastErrAnswer = readBuffer;
    const int end = lastErrCommand.indexOf('\0');
    emit sgAnswerErrSave(QString::fromUtf8(end < 0 ? lastErrCommand : lastErrCommand.left(end)));
    // A save that did not reach its store request has stored nothing:
    // the preset keeps its unsaved edits, and the move that waited for
    // the save must not carry them away.
    const bool saveCutShort = commandQueue.contains(requests::storePreset);
    clearQueue();
    if (saveCutShort) {
        pendingUpDown = 0;
        pendingPreset = -1;
        setPresetEdited(true);
    }
    seam->headGivenUp(lastErrCommand);
}

// ---- long commands ---------------------------------------------------------

void Core::setUpPacing()
{
    pacer = new PacedWriter(
        port, [this](const QByteArray &piece) { writeDirect(piece); }, this);
    connect(pacer, &PacedWriter::progressed, this, [this](int taken, int total) {
        // The whole command is reported by the next command's send.
        if (taken < total)
            emit sgSetProgress(pacedProgressBase + pacedProgressSpan * float(taken) / float(total));
    });
    connect(pacer, &PacedWriter::finished, this, [this] { endPacedSend(false); });
    connect(pacer, &PacedWriter::stalled, this, [this] { endPacedSend(true); });
    // The port closed: the held writes were meant for a device that is gone.
    connect(pacer, &PacedWriter::cancelled, this, [this] { heldWrites.clear(); });
}

void Core::startPacedSend(const QByteArray &head)
{
    // Ticks meanwhile find the writer busy and send nothing; the answer
    // wait starts once the command is out.
    pacedSendCount = sendCount;
    pacedProgressBase =
        commandTotal == 0 ? 0.0f : float(commandTotal - commandQueue.size()) / float(commandTotal);
    pacedProgressSpan = commandTotal == 0 ? 0.0f : 1.0f / float(commandTotal);
    pacer->start(head);
    reportSend();
}

void Core::restorePacedHead()
{
    // An operation that emptied the queue meanwhile (escape, a move, another
    // impulse) takes effect now, after the last piece; the command it could
    // not cut stays at the head until the device answers it.
    const QByteArray &sent = pacer->command();
    if (!commandQueue.isEmpty() && commandQueue.constFirst().constData() == sent.constData())
        return;
    commandQueue.prepend(sent);
    commandTotal = static_cast<quint16>(qMin(int(commandTotal) + 1, 0xffff));
    sendCount = pacedSendCount;
}

void Core::endPacedSend(bool stalled)
{
    // Bytes that came during the last pause are dispatched after the writes
    // held meanwhile have gone out (each would discard them).
    const QByteArray arrived = port->isOpen() ? port->readAll() : QByteArray();
    restorePacedHead();
    if (stalled) {
        // What the driver still holds of the command is dropped, so that no
        // later byte completes half a command; then it is given up like an
        // unanswered one.
        if (port->isOpen())
            port->clear(QSerialPort::Output);
        giveUp();
    } else {
        portTimer->setInterval(requests::answerWaitMs(pacer->command()));
    }
    releaseHeldWrites();
    if (!arrived.isEmpty())
        dispatch(arrived);
}

void Core::releaseHeldWrites()
{
    const QList<QByteArray> writes = std::exchange(heldWrites, {});
    for (const QByteArray &bytes : writes)
        writeDirect(bytes);
}

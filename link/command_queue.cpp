// The command queue: one request on the wire at a time, re-sent at each tick
// until answered, given up after the retry limit; plus the direct write.
#include "core/core.h"
#include "core/core_seam.h"
#include "core/program_log.h"
#include "link/requests.h"

#include <QDebug>
#include <QSerialPort>
#include <QThread>
#include <QTimer>

namespace {
constexpr int pieceSize = 500;   // longest command written in one piece
constexpr int piecePauseMs = 20; // pause after each piece of a long command
constexpr int retryLimit = 3;    // sends without an answer before giving up
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
    matchers.forgetBeforeWrite();
    if (port->isOpen())
        port->readAll();
    readBuffer.clear();
    writePort(bytes);
    qCDebug(programLog) << "send" << bytes;
}

void Core::sendEdit(QByteArray bytes)
{
    presetEdit = 1;
    emit sgSetEdit(true);
    emit sgReadValue(QStringLiteral("preset_edit"), presetEdit);
    sendRaw(bytes);
}

void Core::drain()
{
    commandQueue.clear();
    readBuffer.clear();
    if (port->isOpen())
        port->readAll();
}

void Core::readAll()
{
    emit seam->presetReplaced();
    editable = 1;
    commandQueue.clear();
    readBuffer.clear();
    if (port->isOpen())
        port->readAll();
    impulsePath = QString();
    impulseName = QString();
    for (const QByteArray &request : requests::startupBurst())
        send(request);
}

void Core::slTimer()
{
    if (commandQueue.isEmpty()) {
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
        sendCount = 0;
        lastErrCommand = commandQueue.first();
        lastErrAnswer = readBuffer;
        const int end = lastErrCommand.indexOf('\0');
        emit sgAnswerErrSave(
            QString::fromUtf8(end < 0 ? lastErrCommand : lastErrCommand.left(end)));
        // A save that did not reach its store request has stored nothing:
        // the preset keeps its unsaved edits, and the move that waited for
        // the save must not carry them away.
        const bool saveCutShort = commandQueue.contains(requests::storePreset);
        commandQueue.clear();
        if (saveCutShort) {
            pendingUpDown = 0;
            pendingPreset = -1;
            presetEdit = 1;
            emit sgSetEdit(true);
            emit sgReadValue(QStringLiteral("preset_edit"), 1);
        }
        return;
    } else {
        ++sendCount;
    }

    const QByteArray head = commandQueue.first();
    if (head.size() <= pieceSize) {
        sendRaw(head);
    } else {
        // Long payloads go out in pieces with a pause after each, so the
        // device can keep up. Each piece is handed to the driver before the
        // pause, so the pauses reach the wire.
        for (int from = 0; from < head.size(); from += pieceSize) {
            sendRaw(head.mid(from, pieceSize));
            // A closed port takes no bytes, so there is nothing to pace.
            if (!port->isOpen())
                continue;
            port->flush();
            QThread::msleep(piecePauseMs);
        }
    }

    portTimer->setInterval(requests::answerWaitMs(head));

    const float progress =
        commandTotal == 0 ? 0.0f : float(commandTotal - commandQueue.size()) / float(commandTotal);
    emit sgSetProgress(progress);
    emit sgSetWait(true);
    emit sgReadValue(QStringLiteral("wait"), 1);
    if (commandQueue.isEmpty())
        emit sgEndCommands();
}

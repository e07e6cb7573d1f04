// Long commands in pieces, each paused after on a timer once the driver has
// taken it.
#include "link/paced_writer.h"

#include "base/log_categories.h"
#include "link/transport.h"

#include <algorithm>

PacedWriter::PacedWriter(Transport *device, WritePiece writePiece, QObject *parent,
                         PacingClock clock)
    : QObject(parent), device(device), writePiece(std::move(writePiece)), clock(clock)
{
    // A coarse timer may end a pause up to 5% early; the pause is a minimum.
    pauseTimer.setTimerType(Qt::PreciseTimer);
    pauseTimer.setSingleShot(true);
    pauseTimer.setInterval(clock.interval(pauseMs));
    stallTimer.setSingleShot(true);
    stallTimer.setInterval(clock.interval(stallLimitMs));
    connect(&pauseTimer, &QTimer::timeout, this, &PacedWriter::onPauseEnd);
    connect(&stallTimer, &QTimer::timeout, this, &PacedWriter::onStall);
    connect(device, &Transport::bytesWritten, this, &PacedWriter::onBytesWritten);
    connect(device, &Transport::aboutToClose, this, &PacedWriter::onClosing);
}

void PacedWriter::start(const QByteArray &command)
{
    if (active)
        return;
    sending = command;
    ahead = static_cast<int>(device->bytesToWrite());
    handedOver = 0;
    taken = 0;
    pausing = false;
    active = true;
    qCDebug(linkLog) << "long command:" << sending.size() << "bytes in"
                     << (sending.size() + pieceSize - 1) / pieceSize << "pieces";
    writeNextPiece();
}

void PacedWriter::writeNextPiece()
{
    const QByteArray piece = sending.mid(handedOver, pieceSize);
    handedOver += piece.size();
    writePiece(piece);
    // The write itself may have closed the device or seen the bytes taken.
    if (!active || pausing)
        return;
    if (device->bytesToWrite() == 0)
        pieceTaken();
    else
        stallTimer.start();
}

void PacedWriter::onBytesWritten(qint64 count)
{
    if (!active || pausing)
        return;
    // The driver takes bytes in order: first whatever was written before
    // the command, then the command's own.
    const qint64 earlier = std::min<qint64>(ahead, count);
    ahead -= static_cast<int>(earlier);
    const int before = taken;
    taken = static_cast<int>(std::min<qint64>(taken + count - earlier, handedOver));
    if (device->bytesToWrite() > 0) {
        stallTimer.start(); // progress: the piece has another stall limit
        if (taken > before)
            emit progressed(taken, sending.size());
        return;
    }
    pieceTaken();
}

void PacedWriter::pieceTaken()
{
    stallTimer.stop();
    taken = handedOver;
    pausing = true;
    pauseTimer.start();
    emit progressed(taken, sending.size());
}

void PacedWriter::onPauseEnd()
{
    if (!active)
        return;
    pausing = false;
    if (handedOver < sending.size()) {
        writeNextPiece();
        return;
    }
    stop();
    qCDebug(linkLog) << "long command out:" << sending.size() << "bytes";
    emit finished();
}

void PacedWriter::onStall()
{
    if (!active)
        return;
    stop();
    qCWarning(linkLog) << "long command stalled: no bytes taken for"
                       << stallTimer.interval() * clock.speedUp() << "ms," << taken << "of"
                       << sending.size() << "bytes out";
    emit stalled();
}

void PacedWriter::onClosing()
{
    if (!active)
        return;
    stop();
    qCDebug(linkLog) << "long command cut off: the port closed after" << taken << "of"
                     << sending.size() << "bytes";
    emit cancelled();
}

void PacedWriter::stop()
{
    active = false;
    pausing = false;
    pauseTimer.stop();
    stallTimer.stop();
}

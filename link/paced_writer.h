// PacedWriter: sends one long command in pieces with a pause after each,
// without holding up the event loop.
//
// A piece counts as sent once the driver has taken all of it (the transport's
// bytesWritten and an empty bytesToWrite()); only then does its pause start,
// on a precise single-shot timer. Pauses and the stall limit run on the
// link's pacing clock. A device that takes no bytes for a while
// simply holds the command where it is: nothing is forced onto a full line.
// A piece that makes no progress at all for the stall limit ends the command
// as stalled. Closing the device ends it at once.
//
// The writer does not write itself: it hands each piece to the function it
// was given, so the owner's own direct write (with its bookkeeping) carries
// every byte.
#pragma once

#include "link/pacing_clock.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>
#include <functional>

class Transport;

class PacedWriter : public QObject {
    Q_OBJECT

public:
    static constexpr int pieceSize = 500;      // longest piece; longer commands are cut
    static constexpr int pauseMs = 20;         // pause after each piece, the last included
    static constexpr int stallLimitMs = 10000; // longest wait for a piece that takes no bytes

    using WritePiece = std::function<void(const QByteArray &piece)>;

    PacedWriter(Transport *device, WritePiece writePiece, QObject *parent = nullptr,
                PacingClock clock = PacingClock());

    // Starts sending `command`; its first piece is handed over before this
    // returns. Only while not busy.
    void start(const QByteArray &command);
    // True from start() until the command finished, stalled or was cancelled.
    bool busy() const { return active; }
    // The command being sent (or the last one sent).
    const QByteArray &command() const { return sending; }

    // How long a piece may take no bytes at all before the command stalls.
    void setStallLimit(int ms) { stallTimer.setInterval(clock.interval(ms)); }

signals:
    // The driver has taken `taken` of the command's `total` bytes; emitted
    // whenever that rises, the last piece included.
    void progressed(int taken, int total);
    // The pause after the last piece has ended: the command is out.
    void finished();
    // A piece took no bytes for the stall limit; nothing more is sent.
    void stalled();
    // The device closed while the command was going out; nothing more is sent.
    void cancelled();

private:
    void writeNextPiece();
    void onBytesWritten(qint64 count);
    void pieceTaken();
    void onPauseEnd();
    void onStall();
    void onClosing();
    void stop();

    Transport *device;
    WritePiece writePiece;
    PacingClock clock;
    QTimer pauseTimer;
    QTimer stallTimer;
    QByteArray sending;
    int ahead = 0;      // bytes written before the command and not yet taken
    int handedOver = 0; // bytes handed to the device so far
    int taken = 0;      // bytes the driver has taken so far
    bool active = false;
    bool pausing = false;
};

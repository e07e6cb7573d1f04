// Link: the device's serial port and the road of every request to it.
//
// It owns the transport (the serial port unless it is given another), the
// port timer (the discovery clock and the answer wait),
// the command queue with one request on the wire at a time, its retries and
// give-up, the long-command writer, and the direct write. It knows nothing of
// presets: what an answer means is the dispatcher's business, what a dropped
// or given-up request means is its listeners'.
//
// Bytes read go out as `received`; the dispatcher says whether they retired
// the head (`headAnswered`), and `endChunk` then advances the queue by one.
//
// An exchange is a list of requests followed to one outcome: `exchangeDone`
// when every one was answered (requests queued behind them meanwhile are
// not part of it), or `exchangeFailed` with the reason in plain words. Both are delivered from the
// event loop, never from inside a pacing step or a dispatch.
#pragma once

#include "link/pacing_clock.h"
#include "link/transport.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>

class PacedWriter;
class QTimer;
struct PartsAccess;

class Link : public QObject {
    Q_OBJECT

public:
    // On the device's serial port.
    explicit Link(QObject *parent = nullptr);
    // On `transport`, which the link takes over; its pacing and waits on
    // `clock`.
    explicit Link(Transport *transport, QObject *parent = nullptr,
                  PacingClock clock = PacingClock());
    // Closes the port if it is open (debug line "CLOSEPORT"); emits nothing.
    ~Link() override;

    // ---- the port --------------------------------------------------------
    // Opens `name` on the transport; `opened` or `openRefused` follows
    // before this returns.
    bool openPort(const QString &name);
    // Looks for the device among the enumerated ports and opens the first.
    void findPort();
    bool isOpen() const;
    // The port named in the last open, as given, and why that open failed.
    QString portName() const { return lastPortName; }
    OpenFailure openFailure() const { return transport->openFailure(); }
    // How long the head on the wire is waited for before it is sent again
    // (the discovery pace while nothing waits), in link time.
    int answerWaitMs() const { return waitMs; }
    // How many times the head has been sent without an answer.
    int headSends() const { return sendCount; }
    // A long command is going out in pieces.
    bool sendingInPieces() const;
    // Requests queued, the head first; and the batch they count in.
    QList<QByteArray> queued() const { return queue; }
    int batchSize() const { return commandTotal; }
    // A port timer tick: one pacing step while open, else a search.
    void tick();
    // The port reported an error: close it (once) and say so.
    void closeAfterError();
    // Reads what the port holds and hands it on, unless a long command is
    // going out (its last pause hands on what came meanwhile).
    void readPort();

    // ---- the queue -------------------------------------------------------
    void send(const QByteArray &command); // append to the queue
    // The direct write: discards unread input and writes at once; held back
    // while a long command goes out and written right after its last pause.
    void sendRaw(const QByteArray &bytes);
    // How long the device may stay silent before a request is given up (ms).
    // A head unanswered after the retry limit is sent again at each answer
    // wait (a long command is only waited for) until nothing has come from
    // the device for this long; every byte read, every piece of a long
    // command the line takes and every new head start the wait afresh, and
    // a long command waits as long for the line. 0 (the panel's): given up
    // at the retry limit.
    void setPatience(int ms);
    // Empties the queue, clears the read buffer and discards unread input.
    void drain();
    // Empties the queue: what its requests awaited will not come.
    void clearQueue();
    // One pacing step: the head goes out (or again), or the queue is idle.
    void pacingStep();
    // A pacing step for requests just queued, unless the head is on the wire.
    void startSending();
    bool queueEmpty() const { return queue.isEmpty(); }
    // The request on the wire; empty when the queue is.
    QByteArray head() const { return queue.value(0); }
    bool queueContains(const QByteArray &request) const { return queue.contains(request); }

    // ---- a received chunk --------------------------------------------------
    // Before a chunk is offered to the answer forms: it becomes the read
    // buffer (debug line "slReadyRead") and no answer has come yet.
    void beginChunk(const QByteArray &chunk);
    // The dispatcher's verdict while a chunk is offered: an answer retired the head.
    void headAnswered() { answerReceived = 1; }
    // After the chunk: the queue advances by one entry if an answer came.
    void endChunk();

    // ---- exchanges ---------------------------------------------------------
    // Starts an exchange of `requests` alone: the queue and unread input are
    // dropped, the requests queued and the first sent.
    void runExchange(const QList<QByteArray> &requests);
    // Follows what the queue holds now as an exchange.
    void followQueue();
    // Ends the exchange being followed as failed, for `reason`.
    void abandonExchange(const QString &reason) { endExchange(false, reason); }
    // An exchange is being followed.
    bool following() const { return tracking; }

    // The command given up last, and the bytes received with it.
    const QByteArray &unansweredCommand() const { return lastErrCommand; }
    const QByteArray &unansweredReply() const { return lastErrAnswer; }

signals:
    void opened(const QString &shownName);
    void openRefused(const QString &shownName);
    // The port is about to close: emitted before anything else hears of it.
    void closing();
    // The open port failed and was closed.
    void closedAfterError();
    // Bytes read from the port, to be offered to the answer forms.
    void received(const QByteArray &chunk);
    // A direct write is about to go out: partial answers before it are stale.
    void aboutToWrite();
    // Bytes handed to the port (a request, a direct write or a piece of a
    // long command), for a readable log of the exchanges.
    void wrote(const QByteArray &bytes);
    // A head went out; `progress` is the share of the batch answered.
    void headSent(float progress);
    // A long command's pieces: the share of the batch reached so far.
    void progressed(float progress);
    // The pacing step found the queue empty.
    void idle();
    // Queued requests were dropped before their answers came.
    void requestsDropped(const QList<QByteArray> &dropped);
    // The retry limit was reached for `command`; the queue follows in
    // `givenUp`, after it was emptied.
    void unanswered(const QByteArray &command);
    void givenUp(const QList<QByteArray> &dropped);
    void exchangeDone();
    void exchangeFailed(const QString &reason);
    // The exchange stopped being followed (emitted at once, before its
    // outcome is delivered).
    void followingEnded();

private:
    friend struct PartsAccess; // tests read and set the queue's counters

    void setAnswerWait(int ms);
    void writePort(const QByteArray &bytes);
    void writeDirect(const QByteArray &bytes);
    void reportSend();
    void giveUp();
    void startPacedSend(const QByteArray &head);
    void restorePacedHead();
    void endPacedSend(bool stalled);
    void releaseHeldWrites();
    void dispatchAfterPause(const QByteArray &arrived);
    void headReleased(const QByteArray &head);
    void endExchange(bool done, const QString &reason);
    bool stillPatient() const;

    QByteArray lastErrCommand;
    QByteArray lastErrAnswer;
    QByteArray readBuffer;
    uchar answerReceived = 0;
    uchar sendCount = 0;
    QTimer *portTimer = nullptr;
    QList<QByteArray> queue;
    quint16 commandTotal = 0;
    Transport *transport = nullptr;
    PacingClock clock;
    int waitMs = 0;
    QString lastPortName;
    PacedWriter *pacer = nullptr;
    QList<QByteArray> heldWrites; // direct writes waiting for a long command's last pause
    float pacedProgressBase = 0;  // progress reported when the long command started
    float pacedProgressSpan = 0;  // the share of the batch that command stands for
    uchar pacedSendCount = 0;     // sendCount as the long command's send left it

    int patienceMs = 0;
    QElapsedTimer heard; // since the device was last heard, or a new head went out

    bool tracking = false;
    QList<QByteArray> awaited; // the exchange's requests not yet answered, in order
};

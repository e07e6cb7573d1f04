// InProcessDevice: the virtual device's own model and responder as a
// transport, with no pty and no process. Bytes the link writes go through
// the device's framer and responder; answers come back from the event loop
// (never inside write()), after a delay, in pieces, or not at all, as the
// test scripts them. The test can look at the device's side: every request
// it received, in order, and its model (stored presets, live status, place).
#pragma once

#include "device/framer.h"
#include "device/model.h"
#include "device/responder.h"
#include "link/transport.h"

#include <QElapsedTimer>
#include <QList>
#include <QTimer>
#include <deque>

class InProcessDevice : public Transport {
    Q_OBJECT

public:
    // A device of `type` (1 to 4) with its factory presets.
    explicit InProcessDevice(int type = 1, QObject *parent = nullptr);

    // ---- the transport ----------------------------------------------------
    bool open(const QString &name) override;
    OpenFailure openFailure() const override { return failure; }
    void close() override;
    bool isOpen() const override { return opened; }
    qint64 write(const QByteArray &bytes) override;
    qint64 bytesToWrite() const override { return line.size(); }
    void discardOutput() override { line.clear(); }
    QByteArray readAll() override;
    qint64 bytesAvailable() const override { return incoming.size(); }

    // ---- the script --------------------------------------------------------
    // Every answer leaves `ms` after its request arrived.
    void setDelay(int ms) { delayMs = ms; }
    // Answers leave in pieces of at most `bytes` (0: whole), `gapMs` apart.
    void setPieces(int bytes, int gapMs = 1)
    {
        pieceBytes = bytes;
        pieceGapMs = gapMs;
    }
    // The fates of the next requests that draw an answer, one letter each:
    // 'a' answered, 'x' lost as if it never reached the device (not carried
    // out, not answered). Past the script every request is answered.
    // "xa": no answer to the first attempt, an answer to the retry.
    void script(const QByteArray &fates) { fatesLeft = fates; }
    // The next `count` requests that draw an answer are lost.
    void loseNext(int count) { fatesLeft = QByteArray(count, 'x'); }
    // Every request arriving in the next `ms` is lost.
    void silenceFor(int ms);
    // While held the line takes no bytes: what is written stays in
    // bytesToWrite() and no bytesWritten comes.
    void holdLine(bool held);
    // The next request whose first line is `firstLine` ("gs") is carried
    // out, but `answer` goes back instead of the device's own: an odd or
    // garbled answer, exactly as given.
    void answerNextWith(const QByteArray &firstLine, const QByteArray &answer)
    {
        replacements.append({firstLine, answer});
    }
    // The next open fails with `refusal` (its kind None: opens succeed again).
    void refuseOpen(const OpenFailure &refusal) { refusing = refusal; }
    // Bytes from the device that no request asked for, delivered from the
    // event loop after `ms`.
    void inject(const QByteArray &bytes, int ms = 0);
    // Bytes from the device that wait unread with no notification, as if
    // they had come after the program last read.
    void leaveUnread(const QByteArray &bytes) { incoming += bytes; }
    // The device vanishes: the open port reports errors (a flood, as a real
    // one does) until it is closed; answers not delivered yet are lost.
    void vanish();

    // ---- the device's side ---------------------------------------------------
    // The requests received in order, each as its first line ("gs", "cc s 1").
    QList<QByteArray> requests() const { return received; }
    // Every request as received, bytes and all.
    QList<QByteArray> rawRequests() const { return receivedRaw; }
    // How often a request with this first line was received.
    int count(const QByteArray &firstLine) const { return received.count(firstLine); }
    // Requests lost by the script, and errors reported by the last vanish.
    int lostCount() const { return lost; }
    int errorReports() const { return errorsReported; }
    // What was written and not taken by the line yet (while it is held).
    QByteArray unsent() const { return line; }
    // Every byte the line took, in order; and the size of each write the
    // program made.
    QByteArray wire() const { return taken; }
    QList<int> writeSizes() const { return writes; }
    // Forgets the received requests and bytes (the model is kept).
    void clearLog();
    vdev::DeviceModel &model() { return deviceModel; }
    const vdev::DeviceModel &model() const { return deviceModel; }
    // What the device's responder found wrong with requests, in order.
    QStringList problems() const { return errorsSeen; }

private:
    void takeLine();
    void process(const vdev::Request &request);
    void schedule(const QByteArray &bytes, int afterMs);
    void release();

    vdev::DeviceModel deviceModel;
    vdev::Responder responder{deviceModel};
    vdev::Framer framer;
    bool opened = false;
    OpenFailure failure;
    OpenFailure refusing;

    QByteArray line;     // written, not taken by the line yet
    QByteArray incoming; // from the device, not read yet
    bool lineHeld = false;
    bool takePending = false;

    int delayMs = 0;
    int pieceBytes = 0;
    int pieceGapMs = 1;
    QByteArray fatesLeft;
    QList<QPair<QByteArray, QByteArray>> replacements; // first line, answer
    qint64 silentUntilMs = -1;

    struct Piece {
        QByteArray bytes;
        qint64 dueMs;
    };
    std::deque<Piece> scheduled;
    qint64 lastDueMs = 0;
    QTimer releaseTimer;
    QElapsedTimer clock;

    QList<QByteArray> received;
    QList<QByteArray> receivedRaw;
    QByteArray taken;
    QList<int> writes;
    QStringList errorsSeen;
    int lost = 0;
    int errorsReported = 0;
};

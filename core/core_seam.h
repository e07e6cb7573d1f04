// CoreSeam: the one door through which the panel's newer back-end objects
// (the impulse browser, the librarian, the edit history, the port chooser)
// reach Core beyond the interface it offers the document.
//
// Core creates one seam as its child and lives exactly as long as it. Core
// tells the seam, through its signals, of the events its own interface does
// not carry; the objects read the little state they need through the seam's
// accessors, and never touch Core's fields themselves. The document never
// sees the seam: only Core's own interface is published as `_core`.
//
// Add to this class what a new object needs, one accessor or one signal at
// a time, each with a line saying what it means.
#pragma once

#include "impulse/pending_impulse.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>

class Core;
class QSerialPort;
class QSettings;

class CoreSeam : public QObject {
    Q_OBJECT

public:
    // The seam of `core`.
    static CoreSeam &of(Core &core);

    Core &core() const { return m_core; }

    // The device's port, read-only: whether it is open, its name, and the
    // error of the last failed open.
    const QSerialPort &port() const;

    // True while no request waits in the command queue.
    bool queueEmpty() const;

    // The settings store the panel keeps its choices in.
    QSettings &settings() const;

    // ---- state ------------------------------------------------------------
    // The current preset has edits the device has not stored.
    bool hasUnsavedEdits() const;
    // Compare shows the stored preset; the edits are held aside meanwhile.
    bool comparing() const;
    // The type code of the last identification answer (1 to 4 are known).
    int deviceType() const;
    // Banks of the connected device family, and presets in each.
    int bankCount() const;
    int presetsPerBank() const;

    // Where the impulse the current preset plays comes from, when it is not
    // the one the device has stored for it (a file loaded or a preset pasted
    // and not saved yet).
    const PendingImpulse &pendingImpulse() const;

    // ---- requests ---------------------------------------------------------
    // Starts a new exchange with `requests` alone: the queue and unread input
    // are dropped, the requests are queued and the first goes out. Then
    // exactly one of requestsDone or requestsFailed follows.
    void runRequests(const QList<QByteArray> &requests);
    // The panel's jump to a preset (the queue is replaced by the jump and its
    // read-back, the preset's pending state dropped), followed like
    // runRequests.
    void selectPreset(int preset);
    // A preset put on the clipboard as a copy would leave it (the name as the
    // device reported it, the image as hex text; both empty for none) and
    // pasted onto the current preset, followed like runRequests.
    void paste(const QByteArray &statusText, const QByteArray &impulseName,
               const QByteArray &hexImage);
    // The answer to the exchange's next impulse read ("cc") goes to
    // impulseRead; the copy's clipboard is not touched. Disarmed by that
    // answer or the exchange's end.
    void captureImpulse();

signals:
    // The current preset's content was replaced as a whole: a move to another
    // preset, a revert, a paste, an impulse load, a sweep or a new connection.
    void presetReplaced();
    // Every request of the exchange was answered. Delivered from the event
    // loop, never from inside Core's own call.
    void requestsDone();
    // The exchange ended short, with why in plain words: a request went
    // unanswered, the port closed, or another operation replaced the queue.
    // Delivered from the event loop.
    void requestsFailed(const QString &reason);
    // The device acknowledged storing the current preset ("sp"): a save went through.
    void presetStored();
    // A status block arrived (86 hex digits, as received).
    void statusRead(const QByteArray &statusText);
    // The captured impulse answer: the name as reported and the image as hex
    // text; both empty when the preset has no impulse.
    void impulseRead(const QByteArray &name, const QByteArray &hexImage);

    // The desktop could not open a web page (no browser, for instance).
    void webPageNotOpened(const QUrl &url);

private:
    friend class Core;
    friend struct AnswerHandlers; // the dispatch table's impulse answer
    explicit CoreSeam(Core &core);

    // The dispatcher's side: the impulse answer, while the seam awaits it.
    bool wantsImpulse() const;
    void impulseAnswered(const QList<QByteArray> &values);

    Core &m_core;
    bool impulseArmed = false;
};

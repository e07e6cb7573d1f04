// PresetSession: the current preset as the panel edits it.
//
// It owns whether the preset has edits the device has not stored, whether
// compare shows the stored version, the blocks compare and copy keep, the
// impulse not stored yet, and the move waiting for the queue to drain. The
// objects beside Core (the browser, the librarian, the edit history, the
// panel's device state, the command line) follow the preset through its
// typed events and act on it through its operations, never through Core.
//
// Core owns the session and carries out its operations with its editing
// steps (editing/, impulse/); it publishes the session's changes to the
// interface document as its own signals.
#pragma once

#include "editing/kept_blocks.h"
#include "impulse/pending_impulse.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <functional>

struct PartsAccess;

class PresetSession : public QObject {
    Q_OBJECT

public:
    explicit PresetSession(QObject *parent = nullptr) : QObject(parent) {}

    // ---- state -------------------------------------------------------------
    // The current preset has edits the device has not stored.
    bool edited() const { return presetEdit != 0; }
    // Compare shows the stored preset; the edits are held aside meanwhile.
    bool comparing() const { return editable == 0; }
    // Where the impulse the current preset plays comes from, when it is not
    // the one the device has stored for it.
    const PendingImpulse &pendingImpulse() const { return pending; }
    // A save was started and the device has not yet acknowledged storing
    // the preset (nor was its store request dropped).
    bool saving() const { return savingNow; }
    // A whole copy is there to paste; else why not, in the panel's words.
    bool hasCopy() const { return kept.pasteRefusal().isEmpty(); }
    QString pasteRefusal() const { return kept.pasteRefusal(); }

    // ---- operations ----------------------------------------------------------
    // A live edit or control word, as the panel's controls make them.
    void setValue(const QString &name, uchar value) { steps.setValue(name, value); }
    // Takes an impulse file as the current preset's (played at once, stored
    // with the next save); false when the file cannot be played.
    bool loadImpulse(const QString &path) { return steps.loadImpulse(path); }
    // Stores the current preset.
    void save() { steps.save(); }
    // The panel's jump to `preset` with its read-back, followed as an
    // exchange of the link (exchangeDone / exchangeFailed).
    void selectPreset(int preset) { steps.selectPreset(preset); }
    // A preset given whole (the name as the device reported it, the image as
    // hex text; both empty for none) pasted onto the current preset,
    // followed as an exchange of the link.
    void paste(const QByteArray &statusText, const QByteArray &impulseName,
               const QByteArray &hexImage)
    {
        steps.paste(statusText, impulseName, hexImage);
    }
    // The answer to the exchange's next impulse read ("cc") goes to
    // impulseCaptured; the copy's clipboard is not touched.
    void captureImpulse() { captureArmed = true; }

    // ---- what the device answered (handed over by the dispatcher) -----------
    // A copy waits for the impulse answer.
    bool awaitsCopiedImpulse() const { return kept.awaitsImpulse(); }
    // A capture waits for the impulse answer of its exchange.
    bool capturing() const { return captureArmed; }
    // A status block of the current preset (86 hex digits): kept for compare
    // and copy, and, while no edits are there, what the device stores.
    void statusBlockRead(const QByteArray &block);
    // The device reported its bank and preset: it holds what it stores.
    void positionRead() { setEdited(false); }
    // The device reported the name of the impulse the preset plays.
    void impulseReported(const QString &name) { emit impulseShown(name); }
    // The impulse answer: to a capture, a copy, or both.
    void impulseAnswered(const QList<QByteArray> &values);
    // The device acknowledged storing the current preset.
    void presetStored();

    // ---- set by the owner --------------------------------------------------
    struct Steps {
        std::function<void(const QString &, uchar)> setValue;
        std::function<bool(const QString &)> loadImpulse;
        std::function<void()> save;
        std::function<void(int)> selectPreset;
        std::function<void(const QByteArray &, const QByteArray &, const QByteArray &)> paste;
    };
    void setSteps(Steps s) { steps = std::move(s); }

signals:
    // The preset's content was replaced as a whole: a move to another preset,
    // a revert, a paste, an impulse load, a sweep or a new connection.
    void replaced();
    // The device acknowledged storing the current preset: a save went through.
    void stored();
    // A save started; `stored` or `saveFailed` follows.
    void saveStarted();
    void saveFailed();
    void editedChanged(bool edited);
    // Whether compare shows the stored preset, as published to the panel
    // (with each status block and each jump).
    void comparingChanged(bool comparing);
    // The name of the impulse the current preset plays changed: a file was
    // loaded, or the device reported one.
    void impulseShown(const QString &name);
    // A chosen impulse file cannot be played as it is.
    void impulseRefused(const QString &path);
    // The captured impulse answer: the name as reported and the image as hex
    // text; both empty when the preset has no impulse.
    void impulseCaptured(const QByteArray &name, const QByteArray &hexImage);
    // A copy ended: `whole` when both its answers came, else it did not
    // finish and Paste has nothing.
    void copyEnded(bool whole);

private:
    friend class Core;         // its editing steps change the state below
    friend struct PartsAccess; // tests set a state up directly

    // Set by the owner's steps; announced when it changes.
    void setEdited(bool on);
    // Every status block read: one read while the preset has no edits is
    // what the device stores, and the values edited since start from it.
    void statusRead(const QByteArray &block);
    // A parameter written to the device (its status position and byte).
    // True when that put every parameter back to what the device stores,
    // with no impulse pending: the preset is clean again.
    bool parameterWritten(int position, uchar value);
    // A save starts (saveStarted) and ends: stored, or failed when its store
    // request was dropped or never queued.
    void beginSave();
    void endSave(bool stored);

    uchar presetEdit = 0;
    uchar editable = 0;
    KeptBlocks kept;                // compare's and copy's blocks
    PendingImpulse pending;         // the current preset's impulse not stored yet
    uchar pendingUpDown = 0;        // step to run once the queue drains; 0 = none
    signed char pendingPreset = -1; // preset to change to once the queue drains; -1 = none
    bool captureArmed = false;
    bool savingNow = false;
    QByteArray storedBytes;  // the preset as the device stores it (43 bytes)
    QByteArray currentBytes; // the same with the edits written since
    QByteArray savingBytes;  // the edits a save under way is storing
    Steps steps;
};

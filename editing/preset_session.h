// PresetSession: the current preset as the panel edits it.
//
// It owns whether the preset has edits the device has not stored, whether
// compare shows the stored version, the blocks compare and copy keep, the
// impulse not stored yet, the move waiting for the queue to drain and the
// save under way. Its operations (live edits, moves, compare, revert, copy
// and paste, impulse preview and store, save) queue the device's commands on
// the link; the dispatcher hands it the answers that concern it through the
// face parsing/ declares for them (PresetAnswers).
//
// It tells its listeners what happened in typed events. The objects beside
// Core follow those; Core forwards its interface's calls here and publishes
// the events under "for the interface document" as its own signals, at once
// and in the order they come (it connects before anyone else).
#pragma once

#include "editing/kept_blocks.h"
#include "editing/preset_values.h"
#include "impulse/pending_impulse.h"
#include "parsing/preset_answers.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

class DeviceReadout;
class Link;
struct PartsAccess;
struct WavHeader;

class PresetSession : public QObject, public PresetAnswers {
    Q_OBJECT

public:
    // Queues its commands on `link`; walks follow `readout`'s family.
    PresetSession(Link &link, const DeviceReadout &readout, QObject *parent = nullptr);

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
    // The preset's parameters as they play and as the device stores them.
    const PresetValues &values() const { return presetValues; }
    // The stored version is being learned (learnStored).
    bool learning() const { return learnPhase != Learn::Idle; }
    // What compare and copy keep aside from the device.
    const KeptBlocks &keptBlocks() const { return kept; }
    // A step or a jump waits for the queue to drain.
    bool moveWaiting() const { return pendingUpDown != 0 || pendingPreset >= 0; }

    // ---- operations ----------------------------------------------------------
    // A live edit or control word, as the panel's controls make them
    // (editing/set_value.cpp lists the control words).
    void setValue(const QString &name, uchar value);
    // Learns what the device stores for the current preset without changing
    // what it plays: the live status (read already) is set aside, "esc"
    // brings back the stored version, which is read, and where the two
    // differ the live one goes back (unless `putBack` is false: a walk
    // through the presets gives it back at its end). The preset then counts
    // as edited (storedLearned tells). Queued after whatever the link holds.
    void learnStored(bool putBack = true);
    // A walk through the presets is about to leave the current preset: its
    // unsaved changes are set aside (their status text; empty when there
    // are none that can be given back), and it no longer counts as edited.
    QByteArray setAsideUnsaved();
    // Back on that preset: the changes set aside play again, unsaved.
    void putBackUnsaved(const QByteArray &statusText);
    // A bank or preset step (codes: editing/step_code.h) or a jump to
    // `preset`: asked about first (stepAsked, jumpAsked) while the preset
    // has unsaved edits, else carried out once the queue drains.
    void requestStep(uchar code);
    void requestJump(uchar preset);
    // The same at once, without asking: the edits are given up.
    void stepNow(uchar code);
    void jumpNow(uchar preset);
    // Saves, then carries out the jump (a preset number of 128 and above: none).
    void saveThenJump(uchar preset);
    // Takes an impulse file as the current preset's (played at once, stored
    // with the next save); false when the file is not there or cannot be
    // played as it is.
    bool loadImpulse(const QString &path);
    // Stores the current preset.
    void save() { saveThenStep(0); }
    // The panel's jump to `preset` with its read-back, followed as an
    // exchange of the link (exchangeDone / exchangeFailed).
    void selectPreset(int preset);
    // A preset given whole (the name as the device reported it, the image as
    // hex text; both empty for none) pasted onto the current preset,
    // followed as an exchange of the link.
    void paste(const QByteArray &statusText, const QByteArray &impulseName,
               const QByteArray &hexImage);
    // The answer to the exchange's next impulse read ("cc") goes to
    // impulseCaptured; the copy's clipboard is not touched.
    void captureImpulse() { captureArmed = true; }

    // ---- what the device answered (PresetAnswers: the dispatcher's face) -------
    bool awaitsCopiedImpulse() const override { return kept.awaitsImpulse(); }
    bool capturing() const override { return captureArmed; }
    // A status block is kept for compare and copy, and, while no edits are
    // there, taken as what the device stores.
    void statusBlockRead(const QByteArray &block) override;
    // A step left the edited preset: no longer edited, and the panel told.
    void stepAnswered() override { markEdited(false); }
    void positionRead() override { setEdited(false); }
    void revertAnswered() override;
    void impulseReported(const QString &name) override { emit impulseShown(name); }
    void impulseAnswered(const QList<QByteArray> &values) override;
    void presetStored() override;

    // ---- the interface's own commands, as Core forwards them --------------
    // Compare: show the stored preset, or the edited one again.
    void compare();
    // Revert the preset, or only its impulse, to what the device stores.
    void revert();
    void revertImpulse();
    // Copy the current preset; paste the copy onto it.
    void copy();
    void pasteCopy();
    // Save, then carry out the bank or preset step `upDown` (0: none).
    void saveThenStep(uchar upDown);
    // Play an impulse file (48 kHz, 24-bit mono) on the current preset;
    // false when it is not there or not in that format.
    bool playImpulse(const QString &filePath, const QString &fileName);
    bool playImpulseFile(const QString &fullFilePath);
    // Decode a checked file and queue its preview, or (`store`) its store.
    void decodeWavOk(const QString &filePath, bool store);
    // The decoded impulse goes out as the last decode asked.
    void decodeStopped();
    // A raw edit command, written at once: the preset is edited.
    void sendEdit(const QByteArray &bytes);
    // Sets edited and tells the interface, even when it did not change.
    void markEdited(bool edited);

    // ---- the connection -----------------------------------------------------
    // A new connection starts from what the device holds.
    void connectionStarted();
    // The port was lost: its edits, a save under way and a tried impulse
    // went with the device.
    void connectionLost();

signals:
    // ---- for the interface document ----------------------------------------
    // The edited flag shown, and reported as the value "preset_edit".
    void editShown(bool edited);
    void editReported(bool edited);
    // Whether the controls take edits, shown and reported as "editable".
    void editableShown(bool editable);
    void editableReported(bool editable);
    // The wait indicator, shown and reported as "wait".
    void waitShown(bool wait);
    void waitReported(bool wait);
    // The impulse the preset now plays, named by the panel (a file or a paste).
    void impulseAnnounced(const QString &name);
    // A step or jump asked for while the preset has unsaved edits: the
    // interface asks whether to save first.
    void stepAsked(uchar code);
    void jumpAsked(uchar preset);
    // Nothing to paste, or a copy cut short, in the panel's words.
    void pasteRefused(const QString &reason);
    void copyCutShort(const QString &reason);
    // A file the device cannot play; a file to convert before it is stored.
    void formatRefused();
    void conversionAsked(const QString &filePath);

    // ---- for every listener ---------------------------------------------------
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
    // A status block of what the preset plays was read (not the stored
    // version read while learning it).
    void statusShown(const QByteArray &block);
    // The values as they play or as stored changed (values()).
    void valuesChanged();
    // The device's mode was set (it reports nothing back).
    void modeWritten(int mode);
    // The stored version was learned; `unsaved`: what plays differs from it.
    void storedLearned(bool unsaved);
    // A chosen impulse file cannot be played as it is.
    void impulseRefused(const QString &path);
    // The captured impulse answer: the name as reported and the image as hex
    // text; both empty when the preset has no impulse.
    void impulseCaptured(const QByteArray &name, const QByteArray &hexImage);
    // A copy ended: `whole` when both its answers came, else it did not
    // finish and Paste has nothing.
    void copyEnded(bool whole);

private:
    friend struct PartsAccess; // tests set a state up directly

    // Sets edited; announced (editedChanged) when it changes.
    void setEdited(bool on);
    // The edits are on show again; announced (comparingChanged) at once when
    // compare was on, while the document hears of it with the next block.
    void leaveCompare();
    // The stored version read while learning it.
    void storedRead(const QByteArray &block);
    // A parameter written to the device (its status position and byte).
    // True when that put every parameter back to what the device stores,
    // with no impulse pending: the preset is clean again.
    bool parameterWritten(int position, uchar value);
    // A save starts (saveStarted) and ends: stored, or failed when its store
    // request was dropped or never queued.
    void beginSave();
    void endSave(bool stored);

    // ---- the link's events -----------------------------------------------------
    // The queue drained: a waiting move is carried out.
    void queueDrained();
    // Queued requests were dropped, or given up after the retry limit.
    void requestsDropped(const QList<QByteArray> &dropped);
    void requestsGivenUp(const QList<QByteArray> &dropped);

    // ---- moves (editing/navigation.cpp) -----------------------------------------
    void bankStep(uchar direction); // steps::Up or steps::Down
    void presetStep(uchar direction);
    // Replaces the queue with `move` and the read-back after it; a jump
    // (`clearsEdit`) also clears and reports the edited state.
    void beginMove(const QByteArray &move, bool clearsEdit);
    // An editing action named by setValue (a control word).
    void runControlWord(const QString &word, uchar value);
    // Steps through every preset with its read-back ("map_update").
    void queueMapUpdate();

    // ---- impulses (editing/impulse_upload.cpp, impulse_decode.cpp) -----------
    void announceImpulseName(const QString &name);
    // The pending impulse plays again: its name to the interface, its
    // preview to the device (a file's preview starts sending).
    void announcePendingImpulse();
    void previewPendingImpulse();
    void decodeWav(const QString &filePath, bool store);
    // The decoded impulseData: queue its preview, or (`store`) its image and
    // the read-back after storing it.
    void queueImpulse(bool store);
    static WavHeader readWavHeader(const QString &filePath);

    // ---- saving (editing/save_sequence.cpp) ---------------------------------
    void saveSequence();

    Link &link;
    const DeviceReadout &readout;

    uchar presetEdit = 0;
    uchar editable = 0;
    KeptBlocks kept;                // compare's and copy's blocks
    PendingImpulse pending;         // the current preset's impulse not stored yet
    uchar pendingUpDown = 0;        // step to run once the queue drains; 0 = none
    signed char pendingPreset = -1; // preset to change to once the queue drains; -1 = none
    bool captureArmed = false;
    bool savingNow = false;
    PresetValues presetValues;
    enum class Learn { Idle, AwaitRevert, AwaitStored };
    Learn learnPhase = Learn::Idle; // where learning the stored version stands
    bool learnPutsBack = true;      // what played goes back once it is learned
    QByteArray impulseData;         // the last decoded impulse's samples
    uchar saveToFile = 0;           // the last decode was for a store
};

// The session's own state changes, each announced to its listeners, and the
// answers the dispatcher hands over.
#include "editing/preset_session.h"

#include "link/link.h"
#include "link/requests.h"

#include <utility>

void PresetSession::markEdited(bool on)
{
    setEdited(on);
    emit editShown(on);
    emit editReported(on);
}

void PresetSession::setEdited(bool on)
{
    const uchar value = on ? 1 : 0;
    if (presetEdit == value)
        return;
    presetEdit = value;
    emit editedChanged(on);
}

void PresetSession::leaveCompare()
{
    const bool was = comparing();
    editable = 1;
    if (was)
        emit comparingChanged(false);
}

void PresetSession::beginSave()
{
    savingNow = true;
    // While compare shows the stored version, the save stores the edits it
    // set aside (or, when they were not read back, what the device plays).
    presetValues.saveStarted(comparing() ? kept.compared() : QByteArray());
    emit saveStarted();
}

void PresetSession::endSave(bool isStored)
{
    const bool wasSaving = std::exchange(savingNow, false);
    // What the save sent is what the device stores now, whatever was
    // edited since.
    if (isStored && wasSaving) {
        presetValues.saved();
        emit valuesChanged();
    }
    if (isStored)
        emit stored();
    else if (wasSaving)
        emit saveFailed();
}

bool PresetSession::parameterWritten(int position, uchar value)
{
    if (position < 0 || position >= presetValues.live().size())
        return false;
    if (presetValues.written(position, value))
        emit valuesChanged();
    // While a save is under way the device may be storing the edits.
    return edited() && !savingNow && pending.source() == PendingImpulse::Source::Stored &&
           presetValues.matchStored();
}

void PresetSession::statusBlockRead(const QByteArray &block)
{
    if (learnPhase == Learn::AwaitStored) {
        storedRead(block);
        return;
    }
    kept.statusRead(block, comparing());
    // Read while the preset has no edits (a move's read-back, a revert), the
    // block is also what the device stores.
    presetValues.blockRead(block, !comparing() && !edited());
    emit statusShown(block);
    emit valuesChanged();
    emit comparingChanged(comparing());
}

void PresetSession::learnStored(bool putBack)
{
    if (learnPhase != Learn::Idle)
        return;
    learnPhase = Learn::AwaitRevert;
    learnPutsBack = putBack;
    // Behind what the link holds (the start-up reading, with its live
    // status): sent by the pacing already under way, or now.
    const bool idle = link.queueEmpty();
    link.send(requests::revert);
    link.send(requests::status);
    if (idle)
        link.startSending();
}

void PresetSession::revertAnswered()
{
    if (learnPhase == Learn::AwaitRevert)
        learnPhase = Learn::AwaitStored;
}

void PresetSession::storedRead(const QByteArray &block)
{
    learnPhase = Learn::Idle;
    presetValues.storedRead(block);
    const bool unsaved = !presetValues.matchStored();
    if (unsaved) {
        // The device plays the stored version since "esc": what played goes back.
        if (learnPutsBack) {
            link.send(requests::writeStatus(presetValues.liveText()));
            link.startSending();
        }
        markEdited(true);
    }
    emit valuesChanged();
    emit storedLearned(unsaved);
}

void PresetSession::impulseAnswered(const QList<QByteArray> &values)
{
    if (std::exchange(captureArmed, false)) {
        // Two values: name and image. An empty field yields no value, so one
        // value is an answer missing one of them; none is a preset without.
        emit impulseCaptured(values.value(0), values.value(1));
    }
    // Only a copy's answer fills the clipboard.
    const bool copying = kept.awaitsImpulse();
    kept.impulseRead(values);
    if (copying)
        emit copyEnded(hasCopy());
}

void PresetSession::presetStored()
{
    // An impulse stored with the preset is no longer pending.
    pending.presetStored();
    endSave(true);
}

QByteArray PresetSession::setAsideUnsaved()
{
    // Only parameters can be given back: an impulse tried here cannot be
    // read back from the device.
    const bool keep = edited() && presetValues.known() && !presetValues.matchStored();
    const QByteArray text = keep ? presetValues.liveText() : QByteArray();
    if (edited())
        markEdited(false);
    return text;
}

void PresetSession::putBackUnsaved(const QByteArray &statusText)
{
    if (statusText.isEmpty())
        return;
    const bool idle = link.queueEmpty();
    link.send(requests::writeStatus(statusText));
    link.send(requests::status);
    markEdited(true);
    if (idle)
        link.startSending();
}

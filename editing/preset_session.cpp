// The session's own state changes, each announced to its listeners, and the
// answers the dispatcher hands over.
#include "editing/preset_session.h"

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
    savingBytes = currentBytes;
    emit saveStarted();
}

void PresetSession::endSave(bool isStored)
{
    const bool wasSaving = std::exchange(savingNow, false);
    // What the save sent is what the device stores now, whatever was
    // edited since.
    if (isStored && wasSaving)
        storedBytes = savingBytes;
    if (isStored)
        emit stored();
    else if (wasSaving)
        emit saveFailed();
}

void PresetSession::statusRead(const QByteArray &block)
{
    if (edited())
        return;
    storedBytes = QByteArray::fromHex(block);
    currentBytes = storedBytes;
}

bool PresetSession::parameterWritten(int position, uchar value)
{
    if (position < 0 || position >= currentBytes.size())
        return false;
    currentBytes[position] = char(value);
    // While a save is under way the device may be storing the edits.
    return edited() && !savingNow && pending.source() == PendingImpulse::Source::Stored &&
           currentBytes == storedBytes;
}

void PresetSession::statusBlockRead(const QByteArray &block)
{
    kept.statusRead(block, comparing());
    if (!comparing())
        statusRead(block);
    emit comparingChanged(comparing());
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

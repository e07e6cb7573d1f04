// The session's own state changes, each announced to its listeners.
#include "editing/preset_session.h"

#include <utility>

void PresetSession::setEdited(bool on)
{
    const uchar value = on ? 1 : 0;
    if (presetEdit == value)
        return;
    presetEdit = value;
    emit editedChanged(on);
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

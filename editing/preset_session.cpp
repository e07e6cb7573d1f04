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
    emit saveStarted();
}

void PresetSession::endSave(bool isStored)
{
    const bool wasSaving = std::exchange(savingNow, false);
    if (isStored)
        emit stored();
    else if (wasSaving)
        emit saveFailed();
}

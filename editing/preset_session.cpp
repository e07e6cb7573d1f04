// The session's own state changes, each announced to its listeners.
#include "editing/preset_session.h"

void PresetSession::setEdited(bool on)
{
    const uchar value = on ? 1 : 0;
    if (presetEdit == value)
        return;
    presetEdit = value;
    emit editedChanged(on);
}

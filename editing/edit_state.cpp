// Whether the current preset has unsaved edits: the flag, and the interface
// told of it.
#include "core/core.h"

void Core::setPresetEdited(bool edited)
{
    presetEdit = edited ? 1 : 0;
    emit sgSetEdit(edited);
    emit sgReadValue(QStringLiteral("preset_edit"), presetEdit);
}

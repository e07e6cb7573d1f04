// Marking the current preset edited or clean, and telling the interface.
#include "core/core.h"

void Core::setPresetEdited(bool edited)
{
    presetEdit = edited ? 1 : 0;
    emit sgSetEdit(edited);
    emit sgReadValue(QStringLiteral("preset_edit"), presetEdit);
}

// Marking the current preset edited or clean, and telling the interface.
#include "core/core.h"
#include "editing/preset_session.h"

void Core::setPresetEdited(bool edited)
{
    session->setEdited(edited);
    emit sgSetEdit(edited);
    emit sgReadValue(QStringLiteral("preset_edit"), session->presetEdit);
}

// Moving between banks and presets, with the save-or-discard question.
#include "core/core.h"

void Core::requestUpDown(uchar code)
{
    Q_UNUSED(code);
}
void Core::requestPresetChange(uchar preset)
{
    Q_UNUSED(preset);
}
void Core::runUpDown(uchar code)
{
    Q_UNUSED(code);
}
void Core::bankStep(uchar direction)
{
    Q_UNUSED(direction);
}
void Core::presetStep(uchar direction)
{
    Q_UNUSED(direction);
}
void Core::selectPreset(uchar preset)
{
    Q_UNUSED(preset);
}

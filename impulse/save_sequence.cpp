// Saving the current preset with the impulse it must carry.
#include "core/core.h"

void Core::slSaveUpDown(uchar upDown)
{
    Q_UNUSED(upDown);
}
void Core::saveChangeSequence(uchar preset)
{
    Q_UNUSED(preset);
}
void Core::saveSequence() {}

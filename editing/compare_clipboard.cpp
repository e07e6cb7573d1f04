// Compare with the stored preset, revert, and copy and paste whole presets.
#include "core/core.h"

void Core::slEsc() {}
void Core::slEscImpuls() {}
void Core::slCompare() {}
void Core::slCopy() {}
void Core::slPaste() {}

// setValue: the one named-value entry point for parameters and editing actions.
#include "core/core.h"

void Core::setValue(QString name, uchar value)
{
    Q_UNUSED(name);
    Q_UNUSED(value);
}

void Core::queueMapUpdate() {}

// Decoding and publishing the 43-byte status block of the current preset.
#include "core/core.h"

void Core::handleStatusBlock(const QByteArray &block)
{
    Q_UNUSED(block);
}

// Decoding the status block's text into its bytes.
#pragma once

#include "parsing/status_layout.h"

#include <QByteArray>

namespace status {

// Writes the bytes the block's text holds into `bytes`, two characters per
// byte. A short block leaves the bytes past its end as they were; a pair
// that is not a number gives 0.
void decodeBlock(const QByteArray &block, uchar (&bytes)[byteCount]);

} // namespace status

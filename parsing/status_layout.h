// The 43-byte status block of a preset as the device reports it: its size,
// its text form, and the order its values are published in. What each byte
// is (its name, alias, sign and command) is the parameter table's
// (parameters/parameter_table.h).
#pragma once

#include "parameters/parameter_table.h"

#include <QByteArray>
#include <array>

namespace status {

constexpr int byteCount = parameters::statusBytes;
constexpr int textLength = 2 * byteCount; // the block as hexadecimal text

// A status text the device can take back: 86 hex digits, nothing else.
bool isStatusText(const QByteArray &text);

// Positions in the order their aliases are published (27 entries).
const std::array<int, 27> &aliasOrder();

// Positions in the order their lower-case names are published (43 entries).
const std::array<int, byteCount> &nameOrder();

} // namespace status

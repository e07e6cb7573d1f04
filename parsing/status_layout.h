// The 43-byte parameter state of a preset: for every byte its value name, the
// upper-case alias it is also published under, whether it is signed, and the
// device command that sets it. Decoding, publishing and live editing all read
// this one table, so a name, its command and its published value cannot drift.
#pragma once

#include <QByteArray>
#include <array>

namespace status {

constexpr int byteCount = 43;
constexpr int textLength = 2 * byteCount; // the block as hexadecimal text

// A status text the device can take back: 86 hex digits, nothing else.
bool isStatusText(const QByteArray &text);

struct Parameter {
    int position;          // byte index in the status block
    const char *name;      // lower-case value name, also a setValue name
    const char *alias;     // upper-case alias published with it, or empty
    bool isSigned;         // published as -128..127
    const char *command;   // command template, "%1" takes the value in hex
    const char *editAlias; // alias accepted by setValue, or empty
};

// One entry per status byte, indexed by position.
const std::array<Parameter, byteCount> &parameters();

// Positions in the order their aliases are published (27 entries).
const std::array<int, 27> &aliasOrder();

// Positions in the order their lower-case names are published (43 entries).
const std::array<int, byteCount> &nameOrder();

// The entry whose name or edit alias equals `name` (exact, case-sensitive),
// or nullptr. `isAlias` tells which of the two matched.
const Parameter *findByName(const char *name, bool *isAlias = nullptr);

} // namespace status

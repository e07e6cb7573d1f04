// Bank and preset steps by one. A step travels as one byte: held in
// pendingUpDown until the queue drains, carried to the interface by the
// stage-1 question and passed back with its answer, so the values below are
// the bytes the interface sees.
#pragma once

namespace steps {

enum Code : unsigned char {
    None = 0, // where a code is stored: no step pending
    BankUp = 1,
    BankDown = 2,
    PresetUp = 3,
    PresetDown = 4,
};

// The argument of bankStep and presetStep.
enum Direction : unsigned char { Up = 0, Down = 1 };

} // namespace steps

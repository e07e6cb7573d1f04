// The publication orders of the status block, and its text form.
#include "parsing/status_layout.h"

namespace status {

const std::array<int, 27> &aliasOrder()
{
    // level_MASTER, level_HPF, level_PRESENCE, level_LPF, the preamp levels,
    // the power amp levels, level_EARLY, Q0..Q4, FREQ0..FREQ4, type_POWERAMP,
    // on_HPF, on_PRESENCE, on_LPF, on_PREAMP, on_POWERAMP.
    static const std::array<int, 27> order = {7,  37, 41, 36, 16, 17, 18, 19, 13,
                                              12, 5,  31, 32, 33, 34, 35, 26, 27,
                                              28, 29, 30, 14, 38, 40, 39, 15, 11};
    return order;
}

const std::array<int, byteCount> &nameOrder()
{
    static const std::array<int, byteCount> order = {
        7,  10, 5,  6,  40, 41, 39, 36, 38, 37, 8,  11, 13, 12, 14, 15, 16, 17, 18, 19, 23, 24,
        25, 20, 21, 22, 9,  26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 0,  1,  2,  3,  4,  42};
    return order;
}

bool isStatusText(const QByteArray &text)
{
    if (text.size() != textLength)
        return false;
    for (const char c : text) {
        const bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        if (!hex)
            return false;
    }
    return true;
}

} // namespace status

// Position, name, alias, sign and command of every status byte.
#include "parsing/status_layout.h"

#include <cstring>

namespace status {

const std::array<Parameter, byteCount> &parameters()
{
    static const std::array<Parameter, byteCount> table = {{
        {0, "eq_volume1", "", false, "eqv 0 %1\r\n", ""},
        {1, "eq_volume2", "", false, "eqv 1 %1\r\n", ""},
        {2, "eq_volume3", "", false, "eqv 2 %1\r\n", ""},
        {3, "eq_volume4", "", false, "eqv 3 %1\r\n", ""},
        {4, "eq_volume5", "", false, "eqv 4 %1\r\n", ""},
        {5, "early_volume", "level_EARLY", false, "ev %1\r\n", "level_EARLY"},
        {6, "early_type", "", false, "et %1\r\n", ""},
        {7, "master_volume", "level_MASTER", false, "mv %1\r\n", "level_MASTER"},
        {8, "cabinet_enable", "", false, "ce %1\r\n", ""},
        // Settable as "on_PARAMETRIC_EQ", but not published under it.
        {9, "eq_on", "", false, "eqo %1\r\n", "on_PARAMETRIC_EQ"},
        {10, "early_on", "", false, "eo %1\r\n", ""},
        // Published as "on_POWERAMP", but that name sets nothing.
        {11, "amp_on", "on_POWERAMP", false, "ao %1\r\n", ""},
        {12, "amp_volume", "level_POWERAMP_VOLUME", false, "av %1\r\n", "level_POWERAMP_VOLUME"},
        {13, "amp_slave", "level_POWERAMP_SLAVE", false, "as %1\r\n", "level_POWERAMP_SLAVE"},
        {14, "amp_type", "type_POWERAMP", false, "at %1\r\n", "type_POWERAMP"},
        {15, "preamp_on", "on_PREAMP", false, "pro %1\r\n", "on_PREAMP"},
        {16, "preamp_volume", "level_PREAMP_VOLUME", false, "prv %1\r\n", "level_PREAMP_VOLUME"},
        {17, "preamp_low", "level_PREAMP_LOW", true, "prl %1\r\n", "level_PREAMP_LOW"},
        {18, "preamp_mid", "level_PREAMP_MID", true, "prm %1\r\n", "level_PREAMP_MID"},
        {19, "preamp_high", "level_PREAMP_HIGH", true, "prh %1\r\n", "level_PREAMP_HIGH"},
        {20, "gate_on", "", false, "go %1\r\n", ""},
        {21, "gate_threshold", "", false, "gt %1\r\n", ""},
        {22, "gate_decay", "", false, "gd %1\r\n", ""},
        {23, "compreccor_on", "", false, "co %1\r\n", ""},
        {24, "compreccor_sustein", "", false, "cs %1\r\n", ""},
        {25, "compreccor_volume", "", false, "cv %1\r\n", ""},
        {26, "eq_freq1", "level_PARAMETRIC_FREQ0", true, "eqf 0 %1\r\n", "level_PARAMETRIC_FREQ0"},
        {27, "eq_freq2", "level_PARAMETRIC_FREQ1", true, "eqf 1 %1\r\n", "level_PARAMETRIC_FREQ1"},
        {28, "eq_freq3", "level_PARAMETRIC_FREQ2", true, "eqf 2 %1\r\n", "level_PARAMETRIC_FREQ2"},
        {29, "eq_freq4", "level_PARAMETRIC_FREQ3", true, "eqf 3 %1\r\n", "level_PARAMETRIC_FREQ3"},
        {30, "eq_freq5", "level_PARAMETRIC_FREQ4", true, "eqf 4 %1\r\n", "level_PARAMETRIC_FREQ4"},
        {31, "eq_q1", "level_PARAMETRIC_Q0", true, "eqq 0 %1\r\n", "level_PARAMETRIC_Q0"},
        {32, "eq_q2", "level_PARAMETRIC_Q1", true, "eqq 1 %1\r\n", "level_PARAMETRIC_Q1"},
        {33, "eq_q3", "level_PARAMETRIC_Q2", true, "eqq 2 %1\r\n", "level_PARAMETRIC_Q2"},
        {34, "eq_q4", "level_PARAMETRIC_Q3", true, "eqq 3 %1\r\n", "level_PARAMETRIC_Q3"},
        {35, "eq_q5", "level_PARAMETRIC_Q4", true, "eqq 4 %1\r\n", "level_PARAMETRIC_Q4"},
        {36, "lpf_volume", "level_LPF", false, "lv %1\r\n", "level_LPF"},
        {37, "hpf_volume", "level_HPF", false, "hv %1\r\n", "level_HPF"},
        {38, "hpf_on", "on_HPF", false, "ho %1\r\n", "on_HPF"},
        {39, "lpf_on", "on_LPF", false, "lo %1\r\n", "on_LPF"},
        {40, "presence_on", "on_PRESENCE", false, "po %1\r\n", "on_PRESENCE"},
        {41, "presence_volume", "level_PRESENCE", false, "pv %1\r\n", "level_PRESENCE"},
        {42, "eq_pre", "", false, "eqp %1\r\n", ""},
    }};
    return table;
}

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

const Parameter *findByName(const char *name, bool *isAlias)
{
    for (const Parameter &p : parameters()) {
        if (std::strcmp(p.name, name) == 0) {
            if (isAlias)
                *isAlias = false;
            return &p;
        }
        if (*p.editAlias && std::strcmp(p.editAlias, name) == 0) {
            if (isAlias)
                *isAlias = true;
            return &p;
        }
    }
    return nullptr;
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

// The tests' own statement of the status positions.
#include "support/status_names.h"

namespace statusnames {

const QVector<StatusName> &statusNames()
{
    using R = Range;
    static const QVector<StatusName> names = {
        {0, "eq_volume1", nullptr, "eqv 0", R::Level},
        {1, "eq_volume2", nullptr, "eqv 1", R::Level},
        {2, "eq_volume3", nullptr, "eqv 2", R::Level},
        {3, "eq_volume4", nullptr, "eqv 3", R::Level},
        {4, "eq_volume5", nullptr, "eqv 4", R::Level},
        {5, "early_volume", "level_EARLY", "ev", R::Level},
        {6, "early_type", nullptr, "et", R::Type},
        {7, "master_volume", "level_MASTER", "mv", R::Level},
        {8, "cabinet_enable", nullptr, "ce", R::Flag},
        {9, "eq_on", nullptr, "eqo", R::Flag},
        {10, "early_on", nullptr, "eo", R::Flag},
        {11, "amp_on", "on_POWERAMP", "ao", R::Flag},
        {12, "amp_volume", "level_POWERAMP_VOLUME", "av", R::Level},
        {13, "amp_slave", "level_POWERAMP_SLAVE", "as", R::Level},
        {14, "amp_type", "type_POWERAMP", "at", R::Type},
        {15, "preamp_on", "on_PREAMP", "pro", R::Flag},
        {16, "preamp_volume", "level_PREAMP_VOLUME", "prv", R::Level},
        {17, "preamp_low", "level_PREAMP_LOW", "prl", R::Signed},
        {18, "preamp_mid", "level_PREAMP_MID", "prm", R::Signed},
        {19, "preamp_high", "level_PREAMP_HIGH", "prh", R::Signed},
        {20, "gate_on", nullptr, "go", R::Flag},
        {21, "gate_threshold", nullptr, "gt", R::Level},
        {22, "gate_decay", nullptr, "gd", R::Level},
        {23, "compreccor_on", nullptr, "co", R::Flag},
        {24, "compreccor_sustein", nullptr, "cs", R::Level},
        {25, "compreccor_volume", nullptr, "cv", R::Level},
        {26, "eq_freq1", "level_PARAMETRIC_FREQ0", "eqf 0", R::Signed},
        {27, "eq_freq2", "level_PARAMETRIC_FREQ1", "eqf 1", R::Signed},
        {28, "eq_freq3", "level_PARAMETRIC_FREQ2", "eqf 2", R::Signed},
        {29, "eq_freq4", "level_PARAMETRIC_FREQ3", "eqf 3", R::Signed},
        {30, "eq_freq5", "level_PARAMETRIC_FREQ4", "eqf 4", R::Signed},
        {31, "eq_q1", "level_PARAMETRIC_Q0", "eqq 0", R::Signed},
        {32, "eq_q2", "level_PARAMETRIC_Q1", "eqq 1", R::Signed},
        {33, "eq_q3", "level_PARAMETRIC_Q2", "eqq 2", R::Signed},
        {34, "eq_q4", "level_PARAMETRIC_Q3", "eqq 3", R::Signed},
        {35, "eq_q5", "level_PARAMETRIC_Q4", "eqq 4", R::Signed},
        {36, "lpf_volume", "level_LPF", "lv", R::Level},
        {37, "hpf_volume", "level_HPF", "hv", R::Level},
        {38, "hpf_on", "on_HPF", "ho", R::Flag},
        {39, "lpf_on", "on_LPF", "lo", R::Flag},
        {40, "presence_on", "on_PRESENCE", "po", R::Flag},
        {41, "presence_volume", "level_PRESENCE", "pv", R::Level},
        {42, "eq_pre", nullptr, "eqp", R::Flag},
    };
    return names;
}

const QVector<SettableAlias> &settableAliases()
{
    static const QVector<SettableAlias> aliases = [] {
        QVector<SettableAlias> list;
        for (const StatusName &s : statusNames()) {
            if (s.alias && QByteArray(s.alias) != "on_POWERAMP")
                list.append({s.alias, s.position});
        }
        list.append({"on_PARAMETRIC_EQ", 9});
        return list;
    }();
    return aliases;
}

int publishedValue(int position, quint8 byte)
{
    return statusNames().at(position).range == Range::Signed ? int(static_cast<qint8>(byte))
                                                             : int(byte);
}

quint8 valueInRange(int position, int variant)
{
    switch (statusNames().at(position).range) {
    case Range::Flag:
        return variant == 0 ? 0 : variant == 1 ? 1 : quint8((position + variant) % 2);
    case Range::Type:
        return variant == 0 ? 0 : variant == 1 ? 3 : quint8((position + variant) % 4);
    case Range::Signed: {
        const int v = variant == 0 ? -12 : variant == 1 ? 12 : (position * 7 + variant) % 25 - 12;
        return static_cast<quint8>(static_cast<qint8>(v));
    }
    case Range::Level:
        return variant == 0 ? 0 : variant == 1 ? 100 : quint8((position * 13 + variant * 5) % 101);
    }
    return 0;
}

QByteArray parameterCommand(int position, quint8 byte)
{
    return QByteArray(statusNames().at(position).command) + ' ' + QByteArray::number(byte, 16) +
           "\r\n";
}

} // namespace statusnames

// The rows of the parameter table and the modules they belong to.
#include "parameters/parameter_table.h"

#include <QtGlobal>
#include <cstring>

namespace parameters {
namespace {

#define LABEL(text) QT_TRANSLATE_NOOP("Parameters", text)

constexpr std::array<const char *, 4> noChoices{};
constexpr std::array<const char *, 4> types{LABEL("Type 1"), LABEL("Type 2"), LABEL("Type 3"),
                                            LABEL("Type 4")};

// A plain level of 0..100.
constexpr Parameter level(int position, const char *name, const char *statusAlias,
                          const char *command, const char *group, const char *label,
                          const char *fullLabel)
{
    return {position,    name,  statusAlias, statusAlias, "",  command,    group,
            0,           label, fullLabel,   0,           100, 1,          false,
            Kind::Level, "",    noChoices,   0,           0.0, Shift::None};
}

// A module's on/off switch.
constexpr Parameter onOff(int position, const char *name, const char *statusAlias,
                          const char *editAlias, const char *command, const char *group,
                          const char *label)
{
    return {position,  name,  statusAlias, editAlias,  "", command, group,        0,
            label,     label, 0,           1,          1,  false,   Kind::Switch, "",
            noChoices, 0,     0.0,         Shift::None};
}

// A preamp tone control: -12..+12 dB.
constexpr Parameter tone(int position, const char *name, const char *statusAlias,
                         const char *command, const char *label, const char *fullLabel)
{
    return {position,    name,  statusAlias, statusAlias, "",  command,    "preamp",
            0,           label, fullLabel,   -12,         12,  1,          true,
            Kind::Level, "dB",  noChoices,   0,           0.0, Shift::None};
}

// One band's gain, frequency or Q of the parametric equaliser.
constexpr Parameter gain(int band, const char *name, const char *command, const char *fullLabel)
{
    return {band - 1,   name,          "",        "", "",   command,    "eq",
            band,       LABEL("Gain"), fullLabel, 0,  100,  1,          false,
            Kind::Gain, "dB",          noChoices, 50, 0.24, Shift::None};
}

constexpr Parameter shift(int position, int band, const char *name, const char *alias,
                          const char *command, Shift what, const char *fullLabel)
{
    return {position,  name,      alias,
            alias,     "",        command,
            "eq",      band,      what == Shift::Frequency ? LABEL("Freq") : LABEL("Q"),
            fullLabel, -12,       12,
            1,         true,      Kind::Shift,
            "",        noChoices, 0,
            0.0,       what};
}

const std::array<Parameter, count> table = {{
    level(7, "master_volume", "level_MASTER", "mv %1\r\n", "master", LABEL("Master"),
          LABEL("Master")),

    onOff(15, "preamp_on", "on_PREAMP", "on_PREAMP", "pro %1\r\n", "preamp", LABEL("Preamp")),
    level(16, "preamp_volume", "level_PREAMP_VOLUME", "prv %1\r\n", "preamp", LABEL("Volume"),
          LABEL("Preamp volume")),
    tone(17, "preamp_low", "level_PREAMP_LOW", "prl %1\r\n", LABEL("Low"), LABEL("Preamp low")),
    tone(18, "preamp_mid", "level_PREAMP_MID", "prm %1\r\n", LABEL("Mid"), LABEL("Preamp mid")),
    tone(19, "preamp_high", "level_PREAMP_HIGH", "prh %1\r\n", LABEL("High"), LABEL("Preamp high")),

    // Published as "on_POWERAMP", but setValue takes no alias for it.
    onOff(11, "amp_on", "on_POWERAMP", "", "ao %1\r\n", "amp", LABEL("Power amp")),
    level(12, "amp_volume", "level_POWERAMP_VOLUME", "av %1\r\n", "amp", LABEL("Volume"),
          LABEL("Power amp volume")),
    level(13, "amp_slave", "level_POWERAMP_SLAVE", "as %1\r\n", "amp", LABEL("Slave"),
          LABEL("Power amp slave")),
    {14,
     "amp_type",
     "type_POWERAMP",
     "type_POWERAMP",
     "",
     "at %1\r\n",
     "amp",
     0,
     LABEL("Type"),
     LABEL("Power amp type"),
     0,
     3,
     1,
     false,
     Kind::Choice,
     "",
     types,
     0,
     0.0,
     Shift::None},

    onOff(40, "presence_on", "on_PRESENCE", "on_PRESENCE", "po %1\r\n", "presence",
          LABEL("Presence")),
    level(41, "presence_volume", "level_PRESENCE", "pv %1\r\n", "presence", LABEL("Level"),
          LABEL("Presence level")),

    onOff(39, "lpf_on", "on_LPF", "on_LPF", "lo %1\r\n", "lpf", LABEL("Low-pass")),
    level(36, "lpf_volume", "level_LPF", "lv %1\r\n", "lpf", LABEL("Cutoff"),
          LABEL("Low-pass filter cutoff")),
    onOff(38, "hpf_on", "on_HPF", "on_HPF", "ho %1\r\n", "hpf", LABEL("High-pass")),
    level(37, "hpf_volume", "level_HPF", "hv %1\r\n", "hpf", LABEL("Cutoff"),
          LABEL("High-pass filter cutoff")),

    onOff(10, "early_on", "", "", "eo %1\r\n", "early", LABEL("Early reflections")),
    level(5, "early_volume", "level_EARLY", "ev %1\r\n", "early", LABEL("Volume"),
          LABEL("Early reflections volume")),
    {6,
     "early_type",
     "",
     "",
     "",
     "et %1\r\n",
     "early",
     0,
     LABEL("Type"),
     LABEL("Early reflections type"),
     0,
     3,
     1,
     false,
     Kind::Choice,
     "",
     types,
     0,
     0.0,
     Shift::None},

    {23,
     "compreccor_on",
     "",
     "",
     "compressor_on",
     "co %1\r\n",
     "compressor",
     0,
     LABEL("Compressor"),
     LABEL("Compressor"),
     0,
     1,
     1,
     false,
     Kind::Switch,
     "",
     noChoices,
     0,
     0.0,
     Shift::None},
    {24,
     "compreccor_sustein",
     "",
     "",
     "compressor_sustain",
     "cs %1\r\n",
     "compressor",
     0,
     LABEL("Sustain"),
     LABEL("Compressor sustain"),
     0,
     100,
     1,
     false,
     Kind::Level,
     "",
     noChoices,
     0,
     0.0,
     Shift::None},
    {25,
     "compreccor_volume",
     "",
     "",
     "compressor_volume",
     "cv %1\r\n",
     "compressor",
     0,
     LABEL("Volume"),
     LABEL("Compressor volume"),
     0,
     100,
     1,
     false,
     Kind::Level,
     "",
     noChoices,
     0,
     0.0,
     Shift::None},

    onOff(20, "gate_on", "", "", "go %1\r\n", "gate", LABEL("Gate")),
    level(21, "gate_threshold", "", "gt %1\r\n", "gate", LABEL("Threshold"),
          LABEL("Gate threshold")),
    level(22, "gate_decay", "", "gd %1\r\n", "gate", LABEL("Decay"), LABEL("Gate decay")),

    // Settable as "on_PARAMETRIC_EQ", but not published under it.
    onOff(9, "eq_on", "", "on_PARAMETRIC_EQ", "eqo %1\r\n", "eq", LABEL("Parametric EQ")),
    {42,
     "eq_pre",
     "",
     "",
     "",
     "eqp %1\r\n",
     "eq",
     0,
     LABEL("Position"),
     LABEL("Parametric EQ position"),
     0,
     1,
     1,
     false,
     Kind::Choice,
     "",
     {LABEL("Post"), LABEL("Pre"), nullptr, nullptr},
     0,
     0.0,
     Shift::None},
    gain(1, "eq_volume1", "eqv 0 %1\r\n", LABEL("Parametric EQ band 1 gain")),
    gain(2, "eq_volume2", "eqv 1 %1\r\n", LABEL("Parametric EQ band 2 gain")),
    gain(3, "eq_volume3", "eqv 2 %1\r\n", LABEL("Parametric EQ band 3 gain")),
    gain(4, "eq_volume4", "eqv 3 %1\r\n", LABEL("Parametric EQ band 4 gain")),
    gain(5, "eq_volume5", "eqv 4 %1\r\n", LABEL("Parametric EQ band 5 gain")),
    shift(26, 1, "eq_freq1", "level_PARAMETRIC_FREQ0", "eqf 0 %1\r\n", Shift::Frequency,
          LABEL("Parametric EQ band 1 frequency")),
    shift(27, 2, "eq_freq2", "level_PARAMETRIC_FREQ1", "eqf 1 %1\r\n", Shift::Frequency,
          LABEL("Parametric EQ band 2 frequency")),
    shift(28, 3, "eq_freq3", "level_PARAMETRIC_FREQ2", "eqf 2 %1\r\n", Shift::Frequency,
          LABEL("Parametric EQ band 3 frequency")),
    shift(29, 4, "eq_freq4", "level_PARAMETRIC_FREQ3", "eqf 3 %1\r\n", Shift::Frequency,
          LABEL("Parametric EQ band 4 frequency")),
    shift(30, 5, "eq_freq5", "level_PARAMETRIC_FREQ4", "eqf 4 %1\r\n", Shift::Frequency,
          LABEL("Parametric EQ band 5 frequency")),
    shift(31, 1, "eq_q1", "level_PARAMETRIC_Q0", "eqq 0 %1\r\n", Shift::Width,
          LABEL("Parametric EQ band 1 Q")),
    shift(32, 2, "eq_q2", "level_PARAMETRIC_Q1", "eqq 1 %1\r\n", Shift::Width,
          LABEL("Parametric EQ band 2 Q")),
    shift(33, 3, "eq_q3", "level_PARAMETRIC_Q2", "eqq 2 %1\r\n", Shift::Width,
          LABEL("Parametric EQ band 3 Q")),
    shift(34, 4, "eq_q4", "level_PARAMETRIC_Q3", "eqq 3 %1\r\n", Shift::Width,
          LABEL("Parametric EQ band 4 Q")),
    shift(35, 5, "eq_q5", "level_PARAMETRIC_Q4", "eqq 4 %1\r\n", Shift::Width,
          LABEL("Parametric EQ band 5 Q")),

    {8,
     "cabinet_enable",
     "",
     "",
     "cabinet_on",
     "ce %1\r\n",
     "cabinet",
     0,
     LABEL("Cabinet"),
     LABEL("Cabinet"),
     0,
     1,
     1,
     false,
     Kind::Switch,
     "",
     noChoices,
     0,
     0.0,
     Shift::None},

    // The device's mode: set like a parameter, but no preset holds it.
    {-1,
     "mode",
     "",
     "",
     "",
     "gm %1\r\n",
     "mode",
     0,
     LABEL("Mode"),
     LABEL("Mode"),
     0,
     1,
     1,
     false,
     Kind::Choice,
     "",
     {LABEL("Mode 1"), LABEL("Mode 2"), nullptr, nullptr},
     0,
     0.0,
     Shift::None},
}};

const std::array<Group, 12> groupTable = {{
    {"master", LABEL("Master"), ""},
    {"preamp", LABEL("Preamp"), "preamp_on"},
    {"amp", LABEL("Power amp"), "amp_on"},
    {"presence", LABEL("Presence"), "presence_on"},
    {"lpf", LABEL("Low-pass filter"), "lpf_on"},
    {"hpf", LABEL("High-pass filter"), "hpf_on"},
    {"early", LABEL("Early reflections"), "early_on"},
    {"compressor", LABEL("Compressor"), "compreccor_on"},
    {"gate", LABEL("Gate"), "gate_on"},
    {"eq", LABEL("Parametric EQ"), "eq_on"},
    {"cabinet", LABEL("Cabinet"), "cabinet_enable"},
    {"mode", LABEL("Mode"), ""},
}};

#undef LABEL

// Table rows by status position, built once.
struct ByPosition {
    std::array<const Parameter *, statusBytes> rows{};
    ByPosition()
    {
        for (const Parameter &p : table)
            if (p.inPreset())
                rows[p.position] = &p;
    }
};

bool same(const char *tableName, const QByteArray &name)
{
    return *tableName && name == tableName;
}

} // namespace

int Parameter::choiceCount() const
{
    int n = 0;
    while (n < int(choices.size()) && choices[n])
        ++n;
    return n;
}

const std::array<Parameter, count> &all()
{
    return table;
}

const std::array<Group, 12> &groups()
{
    return groupTable;
}

const Group *group(const char *id)
{
    for (const Group &g : groupTable)
        if (std::strcmp(g.id, id) == 0)
            return &g;
    return nullptr;
}

const Parameter &atPosition(int position)
{
    static const ByPosition index;
    Q_ASSERT(position >= 0 && position < statusBytes);
    return *index.rows[position];
}

const Parameter *find(const QString &name, Match *how)
{
    // Compared as bytes: a name with an embedded NUL or outside Latin-1
    // cannot match the table's ASCII names.
    const QByteArray key = name.toUtf8();
    const auto matched = [how](const Parameter &p, Match m) {
        if (how)
            *how = m;
        return &p;
    };
    for (const Parameter &p : table) {
        if (same(p.name, key))
            return matched(p, Match::Name);
        if (same(p.editAlias, key))
            return matched(p, Match::EditAlias);
        if (same(p.statusAlias, key))
            return matched(p, Match::StatusAlias);
        if (same(p.plainName, key))
            return matched(p, Match::PlainName);
    }
    if (how)
        *how = Match::None;
    return nullptr;
}

int fromByte(const Parameter &p, unsigned char byte)
{
    return p.isSigned ? int(static_cast<signed char>(byte)) : int(byte);
}

unsigned char toByte(int value)
{
    return static_cast<unsigned char>(value & 0xff);
}

bool inRange(const Parameter &p, int value)
{
    return value >= p.min && value <= p.max;
}

int clamp(const Parameter &p, int value)
{
    return qBound(p.min, value, p.max);
}

} // namespace parameters

// The parameter table: every value of a preset (and the device's mode) as
// the program knows it, stated once. For each parameter its names (the value
// name, the aliases the protocol uses, a plainly spelled name for scripts),
// where the panel shows it (module, band, label), its range, step, unit and
// sign, its status position and wire command, and how its values are
// written. The status decode, live editing, the panel, the command line,
// the edit history and the library's file checks all read it.
#pragma once

#include <QString>
#include <array>

namespace parameters {

// How a value is shown and typed.
enum class Kind {
    Level,  // a number, with its unit where it has one: "75", "+3 dB"
    Switch, // 0 off, 1 on
    Choice, // named positions: "Type 2", "Pre"
    Gain,   // a level shown in dB around its centre value: "+2.4 dB"
    Shift,  // steps away from a band's own setting: "+3"
};

// For Shift parameters: what the steps move.
enum class Shift { None, Frequency, Width };

struct Parameter {
    int position;            // status byte; -1 for the mode, which no preset holds
    const char *name;        // value name, and the name setValue takes
    const char *statusAlias; // upper-case name the status block is also published under
    const char *editAlias;   // upper-case name setValue takes without marking the preset edited
    const char *plainName;   // a plain spelling scripts may use instead of `name`
    const char *command;     // wire command; "%1" takes the value's byte in hex
    const char *group;       // the module it belongs to (a Group's id)
    int band;                // equaliser band 1..5; 0 for none
    const char *label;       // its name on its module's card
    const char *fullLabel;   // its name on its own: "Preamp volume"
    int min;                 // the range the panel offers; signed values as -128..127
    int max;
    int step;
    bool isSigned; // published as -128..127, sent as its two's-complement byte
    Kind kind;
    const char *unit;                    // "dB" or ""
    std::array<const char *, 4> choices; // Choice: the positions' names from min up
    int centre;                          // Gain: the value that is 0 dB
    double dbPerStep;                    // Gain: dB per device step
    Shift shift;

    bool inPreset() const { return position >= 0; }
    int choiceCount() const;
};

// A module of the panel, as a card: its title and the parameter that
// switches it on (empty for none).
struct Group {
    const char *id;
    const char *title;
    const char *onSwitch;
};

constexpr int statusBytes = 43;
constexpr int count = statusBytes + 1; // every status byte, and the mode

// Every parameter, in the order the panel lists them.
const std::array<Parameter, count> &all();
// The modules, in the order of the signal chain.
const std::array<Group, 12> &groups();
const Group *group(const char *id);

// The parameter held in status byte `position` (0..42).
const Parameter &atPosition(int position);

// What a name given to the program matched.
enum class Match {
    None,
    Name,        // the value name
    EditAlias,   // the alias setValue takes
    StatusAlias, // the alias the status block is published under
    PlainName,   // the plain spelling
};

// The parameter `name` names exactly (case-sensitive), and how. setValue
// takes only Name and EditAlias matches; scripts take every match.
const Parameter *find(const QString &name, Match *how = nullptr);

// ---- values ---------------------------------------------------------------
// A status byte as the value it stands for (signed parameters -128..127).
int fromByte(const Parameter &p, unsigned char byte);
// A value as the byte that carries it.
unsigned char toByte(int value);
bool inRange(const Parameter &p, int value);
int clamp(const Parameter &p, int value);

} // namespace parameters

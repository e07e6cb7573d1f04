// The parameter table of the panel: every value of a preset that the panel
// shows and edits, with its label, range, sign, unit and module. This is the
// only place that knows ranges; the cards and controls are built from it.
//
// `signed` rows arrive from the back end as -128..127 and go back as the
// byte of their two's complement. `choices` names the positions of a
// discrete control; rows with a range of 0..1 and no choices are on/off.
// `centre` and `dbPerStep` show a level as a gain in dB around its centre
// value; `shift` rows are steps away from a band's own setting, whose size
// is not known, so they are shown as the device's numbers with their
// meaning in words.
pragma Singleton
import QtQuick 2.15

QtObject {
    id: table

    readonly property var rows: [
        // name                  label         min  max  signed unit  group
        { name: "master_volume",      label: "Master",     min: 0,   max: 100, signed: false, unit: "",   group: "master" },

        { name: "preamp_on",          label: "Preamp",     min: 0,   max: 1,   signed: false, unit: "",   group: "preamp" },
        { name: "preamp_volume",      label: "Volume",     min: 0,   max: 100, signed: false, unit: "",   group: "preamp" },
        { name: "preamp_low",         label: "Low",        min: -12, max: 12,  signed: true,  unit: "dB", group: "preamp" },
        { name: "preamp_mid",         label: "Mid",        min: -12, max: 12,  signed: true,  unit: "dB", group: "preamp" },
        { name: "preamp_high",        label: "High",       min: -12, max: 12,  signed: true,  unit: "dB", group: "preamp" },

        { name: "amp_on",             label: "Power amp",  min: 0,   max: 1,   signed: false, unit: "",   group: "amp" },
        { name: "amp_volume",         label: "Volume",     min: 0,   max: 100, signed: false, unit: "",   group: "amp" },
        { name: "amp_slave",          label: "Slave",      min: 0,   max: 100, signed: false, unit: "",   group: "amp" },
        { name: "amp_type",           label: "Type",       min: 0,   max: 3,   signed: false, unit: "",   group: "amp",
          choices: ["Type 1", "Type 2", "Type 3", "Type 4"] },

        { name: "presence_on",        label: "Presence",   min: 0,   max: 1,   signed: false, unit: "",   group: "presence" },
        { name: "presence_volume",    label: "Level",      min: 0,   max: 100, signed: false, unit: "",   group: "presence" },

        { name: "lpf_on",             label: "Low-pass",   min: 0,   max: 1,   signed: false, unit: "",   group: "lpf" },
        { name: "lpf_volume",         label: "Cutoff",     min: 0,   max: 100, signed: false, unit: "",   group: "lpf" },
        { name: "hpf_on",             label: "High-pass",  min: 0,   max: 1,   signed: false, unit: "",   group: "hpf" },
        { name: "hpf_volume",         label: "Cutoff",     min: 0,   max: 100, signed: false, unit: "",   group: "hpf" },

        { name: "early_on",           label: "Early reflections", min: 0, max: 1, signed: false, unit: "", group: "early" },
        { name: "early_volume",       label: "Volume",     min: 0,   max: 100, signed: false, unit: "",   group: "early" },
        { name: "early_type",         label: "Type",       min: 0,   max: 3,   signed: false, unit: "",   group: "early",
          choices: ["Type 1", "Type 2", "Type 3", "Type 4"] },

        { name: "compreccor_on",      label: "Compressor", min: 0,   max: 1,   signed: false, unit: "",   group: "compressor" },
        { name: "compreccor_sustein", label: "Sustain",    min: 0,   max: 100, signed: false, unit: "",   group: "compressor" },
        { name: "compreccor_volume",  label: "Volume",     min: 0,   max: 100, signed: false, unit: "",   group: "compressor" },

        { name: "gate_on",            label: "Gate",       min: 0,   max: 1,   signed: false, unit: "",   group: "gate" },
        { name: "gate_threshold",     label: "Threshold",  min: 0,   max: 100, signed: false, unit: "",   group: "gate" },
        { name: "gate_decay",         label: "Decay",      min: 0,   max: 100, signed: false, unit: "",   group: "gate" },

        { name: "eq_on",              label: "Parametric EQ", min: 0, max: 1,  signed: false, unit: "",   group: "eq" },
        { name: "eq_pre",             label: "Position",   min: 0,   max: 1,   signed: false, unit: "",   group: "eq",
          choices: ["Post", "Pre"] },
        { name: "eq_volume1",         label: "Gain",       min: 0,   max: 100, signed: false, unit: "dB", group: "eq", band: 1,
          centre: 50, dbPerStep: 0.24 },
        { name: "eq_volume2",         label: "Gain",       min: 0,   max: 100, signed: false, unit: "dB", group: "eq", band: 2,
          centre: 50, dbPerStep: 0.24 },
        { name: "eq_volume3",         label: "Gain",       min: 0,   max: 100, signed: false, unit: "dB", group: "eq", band: 3,
          centre: 50, dbPerStep: 0.24 },
        { name: "eq_volume4",         label: "Gain",       min: 0,   max: 100, signed: false, unit: "dB", group: "eq", band: 4,
          centre: 50, dbPerStep: 0.24 },
        { name: "eq_volume5",         label: "Gain",       min: 0,   max: 100, signed: false, unit: "dB", group: "eq", band: 5,
          centre: 50, dbPerStep: 0.24 },
        { name: "eq_freq1",           label: "Freq",       min: -12, max: 12,  signed: true,  unit: "",   group: "eq", band: 1,
          shift: "frequency" },
        { name: "eq_freq2",           label: "Freq",       min: -12, max: 12,  signed: true,  unit: "",   group: "eq", band: 2,
          shift: "frequency" },
        { name: "eq_freq3",           label: "Freq",       min: -12, max: 12,  signed: true,  unit: "",   group: "eq", band: 3,
          shift: "frequency" },
        { name: "eq_freq4",           label: "Freq",       min: -12, max: 12,  signed: true,  unit: "",   group: "eq", band: 4,
          shift: "frequency" },
        { name: "eq_freq5",           label: "Freq",       min: -12, max: 12,  signed: true,  unit: "",   group: "eq", band: 5,
          shift: "frequency" },
        { name: "eq_q1",              label: "Q",          min: -12, max: 12,  signed: true,  unit: "",   group: "eq", band: 1,
          shift: "width" },
        { name: "eq_q2",              label: "Q",          min: -12, max: 12,  signed: true,  unit: "",   group: "eq", band: 2,
          shift: "width" },
        { name: "eq_q3",              label: "Q",          min: -12, max: 12,  signed: true,  unit: "",   group: "eq", band: 3,
          shift: "width" },
        { name: "eq_q4",              label: "Q",          min: -12, max: 12,  signed: true,  unit: "",   group: "eq", band: 4,
          shift: "width" },
        { name: "eq_q5",              label: "Q",          min: -12, max: 12,  signed: true,  unit: "",   group: "eq", band: 5,
          shift: "width" },

        { name: "cabinet_enable",     label: "Cabinet",    min: 0,   max: 1,   signed: false, unit: "",   group: "cabinet" },

        { name: "mode",               label: "Mode",       min: 0,   max: 1,   signed: false, unit: "",   group: "mode",
          choices: ["Mode 1", "Mode 2"] }
    ]

    // The modules as cards, in the order of the signal chain.
    readonly property var groups: [
        { id: "master",     title: "Master",            on: "" },
        { id: "preamp",     title: "Preamp",            on: "preamp_on" },
        { id: "amp",        title: "Power amp",         on: "amp_on" },
        { id: "presence",   title: "Presence",          on: "presence_on" },
        { id: "lpf",        title: "Low-pass filter",   on: "lpf_on" },
        { id: "hpf",        title: "High-pass filter",  on: "hpf_on" },
        { id: "early",      title: "Early reflections", on: "early_on" },
        { id: "compressor", title: "Compressor",        on: "compreccor_on" },
        { id: "gate",       title: "Gate",              on: "gate_on" },
        { id: "eq",         title: "Parametric EQ",     on: "eq_on" },
        { id: "cabinet",    title: "Cabinet",           on: "cabinet_enable" },
        { id: "mode",       title: "Mode",              on: "" }
    ]

    readonly property var byName: {
        var map = {}
        for (var i = 0; i < rows.length; ++i)
            map[rows[i].name] = rows[i]
        return map
    }

    function row(name) {
        return byName[name]
    }

    function group(id) {
        for (var i = 0; i < groups.length; ++i)
            if (groups[i].id === id)
                return groups[i]
        return undefined
    }

    // The rows of one module, without its on/off row.
    function controlsOf(groupId) {
        var g = group(groupId)
        var out = []
        for (var i = 0; i < rows.length; ++i)
            if (rows[i].group === groupId && (!g || rows[i].name !== g.on))
                out.push(rows[i])
        return out
    }

    // A row's name within its module, for the edit history and for screen
    // readers: "Preamp volume", "Parametric EQ band 2 gain", or the label
    // alone where it names the module ("Preamp" for its switch).
    function fullLabel(r) {
        var g = group(r.group)
        if (g === undefined || g.title === r.label || g.on === r.name)
            return r.label
        return g.title + (r.band !== undefined ? " band " + r.band : "") + " " + r.label.toLowerCase()
    }

    // The value as a screen reader says it: with its unit, and a plain
    // level with its range ("33 of 100").
    function spokenText(r, value) {
        var t = text(r, value)
        if (r.choices === undefined && r.unit === "" && r.dbPerStep === undefined && r.shift === undefined
                && !isSwitch(r) && r.min === 0)
            t += " of " + r.max
        return t
    }

    function isSwitch(r) {
        return r.min === 0 && r.max === 1 && r.choices === undefined
    }

    // A published value brought into the row's range (a device may hold
    // anything in a byte; the control must still show something sensible).
    function clamp(r, value) {
        return Math.max(r.min, Math.min(r.max, value))
    }

    // The byte handed to setValue: signed values travel as two's complement.
    function toByte(value) {
        return Math.round(value) & 0xff
    }

    // A gain in dB of a row with a centre: 60 is +2.4 with 0.24 dB a step.
    function gainDb(r, value) {
        return Math.round((value - r.centre) * r.dbPerStep * 10) / 10
    }

    // "+3 dB", "+2.4 dB", "-12", "75", or the choice's name.
    function text(r, value) {
        if (r.choices !== undefined && value >= 0 && value < r.choices.length)
            return r.choices[value]
        if (r.dbPerStep !== undefined) {
            var db = gainDb(r, value)
            return db === 0 ? "0 dB" : (db > 0 ? "+" : "") + db.toFixed(1) + " dB"
        }
        var t = r.signed && value > 0 ? "+" + value : String(value)
        return r.unit !== "" ? t + " " + r.unit : t
    }

    // The value in words, for a tooltip: what a shift means, what device
    // value a gain is.
    function describe(r, value) {
        if (r.dbPerStep !== undefined)
            return r.label + " " + text(r, value) + " (device value " + value + "; "
                + r.centre + " is 0 dB)"
        if (r.shift === "frequency")
            return "Frequency: " + (value === 0 ? "the band's own"
                : Math.abs(value) + (Math.abs(value) === 1 ? " step " : " steps ")
                  + (value > 0 ? "higher" : "lower") + " than the band's own")
                + " (device value " + value + "; the size of a step in Hz is not known)"
        if (r.shift === "width")
            return "Q: " + (value === 0 ? "the band's own width"
                : Math.abs(value) + (Math.abs(value) === 1 ? " step " : " steps ")
                  + (value > 0 ? "narrower" : "wider") + " than the band's own")
                + " (device value " + value + ")"
        return r.label + ": " + text(r, value)
    }

    // The value as the user types it: in dB for a gain, else the number.
    function editText(r, value) {
        return r.dbPerStep !== undefined ? String(gainDb(r, value)) : String(value)
    }

    // A typed value (as editText gives it, the unit may follow) as the
    // row's value, brought into its range; NaN when it is not a number.
    function parse(r, typed) {
        return clamp(r, parseUnlimited(r, typed))
    }

    // The same, not yet brought into the range.
    function parseUnlimited(r, typed) {
        var t = String(typed).trim().replace(/\s*db$/i, "").replace("\u2212", "-")
        if (!/^[+-]?(\d+(\.\d*)?|\.\d+)$/.test(t))
            return NaN
        var n = parseFloat(t)
        if (r.dbPerStep !== undefined)
            n = r.centre + n / r.dbPerStep
        return Math.round(n)
    }

    // What to say of a typed value the range limited: "Mid goes from -12 dB
    // to +12 dB: set to -12 dB."; empty when it was in the range.
    function limitNote(r, typed) {
        var n = parseUnlimited(r, typed)
        if (isNaN(n) || n === clamp(r, n))
            return ""
        return r.label + " goes from " + text(r, r.min) + " to " + text(r, r.max) + ": set to "
            + text(r, clamp(r, n)) + "."
    }
}

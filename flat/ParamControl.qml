// Common part of every parameter control: one parameter of the current
// preset (`_parameters`), bound in both directions. Its value is the one the
// device plays, whatever set it (a status read, an edit, undo); a change by
// the user goes to setValue at once, and the value follows from there.
import QtQuick 2.15
import "."

FocusScope {
    id: control

    property var device: null
    property string name: ""
    // What the parameter table says of it, and its value (ParameterFact).
    readonly property var fact: device && device.parameters ? device.parameters.fact(name) : null
    // The value as the device holds it, unclamped, so that the value text
    // shows what the device really holds.
    readonly property int value: fact ? fact.value : 0
    readonly property string valueText: fact ? fact.text : ""
    // What a screen reader calls the control and says of its value.
    readonly property string accessibleName: fact ? fact.fullLabel : name
    readonly property string spokenValue: fact ? fact.spokenText : ""

    objectName: "param_" + name
    enabled: device !== null && device.controlsEnabled
    implicitHeight: Theme.rowHeight

    function userSet(v) {
        if (!fact)
            return
        v = fact.clamp(Math.round(v))
        if (v !== value && device)
            device.setValue(name, v)
    }

    // Tab and Shift+Tab also step the back end's focus target; the focus
    // itself then moves as usual (the event is left unaccepted).
    function tabKey(event, backwards) {
        if (device)
            device.tabKey(backwards)
        event.accepted = false
    }
}

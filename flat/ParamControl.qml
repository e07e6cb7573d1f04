// Common part of every parameter control: one value name, bound in both
// directions. A publication from the device moves the control without
// sending anything back; a change by the user goes to setValue at once.
import QtQuick 2.15
import "."

FocusScope {
    id: control

    property var device: null
    property string name: ""
    readonly property var row: Params.row(name)
    // The value as last published or set, unclamped, so that the value text
    // shows what the device really holds.
    property int value: row ? Math.max(row.min, Math.min(row.max, 0)) : 0
    readonly property string valueText: row ? Params.text(row, value) : ""
    // What a screen reader calls the control and says of its value.
    readonly property string accessibleName: row ? Params.fullLabel(row) : name
    readonly property string spokenValue: row ? Params.spokenText(row, value) : ""

    objectName: "param_" + name
    enabled: device !== null && device.controlsEnabled
    implicitHeight: Theme.rowHeight

    function setFromDevice(v) {
        value = v
    }

    function userSet(v) {
        if (!row)
            return
        v = Math.max(row.min, Math.min(row.max, Math.round(v)))
        if (v === value)
            return
        value = v
        if (device)
            device.setValue(name, v)
    }

    // Tab and Shift+Tab also step the back end's focus target; the focus
    // itself then moves as usual (the event is left unaccepted).
    function tabKey(event, backwards) {
        if (device)
            device.tabKey(backwards)
        event.accepted = false
    }

    Component.onCompleted: {
        if (device && row)
            device.attach(name, control)
    }
    Component.onDestruction: {
        if (device)
            device.detach(name, control)
    }
}

// The last value the back end published for each parameter, and the controls
// bound to it: a publication (or an undo or redo, which the device does not
// report back) moves every control of that name without sending anything.
import QtQuick 2.15

QtObject {
    id: parameters

    property var device: null
    property var values: ({})
    property var bound: ({})

    function attach(name, control) {
        var list = bound[name] || []
        list.push(control)
        bound[name] = list
        if (values[name] !== undefined)
            control.setFromDevice(values[name])
    }

    function detach(name, control) {
        var list = bound[name]
        if (!list)
            return
        var i = list.indexOf(control)
        if (i >= 0)
            list.splice(i, 1)
    }

    // The back end's own words for what `_device` holds are no parameters.
    readonly property var notParameters: ["editable", "wait", "preset_edit", "type_dev", "bank",
                                          "preset"]

    function publish(name, value) {
        if (notParameters.indexOf(name) >= 0)
            return
        values[name] = value
        var list = bound[name]
        if (list)
            for (var i = 0; i < list.length; ++i)
                list[i].setFromDevice(value)
    }

    property Connections backEnd: Connections {
        target: parameters.device && parameters.device.alive ? _core : null
        ignoreUnknownSignals: true
        function onSgReadValue(name, value) { parameters.publish(name, value) }
    }

    property Connections history: Connections {
        target: parameters.device ? parameters.device.history() : null
        ignoreUnknownSignals: true
        function onValueRestored(name, value) { parameters.publish(name, value) }
    }
}

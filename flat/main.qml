// Minimal interface: shows what the back end publishes.
import QtQuick 2.15
import QtQuick.Window 2.15

Window {
    id: window
    width: 640
    height: 400
    visible: true
    title: "Vortaxa"
    color: "#1e1f24"

    property var values: ({})
    property string portState: "Searching for the device…"

    Connections {
        target: _core
        function onSgReadValue(nameParam, value) {
            var v = window.values
            v[nameParam] = value
            window.values = v
        }
        function onSgReadText(nameParam, value) {
            if (nameParam === "open_port")
                window.portState = "Connected on " + value
            else if (nameParam === "close_port")
                window.portState = value === "" ? "Device closed" : "Could not open " + value
            var v = window.values
            v[nameParam] = value
            window.values = v
        }
    }

    Column {
        anchors.fill: parent
        anchors.margins: 16
        spacing: 6
        Text { text: window.portState; color: "#e8e8e8"; font.pixelSize: 18 }
        Text { text: "Folder: " + applicationDirPath; color: "#9a9aa0" }
        Repeater {
            model: Object.keys(window.values).sort()
            Text { text: modelData + ": " + window.values[modelData]; color: "#c8c8cc" }
        }
    }
}

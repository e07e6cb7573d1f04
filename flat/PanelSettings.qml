// The panel's own settings kept by the back end: the skin, the background
// images' folder and the colour of the impulse display, read once at start
// and written through as the user changes them.
import QtQuick 2.15

QtObject {
    id: settings

    property var device: null
    function core() { return device ? device.core() : null }

    property bool lightSkin: false
    property string skinsFolder: ""
    property color impulseColor: "#0000ff"

    function setLightSkin(on) {
        var c = core()
        if (c)
            c.setAlternativeSkins(on)
        lightSkin = on
    }

    function setSkinsFolder(url) {
        var c = core()
        if (c)
            c.setSkinsPath(String(url))
        skinsFolder = String(url)
    }

    function setColor(color) {
        var c = core()
        if (c)
            c.setColorFileName(String(color))
    }

    // The colour setting as stored: "#rgb", "#rrggbb" or "#aarrggbb"; anything
    // else keeps the colour shown.
    function applyColor(text) {
        if (/^#([0-9a-fA-F]{3}|[0-9a-fA-F]{6}|[0-9a-fA-F]{8})$/.test(String(text)))
            impulseColor = String(text)
    }

    property Connections backEnd: Connections {
        target: settings.device && settings.device.alive ? _core : null
        ignoreUnknownSignals: true
        function onSgColorOpen() { settings.device.colorDialogRequested() }
        function onSgSetColorFileName(foneColor) { settings.applyColor(foneColor) }
    }

    Component.onCompleted: {
        var c = core()
        if (c) {
            lightSkin = c.getAlternativeSkins()
            skinsFolder = c.getSkinsPath()
            applyColor(c.getColorFileName())
        }
    }
}

// What the back end reports that the user must be told, in the panel's
// words: a message for each (through the device state's `message`) for a
// paste with nothing to paste, an impulse not stored or not loaded, a
// request the device never answered, and no web browser for a page. The
// changes lost with an unplugged device are the connection notice's.
import QtQuick 2.15

QtObject {
    id: reports

    property var device: null
    readonly property bool alive: device !== null && device.alive

    function tell(title, text, failedCommand) {
        if (device)
            device.message(title, text, failedCommand)
    }

    property Connections backEnd: Connections {
        target: reports.alive ? _core : null
        ignoreUnknownSignals: true

        function onSgReadText(name, text) {
            if (name === "paste_refused") // no whole copy: nothing to offer
                reports.tell("Nothing pasted", text, "")
        }
        function onSgRequestConvert(filePath) {
            var name = String(filePath).replace(/^.*[\/\\]/, "")
            reports.tell("Impulse not stored",
                         "The preset was saved, but the impulse \"" + name + "\" was not stored "
                         + "with it: the file could no longer be read as the impulse that was "
                         + "loaded.\n\nLoad the impulse again and save the preset.", "")
        }
        function onSgAnswerErrSave(strCom) {
            reports.tell("The device did not answer",
                         "The device did not answer the request \"" + String(strCom).trim()
                         + "\", so the requests waiting after it were dropped.\n\n"
                         + "Check the USB cable and that the device is switched on, then try "
                         + "again. If it keeps happening, save an error report and send it to us.",
                         strCom)
        }
    }

    property Connections impulseFiles: Connections {
        target: reports.device ? reports.device.impulses : null
        ignoreUnknownSignals: true
        function onFailed(path, reason) {
            // The Impulses page shows why its own file cannot be used, without
            // taking the keyboard from its list.
            var files = reports.device.impulses.files
            if (files && files.active && files.selectedPath === path
                    && files.get(files.selectedRow).usable === false)
                return
            reports.tell("Impulse not loaded", reason, "")
        }
    }

    property Connections desktopReports: Connections {
        target: reports.alive && typeof _desktop !== "undefined" ? _desktop : null
        ignoreUnknownSignals: true
        function onWebPageNotOpened(url) {
            reports.tell("No web browser",
                         "The page could not be opened: no web browser answered. Open it "
                         + "yourself in a browser:\n\n" + url, "")
        }
    }
}

// What the panel knows about the device, kept up to date from the back end's
// signals, and every call the panel makes into the back end. Nothing else in
// the document touches `_core`; parameter edits go through `_history`.
//
// The back end is destroyed before the document; once the application is
// quitting (or the window is closing) no further call is made.
import QtQuick 2.15
import "."

QtObject {
    id: dev

    // ---- connection -------------------------------------------------------
    // "searching": looking for the device; "open": connected on portName;
    // "failed": the port was found but could not be opened; "lost": the open
    // port was closed after an error.
    property string portState: "searching"
    property string portName: ""
    readonly property bool connected: portState === "open"
    property int typeDev: 0
    property string version: ""
    // A port given on the command line (--port PATH): opened by the panel
    // and retried every two seconds while it is closed.
    property string portArgument: ""

    // ---- device family ----------------------------------------------------
    property int bankCount: 10
    property int presetCount: 10
    readonly property string familyText: typeDev === 0 ? ""
        : bankCount + " × " + presetCount + " presets"

    // ---- activity ---------------------------------------------------------
    property bool busy: false
    property real progress: 0
    property bool sweeping: false      // "Read all presets" under way
    property bool sweepAfterSave: false

    // ---- current preset ---------------------------------------------------
    property int bank: -1
    property int preset: -1
    property bool edited: false
    property bool editable: true       // false while the stored preset is shown
    readonly property bool comparing: connected && !editable
    readonly property bool controlsEnabled: connected && editable
    property string impulseName: ""

    // ---- impulse slots of the device ----------------------------------------
    property var slotNames: []
    property var slotFlags: []

    // ---- settings ---------------------------------------------------------
    property bool lightSkin: false
    property string skinsFolder: ""
    property color impulseColor: "#0000ff"

    // ---- preset map: one cell per bank and preset -----------------------------
    property ListModel map: ListModel {}
    property int mapCursor: -1         // the cell the next publications belong to
    property int pendingBank: -1
    // An impulse name published before any position (the start-up read
    // asks for the name first): it belongs to the position that follows.
    property var unplacedImpulse: null

    // ---- the parameters: last value of each, and the controls bound to it ----
    property var values: ({})
    property var bound: ({})

    signal question(string kind, int code)
    signal message(string title, string text, string failedCommand)
    signal colorDialogRequested()

    // ---- guarded calls ----------------------------------------------------
    property bool alive: typeof _core !== "undefined" && _core !== null

    function core() {
        return alive ? _core : null
    }

    // The edit history beside the back end, where it is published.
    function history() {
        return alive && typeof _history !== "undefined" && _history !== null ? _history : null
    }

    // A parameter edit goes through the edit history, which records it for
    // undo and hands it on; the control words go to the back end directly.
    function setValue(name, value) {
        var target = Params.row(name) !== undefined && history() !== null ? history() : core()
        if (target)
            target.setValue(name, Params.toByte(value))
    }

    function save() { var c = core(); if (c) c.slSaveUpDown(0) }
    function compare() { var c = core(); if (c) c.slCompare() }
    function revert() { var c = core(); if (c) c.slEsc() }
    function revertImpulse() { var c = core(); if (c) c.slEscImpuls() }
    function copyPreset() { var c = core(); if (c) c.slCopy() }
    function pastePreset() { var c = core(); if (c) c.slPaste() }
    function openHelp() { var c = core(); if (c) c.slOpenUrl1() }
    function openShop() { var c = core(); if (c) c.slOpenUrl2() }
    function tabKey(backwards) { var c = core(); if (c) c.slTabKey(backwards) }
    function chooseColor() { var c = core(); if (c) c.colorOpen() }

    function setColor(color) {
        var c = core()
        if (c)
            c.setColorFileName(String(color))
    }

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

    function lastFolder() {
        var c = core()
        return c ? c.getLastPath() : ""
    }

    // Reading every preset steps the device through all of them, which
    // throws away unsaved changes of the current one: ask first.
    function readAllPresets() {
        if (edited)
            question("sweep", 0)
        else
            startSweep()
    }

    function startSweep() {
        sweeping = true
        setValue("map_update", 0)
    }

    function stepPreset(up) { setValue("preset_UpDown", up ? 1 : 0) }
    function stepBank(up) { setValue("bank_UpDown", up ? 1 : 0) }

    // Presets are numbered through the banks: bank 3, preset 7 of a 10 × 10
    // device is number 37.
    function presetNumber(b, p) {
        return b * presetCount + p
    }

    function jumpTo(b, p) {
        if (b < 0 || p < 0 || b >= bankCount || p >= presetCount)
            return
        setValue("preset_change", presetNumber(b, p))
    }

    // The user's answer to "Save changes to this preset?".
    function answerQuestion(kind, code, choice) {
        if (kind === "sweep") {
            // After a save the sweep starts once the save's exchange is over
            // (starting it at once would send the save's request twice).
            if (choice === "save") {
                sweepAfterSave = true
                save()
            } else if (choice === "discard") {
                startSweep()
            }
            return
        }
        if (choice === "save")
            setValue(kind === "updown" ? "save_up_down" : "save_change", code)
        else if (choice === "discard")
            setValue(kind === "updown" ? "set_preset_updown" : "set_preset_change", code)
    }

    // A file chosen in a dialog or dropped on the window: the back end takes
    // a local path; the folder becomes the dialog's next starting point.
    function loadImpulse(url) {
        var path = localPath(url)
        if (path === "")
            return
        var c = core()
        if (!c)
            return
        var slash = String(url).lastIndexOf("/")
        if (slash > 0)
            c.setLastPath(String(url).substring(0, slash))
        c.setImpuls(path)
    }

    function saveErrorReport(url) {
        var c = core()
        if (c)
            c.slAnswerErrSave(localPath(url))
    }

    function localPath(url) {
        var s = String(url)
        if (s.indexOf("file://") !== 0)
            return s
        s = decodeURIComponent(s.substring(7))
        // file:///C:/x on Windows becomes C:/x
        if (/^\/[A-Za-z]:\//.test(s))
            s = s.substring(1)
        return s
    }

    function isWav(url) {
        return /\.wav$/i.test(String(url))
    }

    // ---- bound controls ---------------------------------------------------
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

    // ---- publications from the back end --------------------------------------
    function onValue(name, value) {
        switch (name) {
        case "wait":
            setBusy(value !== 0)
            return
        case "editable":
            editable = value !== 0
            return
        case "preset_edit":
            edited = value !== 0
            return
        case "type_dev":
            setType(value)
            return
        case "bank":
            pendingBank = value
            return
        case "preset":
            if (pendingBank >= 0)
                bank = pendingBank
            preset = value
            mapCursor = bank >= 0 && bank < bankCount && preset >= 0 && preset < presetCount
                ? presetNumber(bank, preset) : -1
            if (mapCursor >= 0 && unplacedImpulse !== null)
                map.setProperty(mapCursor, "impulse", unplacedImpulse)
            unplacedImpulse = null
            return
        }
        values[name] = value
        var list = bound[name]
        if (list)
            for (var i = 0; i < list.length; ++i)
                list[i].setFromDevice(value)
        recordInMap(name, value)
    }

    function onText(name, text) {
        switch (name) {
        case "open_port":
            portState = "open"
            portName = text
            mapCursor = -1             // the position is read again
            return
        case "close_port":
            portState = text === "" ? "lost" : "failed"
            if (text !== "")
                portName = text
            busy = false
            sweeping = false
            sweepAfterSave = false
            mapCursor = -1
            return
        case "devVersion":
            version = text
            return
        case "impulse_name":
            impulseName = text
            if (mapCursor >= 0 && mapCursor < map.count)
                map.setProperty(mapCursor, "impulse", text)
            else
                unplacedImpulse = text
            return
        case "impulse_names":
            slotNames = splitList(text)
            return
        case "impulse_en":
            slotFlags = splitList(text)
            return
        }
    }

    function setBusy(on) {
        busy = on
        if (on)
            return
        sweeping = false
        if (sweepAfterSave) {
            sweepAfterSave = false
            startSweep()
        }
    }

    // "a,b,c," -> ["a", "b", "c"]: every entry ends with a comma.
    function splitList(text) {
        var parts = text.split(",")
        if (parts.length > 0 && parts[parts.length - 1] === "")
            parts.pop()
        return parts
    }

    function setType(code) {
        typeDev = code
        var size = code === 2 || code === 3 ? 4 : (code === 1 || code === 4 ? 10 : 0)
        if (size === 0)
            return
        if (size !== bankCount || size !== presetCount || map.count !== size * size) {
            bankCount = size
            presetCount = size
            buildMap()
        }
    }

    function buildMap() {
        map.clear()
        mapCursor = -1
        for (var b = 0; b < bankCount; ++b)
            for (var p = 0; p < presetCount; ++p)
                map.append({ bank: b, preset: p, impulse: "", known: false,
                             master: 0, cabinet: 0, modules: 0 })
    }

    // Modules shown as lit marks in a map cell, in this order.
    readonly property var mapModules: ["preamp_on", "amp_on", "compreccor_on", "gate_on", "eq_on"]

    function recordInMap(name, value) {
        if (mapCursor < 0 || mapCursor >= map.count)
            return
        if (name === "master_volume") {
            map.setProperty(mapCursor, "master", value)
            map.setProperty(mapCursor, "known", true)
        } else if (name === "cabinet_enable") {
            map.setProperty(mapCursor, "cabinet", value)
        } else {
            var bit = mapModules.indexOf(name)
            if (bit < 0)
                return
            var mask = map.get(mapCursor).modules
            mask = value !== 0 ? (mask | (1 << bit)) : (mask & ~(1 << bit))
            map.setProperty(mapCursor, "modules", mask)
        }
    }

    // The colour setting as stored: "#rgb", "#rrggbb" or "#aarrggbb"; anything
    // else keeps the colour shown.
    function applyColor(text) {
        if (/^#([0-9a-fA-F]{3}|[0-9a-fA-F]{6}|[0-9a-fA-F]{8})$/.test(String(text)))
            impulseColor = String(text)
    }

    function parsePortArgument(args) {
        for (var i = 0; i < args.length; ++i) {
            var a = String(args[i])
            if (a === "--port" && i + 1 < args.length)
                return String(args[i + 1])
            if (a.indexOf("--port=") === 0)
                return a.substring(7)
        }
        return ""
    }

    function openGivenPort() {
        var c = core()
        if (c && portArgument !== "")
            c.openPort(portArgument)
    }

    property Timer portRetry: Timer {
        interval: 2000
        repeat: true
        triggeredOnStart: true
        running: dev.alive && dev.portArgument !== "" && !dev.connected
        onTriggered: dev.openGivenPort()
    }

    property Connections link: Connections {
        target: dev.alive ? _core : null
        ignoreUnknownSignals: true

        function onSgReadValue(nameParam, value) { dev.onValue(nameParam, value) }
        function onSgReadText(nameParam, value) { dev.onText(nameParam, value) }
        function onSgSetWait(wait) { dev.setBusy(wait) }
        function onSgSetProgress(val) { dev.progress = val }
        function onSgSetEnabled(val) { dev.editable = val }
        function onSgSetEdit(setEdit) { dev.edited = setEdit }
        function onSgSetImpulsName(val) { dev.impulseName = val }
        function onSgPortOpen(val, portName) {
            if (!val)
                dev.portState = "lost"
        }
        function onSgPresetUpDownStage1(inChangePreset) { dev.question("updown", inChangePreset) }
        function onSgPresetChangeStage1(inChangePreset) { dev.question("change", inChangePreset) }
        function onSgNotSupport() {
            dev.message("Impulse not loaded",
                        "This file can't be used as an impulse. The device plays WAV files "
                        + "recorded at 48 kHz with 24-bit samples in mono.\n\n"
                        + "Convert the file first (in an audio editor, or with "
                        + "\"sox in.wav -r 48000 -b 24 -c 1 out.wav\") and load it again.", "")
        }
        function onSgRequestConvert(filePath) {
            var name = String(filePath).replace(/^.*[\/\\]/, "")
            dev.message("Impulse not stored",
                        "The preset was saved, but the impulse \"" + name + "\" was not stored "
                        + "with it: the device stores only 24-bit mono WAV files.\n\n"
                        + "Convert the file to 24-bit mono, load it again and save the preset.", "")
        }
        function onSgAnswerErrSave(strCom) {
            dev.message("The device did not answer",
                        "The device did not answer the request \"" + String(strCom).trim()
                        + "\", so the requests waiting after it were dropped.\n\n"
                        + "Check the USB cable and that the device is switched on, then try "
                        + "again. If it keeps happening, save an error report and send it to us.",
                        strCom)
        }
        function onSgColorOpen() { dev.colorDialogRequested() }
        function onSgSetColorFileName(foneColor) { dev.applyColor(foneColor) }
    }

    // Undo and redo move the control they restore: the device reports nothing back.
    property Connections historyLink: Connections {
        target: dev.history()
        ignoreUnknownSignals: true
        function onValueRestored(name, value) { dev.onValue(name, value) }
    }

    property Connections quitting: Connections {
        target: Qt.application
        function onAboutToQuit() { dev.alive = false }
    }

    Component.onCompleted: {
        buildMap()
        var c = core()
        if (c) {
            lightSkin = c.getAlternativeSkins()
            skinsFolder = c.getSkinsPath()
            applyColor(c.getColorFileName())
        }
        portArgument = parsePortArgument(Qt.application.arguments)
    }
}

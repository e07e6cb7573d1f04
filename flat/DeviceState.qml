// The document's adapter to the back end: the device's state as `_device`
// (state/device_state.h) keeps it, under the names the pages bind to, and
// every call the panel makes into the back end; parameter edits go through
// `_history`. Beside it, and only through it, the parameters' values
// (ParameterValues), the panel's settings (PanelSettings) and the messages
// the back end's reports call for (DeviceMessages). The rest of the document
// never touches `_core`.
//
// The back end is destroyed before the document; once the application is
// quitting (or the window is closing) no further call is made.
import QtQuick 2.15
import "."

QtObject {
    id: dev

    // ---- connection -------------------------------------------------------
    // "searching": looking for the device; "open": connected on portName;
    // "failed": a port could not be opened (`failure` says why); "lost": the
    // open port was closed after an error.
    readonly property var device: alive && typeof _device !== "undefined" ? _device : null
    readonly property string portState: device ? device.connection : "searching"
    readonly property string portName: device ? device.portName : ""
    readonly property bool connected: portState === "open"
    // Connected at some time since the port was last chosen: a port that is
    // gone then means the device was unplugged, not a wrong port.
    property bool wasConnected: false
    // The preset whose unsaved changes went with an unplugged device ("" if none).
    property string lostChanges: ""
    readonly property int typeDev: device ? device.deviceType : 0
    readonly property string version: device ? device.firmware : ""
    // The device has answered who it is: until then nothing about a preset
    // or the family is shown.
    readonly property bool identified: connected && typeDev !== 0

    // The port chooser of the back end (`_ports`): the port opened by name
    // and why an open failed ("gone", "busy", "permission", "other").
    readonly property var ports: alive && typeof _ports !== "undefined" ? _ports : null
    readonly property string failure: ports ? ports.failure : ""
    readonly property string failureText: ports ? ports.failureText : ""
    // What the panel says about the connection: "open", "lost" (the device
    // went away; the panel reconnects when it is back), "failed" (an open
    // was refused) or "searching".
    readonly property string link: portState === "failed" && failure === "gone" && wasConnected
                                   ? "lost" : portState

    // ---- device family ----------------------------------------------------
    readonly property int bankCount: device ? device.bankCount : 10
    readonly property int presetCount: device ? device.presetCount : 10
    readonly property string familyText: typeDev === 0 ? ""
        : bankCount + " × " + presetCount + " presets"

    // ---- activity ---------------------------------------------------------
    readonly property bool busy: device ? device.busy : false
    // The one progress every view shows: the librarian's while it works
    // (`step` says what it does), else the link's.
    readonly property real progress: device ? device.progress : 0
    readonly property string step: device ? device.step : ""
    readonly property bool libraryBusy: device ? device.libraryBusy : false
    // From the start of a save until the device has stored the preset.
    readonly property bool saving: device ? device.saving : false
    readonly property bool hasCopy: device ? device.hasCopy : false
    readonly property bool sweeping: device ? device.readingAll : false // "Read all" under way
    property string task: ""           // "impulse": the busy state is an impulse going out
    property bool sweepAfterSave: false
    property bool quitAfterSave: false

    // ---- current preset ---------------------------------------------------
    readonly property int bank: device ? device.bank : -1
    readonly property int preset: device ? device.preset : -1
    readonly property bool edited: device ? device.edited : false
    property bool editable: true       // false while the stored preset is shown
    readonly property bool comparing: connected && !editable
    readonly property bool controlsEnabled: connected && editable
    readonly property string impulseName: device ? device.impulseName : ""

    // ---- impulse slots of the device ----------------------------------------
    readonly property var slotNames: device ? device.slotNames : []
    readonly property var slotFlags: device ? device.slotFlags : []
    // A store or a reading of every preset may have changed the slots: the
    // list is asked for again once the device is idle.
    property bool slotsStale: false
    readonly property var slotList: alive && typeof _slots !== "undefined" ? _slots : null

    // ---- settings ---------------------------------------------------------
    property PanelSettings settings: PanelSettings { id: panelSettings; device: dev }
    property alias lightSkin: panelSettings.lightSkin
    property alias skinsFolder: panelSettings.skinsFolder
    property alias impulseColor: panelSettings.impulseColor
    function setLightSkin(on) { panelSettings.setLightSkin(on) }
    function setSkinsFolder(url) { panelSettings.setSkinsFolder(url) }
    function setColor(color) { panelSettings.setColor(color) }

    // ---- preset map: one cell per bank and preset, kept by the back end ---------
    readonly property var map: device ? device.presetMap : null

    // ---- the parameters: last value of each, and the controls bound to it ----
    property ParameterValues parameters: ParameterValues { id: parameterValues; device: dev }
    function attach(name, control) { parameterValues.attach(name, control) }
    function detach(name, control) { parameterValues.detach(name, control) }

    signal question(string kind, int code)
    // A short confirmation that needs no answer ("Preset 3-5 copied").
    signal notice(string text)
    // The user agreed to quit (after saving, once the save is through).
    signal quitAgreed()
    signal message(string title, string text, string failedCommand)
    signal colorDialogRequested()

    // ---- guarded calls ----------------------------------------------------
    property bool alive: typeof _core !== "undefined" && _core !== null

    function core() {
        return alive ? _core : null
    }

    // The impulse files back end, beside `_core`.
    readonly property var impulses: alive && typeof _impulses !== "undefined" ? _impulses : null

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

    function save() {
        var c = core()
        if (!c)
            return
        slotsStale = true
        c.slSaveUpDown(0)
    }
    function compare() { var c = core(); if (c) c.slCompare() }
    function revert() { var c = core(); if (c) c.slEsc() }
    function revertImpulse() { var c = core(); if (c) c.slEscImpuls() }
    // Copy reads the preset from the device; once that is through, Paste
    // has something to put back and the copy is confirmed (`copyEnded`).
    function copyPreset() { var c = core(); if (c) c.slCopy() }

    function pastePreset() {
        var c = core()
        if (c && hasCopy)
            c.slPaste()
    }
    function openHelp() { var c = core(); if (c) c.slOpenUrl1() }
    function openShop() { var c = core(); if (c) c.slOpenUrl2() }
    function tabKey(backwards) { var c = core(); if (c) c.slTabKey(backwards) }
    function chooseColor() { var c = core(); if (c) c.colorOpen() }

    function lastFolder() {
        var c = core()
        return c ? c.getLastPath() : ""
    }

    // Reading every preset steps the device through all of them: its sound
    // changes meanwhile, and unsaved changes of the current one are lost.
    // Say so first.
    function readAllPresets() {
        question("sweep", 0)
    }

    // The librarian's walk reads every preset into the map and goes back to
    // the current one; its progress and Cancel show over the window.
    function startSweep() {
        slotsStale = true
        if (device)
            device.readAll()
    }

    // The device's own preset step stays inside the bank (it wraps from the
    // last preset to the first of the same bank); at a bank's edge the jump
    // by number crosses into the next or previous bank instead.
    function stepPreset(up) {
        var atEdge = identified && bank >= 0 && preset >= 0
                     && (up ? preset === presetCount - 1 : preset === 0)
        if (!atEdge) {
            setValue("preset_UpDown", up ? 1 : 0)
            return
        }
        var total = bankCount * presetCount
        jumpToNumber((presetNumber(bank, preset) + (up ? 1 : total - 1)) % total)
    }
    function stepBank(up) { setValue("bank_UpDown", up ? 1 : 0) }

    // Presets are numbered through the banks: bank 3, preset 7 of a 10 × 10
    // device is number 37.
    function presetNumber(b, p) {
        return b * presetCount + p
    }

    function jumpTo(b, p) {
        if (b < 0 || p < 0 || b >= bankCount || p >= presetCount)
            return
        jumpToNumber(presetNumber(b, p))
    }

    // A jump by number (through the banks); the unsaved-edits question comes
    // first when needed.
    function jumpToNumber(n) {
        if (n >= 0 && n < bankCount * presetCount)
            setValue("preset_change", n)
    }

    // The user's answer to "Save changes to this preset?".
    function answerQuestion(kind, code, choice) {
        if (kind === "quit") {
            if (choice === "save") {
                quitAfterSave = true
                save()
            } else if (choice === "discard") {
                quitAgreed()
            }
            return
        }
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
        if (choice === "save") {
            slotsStale = true
            setValue(kind === "updown" ? "save_up_down" : "save_change", code)
        }
        else if (choice === "discard")
            setValue(kind === "updown" ? "set_preset_updown" : "set_preset_change", code)
    }

    // A file chosen in a dialog or dropped on the window goes to the impulse
    // files back end, which says through `failed` why one cannot be used;
    // its folder becomes the dialog's next starting point and the folder
    // the Impulses page shows.
    function loadImpulse(url) {
        var c = core()
        if (!c || !impulses || String(url) === "")
            return
        var slash = String(url).lastIndexOf("/")
        if (slash > 0)
            impulses.folder = String(url).substring(0, slash)
        var before = task
        task = "impulse"
        if (!impulses.load(String(url)))
            task = before // nothing went to the device
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

    // A dropped item that can be an impulse file: a local file of any kind.
    function isLocalFile(url) {
        return /^file:/i.test(String(url))
    }

    function onText(name, text) {
        switch (name) {
        case "open_port":
            wasConnected = true
            return
        case "close_port":
            task = ""
            sweepAfterSave = false
            quitAfterSave = false
            return
        }
    }

    // What waits for the device to finish: it runs once the busy state has
    // ended, after the back end's own handling of that moment.
    onBusyChanged: {
        if (busy)
            return
        task = ""
        Qt.callLater(afterIdle)
    }

    // What follows a save is decided once it has ended: a save the device
    // did not store keeps the changes, so neither the reading (it would step
    // away from them) nor the quit goes ahead.
    function afterSave(stored) {
        if (quitAfterSave) {
            quitAfterSave = false
            if (stored)
                quitAgreed()
        }
        if (sweepAfterSave && !stored)
            sweepAfterSave = false
        // The device may have gone idle before it answered the store.
        Qt.callLater(afterIdle)
    }

    // A reading of every preset has ended: what waited for it may run.
    onLibraryBusyChanged: {
        if (!libraryBusy)
            Qt.callLater(afterIdle)
    }

    function afterIdle() {
        if (busy || libraryBusy || !alive)
            return
        if (sweepAfterSave && !saving) {
            // The save's exchange is over: the reading may use the queue.
            sweepAfterSave = false
            startSweep()
        }
        if (slotsStale && connected && slotList) {
            slotsStale = false
            slotList.refresh()
        }
    }

    // The port chooser: `path` is opened now and whenever it is closed, and
    // remembered; an empty path leaves finding the device to the back end.
    function choosePort(path) {
        if (!ports)
            return
        wasConnected = false
        ports.choose(path)
    }

    property Connections backEnd: Connections {
        target: dev.alive ? _core : null
        ignoreUnknownSignals: true

        function onSgReadValue(name, value) {
            if (name === "editable")
                dev.editable = value !== 0
        }
        function onSgReadText(nameParam, value) { dev.onText(nameParam, value) }
        function onSgSetEnabled(val) { dev.editable = val }
        function onSgPresetUpDownStage1(inChangePreset) { dev.question("updown", inChangePreset) }
        function onSgPresetChangeStage1(inChangePreset) { dev.question("change", inChangePreset) }
    }

    property Connections impulseFiles: Connections {
        target: dev.impulses
        ignoreUnknownSignals: true

        // A new impulse went to the device (from the Impulses page too): the
        // busy state that follows is its preview going out.
        function onCurrentChanged() {
            if (dev.impulses.hasCurrent && dev.task === "")
                dev.task = "impulse"
        }
    }

    // What the back end reports that the user must be told.
    property DeviceMessages reports: DeviceMessages { device: dev }

    property Connections deviceEvents: Connections {
        target: dev.device
        function onSaveEnded(stored) { dev.afterSave(stored) }
        function onCopyEnded(whole, text) { dev.notice(text) }
    }

    property Connections quitting: Connections {
        target: Qt.application
        function onAboutToQuit() { dev.alive = false }
    }
}

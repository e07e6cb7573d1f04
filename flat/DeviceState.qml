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
    // What the panel says about the connection: "open", "lost" (the device
    // went away; the panel reconnects when it is back), "failed" (an open
    // was refused) or "searching"; and the preset whose unsaved changes went
    // with an unplugged device ("" if none).
    readonly property var connectionNotice: device ? device.connectionNotice : null
    readonly property string link: connectionNotice ? connectionNotice.state : portState
    readonly property string lostChanges: connectionNotice ? connectionNotice.lostChanges : ""
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
    // The same in words (written once in ports/open_failure.cpp): what is
    // wrong, as a chip, and what to do.
    readonly property string failureTitle: ports ? ports.failureTitle : ""
    readonly property string failureShort: ports ? ports.failureShort : ""
    readonly property string failureAdvice: ports ? ports.failureAdvice : ""

    // ---- device family ----------------------------------------------------
    readonly property int bankCount: device ? device.bankCount : 10
    readonly property int presetCount: device ? device.presetCount : 10
    readonly property string familyText: device ? device.familyText : ""

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
    readonly property string task: device ? device.task : "" // "impulse": an impulse going out

    // ---- current preset ---------------------------------------------------
    readonly property int bank: device ? device.bank : -1
    readonly property int preset: device ? device.preset : -1
    readonly property bool edited: device ? device.edited : false
    readonly property bool comparing: device ? device.comparing : false // the stored preset shown
    readonly property bool controlsEnabled: connected && !comparing
    readonly property string impulseName: device ? device.impulseName : ""

    // ---- impulse slots of the device ----------------------------------------
    readonly property var slotNames: device ? device.slotNames : []
    readonly property var slotFlags: device ? device.slotFlags : []
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

    // The current preset's parameters (ParameterModel), beside `_core`.
    readonly property var parameters: alive && typeof _parameters !== "undefined" ? _parameters : null

    // The impulse files back end, beside `_core`.
    readonly property var impulses: alive && typeof _impulses !== "undefined" ? _impulses : null

    // The edit history beside the back end, where it is published.
    function history() {
        return alive && typeof _history !== "undefined" && _history !== null ? _history : null
    }

    // A parameter edit goes through the edit history, which records it for
    // undo and hands it on; signed values travel as their byte.
    function setValue(name, value) {
        var target = history() !== null ? history() : core()
        if (target)
            target.setValue(name, Math.round(value) & 0xff)
    }

    // The save question's flow and what waits for the device (the slot list
    // asked again after a store or a reading of every preset) are the back end's.
    readonly property var saveFlow: device ? device.saveQuestion : null
    function save() { if (saveFlow) saveFlow.save() }
    function answerQuestion(kind, code, choice) { if (saveFlow) saveFlow.answer(kind, code, choice) }
    function compare() { var c = core(); if (c) c.slCompare() }
    function revert() { var c = core(); if (c) c.slEsc() }
    function revertImpulse() { var c = core(); if (c) c.slEscImpuls() }
    // Copy reads the preset from the device; once that is through, Paste
    // has something to put back and the copy is confirmed (`copyEnded`).
    function copyPreset() { var c = core(); if (c) c.slCopy() }

    function pastePreset() { var c = core(); if (c && hasCopy) c.slPaste() }
    function openHelp() { var c = core(); if (c) c.slOpenUrl1() }
    function openShop() { var c = core(); if (c) c.slOpenUrl2() }
    function tabKey(backwards) { var c = core(); if (c) c.slTabKey(backwards) }
    function chooseColor() { var c = core(); if (c) c.colorOpen() }

    function lastFolder() { var c = core(); return c ? c.getLastPath() : "" }

    // Reading every preset steps the device through all of them: its sound
    // changes meanwhile, and unsaved changes of the current one are lost.
    // Say so first.
    function readAllPresets() { question("sweep", 0) }

    // Moves: asked about first when the preset has unsaved edits; a preset
    // step crosses into the next bank at a bank's edge.
    function stepPreset(up) { if (device) device.stepPreset(up) }
    function stepBank(up) { if (device) device.stepBank(up) }

    // Presets are numbered through the banks: bank 3, preset 7 of a 10 × 10
    // device is number 37.
    function presetNumber(b, p) { return b * presetCount + p }

    function jumpTo(b, p) {
        if (b < 0 || p < 0 || b >= bankCount || p >= presetCount)
            return
        jumpToNumber(presetNumber(b, p))
    }

    // A jump by number (through the banks); the unsaved-edits question comes
    // first when needed.
    function jumpToNumber(n) { if (device) device.jumpTo(n) }

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
        impulses.load(String(url))
    }

    function saveErrorReport(url) { var c = core(); if (c) c.slAnswerErrSave(localPath(url)) }

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

    // The port chooser: `path` is opened now and whenever it is closed, and
    // remembered; an empty path leaves finding the device to the back end.
    function choosePort(path) { if (connectionNotice) connectionNotice.choosePort(path) }

    property Connections backEnd: Connections {
        target: dev.alive ? _core : null
        ignoreUnknownSignals: true

        function onSgPresetUpDownStage1(inChangePreset) { dev.question("updown", inChangePreset) }
        function onSgPresetChangeStage1(inChangePreset) { dev.question("change", inChangePreset) }
    }

    // What the back end reports that the user must be told.
    property DeviceMessages reports: DeviceMessages { device: dev }

    property Connections deviceEvents: Connections {
        target: dev.device
        function onCopyEnded(whole, text) { dev.notice(text) }
        function onUnsavedFound(text) { dev.notice(text) }
    }

    property Connections saveEvents: Connections {
        target: dev.saveFlow
        function onQuitAgreed() { dev.quitAgreed() }
    }

    property Connections quitting: Connections {
        target: Qt.application
        function onAboutToQuit() { dev.alive = false }
    }
}

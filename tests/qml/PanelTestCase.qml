// Shared set-up of the panel's QML tests: the panel's own window loaded from
// flat/main.qml, connected to the pty, and helpers to reach its parts. Every
// test ends with a check that no warning was printed on the way.
import QtQuick 2.15
import QtTest 1.15
import "../../flat"

TestCase {
    id: test

    property var window: null
    property var dev: window ? window.deviceState : null

    function initTestCase() {
        testPty.clearWarnings()
        var component = Qt.createComponent("file://" + applicationDirPath + "/flat/main.qml")
        compare(component.status, Component.Ready, component.errorString())
        window = component.createObject(null)
        verify(window !== null, "the panel's window is created")
        window.requestActivate()
        tryCompare(window, "active", true)
        verify(testPty.open(), "the pty opens as the device's port")
        compare(dev.portState, "open")
        waitForRendering(window.contentItem)
        compare(testPty.warnings(), [], "loading the panel printed warnings")
    }

    function cleanupTestCase() {
        if (window)
            window.destroy()
    }

    // A clean start for every test: editing, nothing edited, no popup.
    function init() {
        _device.saveQuestion.drop()
        identify(1)
        testPty.setComparing(false)
        testPty.setEdited(false)
        testPty.linkBusy(false)
        closePopups()
        // A dialog window that was open took the keyboard focus with it; the
        // test platform does not hand it back to the panel by itself.
        window.requestActivate()
        tryVerify(function() { return window.activeFocusItem !== null }, 2000, "the panel has the keys")
        testPty.drain(0)
        testPty.clearWarnings()
    }

    function cleanup() {
        closePopups()
        compare(testPty.warnings(), [], "the test printed warnings")
    }

    function closePopups() {
        var message = find("messageBox")
        message.pending = []
        message.close()
        tryCompare(message, "visible", false)
        var question = find("saveQuestion")
        question.close()
        tryCompare(question, "visible", false)
        var ports = find("portDialog")
        ports.close()
        tryCompare(ports, "visible", false)
    }

    // Items of the window (Repeater and Loader items included), then its
    // other objects (popups, dialogs).
    function find(objectName) {
        var item = findChild(window.contentItem, objectName)
        if (item === null)
            item = findChild(window, objectName)
        // inside the dialogs of the panel (their own items)
        var dialogs = ["portDialog"]
        for (var i = 0; item === null && i < dialogs.length; ++i)
            item = findChild(findChild(window, dialogs[i]).contentItem, objectName)
        verify(item !== null, "the panel has an item named " + objectName)
        return item
    }

    // Shows the page of the tab with this text. The pages after the first two
    // are made when first shown: a test shows its page before finding items in it.
    function showTab(text) {
        var tabs = find("tabs")
        for (var i = 0; i < tabs.count; ++i)
            if (tabs.itemAt(i).text === text)
                tabs.currentIndex = i
        compare(tabs.itemAt(tabs.currentIndex).text, text, "the panel has a tab " + text)
    }

    function click(objectName) {
        var item = find(objectName)
        verify(item.visible && item.enabled, objectName + " can be clicked")
        mouseClick(item)
        return item
    }

    // A value inside the row's range, away from the row's resting value, and
    // different from row to row.
    function sampleValue(row, i) {
        if (row.kind === "choice")
            return 1 + i % (row.choices.length - 1)
        if (row.kind === "switch")
            return 1
        if (row.isSigned)
            return (i % 2 === 0 ? -1 : 1) * (1 + i % Math.min(row.max, -row.min))
        return row.min + 1 + (i * 7) % (row.max - row.min)
    }

    // The device's own answers: who it is, and where it is.
    function identify(type) {
        testPty.answer("olkdev\r" + type + "\nEND\n")
    }
    function place(bank, preset) {
        var two = function(n) { return (n < 10 ? "0" : "") + n }
        testPty.answer("gb\r" + two(bank) + two(preset) + "\n")
    }

    // The device's slot list answer: `names` ("empty" for none) and `flags`
    // first, every further slot of the family empty.
    function answerSlots(names, flags) {
        var bytes = "rns\r"
        for (var i = 0; i < dev.bankCount * dev.presetCount; ++i) {
            var name = i < names.length ? names[i] : "empty"
            bytes += (name === "empty" ? "*" : name) + "\n" + (i < flags.length ? flags[i] : "00")
                     + "\nEND\n"
        }
        testPty.answer(bytes)
    }

    // ---- a small 4 x 4 device played on the pty -----------------------------------
    // Its presets hold nothing but what was written and stored; `serve`
    // answers the program's requests one at a time as that device does.
    property int devicePreset: 0
    readonly property string emptyStatus: "00".repeat(43)
    property var deviceStatus: ({})     // preset number -> status written and stored
    property string liveStatus: ""

    // The device's answer to one plain request.
    function answerFor(request) {
        if (request === "olkdev")
            return "olkdev\r2\nEND\n"
        if (request === "olkver")
            return "olkver\r2.03\n"
        if (request === "gb")
            return "gb\r0" + Math.floor(devicePreset / 4) + "0" + (devicePreset % 4) + "\n"
        if (request.indexOf("pc ") === 0) {
            devicePreset = parseInt(request.substring(3), 16)
            liveStatus = deviceStatus[devicePreset] || emptyStatus
            return request + "\r"
        }
        if (request === "gs")
            return "gs\r" + (liveStatus || deviceStatus[devicePreset] || emptyStatus) + "\n"
        if (request.indexOf("gs 1\r") === 0) {
            liveStatus = request.substring(5, 5 + 86)
            return "gsEND\n"
        }
        if (request === "cc")
            return "cc\r\n\n"
        if (request === "rn")
            return "rn\r\n"
        if (request === "sp") {
            if (liveStatus !== "")
                deviceStatus[devicePreset] = liveStatus
            return "sp\rEND\n"
        }
        return "NX\n"
    }

    // Answers the program's requests, one at a time, until `done` holds;
    // `meanwhile` (if given) sees each request before it is answered.
    // Returns the requests answered.
    function serve(done, meanwhile) {
        var seen = []
        var bytes = ""
        for (;;) {
            // The next request, unless the program is done first.
            for (var waited = 0; waited < 3000 && !whole(bytes); waited += 5) {
                if (done())
                    return seen
                bytes += testPty.drain(5)
            }
            verify(whole(bytes), "the program sent a request (after " + JSON.stringify(seen) + ")")
            var request = bytes.slice(-2) === "\r\n" ? bytes.slice(0, -2) : bytes
            bytes = ""
            verify(request.indexOf("\r\n") < 0, "one request at a time: " + JSON.stringify(request))
            seen.push(request)
            if (meanwhile)
                meanwhile(request)
            testPty.write(answerFor(request))
        }
    }

    // A plain request ends in CR LF; a status write is "gs 1", CR, 86 digits, CR.
    function whole(bytes) {
        return bytes.slice(-2) === "\r\n" || /^gs 1\r[0-9a-f]{86}\r$/.test(bytes)
    }

    function jumps(requests) {
        return requests.filter(function(r) { return r.indexOf("pc ") === 0 })
    }

    // A status block with these values, answered by the device; the mode,
    // which is not in the block, comes in its own answer.
    function publishStatus(values) {
        testPty.answerStatus(values, false)
        if (values.mode !== undefined)
            testPty.answer("gm\r" + ("0" + values.mode).slice(-2) + "\n")
    }
}

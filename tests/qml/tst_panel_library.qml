// The Library page: its buttons reach the librarian, unsaved changes are
// saved first when the user agrees, the progress shows over the window with
// a Cancel that stops between presets, and the outcome stays on the page. The
// test answers on the pty as a small 4 x 4 device whose presets hold nothing.
import QtQuick 2.15
import QtTest 1.15
import "../../flat"

PanelTestCase {
    name: "PanelLibrary"

    property int devicePreset: 0
    readonly property string emptyStatus: "00".repeat(43)

    function init() {
        testPty.resetBackEnd()
        _core.sgReadText("open_port", testPty.portPath())
        _core.sgReadValue("preset_edit", 0)
        _core.sgSetWait(false)
        closePopups()
        var tabs = find("tabs")
        for (var i = 0; i < tabs.count; ++i)
            if (tabs.itemAt(i).text === "Library")
                tabs.currentIndex = i
        verify(find("libraryPage").visible, "the Library tab shows the page")
        devicePreset = 6
        testPty.drain(0)
        testPty.clearWarnings()
    }

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
            return request + "\r"
        }
        if (request === "gs")
            return "gs\r" + emptyStatus + "\n"
        if (request === "cc")
            return "cc\r\n\n"
        if (request === "rn")
            return "rn\r\n"
        if (request === "sp")
            return "sp\rEND\n"
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
            for (var waited = 0; waited < 3000 && bytes.slice(-2) !== "\r\n"; waited += 5) {
                if (done())
                    return seen
                bytes += testPty.drain(5)
            }
            verify(bytes.slice(-2) === "\r\n",
                   "the program sent a request (after " + JSON.stringify(seen) + ")")
            var request = bytes.slice(0, -2)
            bytes = ""
            verify(request.indexOf("\r\n") < 0, "one request at a time: " + JSON.stringify(request))
            seen.push(request)
            if (meanwhile)
                meanwhile(request)
            testPty.write(answerFor(request))
        }
    }

    function jumps(requests) {
        return requests.filter(function(r) { return r.indexOf("pc ") === 0 })
    }

    function idleLibrary() { return !_library.busy }

    function result() { return find("libraryResultText").text }

    function test_saveFirst_data() {
        return [
            { tag: "save, then the backup's file dialog", answer: "saveFirstSave", button: "backupButton" },
            { tag: "cancel", answer: "saveFirstCancel", button: "backupButton" }
        ]
    }

    function test_saveFirst(data) {
        _core.sgReadValue("preset_edit", 1)
        click(data.button)
        var question = find("librarySaveFirst")
        tryCompare(question, "opened", true)
        click(data.answer)
        tryCompare(question, "visible", false)
        var dialog = find("backupDialog")
        if (data.answer === "saveFirstCancel") {
            compare(testPty.drain(300), "", "nothing is sent")
            verify(!dialog.visible)
            return
        }
        // The save, then the slot list read again after it.
        var requests = serve(function() { return dialog.visible && !dev.busy })
        compare(requests.slice(0, 3), ["sp", "rn", "gs"])
        verify(!dev.edited)
        dialog.close()
        tryCompare(dialog, "visible", false)
    }

    function test_backupShowsProgressThenTheOutcome() {
        var path = testPty.tempPath("library-page.json")
        var overlay = find("libraryProgress")
        _library.backup(path)
        tryCompare(overlay, "opened", true)
        verify(find("libraryCancel").visible)
        var activities = []
        _library.activityChanged.connect(function() { activities.push(_library.activity) })
        var requests = serve(idleLibrary)
        tryCompare(overlay, "visible", false)
        // identify, 16 x (jump, position, status, impulse), back to the start
        compare(requests.length, 3 + 16 * 4 + 4)
        compare(requests.slice(-4), ["pc 6", "gb", "gs", "rn"])
        verify(activities.indexOf("Reading preset 16 of 16") >= 0, JSON.stringify(activities))
        compare(find("libraryProgressBar").value, 16)
        verify(find("libraryResult").visible)
        compare(result(), "Backed up 16 presets to library-page.json.")
        verify(testPty.readFile(path).indexOf("\"vortaxa-presets\"") >= 0)
    }

    // Cancel during the reads: the preset being read is finished, then the
    // device goes back to where it was and no file is written.
    function test_cancelStopsBetweenPresets() {
        var path = testPty.tempPath("cancelled.json")
        _library.backup(path)
        tryCompare(find("libraryProgress"), "opened", true)
        var requests = serve(idleLibrary, function(request) {
            if (request === "pc 2")
                click("libraryCancel")
        })
        compare(jumps(requests), ["pc 0", "pc 1", "pc 2", "pc 6"])
        compare(requests.slice(-8), ["pc 2", "gb", "gs", "cc", "pc 6", "gb", "gs", "rn"])
        compare(result(), "Backup cancelled; no file was written.")
        compare(testPty.readFile(path), "")
    }

    // A backup chosen on the page: every preset picked at first, None and a
    // click leave one, and the restore reads (for its safety copy) only that.
    function test_restoreOnlyThePickedPresets() {
        var path = testPty.tempPath("to-restore.json")
        _library.backup(path)
        serve(idleLibrary)
        var page = find("libraryPage")
        page.choose("file://" + path)
        tryCompare(find("restoreChoice"), "visible", true)
        waitForRendering(window.contentItem) // the choice laid out before it is clicked
        compare(find("restoreButton").text, "Restore 16 presets")
        click("pickNoneButton")
        verify(!find("restoreButton").enabled, "nothing to restore")
        mouseClick(find("restorePick_5"))
        compare(find("restoreButton").text, "Restore 1 preset")
        click("restoreButton")
        tryCompare(find("libraryProgress"), "opened", true)
        // Cancelled while its safety copy is read: nothing is written.
        var requests = serve(idleLibrary, function(request) {
            if (request === "pc 5")
                click("libraryCancel")
        })
        compare(jumps(requests), ["pc 5", "pc 6"])
        compare(result(), "Restore cancelled before any preset was written.")
        // The slot list is read again after a restore (right at its end, so
        // the request may have been answered above already).
        verify(requests[requests.length - 1] === "rns"
               || testPty.readUntil("rns\r\n", 2000) === "rns\r\n", JSON.stringify(requests))
    }

    function test_unreadableBackupIsSaidAtOnce() {
        var page = find("libraryPage")
        page.choose("file://" + testPty.tempPath("no-such-backup.json"))
        verify(!find("restoreChoice").visible)
        verify(result().indexOf("This file cannot be restored: it cannot be read") === 0, result())
        compare(testPty.drain(200), "", "nothing is sent")
    }
}

// The Library page: its buttons reach the librarian, unsaved changes are
// saved first when the user agrees, the progress shows over the window (and
// in the top bar) with a Cancel that stops between presets, a restore asks
// before it writes, and the outcome stays at the top of the page. The test
// answers on the pty as a small 4 x 4 device whose presets hold nothing but
// what the restore writes.
import QtQuick 2.15
import QtTest 1.15
import "../../flat"

PanelTestCase {
    name: "PanelLibrary"

    function init() {
        testPty.resetBackEnd()
        testPty.setEdited(false)
        testPty.linkBusy(false)
        closePopups()
        var tabs = find("tabs")
        for (var i = 0; i < tabs.count; ++i)
            if (tabs.itemAt(i).text === "Library")
                tabs.currentIndex = i
        verify(find("libraryPage").visible, "the Library tab shows the page")
        devicePreset = 6
        deviceStatus = {}
        liveStatus = ""
        testPty.drain(0)
        testPty.clearWarnings()
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
        testPty.setEdited(true)
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
        // A name is suggested, in the library's folder.
        var today = new Date()
        var pad = function(n) { return (n < 10 ? "0" : "") + n }
        compare(find("backupDialogName").text, "Vortaxa backup " + today.getFullYear() + "-"
                + pad(today.getMonth() + 1) + "-" + pad(today.getDate()) + ".json")
        compare(String(dialog.folder), String(_library.folder))
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
        var fractions = []
        var bar = find("progressBar")
        _library.stepChanged.connect(function() { activities.push(_library.step) })
        // The top bar shows the librarian's own step and fraction meanwhile,
        // while the link reports shares of each preset's exchange.
        var topBarAgrees = true
        _library.progressChanged.connect(function() {
            if (!_library.busy)
                return
            fractions.push(_library.progress)
            if (find("busyText").text !== _library.step || !find("busyIndicator").visible
                    || bar.children[0].fraction !== _library.progress)
                topBarAgrees = false
        })
        var requests = serve(idleLibrary)
        tryCompare(overlay, "visible", false)
        // identify, 16 x (jump, position, status, impulse), back to the start
        compare(requests.length, 3 + 16 * 4 + 4)
        compare(requests.slice(-4), ["pc 6", "gb", "gs", "rn"])
        verify(activities.indexOf("Reading preset 16 of 16") >= 0, JSON.stringify(activities))
        compare(find("libraryProgressBar").value, 1)
        compare(fractions.length, 16)
        compare(fractions[7], 0.5)
        verify(topBarAgrees, "the top bar shows the librarian's step")
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
        compare(testPty.drain(300), "", "nothing more is sent: nothing was written")
    }

    // A backup whose presets 1 and 2 differ from the device: the restore reads
    // all 16, asks with the counts, and writes only those two when confirmed;
    // Cancel at the question writes nothing. The outcome is at the top of
    // the page; after writes the slot list is read again.
    function test_restoreAsksFirst_data() {
        return [
            { tag: "cancel writes nothing", answer: "libraryCancel" },
            { tag: "restore writes the two", answer: "libraryConfirm" }
        ]
    }

    function test_restoreAsksFirst(data) {
        var path = testPty.tempPath("asks.json")
        _library.backup(path)
        serve(idleLibrary)
        var backup = JSON.parse(testPty.readFile(path))
        var changed = "01" + "00".repeat(42)
        for (var i = 1; i <= 2; ++i) {
            backup.presets[i].status = changed
            delete backup.presets[i].parameters
        }
        var edited = testPty.writeFile("asks-changed.json", JSON.stringify(backup))
        var page = find("libraryPage")
        page.choose("file://" + edited)
        waitForRendering(window.contentItem) // laid out before it is clicked
        compare(find("restoreButton").text, "Restore 16 presets")
        click("restoreButton")
        tryCompare(find("libraryProgress"), "opened", true)
        page.contentY = page.contentHeight - page.height // the page scrolled down
        var reads = serve(function() { return _library.asking })
        compare(jumps(reads).length, 16 + 1) // every preset read, then back to 1-2
        compare(jumps(reads)[16], "pc 6")
        var question = find("libraryQuestion")
        tryCompare(question, "visible", true)
        compare(question.text.indexOf("Restore 2 presets from asks-changed.json: 2 parameter sets, "
                                      + "0 impulses. The other 14 already match and are skipped."),
                0, question.text)
        compare(_library.plan.presets, 2)
        compare(_library.plan.matching, 14)
        verify(find("libraryConfirm").visible)
        compare(find("busyText").text, "Restore 2 presets?")

        click(data.answer)
        if (data.answer === "libraryCancel") {
            tryCompare(find("libraryProgress"), "visible", false)
            compare(testPty.drain(300), "", "nothing is sent")
            compare(result(), "Restore cancelled: nothing was written, the device holds what it held.")
            compare(Object.keys(deviceStatus).length, 0)
        } else {
            var writes = serve(idleLibrary)
            compare(jumps(writes), ["pc 1", "pc 2", "pc 6"])
            compare(writes.filter(function(r) { return r === "sp" }).length, 2)
            compare(deviceStatus[1], changed)
            compare(deviceStatus[2], changed)
            compare(Object.keys(deviceStatus).length, 2)
            verify(result().indexOf("Restored 2 presets from asks-changed.json: Preset 0-1, Preset 0-2.") === 0,
                   result())
            verify(result().indexOf("14 presets already matched") > 0, result())
            // The slot list is read again after the writes.
            verify(writes[writes.length - 1] === "rns"
                   || testPty.readUntil("rns\r\n", 2000) === "rns\r\n", JSON.stringify(writes))
        }
        verify(find("libraryResult").visible)
        compare(page.contentY, 0, "the outcome is in view")
    }

    // The save questions suggest a name and start in the library's folder
    // (the last backup's, or Documents); Cancel sends nothing.
    function test_saveQuestionsSuggestNames_data() {
        var today = new Date()
        var pad = function(n) { return (n < 10 ? "0" : "") + n }
        return [
            { tag: "backup", button: "backupButton", dialog: "backupDialog",
              name: "Vortaxa backup " + today.getFullYear() + "-" + pad(today.getMonth() + 1)
                    + "-" + pad(today.getDate()) + ".json" },
            { tag: "export", button: "exportButton", dialog: "exportDialog",
              name: "Preset 2-3.json" }
        ]
    }

    function test_saveQuestionsSuggestNames(data) {
        place(2, 3)
        // The button in view, wherever earlier tests left the page.
        var page = find("libraryPage")
        var spot = find(data.button).mapToItem(page.contentItem, 0, 0).y
        page.contentY = Math.max(0, Math.min(spot - 20, page.contentHeight - page.height))
        waitForRendering(window.contentItem)
        click(data.button)
        var dialog = find(data.dialog)
        tryCompare(dialog, "opened", true)
        compare(find(data.dialog + "Name").text, data.name)
        compare(String(dialog.folder), String(_library.folder))
        verify(String(_library.folder).indexOf("file:///") === 0, String(_library.folder))
        click(data.dialog + "Cancel")
        tryCompare(dialog, "visible", false)
        compare(testPty.drain(200), "", "nothing is sent")
    }

    // What a restore wrote reaches the preset map: the impulse by the name
    // the device now reports.
    function test_mapTakesWhatARestoreWrote() {
        identify(2)
        compare(dev.map.count, 16)
        _library.presetWritten(5, emptyStatus, "Open_2x12_Edge")
        compare(dev.map.get(5).impulse, "Open_2x12_Edge")
        compare(dev.map.get(4).impulse, "", "the others are left alone")
    }

    function test_unreadableBackupIsSaidAtOnce() {
        var page = find("libraryPage")
        page.choose("file://" + testPty.tempPath("no-such-backup.json"))
        verify(!find("restoreChoice").visible)
        compare(result().indexOf("no-such-backup.json cannot be restored. This file cannot be read"),
                0, result())
        compare(testPty.drain(200), "", "nothing is sent")
    }
}

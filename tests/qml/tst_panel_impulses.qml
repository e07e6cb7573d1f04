// The Impulses page: keys step through a folder and each file goes to the
// device at once, with the keyboard staying in the list; Enter and the
// button save the playing file with the preset; the filter, favourites,
// folders, an unusable file and the stored impulse's mark.
import QtQuick 2.15
import QtTest 1.15
import "../../flat"

PanelTestCase {
    name: "PanelImpulses"

    property string folder: ""
    readonly property var files: _impulses.files

    // Amps/ (a subfolder), three WAV files, a text file, one more WAV file.
    function makeFolder() {
        if (folder !== "")
            return
        testPty.makeWav("browse/Amps/Inside.wav", 48000, 24, 1, 1000)
        testPty.makeWav("browse/Cab 1.wav", 48000, 24, 1, 2000)
        testPty.makeWav("browse/Cab 2.wav", 44100, 16, 2, 30000)
        testPty.makeWav("browse/Cab 3.wav", 48000, 24, 1, 1500)
        testPty.writeFile("browse/notes.txt", "Mic on the cap\n")
        testPty.makeWav("browse/Room.wav", 48000, 24, 1, 1200)
        folder = testPty.tempPath("browse")
    }

    // The page shown with nothing selected, every file read, the device idle.
    function showPage() {
        makeFolder()
        testPty.resetBackEnd()
        var tabs = find("tabs")
        for (var i = 0; i < tabs.count; ++i)
            if (tabs.itemAt(i).text === "Impulses")
                tabs.currentIndex = i
        verify(find("impulsesPage").visible, "the Impulses tab shows the page")
        _impulses.folder = testPty.tempPath("")
        _impulses.folder = folder
        files.filter = ""
        files.favourites = 0
        files.searchSubfolders = false
        tryCompare(files, "pending", 0, 5000)
        compare(files.count, 6)
        find("impulseList").forceActiveFocus()
        testPty.drain(0)
    }

    function selectedName() {
        return files.selectedPath.replace(/^.*\//, "")
    }

    // The list, or its highlighted row, has the keyboard.
    function listHasKeys() {
        return find("impulseList").activeFocus
    }

    SignalSpy {
        id: waitSpy
        target: _core
        signalName: "sgSetWait"
    }

    // A preview as it leaves, answered as the device does; returns once the
    // program has taken the answer (its queue then runs dry).
    function takePreview() {
        var sent = testPty.read(5912, 3000)
        compare(sent.substring(0, 7), "cc s 1\r")
        compare(sent.length, 5912)
        waitSpy.clear()
        testPty.write("ccEND\n")
        waitSpy.wait(3000)
    }

    function test_keysStepAndPlay_data() {
        return [
            { tag: "Down from nothing: the first file", keys: [Qt.Key_Down], landing: ["Cab 1.wav"] },
            { tag: "J and K", keys: [Qt.Key_J, Qt.Key_J, Qt.Key_K],
              landing: ["Cab 1.wav", "Cab 2.wav", "Cab 1.wav"] },
            { tag: "Up from the first file: the folder, nothing sent",
              keys: [Qt.Key_Down, Qt.Key_Up], landing: ["Cab 1.wav", "Amps"] },
            { tag: "past the text file", keys: [Qt.Key_Up, Qt.Key_Up, Qt.Key_Up],
              landing: ["Room.wav", "Cab 3.wav", "Cab 2.wav"] }
        ]
    }
    function test_keysStepAndPlay(data) {
        showPage()
        for (var i = 0; i < data.keys.length; ++i) {
            testPty.key(window, data.keys[i])
            compare(selectedName(), data.landing[i])
            verify(listHasKeys(), "the list keeps the keyboard after " + data.landing[i])
            if (data.landing[i] === "Amps")
                compare(testPty.drain(100), "")
            else
                takePreview()
            compare(_impulses.currentPath, folder + "/" + (data.landing[i] === "Amps"
                                                           ? data.landing[i - 1] : data.landing[i]))
        }
        compare(find("selectedName").text, data.landing[data.landing.length - 1])
    }

    // The playing file is saved with the preset by Enter or by the button.
    function test_saveThePlayingFile_data() {
        return [ { tag: "Enter", button: false }, { tag: "Save to preset", button: true } ]
    }
    function test_saveThePlayingFile(data) {
        showPage()
        // The second press waits for the first preview, then goes out.
        testPty.key(window, Qt.Key_Down)
        testPty.key(window, Qt.Key_Down)
        takePreview()
        takePreview()
        compare(selectedName(), "Cab 2.wav")
        verify(find("selectedGraph").visible, "the page draws what the device plays")
        compare(find("selectedKept").text, "Kept 222 ms of 680 ms: the device holds no more")
        // Back to the first file, which is saved.
        testPty.key(window, Qt.Key_Up)
        takePreview()
        compare(selectedName(), "Cab 1.wav")
        tryCompare(find("saveToPresetButton"), "enabled", true)
        if (data.button)
            click("saveToPresetButton")
        else
            testPty.key(window, Qt.Key_Return)
        // The whole store command: its name, the image of its 2000 samples
        // (6000 bytes behind a 44-byte header), the end.
        var store = testPty.read(12104, 10000)
        compare(store.substring(0, 16), "cc Cab_1.wav 0\r5")
        compare(store.length, 12104)
        compare(store.charAt(12103), "\r")
        verify(listHasKeys(), "the list keeps the keyboard after saving")

        // Every view says the same at every moment of the save.
        var state = find("selectedState")
        compare(find("editedText").text, "Saving…")
        compare(state.text, "Saving to the preset…")
        verify(!find("saveToPresetButton").enabled, "no second save while one runs")
        testPty.write("ccEND\n")
        compare(testPty.readUntil("sp\r\n", 3000).slice(-4), "sp\r\n")
        compare(find("editedText").text, "Saving…", "not saved before the device says so")
        testPty.write("sp\rEND\n")
        compare(testPty.readUntil("rn\r\n", 3000).slice(-4), "rn\r\n")
        tryCompare(dev, "saving", false)
        compare(find("editedText").text, "Saved")
        compare(state.text, "Saved with the preset.")
        verify(!find("saveToPresetButton").enabled, "nothing left to save")
        testPty.write("rn\rCab_1.wav\n")
        testPty.drain(200)
        compare(state.text, "Saved with the preset.")
        compare(find("editedText").text, "Saved")
    }

    // Typing narrows the list; Down goes on into it and plays the first match.
    function test_filter() {
        showPage()
        var field = find("impulseFilter")
        field.forceActiveFocus()
        field.text = "cab 3"
        compare(files.count, 1)
        testPty.key(window, Qt.Key_Down)
        compare(selectedName(), "Cab 3.wav")
        verify(listHasKeys(), "Down moved the keyboard to the list")
        takePreview()
        field.text = ""
        compare(files.count, 6)
        compare(selectedName(), "Cab 3.wav")
    }

    // "Subfolders" makes the filter search the folders below too: a match
    // shows where it sits, and Down plays it as in a plain folder.
    function test_searchSubfolders() {
        showPage()
        var field = find("impulseFilter")
        field.forceActiveFocus()
        field.text = "inside"
        compare(files.count, 0)
        mouseClick(find("searchSubfolders"))
        compare(files.searchSubfolders, true)
        tryCompare(files, "pending", 0, 5000)
        compare(files.count, 1)
        // the row is drawn once the view has laid out the new count
        var subfolder = null
        tryVerify(function() {
            subfolder = findChild(find("impulseList"), "subfolder_0")
            return subfolder !== null
        }, 3000, "the match's row is drawn")
        compare(subfolder.text, "Amps/")
        compare(find("impulseProgress").text, "")
        testPty.key(window, Qt.Key_Down)
        compare(files.selectedPath, folder + "/Amps/Inside.wav")
        verify(listHasKeys(), "Down moved the keyboard to the list")
        takePreview()
        compare(_impulses.currentPath, folder + "/Amps/Inside.wav")
        mouseClick(find("searchSubfolders"))
        field.text = ""
        tryCompare(files, "pending", 0, 5000)
        compare(files.count, 6)
    }

    // Enter opens the highlighted folder, Backspace goes back up.
    function test_folders() {
        showPage()
        testPty.key(window, Qt.Key_Down)
        takePreview()
        testPty.key(window, Qt.Key_Up)
        compare(selectedName(), "Amps")
        testPty.key(window, Qt.Key_Return)
        compare(_impulses.folder, folder + "/Amps")
        compare(find("folderPath").text, folder + "/Amps")
        tryCompare(files, "count", 1, 5000) // listed on the worker
        testPty.key(window, Qt.Key_Backspace)
        compare(_impulses.folder, folder)
        verify(listHasKeys(), "the list keeps the keyboard across folders")
        compare(testPty.setting("ImpulsPath"), "file://" + folder)
    }

    // A file that cannot be used says why on the page, with no message box,
    // and nothing goes to the device.
    function test_unusableFile() {
        showPage()
        var row = files.rowOf(folder + "/notes.txt")
        mouseClick(findChild(find("impulseList"), "impulseRow_" + row))
        compare(selectedName(), "notes.txt")
        verify(find("selectedState").text.indexOf("not an audio file") >= 0,
               find("selectedState").text)
        compare(find("messageBox").visible, false)
        compare(testPty.drain(100), "")
        verify(listHasKeys(), "a click gives the list the keyboard")
    }

    // F marks a favourite; "Favourites only" then shows it with the folders.
    function test_favourites() {
        showPage()
        testPty.key(window, Qt.Key_Down)
        testPty.key(window, Qt.Key_Down)
        takePreview()
        takePreview()
        testPty.key(window, Qt.Key_F)
        compare(files.get(files.rowOf(folder + "/Cab 2.wav")).favourite, true)
        files.favourites = 2
        compare(files.count, 2)
        compare(files.get(1).name, "Cab 2.wav")
        testPty.key(window, Qt.Key_F)
        compare(files.count, 1)
        files.favourites = 0
    }

    // The preset's stored impulse is marked on its file.
    function test_storedMark() {
        showPage()
        testPty.answer("rn\rCab_3.wav\n")
        var list = find("impulseList")
        for (var row = 0; row < files.count; ++row) {
            // The view makes a row's delegate once it lays the row out,
            // which under load may be a frame later.
            tryVerify(function() { return findChild(list, "storedMark_" + row) !== null })
            var mark = findChild(list, "storedMark_" + row)
            compare(mark.visible, files.get(row).name === "Cab 3.wav", files.get(row).name)
        }
        compare(find("presetImpulse").text, "In the preset: Cab_3.wav")
        testPty.answer("rn\r\n")
    }
}

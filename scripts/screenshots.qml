// The tour behind scripts/screenshots: the panel document with the real Core
// (and the objects published beside it), connected to the virtual device,
// driven through its main states by mouse and keys; each state is saved as a
// PNG. Run by the QML test runner under
// Xvfb (where window grabs work); SCREENSHOT_PORT names the device's port and
// SCREENSHOT_DIR the folder for the pictures.
import QtQuick 2.15
import QtTest 1.15
import "../flat"

TestCase {
    id: tour
    name: "Screenshots"

    property var window: null
    property var dev: window ? window.deviceState : null
    readonly property string folder: testPty.environment("SCREENSHOT_DIR")
    readonly property string port: testPty.environment("SCREENSHOT_PORT")

    function find(objectName) {
        var item = findChild(window.contentItem, objectName)
        if (item === null)
            item = findChild(window, objectName)
        verify(item !== null, "the panel has " + objectName)
        return item
    }

    function click(objectName) {
        var item = find(objectName)
        tryVerify(function() { return item.visible && item.enabled }, 5000, objectName + " usable")
        mouseClick(item)
        mouseMove(window.contentItem, 2, 2)   // no tooltip in the pictures
    }

    function showTab(text) {
        var tabs = find("tabs")
        for (var i = 0; i < tabs.count; ++i)
            if (tabs.itemAt(i).text === text)
                tabs.currentIndex = i
    }

    function idle(timeout) {
        tryVerify(function() { return !dev.busy }, timeout, "the device has answered everything")
    }

    function shot(name) {
        waitForRendering(window.contentItem)
        wait(400)
        var image = grabImage(window.contentItem.parent)
        image.save(folder + "/" + name + ".png")
        console.log("saved " + folder + "/" + name + ".png")
    }

    function initTestCase() {
        verify(port !== "", "SCREENSHOT_PORT is set")
        verify(folder !== "", "SCREENSHOT_DIR is set")
        var component = Qt.createComponent("file://" + applicationDirPath + "/flat/main.qml")
        compare(component.status, Component.Ready, component.errorString())
        window = component.createObject(null, { width: 1240, height: 780 })
        window.requestActivate()
        tryCompare(window, "active", true)
        verify(_core.openPort(port), "the virtual device's port opens")
        _core.slTimer() // the test rig holds the port timer: the start-up burst goes now
        tryCompare(dev, "connected", true)
        // the start-up burst: identity, version, impulse list, name, position, status, mode
        tryVerify(function() { return dev.typeDev !== 0 && dev.slotNames.length > 0 && dev.preset >= 0 }, 30000)
        idle(30000)
    }

    function cleanupTestCase() {
        if (window)
            window.destroy()
    }

    function test_1_connected() {
        shot("connected")
        find("tabs").currentIndex = 1
        shot("dynamics-eq")
        find("tabs").currentIndex = 0
    }

    function test_2_presetMap() {
        click("readAllButton")
        tryCompare(find("saveQuestion"), "opened", true)
        shot("read-all-question")
        click("questionSave")
        find("tabs").currentIndex = 2
        tryVerify(function() { return dev.busy }, 5000)
        wait(1500)
        shot("preset-map-reading")
        idle(180000)
        // "Save, then read all": the reading starts once the save is through.
        tryVerify(function() { return dev.sweeping }, 5000, "the reading started")
        tryVerify(function() { return !dev.sweeping && !dev.busy }, 180000, "every preset read")
        shot("preset-map")
        find("tabs").currentIndex = 0
    }

    function test_3_saveQuestion() {
        find("param_master_volume").forceActiveFocus()
        testPty.key(window, Qt.Key_Right)
        testPty.key(window, Qt.Key_Right)
        tryCompare(dev, "edited", true)
        click("presetUp")
        tryCompare(find("saveQuestion"), "opened", true)
        shot("save-question")
        click("questionCancel")
        tryCompare(find("saveQuestion"), "visible", false)
    }

    function test_4_comparing() {
        click("compareButton")
        tryCompare(dev, "comparing", true)
        idle(10000)
        shot("comparing")
        click("compareButton")
        tryCompare(dev, "comparing", false, 10000)
        idle(10000)
    }

    function test_5_message() {
        var path = testPty.makeWav("Room 44k.wav", 44100, 16, 2, 0)
        dev.loadImpulse("file://" + path)
        tryCompare(find("messageBox"), "opened", true)
        shot("message")
        click("messageClose")
    }

    function test_5_impulse() {
        var path = testPty.makeWav("Open Back 2x12.wav", 44100, 24, 2, 61740)
        dev.loadImpulse("file://" + path)
        tryCompare(find("impulseGraph"), "visible", true)
        idle(10000)
        shot("impulse")
    }

    // Copy, confirmed; Paste offered from then on.
    function test_5_copied() {
        click("copyButton")
        tryCompare(find("toast"), "visible", true, 10000)
        idle(10000)
        shot("copied")
    }

    function test_6_lightSkin() {
        dev.lightSkin = true
        shot("light-skin")
        dev.lightSkin = false
    }

    function test_7_impulseSlots() {
        find("tabs").currentIndex = 3
        shot("impulse-slots")
        find("tabs").currentIndex = 0
    }

    // The Impulses page: a folder of cabinet files, one of them playing.
    function test_7_impulseBrowser() {
        testPty.makeWav("Cabinets/Vintage/1960 4x12 SM57 Cap.wav", 48000, 24, 1, 9000)
        testPty.makeWav("Cabinets/2x12 Open Back R121.wav", 48000, 24, 1, 7200)
        testPty.makeWav("Cabinets/4x12 Closed SM57 Cap.wav", 44100, 24, 1, 22050)
        testPty.makeWav("Cabinets/4x12 Closed SM57 Edge.wav", 44100, 24, 1, 22050)
        testPty.makeWav("Cabinets/4x12 Closed MD421 Off Axis.wav", 44100, 16, 2, 30000)
        testPty.makeWav("Cabinets/1x12 Combo e609 Cone.wav", 96000, 24, 1, 48000)
        testPty.makeWav("Cabinets/Bass 8x10 D112.wav", 48000, 16, 1, 12000)
        testPty.writeFile("Cabinets/Read me.txt", "Impulses recorded in the studio's live room.\n")
        _impulses.folder = testPty.tempPath("Cabinets")
        showTab("Impulses")
        var files = _impulses.files
        tryCompare(files, "pending", 0, 5000)
        files.setFavourite(files.rowOf(testPty.tempPath("Cabinets/4x12 Closed SM57 Edge.wav")), true)
        find("impulseList").forceActiveFocus()
        for (var step = 0; step < 3; ++step) {
            testPty.key(window, Qt.Key_Down)
            idle(10000)
        }
        tryVerify(function() { return _impulses.currentPath === files.selectedPath }, 10000)
        idle(10000)
        shot("impulses")
        find("tabs").currentIndex = 0
    }

    function test_8_portChooser() {
        click("settingsButton")
        tryCompare(find("settingsMenu"), "opened", true)
        click("portItem")
        tryCompare(find("portDialog"), "opened", true)
        shot("port-chooser")
        click("portCancel")
        tryCompare(find("portDialog"), "visible", false)
    }

    // The smallest window: one column of modules, scroll bars where pages
    // hold more than fits.
    function test_9_smallWindow() {
        window.width = window.minimumWidth
        window.height = window.minimumHeight
        shot("small-window")
        find("tabs").currentIndex = 1
        shot("small-window-eq")
        showTab("Impulses")
        shot("small-window-impulses")
        find("tabs").currentIndex = 0
        window.width = 1240
        window.height = 780
    }

    function test_10_library() {
        dev.revert()
        idle(10000)
        showTab("Library")
        shot("library")
        // A backup of the virtual device is over in a blink: the picture is
        // taken from inside its progress report.
        var path = testPty.tempPath("backup.json")
        var picture = null
        var grab = function(done, total) {
            if (done === 37 && picture === null)
                picture = grabImage(window.contentItem.parent)
        }
        _library.advanced.connect(grab)
        _library.backup(path)
        tryVerify(function() { return !_library.busy }, 120000)
        _library.advanced.disconnect(grab)
        verify(picture !== null, "the backup reported its progress")
        picture.save(folder + "/library-backup.png")
        find("libraryPage").choose("file://" + path)
        find("restorePick_3")
        shot("library-restore")
        // The question before a restore writes: a backup with three presets
        // changed, one of them to another impulse name.
        var backup = JSON.parse(testPty.readFile(path))
        for (var i = 3; i <= 5; ++i) {
            var status = backup.presets[i].status
            backup.presets[i].status = status.substring(0, 14)
                    + (status.substring(14, 16) === "10" ? "20" : "10") + status.substring(16)
            delete backup.presets[i].parameters
        }
        backup.presets[4].impulse.name = "Open 2x12 Edge"
        var changed = testPty.writeFile("changed backup.json", JSON.stringify(backup))
        find("libraryPage").choose("file://" + changed)
        _library.restore(changed)
        tryVerify(function() { return _library.asking }, 60000)
        shot("library-restore-question")
        _library.cancel()
        tryVerify(function() { return !_library.busy }, 10000)
        shot("library-restore-cancelled")
        find("tabs").currentIndex = 0
    }

    // The Cabinet lab: a close and a room microphone blended, lined up and
    // cut, the result playing.
    function test_9_zlab() {
        testPty.makeWav("Lab/4x12 Closed SM57 Cap.wav", 48000, 24, 1, 9000)
        testPty.makeWav("Lab/4x12 Closed R121 Room.wav", 44100, 24, 1, 12000)
        window.width = 1100
        window.height = 700
        showTab("Cabinet lab")
        verify(_lab.setSource(0, testPty.tempPath("Lab/4x12 Closed SM57 Cap.wav")))
        verify(_lab.setSource(1, testPty.tempPath("Lab/4x12 Closed R121 Room.wav")))
        _lab.mix = 35
        _lab.offset = 26
        _lab.lowCut = 80
        _lab.highCut = 9000
        _lab.fadeMs = 10
        click("labPlayResult")
        idle(10000)
        shot("lab")
        window.width = 1240
        window.height = 780
        find("tabs").currentIndex = 0
    }
}

// The Cabinet lab page: it fits the smallest window with every control
// named for screen readers; the sliders and switches drive `_lab` by key
// and by mouse, a slider takes the wheel only with the focus (else the page
// scrolls); "From Impulses" takes the Impulses page's file; Play result and
// Use in preset put the result on the wire.
import QtQuick 2.15
import QtTest 1.15
import "../../flat"

PanelTestCase {
    name: "PanelLab"

    property string folder: ""

    SignalSpy {
        id: waitSpy
        target: _core
        signalName: "sgSetWait"
    }

    function makeFiles() {
        if (folder !== "")
            return
        testPty.makeWav("lab/Close.wav", 48000, 24, 1, 4800)
        testPty.makeWav("lab/Room.wav", 44100, 16, 2, 6000)
        folder = testPty.tempPath("lab")
    }

    // The lab page shown in a window of the given size, the lab as new.
    function showPage(width, height) {
        makeFiles()
        testPty.resetBackEnd()
        window.width = width
        window.height = height
        var tabs = find("tabs")
        for (var i = 0; i < tabs.count; ++i)
            if (tabs.itemAt(i).text === "Cabinet lab")
                tabs.currentIndex = i
        var page = find("labPage")
        verify(page.visible, "the Cabinet lab tab shows the page")
        _lab.setSource(0, "")
        _lab.setSource(1, "")
        _lab.mix = 50
        _lab.offset = 0
        _lab.lowCut = 0
        _lab.minimumPhase = false
        page.contentY = 0
        waitForRendering(window.contentItem)
        testPty.drain(0)
        return page
    }

    // Scrolls the page until the item is in view, then clicks it.
    function clickInView(name) {
        var page = find("labPage")
        var item = find(name)
        var y = item.mapToItem(page.contentItem, 0, 0).y
        page.contentY = Math.max(0, Math.min(page.contentHeight - page.height, y - 20))
        waitForRendering(window.contentItem)
        return click(name)
    }

    function takePreview() {
        var sent = testPty.read(5912, 3000)
        compare(sent.substring(0, 7), "cc s 1\r")
        compare(sent.length, 5912)
        waitSpy.clear()
        testPty.write("ccEND\n")
        waitSpy.wait(3000)
    }

    readonly property var controls: ["labChooseA", "labFromImpulsesA", "labPlayA", "labChooseB",
        "labFromImpulsesB", "labClearB", "labPlayB", "labPlayResult", "labSaveAs", "labUse",
        "labMix", "labOffset", "labInvert", "labAutoAlign", "labLowCut", "labHighCut",
        "labLength", "labFade", "labNormalise", "labMinimumPhase"]

    // Every control lies inside the page's width, has a name for screen
    // readers, and the page scrolls to reach the ones below.
    function test_fitsTheWindow_data() {
        return [ { tag: "smallest window", width: 900, height: 600, scrolls: true },
                 { tag: "default window", width: 1240, height: 780, scrolls: false } ]
    }
    function test_fitsTheWindow(data) {
        var page = showPage(data.width, data.height)
        verify(_lab.setSource(0, folder + "/Close.wav"))
        waitForRendering(window.contentItem)
        for (var i = 0; i < controls.length; ++i) {
            var item = find(controls[i])
            verify(item !== null, controls[i])
            var target = item.slider !== undefined ? item.slider : item
            var at = target.mapToItem(page.contentItem, 0, 0)
            verify(at.x >= 0 && at.x + target.width <= page.width + 0.5,
                   controls[i] + " lies inside the page (" + at.x + " + " + target.width + " of "
                   + page.width + ")")
            verify(target.Accessible.name !== "", controls[i] + " has an accessible name")
        }
        compare(page.contentHeight > page.height, data.scrolls)
        compare(find("labPageScrollBar").visible, data.scrolls)
    }

    // Keys move the focused control; the value shows with its unit.
    function test_keys_data() {
        return [
            { tag: "B share", name: "labMix", key: Qt.Key_Right, times: 3, property: "mix", value: 53, text: "53 %" },
            { tag: "B offset", name: "labOffset", key: Qt.Key_Left, times: 2, property: "offset", value: -2, text: "-2 smp, -0.04 ms" },
            { tag: "low cut from off", name: "labLowCut", key: Qt.Key_Right, times: 2, property: "lowCut", value: 25, text: "25 Hz" },
            { tag: "high cut from off", name: "labHighCut", key: Qt.Key_Left, times: 1, property: "highCut", value: 20000, text: "20.00 kHz" },
        ]
    }
    function test_keys(data) {
        showPage(900, 600)
        verify(_lab.setSource(0, folder + "/Close.wav"))
        var row = find(data.name)
        row.slider.forceActiveFocus()
        for (var i = 0; i < data.times; ++i)
            testPty.key(window, data.key)
        compare(_lab[data.property], data.value)
        compare(row.valueText, data.text)
    }

    // The wheel over a slider without the focus scrolls the page; with the
    // focus it moves the slider.
    function test_wheel() {
        var page = showPage(900, 600)
        verify(_lab.setSource(0, folder + "/Close.wav"))
        var row = find("labFade")
        page.contentY = page.contentHeight - page.height
        waitForRendering(window.contentItem)
        find("labPlayResult").forceActiveFocus()
        var before = _lab.fadeMs
        var y = page.contentY
        mouseWheel(row.slider, row.slider.width / 2, row.slider.height / 2, 0, 120)
        compare(_lab.fadeMs, before)
        tryVerify(function() { return page.contentY < y }, 2000, "the page scrolled")
        compare(_lab.fadeMs, before)
        page.contentY = page.contentHeight - page.height
        waitForRendering(window.contentItem)
        row.slider.forceActiveFocus()
        mouseWheel(row.slider, row.slider.width / 2, row.slider.height / 2, 0, 120)
        verify(_lab.fadeMs !== before, "the focused slider took the wheel")
    }

    // "From Impulses" takes the file highlighted on the Impulses page.
    function test_fromImpulses() {
        showPage(900, 600)
        _impulses.folder = folder
        var files = _impulses.files
        files.active = true
        tryCompare(files, "pending", 0, 5000)
        verify(!find("labFromImpulsesB").enabled || files.selectedPath !== "")
        _impulses.select(files.rowOf(folder + "/Room.wav"))
        takePreview() // the Impulses page auditions what it selects
        clickInView("labFromImpulsesB")
        compare(_lab.sourceB, folder + "/Room.wav")
        verify(find("labSourceB").text.indexOf("Room.wav") === 0)
        files.active = false
    }

    // Play result sends the result; a change while it plays is heard again;
    // Use in preset makes it the preset's pending impulse.
    function test_playAndUse() {
        showPage(900, 600)
        verify(_lab.setSource(0, folder + "/Close.wav"))
        verify(_lab.setSource(1, folder + "/Room.wav"))
        clickInView("labPlayResult")
        takePreview()
        compare(_lab.auditioned, "result")
        verify(find("labPlayResult").latched)
        find("labInvert").toggle()
        find("labInvert").toggled()
        verify(_lab.invertB)
        takePreview()
        clickInView("labUse")
        takePreview()
        verify(/\/lab\/Lab blend\.wav$/.test(_impulses.currentPath), _impulses.currentPath)
        verify(find("labMessage").text.indexOf("Lab blend") >= 0)
    }
}

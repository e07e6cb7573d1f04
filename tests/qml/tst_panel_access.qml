// The panel for everyone: every control a user can reach tells a screen
// reader its name and role (and a slider its value, a switch on or off); the
// wheel scrolls a page until the user picks a control; a preset's place is
// written in its two forms wherever the panel names one.
import QtQuick 2.15
import QtQuick.Controls 2.15
import QtTest 1.15
import "../../flat"

PanelTestCase {
    name: "PanelAccess"

    function init() {
        testPty.resetBackEnd()
        identify(1)
        testPty.setEdited(false)
        testPty.linkBusy(false)
        closePopups()
        window.requestActivate()
        testPty.drain(0)
        testPty.clearWarnings()
    }

    function cleanup() {
        closePopups()
        find("tabs").currentIndex = 0
        window.width = 1240
        window.height = 780
        compare(testPty.warnings(), [], "the test printed warnings")
    }

    // ---- names and roles -----------------------------------------------------------

    // Something the user can press, type in, drag or reach with Tab.
    function interactive(item) {
        if (item.Accessible.role === Accessible.ScrollBar)
            return false
        if (item.activeFocusOnTab === true)
            return true
        if (item.focusPolicy !== undefined && item.focusPolicy !== Qt.NoFocus)
            return true
        // buttons that take no focus (map cells, slots, segments)
        return typeof item.clicked === "function" && item.checkable !== undefined
    }

    // "objectName (text)" of every visible interactive item under `root`
    // that a screen reader could not name, or whose role is missing; for a
    // slider also its spoken value, for a switch whether it is on.
    function unnamed(root) {
        var out = []
        var stack = [root]
        while (stack.length > 0) {
            var item = stack.pop()
            if (!item.visible)
                continue
            if (interactive(item)) {
                var label = (item.objectName || String(item)) + (item.text ? " (" + item.text + ")" : "")
                var a = item.Accessible
                if (a.name === "")
                    out.push(label + ": no name")
                else if (a.role === Accessible.NoRole)
                    out.push(label + ": no role")
                else if (a.role === Accessible.Slider && a.description === "")
                    out.push(label + ": no value")
                else if (a.role === Accessible.CheckBox && a.description !== "on" && a.description !== "off"
                         && !a.checkable)
                    out.push(label + ": neither on nor off")
            }
            for (var i = 0; i < item.children.length; ++i)
                stack.push(item.children[i])
        }
        return out
    }

    // Items of the kind `test` under `root`, visible.
    function count(root, test) {
        var n = 0
        var stack = [root]
        while (stack.length > 0) {
            var item = stack.pop()
            if (!item.visible)
                continue
            if (test(item))
                ++n
            for (var i = 0; i < item.children.length; ++i)
                stack.push(item.children[i])
        }
        return n
    }

    function test_everyControlIsNamed_data() {
        return [
            { tag: "Amp & tone", page: 0, least: 20 },
            { tag: "Dynamics & EQ", page: 1, least: 20 },
            { tag: "Preset map", page: 2, least: 100 },
            { tag: "Impulse slots", page: 3, least: 4 },
            { tag: "Impulses", page: 4, least: 1 },
            { tag: "Library", page: 5, least: 1 },
            { tag: "Cabinet lab", page: 6, least: 10 },
            { tag: "header, preset, actions and impulse", page: -1, least: 15 },
            { tag: "settings menu", menu: true, least: 8 }
        ]
    }

    function test_everyControlIsNamed(data) {
        answerSlots(["Cab A", "empty", "My Room", "Odd"], ["01", "00", "01", "07"])
        var root
        if (data.menu) {
            click("settingsButton")
            root = find("settingsMenu").contentItem
            tryCompare(find("settingsMenu"), "opened", true)
        } else if (data.page >= 0) {
            find("tabs").currentIndex = data.page
            root = find("tabs").parent.parent.children[1]   // the pages
            waitForRendering(window.contentItem)
        } else {
            root = window.contentItem.parent   // the header bar and the content
        }
        // A screen reader switches accessibility on for every control there
        // is (pages made when first shown included).
        testPty.startAccessibility()
        var reached = count(root, interactive)
        verify(reached >= data.least, data.tag + ": only " + reached + " controls reached")
        var missing = unnamed(root)
        if (data.menu)
            find("settingsMenu").close()
        if (data.owner !== undefined && missing.length > 0)
            skip(data.tag + " is " + data.owner + " page; its names come with that work: " + missing.join("; "))
        compare(missing, [], data.tag + ": controls a screen reader cannot name")
    }

    // What a screen reader says of a slider, a switch and a choice.
    function test_spokenValues_data() {
        return [
            { tag: "level with its range", object: "slider_preamp_volume", value: 33, name: "Preamp volume", said: "33 of 100" },
            { tag: "tone in dB", object: "slider_preamp_mid", value: -3, name: "Preamp mid", said: "-3 dB" },
            { tag: "band gain", object: "slider_eq_volume2", value: 60, name: "Parametric EQ band 2 gain", said: "+2.4 dB" },
            { tag: "switch on", object: "switch_gate_on", value: 1, name: "Gate", said: "on" },
            { tag: "switch off", object: "switch_gate_on", value: 0, name: "Gate", said: "off" },
            { tag: "choice", object: "choice_amp_type", value: 2, name: "Power amp type", said: "Type 3" }
        ]
    }

    function test_spokenValues(data) {
        var names = { slider_preamp_volume: "preamp_volume", slider_preamp_mid: "preamp_mid",
                      slider_eq_volume2: "eq_volume2", switch_gate_on: "gate_on", choice_amp_type: "amp_type" }
        var values = {}
        values[names[data.object]] = data.value
        publishStatus(values)
        var item = find(data.object)
        compare(item.Accessible.name, data.name)
        compare(item.Accessible.description, data.said)
    }

    // ---- the wheel -------------------------------------------------------------------

    // At 900 × 600 a wheel over a control nobody picked scrolls the page and
    // sends nothing; once the control is clicked, the wheel moves it.
    function test_wheelScrollsUntilPicked_data() {
        return [
            { tag: "Amp page slider", page: 0, flick: "ampPage", name: "preamp_volume", start: 33, sent: "prv 22\r\n" },
            { tag: "gate threshold, gate off", page: 1, flick: "dynamicsPage", name: "gate_threshold", start: 14,
              sent: "gt f\r\n" },
            { tag: "EQ fader", page: 1, flick: "dynamicsPage", name: "eq_volume4", start: 50, sent: "eqv 3 33\r\n" }
        ]
    }

    function test_wheelScrollsUntilPicked(data) {
        window.width = 900
        window.height = 600
        var values = { gate_on: 0 }
        values[data.name] = data.start
        publishStatus(values)
        find("tabs").currentIndex = data.page
        var flick = find(data.flick)
        flick.contentY = 0
        waitForRendering(window.contentItem)
        verify(flick.contentHeight > flick.height, "the page scrolls at 900 × 600")
        var slider = find("slider_" + data.name)
        var control = find("param_" + data.name)
        find("tabs").forceActiveFocus()
        verify(!slider.activeFocus)
        testPty.drain(0)

        // scrolled until the control lies under the pointer (up to three notches)
        var y = slider.mapToItem(flick, 0, slider.height / 2).y
        mouseWheel(slider, slider.width / 2, slider.height / 2, 0, -120)
        tryVerify(function() { return flick.contentY > 0 }, 1000, "the page scrolled")
        compare(control.value, data.start, "the value stayed")
        compare(testPty.drain(300), "", "nothing went to the device")

        // picked by a click on its handle, the wheel moves it
        flick.contentY = 0
        waitForRendering(window.contentItem)
        var along = slider.handleCentre()
        if (slider.horizontal)
            mouseClick(slider, along, slider.height / 2)
        else
            mouseClick(slider, slider.width / 2, along)
        verify(slider.activeFocus, "the click picked the slider")
        compare(control.value, data.start, "a click on the handle moves nothing")
        mouseWheel(slider, slider.width / 2, slider.height / 2, 0, 120)
        compare(control.value, data.start + 1)
        compare(flick.contentY, 0, "the page stayed")
        var got = testPty.readUntil(data.sent, 2000)
        compare(JSON.stringify(got.slice(-data.sent.length)), JSON.stringify(data.sent))
    }

    // ---- a preset's place ------------------------------------------------------------

    function test_presetFormsShown_data() {
        return [
            { tag: "map tile", where: function() { return find("mapTileName_2_5").text }, shown: "2-5" },
            { tag: "map tooltip", where: function() { return find("mapCell_2_5").Accessible.description },
              shown: "Preset 2-5: Green 412, master 80" },
            { tag: "slot tooltip", where: function() { return find("slot_25").Accessible.description },
              shown: "Slot 25, the impulse of Preset 2-5: Green 412. The device reports an impulse stored in it. "
                     + "The current preset." },
            { tag: "Go field", where: function() { return find("jumpNumber").placeholderText }, shown: "0-0 to 9-9" },
            { tag: "Go field's message", where: function() {
                find("jumpNumber").text = "37"
                click("jumpGo")
                return find("jumpError").text
            }, shown: "Enter a preset from 0-0 to 9-9." },
            { tag: "save question", where: function() {
                find("saveQuestion").ask("updown", 1)
                tryCompare(find("saveQuestion"), "opened", true)
                return find("questionTitle").text
            }, shown: "Save changes to Preset 2-5?" }
        ]
    }

    function test_presetFormsShown(data) {
        place(2, 5)
        testPty.answer("rn\rGreen 412\n")
        var names = []
        var flags = []
        for (var i = 0; i < 100; ++i) {
            names.push(i === 25 ? "Green 412" : "empty")
            flags.push(i === 25 ? "01" : "00")
        }
        answerSlots(names, flags)
        testPty.answerStatus({ master_volume: 80 })
        find("tabs").currentIndex = 2
        waitForRendering(window.contentItem)
        compare(data.where(), data.shown)
        find("jumpNumber").text = ""
        find("presetCard").jumpError = ""
    }

    // The Go field never shows a place the panel has left: a move made
    // elsewhere empties it, unless the user is typing in it.
    function test_goFieldKeepsNoStaleText_data() {
        return [
            { tag: "left alone", typing: false, kept: "" },
            { tag: "being typed in", typing: true, kept: "4-" }
        ]
    }

    function test_goFieldKeepsNoStaleText(data) {
        place(1, 1)
        var field = find("jumpNumber")
        field.text = "4-"
        if (data.typing)
            field.forceActiveFocus()
        else
            find("tabs").forceActiveFocus()
        place(1, 2)
        compare(field.text, data.kept)
        field.text = ""
    }
}

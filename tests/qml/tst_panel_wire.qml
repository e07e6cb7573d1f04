// What the panel makes the program send to the device, read at the pty: each
// kind of control, the answers to the save question, the actions and keys,
// impulse files, and a status block coming back from the device. These need
// the editing, impulse and parsing back ends.
import QtQuick 2.15
import QtTest 1.15
import "../../flat"

PanelTestCase {
    name: "PanelWire"

    function init() {
        testPty.resetBackEnd()
        identify(1)
        testPty.setEdited(false)
        testPty.linkBusy(false)
        closePopups()
        testPty.drain(0)
        testPty.clearWarnings()
    }

    // The bytes the program wrote until `expected` arrived (or the time ran out).
    function expectWritten(expected) {
        var got = testPty.readUntil(expected, 2000)
        compare(JSON.stringify(got.slice(-expected.length)), JSON.stringify(expected))
    }

    // ---- each kind of control --------------------------------------------------

    function test_controlWritesItsCommand_data() {
        return [
            { tag: "level, right arrow", name: "master_volume", start: 50, key: Qt.Key_Right, sent: "mv 33\r\n" },
            { tag: "signed tone below zero", name: "preamp_low", start: 0, key: Qt.Key_Left, sent: "prl ff\r\n" },
            { tag: "signed tone above zero", name: "preamp_high", start: 4, key: Qt.Key_Right, sent: "prh 5\r\n" },
            { tag: "band Q, up arrow", name: "eq_q3", start: -4, key: Qt.Key_Up, sent: "eqq 2 fd\r\n" },
            { tag: "band gain", name: "eq_volume1", start: 12, key: Qt.Key_Up, sent: "eqv 0 d\r\n" },
            { tag: "band frequency, down", name: "eq_freq5", start: -12, key: Qt.Key_Down, sent: "" },
            { tag: "switch by click", name: "preamp_on", start: 0, click: "switch_preamp_on", sent: "pro 1\r\n" },
            { tag: "switch off by arrow", name: "gate_on", start: 1, key: Qt.Key_Left, sent: "go 0\r\n" },
            { tag: "cabinet switch", name: "cabinet_enable", start: 1, click: "switch_cabinet_enable", sent: "ce 0\r\n" },
            { tag: "type segment", name: "amp_type", start: 0, click: "choice_amp_type_2", sent: "at 2\r\n" },
            { tag: "type by arrow", name: "early_type", start: 1, key: Qt.Key_Right, sent: "et 2\r\n" },
            { tag: "pre/post", name: "eq_pre", start: 0, click: "choice_eq_pre_1", sent: "eqp 1\r\n" },
            { tag: "mode", name: "mode", start: 0, click: "choice_mode_1", sent: "gm 1\r\n" }
        ]
    }

    function test_controlWritesItsCommand(data) {
        find("tabs").currentIndex = _parameters.fact(data.name).group === "eq"
                || _parameters.fact(data.name).group === "compressor"
                || _parameters.fact(data.name).group === "gate" ? 1 : 0
        publishStatus({ [data.name]: data.start })
        var control = find("param_" + data.name)
        waitForRendering(control)
        if (data.click !== undefined) {
            mouseClick(find(data.click))
        } else {
            control.forceActiveFocus()
            testPty.key(window, data.key)
        }
        if (data.sent === "") {
            // at the bottom of its range: nothing to send
            compare(testPty.drain(200), "")
            compare(control.value, data.start)
            return
        }
        expectWritten(data.sent)
        // The mode is the device's, not the preset's (no status byte holds
        // it): the preset session leaves the preset as it was.
        compare(dev.edited, data.name !== "mode", "the preset session's edited state")
    }

    // ---- the mouse on a slider ------------------------------------------------------

    // A click on the track never jumps: one page (a tenth of the range)
    // toward the click and not past it. Dragging the handle moves the value,
    // the wheel one step a notch once the slider is picked; the value can be
    // typed after a click on it, and a value past the range is limited, and
    // said to be.
    function test_sliderMouse_data() {
        return [
            { tag: "click right of the handle: a page up", name: "master_volume", start: 50, at: 0.9, sent: "mv 3c\r\n", value: 60 },
            { tag: "click left of the handle: a page down", name: "master_volume", start: 82, at: 0.1, sent: "mv 48\r\n", value: 72 },
            { tag: "click near the handle: up to the click", name: "master_volume", start: 50, atValue: 59, sent: "mv 3b\r\n", value: 59 },
            { tag: "signed tone, click at the low end", name: "preamp_low", start: 0, at: 0.02, sent: "prl fe\r\n", value: -2 },
            { tag: "vertical gain, click near the top", name: "eq_volume3", start: 50, at: 0.1, sent: "eqv 2 3c\r\n", value: 60 },
            { tag: "handle dragged past the end", name: "lpf_volume", start: 10, drag: 1.3, sent: "lv 64\r\n", value: 100 },
            { tag: "handle dragged to the start", name: "hpf_volume", start: 90, drag: -0.2, sent: "hv 0\r\n", value: 0 },
            { tag: "wheel up one notch", name: "master_volume", start: 50, wheel: 120, sent: "mv 33\r\n", value: 51 },
            { tag: "wheel down two notches", name: "amp_volume", start: 50, wheel: -240, sent: "av 30\r\n", value: 48 },
            { tag: "half a notch: nothing yet", name: "amp_slave", start: 50, wheel: 60, sent: "", value: 50 },
            { tag: "typed value", name: "master_volume", start: 50, type: "77", sent: "mv 4d\r\n", value: 77 },
            { tag: "typed past the range: its end", name: "master_volume", start: 50, type: "150", sent: "mv 64\r\n", value: 100,
              note: "Master goes from 0 to 100: set to 100." },
            { tag: "typed below a tone's range: said", name: "preamp_mid", start: 0, type: "-20", sent: "prm f4\r\n", value: -12,
              note: "Mid goes from -12 dB to +12 dB: set to -12 dB." },
            { tag: "gain typed in dB", name: "eq_volume2", start: 50, type: "+2.4 dB", sent: "eqv 1 3c\r\n", value: 60 },
            { tag: "typed words: nothing sent", name: "master_volume", start: 50, type: "loud", sent: "", value: 50 }
        ]
    }

    function test_sliderMouse(data) {
        var onEqPage = _parameters.fact(data.name).group === "eq"
        find("tabs").currentIndex = onEqPage ? 1 : 0
        testPty.answerStatus({ [data.name]: data.start })
        var control = find("param_" + data.name)
        var slider = find("slider_" + data.name)
        waitForRendering(slider)
        var length = (slider.horizontal ? slider.width : slider.height) - slider.handleSize
        // a point at a fraction along the slider, as the handle's centre
        function point(f) {
            var along = slider.handleSize / 2 + (slider.horizontal ? f : 1 - f) * length
            return slider.horizontal ? { x: along, y: slider.height / 2 } : { x: slider.width / 2, y: along }
        }
        var range = slider.to - slider.from
        var here = point((data.start - slider.from) / range)
        if (data.at !== undefined) {
            var p = point(slider.horizontal ? data.at : 1 - data.at)
            mouseClick(slider, p.x, p.y)
        } else if (data.atValue !== undefined) {
            p = point((data.atValue - slider.from) / range)
            mouseClick(slider, p.x, p.y)
        } else if (data.drag !== undefined) {
            p = point(data.drag)
            mousePress(slider, here.x, here.y)
            mouseMove(slider, (here.x + p.x) / 2, (here.y + p.y) / 2, -1, Qt.LeftButton)
            mouseMove(slider, p.x, p.y, -1, Qt.LeftButton)
            mouseRelease(slider, p.x, p.y)
        } else if (data.wheel !== undefined) {
            slider.forceActiveFocus()   // picked: the wheel is the slider's
            mouseWheel(slider, here.x, here.y, 0, data.wheel)
        } else {
            mouseClick(find("value_" + data.name))
            var field = find("valueEdit_" + data.name)
            tryCompare(field, "activeFocus", true)
            field.text = data.type
            testPty.key(window, Qt.Key_Return)
        }
        if (data.sent === "")
            compare(testPty.drain(200), "")
        else
            expectWritten(data.sent)
        compare(control.value, data.value)
        if (data.type !== undefined)
            compare(control.limitNote, data.note !== undefined ? data.note : "", "what the panel says of the typed value")
        if (data.type !== undefined) {
            compare(field.visible, data.sent === "", "a value that is no number stays to be mended")
            if (field.visible)
                testPty.key(window, Qt.Key_Escape)
            verify(!field.visible)
        }
        find("tabs").currentIndex = 0
    }

    // ---- the save question --------------------------------------------------------

    function test_saveQuestionAnswers_data() {
        return [
            { tag: "step, save first", signal: "sgPresetUpDownStage1", code: 3, answer: "questionSave", sent: "sp\r\n" },
            { tag: "step, don't save", signal: "sgPresetUpDownStage1", code: 3, answer: "questionDiscard", sent: "chp 1\r\n" },
            { tag: "bank down, don't save", signal: "sgPresetUpDownStage1", code: 2, answer: "questionDiscard", sent: "chb 0\r\n" },
            { tag: "jump, save first", signal: "sgPresetChangeStage1", code: 12, answer: "questionSave", sent: "sp\r\n" },
            { tag: "jump, don't save", signal: "sgPresetChangeStage1", code: 12, answer: "questionDiscard", sent: "pc c\r\n" },
            { tag: "step, cancel", signal: "sgPresetUpDownStage1", code: 3, answer: "questionCancel", sent: "" },
            { tag: "jump, cancel", signal: "sgPresetChangeStage1", code: 12, answer: "questionCancel", sent: "" },
            { tag: "read all, save first", button: "readAllButton", answer: "questionSave", sent: "sp\r\n" },
            { tag: "read all, don't save", button: "readAllButton", answer: "questionDiscard", sent: "olkdev\r\n" },
            { tag: "read all, cancel", button: "readAllButton", answer: "questionCancel", sent: "" }
        ]
    }

    function test_saveQuestionAnswers(data) {
        testPty.setEdited(true)
        if (data.button !== undefined)
            click(data.button)
        else
            _core[data.signal](data.code)
        tryCompare(find("saveQuestion"), "opened", true)
        // the question's buttons laid out (Revert's question shows fewer)
        waitForRendering(find("saveQuestion").contentItem)
        click(data.answer)
        tryCompare(find("saveQuestion"), "visible", false)
        if (data.sent === "") {
            compare(testPty.drain(300), "")
            verify(dev.edited, "cancel keeps the changes")
        } else {
            expectWritten(data.sent)
            compare(testPty.drain(200), "", "one request, sent once")
        }
        if (_library.busy) { // the reading, to its end
            testPty.write(answerFor("olkdev"))
            serve(function() { return !_library.busy })
        }
    }

    // A move asked for with unsaved changes goes through the question.
    function test_moveWithChangesAsks() {
        testPty.answerStatus({ master_volume: 20 })
        find("tabs").currentIndex = 0
        find("param_master_volume").forceActiveFocus()
        testPty.key(window, Qt.Key_Right)
        expectWritten("mv 15\r\n")
        click("presetUp")
        tryCompare(find("saveQuestion"), "opened", true)
        compare(find("saveQuestion").code, 3)
        compare(testPty.drain(200), "", "nothing moves before the answer")
        click("questionDiscard")
        expectWritten("chp 1\r\n")
    }

    // ---- reading all presets ----------------------------------------------------------

    // Read all says first that the device steps through every preset, then
    // reads each one's position, status and impulse name into the map (the
    // librarian's walk, with its progress and Cancel over the window), and
    // returns to the starting preset, also when cancelled; the slot list is
    // asked for again after that.
    function test_readAllSaysSoAndReturns_data() {
        return [
            { tag: "not confirmed: nothing read", answer: "questionCancel" },
            { tag: "read: every preset, then back to the start", answer: "questionSave", read: 16 },
            { tag: "cancelled at the fourth: back to the start", answer: "questionSave",
              cancelAt: "pc 3", read: 4 }
        ]
    }

    function test_readAllSaysSoAndReturns(data) {
        devicePreset = 6 // 1-2 of the small device
        deviceStatus = {}
        liveStatus = ""
        place(1, 2)
        click("readAllButton")
        var question = find("saveQuestion")
        tryCompare(question, "opened", true)
        compare(find("questionTitle").text, "Read every preset?")
        verify(!find("questionDiscard").visible, "nothing to save")
        click(data.answer)
        tryCompare(question, "visible", false)
        if (data.answer === "questionCancel") {
            compare(testPty.drain(200), "")
            verify(!dev.sweeping)
            return
        }
        verify(dev.sweeping)
        var steps = []
        var fractions = []
        var requests = serve(function() { return !_library.busy }, function(request) {
            if (!_library.busy)
                return
            steps.push(find("busyText").text)
            fractions.push(dev.progress)
            if (request === data.cancelAt)
                click("libraryCancel")
        })
        verify(!dev.sweeping)
        var jumps = requests.filter(function(r) { return r.indexOf("pc ") === 0 })
        compare(jumps.length, data.read + 1, JSON.stringify(jumps))
        compare(jumps[jumps.length - 1], "pc 6", "back to the start")
        compare(requests.slice(0, 3), ["olkdev", "olkver", "gb"])
        compare(requests.slice(3, 7), ["pc 0", "gb", "gs", "rn"], "position, status and name")
        verify(steps.indexOf("Reading preset " + data.read + " of 16") >= 0, JSON.stringify(steps))
        compare(fractions[fractions.length - 1], data.cancelAt ? 0.25 : 1)
        // the map holds what was read, and only that
        compare(dev.map.count, 16)
        for (var n = 0; n < 16; ++n)
            compare(dev.map.get(n).known, n < data.read || n === 6, "preset " + n)
        compare(dev.map.get(0).impulse, "empty")
        compare(dev.bank * 4 + dev.preset, 6)
        _core.slTimer() // the port timer's step finds the queue empty
        expectWritten("rns\r\n")
        compare(testPty.drain(200), "", "nothing else")
    }

    // Save, then read every preset: the reading starts once the device has
    // stored the preset. A save it does not answer keeps the changes, and
    // nothing is read: the reading would step away from them.
    function test_readAllAfterTheSave_data() {
        return [
            { tag: "the device stores the preset", stored: true },
            { tag: "the device does not answer the save", stored: false }
        ]
    }

    function test_readAllAfterTheSave(data) {
        _core.setValue("master_volume", 30)
        expectWritten("mv 1e\r\n")
        click("readAllButton")
        tryCompare(find("saveQuestion"), "opened", true)
        click("questionSave")
        expectWritten("sp\r\n")
        if (data.stored) {
            testPty.write("sp\rEND\n")
            expectWritten("rn\r\n")
            testPty.write("rn\r\n")
            expectWritten("gs\r\n")
            testPty.write("gs\r" + Array(87).join("0") + "\n")
            expectWritten("olkdev\r\n")
            verify(dev.sweeping)
            testPty.write(answerFor("olkdev"))
            serve(function() { return !_library.busy })
            verify(!dev.sweeping)
            return
        }
        for (var tick = 0; tick < 4; ++tick) // two more sends, the give-up, the idle step
            _core.slTimer()
        tryCompare(find("messageBox"), "opened", true)
        var sent = testPty.drain(300)
        verify(sent.indexOf("sp\r\nsp\r\n") === 0, "sent again by the ticks: " + sent)
        verify(sent.indexOf("olkdev") < 0 && !dev.sweeping, "nothing is read: " + sent)
        compare(_device.saveQuestion.afterSave, "", "the reading no longer waits")
        verify(dev.edited, "the changes are kept")
    }

    // ---- the impulse slots page -------------------------------------------------------

    // A click on a slot goes to its preset (asking first about unsaved
    // changes); after a save and after reading every preset the device is
    // asked for its slot list again.
    function test_slotsPage_data() {
        return [
            { tag: "click a slot: its preset", slot: 5, sent: "pc 5\r\n" },
            { tag: "click with unsaved changes: asked first", slot: 7, edited: true, sent: "pc 7\r\n" },
            { tag: "after a save: the list again", save: true, sent: "rns\r\n" },
            { tag: "after reading all: the list again", readAll: true, sent: "rns\r\n" }
        ]
    }

    function test_slotsPage(data) {
        var names = [], flags = []
        for (var i = 0; i < 100; ++i) {
            names.push("Cab " + i)
            flags.push("01")
        }
        answerSlots(names, flags)
        place(0, 1)
        if (data.edited) {
            _core.setValue("gate_decay", 9)
            expectWritten("gd 9\r\n")
        }
        if (data.slot !== undefined) {
            find("tabs").currentIndex = 3
            waitForRendering(find("slotGrid"))
            click("slot_" + data.slot)
            if (data.edited) {
                tryCompare(find("saveQuestion"), "opened", true)
                click("questionDiscard")
            }
        } else if (data.save) {
            click("saveButton")
            expectWritten("sp\r\n")
            testPty.write("sp\rEND\n")
            expectWritten("rn\r\n")
            testPty.write("rn\r\n")
            expectWritten("gs\r\n")
            testPty.write(statusAnswer())
        } else {
            click("readAllButton")
            tryCompare(find("saveQuestion"), "opened", true)
            click("questionSave")
            serve(function() { return !_library.busy })
            _core.slTimer()
        }
        expectWritten(data.sent)
        compare(testPty.drain(200), "", "asked once")
        find("tabs").currentIndex = 0
    }

    // ---- quitting -------------------------------------------------------------------

    // A whole status block as the device sends it.
    function statusAnswer() {
        var status = ""
        for (var i = 0; i < 43; ++i)
            status += "0" + (i % 2)
        return "gs\r" + status + "\n"
    }

    // Closing the window, Ctrl+Q and Quit in the menu ask first when the
    // preset has unsaved changes; Save quits only once the device has taken
    // the preset. A window that closes keeps its place for the next run.
    function test_quitAsksFirst_data() {
        return [
            { tag: "nothing edited: closes at once", how: "close", closes: true },
            { tag: "edited, cancel: stays", how: "close", edited: true, answer: "questionCancel" },
            { tag: "Ctrl+Q, edited, discard: the device goes back, then closes, nothing stored",
              how: "key", edited: true, answer: "questionDiscard", closes: true },
            { tag: "menu, edited, save: stores, then closes", how: "menu", edited: true,
              answer: "questionSave", closes: true, answered: true },
            { tag: "Ctrl+Q, edited, save unanswered: stays", how: "key", edited: true,
              answer: "questionSave" }
        ]
    }

    function test_quitAsksFirst(data) {
        testPty.removeSetting("WindowGeometry")
        if (data.edited) {
            _core.setValue("master_volume", 30)
            expectWritten("mv 1e\r\n")
        }
        if (data.how === "close") {
            window.close()
        } else if (data.how === "key") {
            testPty.key(window, Qt.Key_Q, Qt.ControlModifier)
        } else {
            click("settingsButton")
            tryCompare(find("settingsMenu"), "opened", true)
            click("quitItem")
        }
        if (data.edited) {
            var question = find("saveQuestion")
            tryCompare(question, "opened", true)
            compare(question.kind, "quit")
            verify(window.visible, "nothing closes before the answer")
            click(data.answer)
        }
        if (data.answer === "questionDiscard") {
            expectWritten("esc\r\n")
            verify(window.visible, "not before the device went back to the stored preset")
            testPty.write("esc\rEND\n")
            expectWritten("gs\r\n")
            testPty.write(statusAnswer())
            expectWritten("rn\r\n")
            testPty.write("rn\r\n")
        }
        if (data.answer === "questionSave") {
            expectWritten("sp\r\n")
            verify(window.visible, "not before the device has stored it")
            if (data.answered) {
                testPty.write("sp\rEND\n")
                expectWritten("rn\r\n")
                testPty.write("rn\r\n")
                expectWritten("gs\r\n")
                testPty.write(statusAnswer())
            } else {
                // the device never answers: the queue gives up, the changes stay
                for (var i = 0; i < 5; ++i)
                    _core.slTimer()
                tryCompare(find("messageBox"), "opened", true)
            }
        }
        if (data.closes) {
            tryCompare(window, "visible", false)
            compare(testPty.setting("WindowGeometry"), "rect", "the window's place is kept")
            compare(testPty.drain(100).indexOf("sp\r\n"), -1, "nothing more stored")
            window.quitting = false
            dev.alive = true
            window.show()
            window.requestActivate()
            tryCompare(window, "active", true)
        } else {
            wait(50)
            verify(window.visible, "the window stays")
            verify(dev.edited, "with its changes")
            compare(testPty.setting("WindowGeometry"), "")
        }
    }

    // ---- actions, navigation and keys ----------------------------------------------

    function test_actions_data() {
        return [
            { tag: "save", button: "saveButton", sent: "sp\r\n" },
            { tag: "compare", button: "compareButton", sent: "gs\r\n" },
            { tag: "revert", button: "revertButton", sent: "esc\r\n" },
            { tag: "revert impulse", button: "revertImpulseButton", sent: "lcc\r\n" },
            { tag: "copy", button: "copyButton", sent: "gs\r\n" },
            { tag: "bank up", button: "bankUp", sent: "chb 1\r\n" },
            { tag: "bank down", button: "bankDown", sent: "chb 0\r\n" },
            { tag: "preset up", button: "presetUp", sent: "chp 1\r\n" },
            { tag: "preset down", button: "presetDown", sent: "chp 0\r\n" }
        ]
    }

    function test_actions(data) {
        click(data.button)
        expectWritten(data.sent)
    }

    // Revert with changes asks first, as a move does: Cancel keeps them and
    // sends nothing, Revert throws them away. Without changes it reverts.
    function test_revertAsksFirst_data() {
        return [
            { tag: "no changes", edited: false, answer: "", sent: "esc\r\n" },
            { tag: "changes, cancel", edited: true, answer: "questionCancel", sent: "" },
            { tag: "changes, revert", edited: true, answer: "questionSave", sent: "esc\r\n" }
        ]
    }

    function test_revertAsksFirst(data) {
        if (data.edited)
            testPty.setEdited(true)
        click("revertButton")
        var question = find("saveQuestion")
        compare(question.opened, data.edited)
        if (data.edited) {
            verify(find("questionTitle").text.indexOf("Throw away the changes") === 0,
                   find("questionTitle").text)
            compare(find("questionDiscard").visible, false)
            compare(find("questionSave").text, "Revert")
            click(data.answer)
            tryCompare(question, "opened", false)
        }
        if (data.sent === "")
            compare(testPty.drain(300), "", "nothing sent")
        else
            expectWritten(data.sent)
    }

    function test_keys_data() {
        return [
            { tag: "ctrl+s: save", key: Qt.Key_S, modifiers: Qt.ControlModifier, sent: "sp\r\n" },
            { tag: "ctrl+c: copy", key: Qt.Key_C, modifiers: Qt.ControlModifier, sent: "gs\r\n" }
        ]
    }

    function test_keys(data) {
        find("param_master_volume").forceActiveFocus()
        testPty.key(window, data.key, data.modifiers)
        expectWritten(data.sent)
    }

    // Paste is offered only once a copy went through, which is confirmed;
    // Ctrl+C reads the preset (status, then impulse) from the device, Ctrl+V
    // puts it back as an unsaved change. A copy the device never answered
    // leaves nothing to paste.
    function test_copyThenPaste_data() {
        return [
            { tag: "copy answered: confirmed, paste offered", answered: true },
            { tag: "copy unanswered: nothing to paste", answered: false }
        ]
    }

    function test_copyThenPaste(data) {
        testPty.answer("gb\r0205\n")
        verify(!find("pasteButton").enabled, "nothing copied yet")
        find("param_master_volume").forceActiveFocus()
        testPty.key(window, Qt.Key_V, Qt.ControlModifier)
        compare(testPty.drain(200), "", "no paste before a copy")

        testPty.key(window, Qt.Key_C, Qt.ControlModifier)
        expectWritten("gs\r\n")
        if (data.answered) {
            testPty.write(statusAnswer())
            expectWritten("cc\r\n")
            testPty.write("cc\r\n\n")          // a preset without impulse
            tryVerify(function() { return dev.hasCopy }, 2000)
            verify(find("toast").visible)
            compare(find("toast").text, "Preset 2-5 copied")
            verify(find("pasteButton").enabled)
            testPty.key(window, Qt.Key_V, Qt.ControlModifier)
            var got = testPty.readUntil("\r", 2000)
            compare(got.substring(0, 5), "gs 1\r")
            verify(dev.edited, "a paste is an unsaved change")
        } else {
            for (var i = 0; i < 5; ++i)
                _core.slTimer()
            tryCompare(find("messageBox"), "opened", true)
            testPty.drain(100)
            verify(!dev.hasCopy)
            verify(!find("pasteButton").enabled)
        }
    }

    // A paste the back end refuses says why in the message box, sends
    // nothing and leaves nothing offered to paste. A copy cut short by a
    // revert is not confirmed: the panel says it did not finish and offers
    // no paste.
    function test_refusedPasteSaysWhy_data() {
        return [
            { tag: "nothing copied", cut: false, words: "Nothing copied yet" },
            { tag: "copy cut short by a revert", cut: true,
              words: "The copy did not finish: copy again" }
        ]
    }

    function test_refusedPasteSaysWhy(data) {
        testPty.answer("gb\r0205\n")
        find("param_master_volume").forceActiveFocus()
        if (data.cut) {
            // an earlier copy went through
            testPty.key(window, Qt.Key_C, Qt.ControlModifier)
            expectWritten("gs\r\n")
            testPty.write(statusAnswer())
            expectWritten("cc\r\n")
            testPty.write("cc\r\n\n")
            tryVerify(function() { return dev.hasCopy }, 2000)
            tryCompare(dev, "busy", false)
            find("param_master_volume").forceActiveFocus()
            testPty.key(window, Qt.Key_C, Qt.ControlModifier)
            expectWritten("gs\r\n")
            click("revertButton")
            expectWritten("esc\r\n")
            compare(find("toast").text, data.words)
            testPty.write("esc\rEND\n")
            expectWritten("gs\r\n")
            testPty.write(statusAnswer())
            expectWritten("rn\r\n")
            testPty.write("rn\r\n")
            tryCompare(dev, "busy", false)
            wait(50)                           // the idle moment's own work
            compare(find("toast").text, data.words, "no \"copied\" after all")
            verify(!find("pasteButton").enabled)
            find("param_master_volume").forceActiveFocus()
            testPty.key(window, Qt.Key_V, Qt.ControlModifier)
        } else {
            // the back end's own refusal, whatever the panel offered
            _core.slPaste()
            tryCompare(find("messageBox"), "opened", true)
            compare(find("messageText").text, data.words)
        }
        compare(testPty.drain(200), "", "nothing is pasted")
        verify(!dev.hasCopy)
        verify(!dev.edited)
    }

    // "Revert impulse" takes back the impulse tried on the preset; when that
    // was its only change, the badge says it is saved again, and a move
    // asks nothing.
    function test_revertImpulseTakesBackItsChange_data() {
        return [
            { tag: "impulse only: saved again", knob: false },
            { tag: "a knob turned too: still edited", knob: true }
        ]
    }

    function test_revertImpulseTakesBackItsChange(data) {
        place(2, 5)
        testPty.answerStatus({ master_volume: 50 })
        var path = testPty.makeWav("Tried Cab.wav", 48000, 24, 1, 300)
        dev.loadImpulse("file://" + path)
        compare(testPty.readUntil("\r", 3000).length, 5912)
        testPty.write("ccEND\n")
        verify(dev.edited)
        if (data.knob) {
            find("param_master_volume").forceActiveFocus()
            testPty.key(window, Qt.Key_Right)
            expectWritten("mv 33\r\n")
        }
        click("revertImpulseButton")
        expectWritten("lcc\r\n")
        compare(dev.edited, data.knob)
        compare(find("editedBadge").edited, data.knob)
        testPty.write("lcc\rEND\n")
        expectWritten("rn\r\n")
        testPty.write("rn\r\n")
        click("presetUp")
        if (data.knob) {
            tryCompare(find("saveQuestion"), "opened", true)
        } else {
            expectWritten("chp 1\r\n")
            verify(!find("saveQuestion").opened)
        }
    }

    function test_tabStepsTheFocusTarget() {
        find("tabs").currentIndex = 0
        find("param_master_volume").forceActiveFocus()
        var before = testPty.tabTarget()
        testPty.key(window, Qt.Key_Tab)
        var after = testPty.tabTarget()
        verify(after !== "" && after !== before, "Tab stepped the target: " + before + " -> " + after)
        verify(!find("slider_master_volume").activeFocus, "the focus moved on")
        testPty.key(window, Qt.Key_Backtab, Qt.ShiftModifier)
        verify(testPty.tabTarget() !== after, "Shift+Tab stepped it as well")
    }

    // The box takes a preset's short form ("3-7") of a place the device has;
    // anything else is said under the box and nothing is sent.
    function test_jumpToPreset_data() {
        return [
            { tag: "map cell", cell: "mapCell_2_5", sent: "pc 19\r\n" },
            { tag: "short form, Go", number: "3-7", sent: "pc 25\r\n" },
            { tag: "short form, Enter", number: "3-7", enter: true, sent: "pc 25\r\n" },
            { tag: "first preset", number: "0-0", sent: "pc 0\r\n" },
            { tag: "last preset, spaces around", number: " 9-9 ", enter: true, sent: "pc 63\r\n" },
            { tag: "last of a 4 x 4 device", type: 2, number: "3-3", sent: "pc f\r\n" },
            { tag: "bank past the last", number: "10-0", enter: true, range: "0-0 to 9-9" },
            { tag: "a number through the banks", number: "37", range: "0-0 to 9-9" },
            { tag: "minus and letters", number: "-3abc", enter: true, range: "0-0 to 9-9" },
            { tag: "letters", number: "abc", range: "0-0 to 9-9" },
            { tag: "past a 4 x 4 device", type: 2, number: "1-4", range: "0-0 to 3-3" }
        ]
    }

    function test_jumpToPreset(data) {
        if (data.type !== undefined)
            identify(data.type)
        var error = find("jumpError")
        if (data.cell !== undefined) {
            find("tabs").currentIndex = 2
            waitForRendering(find("mapGrid"))
            click(data.cell)
        } else {
            var field = find("jumpNumber")
            field.forceActiveFocus()
            field.text = data.number
            if (data.enter)
                testPty.key(window, Qt.Key_Return)
            else
                click("jumpGo")
        }
        if (data.range !== undefined) {
            verify(error.visible, "a message for " + data.number)
            verify(error.text.indexOf(data.range) >= 0, error.text)
            compare(testPty.drain(200), "", "no jump")
            // typing again clears the message
            field.forceActiveFocus()
            testPty.key(window, Qt.Key_Backspace)
            verify(!error.visible)
        } else {
            expectWritten(data.sent)
            verify(!error.visible)
            compare(find("jumpNumber").text, "", "the box keeps no place once the jump is made")
        }
        find("jumpNumber").text = ""
        find("tabs").currentIndex = 0
    }

    // ---- impulse files ---------------------------------------------------------------

    // Pixels of a canvas's own image in the accent colour (every 4th column).
    function accentPixels(canvas) {
        var data = canvas.getContext("2d").getImageData(0, 0, canvas.width, canvas.height).data
        var accent = Theme.accent
        var count = 0
        for (var i = 0; i < data.length; i += 16) {
            if (Math.abs(data[i] - accent.r * 255) < 2 && Math.abs(data[i + 1] - accent.g * 255) < 2
                    && Math.abs(data[i + 2] - accent.b * 255) < 2 && data[i + 3] === 255)
                ++count
        }
        return count
    }

    // A file that cannot be used: its reason in the message box, nothing sent.
    function test_unusableFileShowsItsReason_data() {
        return [
            { tag: "no samples", file: function() { return testPty.makeWav("silent.wav", 48000, 24, 1, 0) },
              words: ["silent.wav", "holds no sound"] },
            { tag: "missing", file: function() { return testPty.tempPath("gone.flac") },
              words: ["gone.flac", "cannot be found"] }
        ]
    }

    function test_unusableFileShowsItsReason(data) {
        var path = data.file()
        verify(path !== "")
        dev.loadImpulse("file://" + path)
        tryCompare(find("messageBox"), "opened", true)
        compare(find("messageTitle").text, "Impulse not loaded")
        for (var i = 0; i < data.words.length; ++i)
            verify(find("messageText").text.indexOf(data.words[i]) >= 0, find("messageText").text)
        compare(testPty.drain(200), "", "nothing is sent for a file that cannot be used")
    }

    // Files the device cannot play as they are load converted; the card
    // shows what the device plays.
    function test_convertedFileOnTheCard_data() {
        return [
            { tag: "44.1 kHz 16-bit stereo, 1.4 s", name: "Long Cab.wav", rate: 44100, bits: 16,
              channels: 2, frames: 61740, source: "44.1 kHz, 16-bit, stereo, converted",
              kept: "Kept 222 ms of 1.4 s" },
            { tag: "96 kHz 24-bit mono, short", name: "Short.wav", rate: 96000, bits: 24,
              channels: 1, frames: 4800, source: "96 kHz, 24-bit, mono, converted", kept: "" }
        ]
    }

    function test_convertedFileOnTheCard(data) {
        var path = testPty.makeWav(data.name, data.rate, data.bits, data.channels, data.frames)
        dev.loadImpulse("file://" + path)
        var got = testPty.readUntil("\r", 3000)
        compare(got.length, 5912)
        compare(find("impulseName").text, data.name)
        tryCompare(find("impulseSource"), "text", data.source)
        compare(find("impulseKept").visible, data.kept !== "")
        if (data.kept !== "")
            verify(find("impulseKept").text.indexOf(data.kept) === 0, find("impulseKept").text)
        var graph = find("impulseGraph")
        verify(graph.visible)
        compare(graph.waveform.length, 1000)
        verify(graph.response.length >= 256)
        verify(find("impulsePeak").text.indexOf("dBFS") > 0)
        // Drawn: the waveform's canvas holds ink in the accent colour.
        var wave = find("impulseWaveform")
        tryVerify(function() { return accentPixels(wave) > 20 }, 3000, "the waveform is drawn")
        // In the smallest window the buttons stay in reach above the graph,
        // without scrolling the left column.
        window.width = 900
        window.height = 600
        waitForRendering(window.contentItem)
        var column = find("leftColumn")
        column.contentY = 0
        var load = find("loadWavButton")
        verify(load.mapToItem(column, 0, load.height).y <= column.height, "Load WAV… is in sight")
        verify(load.mapToItem(column, 0, 0).y < graph.mapToItem(column, 0, 0).y, "the buttons come before the graph")
        window.width = 1240
        window.height = 780

        // Another preset's impulse ends it.
        testPty.answer("rn\rClosed 4x12 Center\n")
        tryCompare(graph, "visible", false)
        compare(find("impulseSource").visible, false)
    }

    function test_supportedWavIsPreviewed() {
        var path = testPty.makeWav("Room 2x12.wav", 48000, 24, 1, 300)
        dev.loadImpulse("file://" + path.replace(/ /g, "%20"))
        var got = testPty.readUntil("\r", 3000)
        compare(got.substring(0, 7), "cc s 1\r")
        compare(got.length, 5912)
        compare(find("impulseName").text, "Room 2x12.wav")
        var folder = path.substring(0, path.lastIndexOf("/"))
        compare(dev.localPath(_core.getLastPath()), folder, "the next dialog starts in this folder")
    }

    // Files dropped on the window: one loads; more load none, and the panel
    // says that a preset holds one impulse.
    function test_droppedFiles_data() {
        return [
            { tag: "one file", files: ["Drop One.wav"], loads: true },
            { tag: "two files", files: ["Drop A.wav", "Drop B.wav"], loads: false },
            { tag: "three files", files: ["Drop A.wav", "Drop B.wav", "Drop C.wav"], loads: false }
        ]
    }

    function test_droppedFiles(data) {
        var urls = []
        for (var i = 0; i < data.files.length; ++i)
            urls.push("file://" + testPty.makeWav(data.files[i], 48000, 24, 1, 300))
        verify(window.dropFiles(urls), "the drop is taken")
        if (data.loads) {
            var got = testPty.readUntil("\r", 3000)
            compare(got.length, 5912)
            compare(find("impulseName").text, data.files[0])
            verify(!find("messageBox").opened)
        } else {
            tryCompare(find("messageBox"), "opened", true)
            compare(find("messageTitle").text, "Drop one file at a time")
            verify(find("messageText").text.indexOf("You dropped " + data.files.length + " files") === 0,
                   find("messageText").text)
            compare(testPty.drain(300), "", "nothing is loaded")
        }
    }

    function test_errorReportWritten() {
        var file = testPty.tempPath("report.txt")
        dev.saveErrorReport("file://" + file)
        compare(testPty.readFile(file).substring(0, 5), ">>>\r\n")
    }

    // ---- the device's status block moves the controls ---------------------------------

    // Status block positions, as the device sends them.
    readonly property var positions: testPty.statusNames()

    function test_statusBlockFromTheDevice() {
        var hex = ""
        var expected = {}
        for (var i = 0; i < positions.length; ++i) {
            var row = _parameters.fact(positions[i])
            var v = sampleValue(row, i + 3)
            expected[positions[i]] = v
            var b = v & 0xff
            hex += (b < 16 ? "0" : "") + b.toString(16)
        }
        compare(hex.length, 86)
        testPty.write("gs\r" + hex + "\n")
        for (i = 0; i < positions.length; ++i)
            tryCompare(find("param_" + positions[i]), "value", expected[positions[i]], 3000, positions[i])
        testPty.write("gb\r0307\n")
        tryCompare(dev, "preset", 7)
        compare(dev.bank, 3)
    }
}

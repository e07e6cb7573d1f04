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
        dev.sweepAfterSave = false
        testPty.resetBackEnd()
        _core.sgReadText("open_port", testPty.portPath())
        _core.sgReadValue("type_dev", 1)
        _core.sgReadValue("editable", 1)
        _core.sgReadValue("preset_edit", 0)
        _core.sgSetWait(false)
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
            { tag: "mode", name: "mode", start: 0, click: "choice_mode_1", sent: "gm 1\r\n" },
            { tag: "slider dragged to its end", name: "lpf_volume", start: 10, drag: true, sent: "lv 64\r\n" }
        ]
    }

    function test_controlWritesItsCommand(data) {
        find("tabs").currentIndex = Params.row(data.name).group === "eq"
                || Params.row(data.name).group === "compressor"
                || Params.row(data.name).group === "gate" ? 1 : 0
        _core.sgReadValue(data.name, data.start)
        var control = find("param_" + data.name)
        waitForRendering(control)
        if (data.click !== undefined) {
            mouseClick(find(data.click))
        } else if (data.drag) {
            var slider = find("slider_" + data.name)
            mouseClick(slider, slider.width - 2, slider.height / 2)
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
        verify(dev.edited, "the back end reports the preset as edited")
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
            { tag: "read all, don't save", button: "readAllButton", answer: "questionDiscard", sent: "chp 1\r\n" },
            { tag: "read all, cancel", button: "readAllButton", answer: "questionCancel", sent: "" }
        ]
    }

    function test_saveQuestionAnswers(data) {
        _core.sgReadValue("preset_edit", 1)
        if (data.button !== undefined)
            click(data.button)
        else
            _core[data.signal](data.code)
        tryCompare(find("saveQuestion"), "opened", true)
        click(data.answer)
        tryCompare(find("saveQuestion"), "visible", false)
        if (data.sent === "") {
            compare(testPty.drain(300), "")
            verify(dev.edited, "cancel keeps the changes")
        } else {
            expectWritten(data.sent)
            compare(testPty.drain(200), "", "one request, sent once")
        }
    }

    // A move asked for with unsaved changes goes through the question.
    function test_moveWithChangesAsks() {
        _core.sgReadValue("master_volume", 20)
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

    // ---- actions, navigation and keys ----------------------------------------------

    function test_actions_data() {
        return [
            { tag: "save", button: "saveButton", sent: "sp\r\n" },
            { tag: "compare", button: "compareButton", sent: "gs\r\n" },
            { tag: "revert", button: "revertButton", sent: "esc\r\n" },
            { tag: "revert impulse", button: "revertImpulseButton", sent: "lcc\r\n" },
            { tag: "copy", button: "copyButton", sent: "gs\r\n" },
            { tag: "read all presets", button: "readAllButton", sent: "chp 1\r\n" },
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

    function test_keys_data() {
        return [
            { tag: "page up: next preset", key: Qt.Key_PageUp, modifiers: 0, sent: "chp 1\r\n" },
            { tag: "page down: previous preset", key: Qt.Key_PageDown, modifiers: 0, sent: "chp 0\r\n" },
            { tag: "ctrl+s: save", key: Qt.Key_S, modifiers: Qt.ControlModifier, sent: "sp\r\n" },
            { tag: "ctrl+c: copy", key: Qt.Key_C, modifiers: Qt.ControlModifier, sent: "gs\r\n" }
        ]
    }

    function test_keys(data) {
        find("param_master_volume").forceActiveFocus()
        testPty.key(window, data.key, data.modifiers)
        expectWritten(data.sent)
    }

    // Ctrl+C reads the preset (status, then impulse) from the device; Ctrl+V
    // puts it back as an unsaved change.
    function test_copyThenPasteKeys() {
        var status = ""
        for (var i = 0; i < 43; ++i)
            status += "0" + (i % 2)
        find("param_master_volume").forceActiveFocus()
        testPty.key(window, Qt.Key_C, Qt.ControlModifier)
        expectWritten("gs\r\n")
        testPty.write("gs\r" + status + "\n")
        expectWritten("cc\r\n")
        testPty.write("cc\r\n\n")          // a preset without impulse
        testPty.key(window, Qt.Key_V, Qt.ControlModifier)
        var got = testPty.readUntil("\r", 2000)
        compare(got.substring(0, 5), "gs 1\r")
        verify(dev.edited, "a paste is an unsaved change")
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

    function test_jumpToPreset_data() {
        return [
            { tag: "map cell", cell: "mapCell_2_5", sent: "pc 19\r\n" },
            { tag: "number field", number: "37", sent: "pc 25\r\n" },
            { tag: "first preset", number: "0", sent: "pc 0\r\n" }
        ]
    }

    function test_jumpToPreset(data) {
        if (data.cell !== undefined) {
            find("tabs").currentIndex = 2
            waitForRendering(find("mapGrid"))
            click(data.cell)
        } else {
            var field = find("jumpNumber")
            field.text = data.number
            click("jumpGo")
        }
        expectWritten(data.sent)
        find("tabs").currentIndex = 0
    }

    // ---- impulse files ---------------------------------------------------------------

    function test_unsupportedWavShowsTheMessage_data() {
        return [
            { tag: "44.1 kHz", rate: 44100, bits: 24, channels: 1 },
            { tag: "16-bit", rate: 48000, bits: 16, channels: 1 },
            { tag: "stereo", rate: 48000, bits: 24, channels: 2 }
        ]
    }

    function test_unsupportedWavShowsTheMessage(data) {
        var path = testPty.makeWav("unsupported.wav", data.rate, data.bits, data.channels, 500)
        verify(path !== "")
        dev.loadImpulse("file://" + path)
        tryCompare(find("messageBox"), "opened", true)
        verify(find("messageText").text.indexOf("48 kHz") >= 0)
        compare(testPty.drain(200), "", "nothing is sent for a file the device cannot take")
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
            var row = Params.row(positions[i])
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

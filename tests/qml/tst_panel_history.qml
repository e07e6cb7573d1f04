// Undo and redo in the panel: the keys and buttons walk an edit back and
// forth on the wire and move the control with it; they rest when there is
// nothing to undo, during compare and while a question is open.
import QtQuick 2.15
import QtTest 1.15
import "../../flat"

PanelTestCase {
    name: "PanelHistory"

    function init() {
        testPty.resetBackEnd()
        identify(1)
        testPty.linkBusy(false)
        testPty.answerStatus({ master_volume: 50 })
        closePopups()
        find("tabs").currentIndex = 0
        testPty.drain(0)
        testPty.clearWarnings()
    }

    function expectWritten(expected) {
        var got = testPty.readUntil(expected, 2000)
        compare(JSON.stringify(got.slice(-expected.length)), JSON.stringify(expected))
    }

    // Master from 50 to 51 by the arrow key.
    function editMaster() {
        find("param_master_volume").forceActiveFocus()
        testPty.key(window, Qt.Key_Right)
        expectWritten("mv 33\r\n")
    }

    function act(how) {
        if (typeof how === "string")
            click(how)
        else
            testPty.key(window, how.key, how.modifiers)
    }

    function test_undoThenRedo_data() {
        var ctrl = Qt.ControlModifier
        return [
            { tag: "Ctrl+Z, Ctrl+Shift+Z", undo: { key: Qt.Key_Z, modifiers: ctrl },
              redo: { key: Qt.Key_Z, modifiers: ctrl | Qt.ShiftModifier } },
            { tag: "Ctrl+Z, Ctrl+Y", undo: { key: Qt.Key_Z, modifiers: ctrl },
              redo: { key: Qt.Key_Y, modifiers: ctrl } },
            { tag: "buttons", undo: "undoButton", redo: "redoButton" }
        ]
    }

    function test_undoThenRedo(data) {
        var control = find("param_master_volume")
        var undo = find("undoButton")
        var redo = find("redoButton")
        editMaster()
        verify(undo.enabled && !redo.enabled)
        compare(undo.hint, "Undo Master 50 → 51 (Ctrl+Z)")

        act(data.undo)
        expectWritten("mv 32\r\n")
        compare(control.value, 50)
        verify(!undo.enabled && redo.enabled)
        compare(redo.hint, "Redo Master 50 → 51 (Ctrl+Shift+Z)")

        act(data.redo)
        expectWritten("mv 33\r\n")
        compare(control.value, 51)
        verify(undo.enabled && !redo.enabled)
    }

    // Undo back to what the device stores: the badge goes off, and a move
    // asks nothing.
    function test_undoToStoredIsClean() {
        editMaster()
        compare(dev.edited, true)
        compare(find("editedText").text, "\u25cf Edited, not saved")
        testPty.key(window, Qt.Key_Z, Qt.ControlModifier)
        expectWritten("mv 32\r\n")
        tryCompare(dev, "edited", false)
        compare(find("editedText").text, "Saved")
        click("presetUp")
        verify(!find("saveQuestion").opened, "nothing to save, nothing asked")
        expectWritten("chp 1\r\n")
    }

    function test_restsWhenLocked_data() {
        return [
            { tag: "nothing edited", edit: false, comparing: false, question: false, button: false },
            { tag: "comparing", edit: true, comparing: true, question: false, button: false },
            { tag: "a question open", edit: true, comparing: false, question: true, button: true }
        ]
    }

    function test_restsWhenLocked(data) {
        if (data.edit)
            editMaster()
        if (data.comparing) {
            testPty.answerStatus({}, true)
        }
        if (data.question) {
            find("saveQuestion").ask("updown", 3)
            tryCompare(find("saveQuestion"), "opened", true)
        }
        compare(find("undoButton").enabled, data.button)
        testPty.key(window, Qt.Key_Z, Qt.ControlModifier)
        compare(testPty.drain(200), "", "Ctrl+Z sends nothing")
    }
}

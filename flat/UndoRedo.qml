// Undo and redo of the current preset's edits: two buttons and their keys
// (Ctrl+Z; Ctrl+Shift+Z or Ctrl+Y). The history itself is the back end's
// `_history`; it learns here, once, how the panel names every control and
// its values, so its texts read as the panel does ("Master 74 → 80").
import QtQuick 2.15
import QtQuick.Layouts 1.15
import "."

RowLayout {
    id: bar

    property var device: null
    readonly property var history: device !== null ? device.history() : null
    // Locked while compare shows the stored preset, as the controls are.
    // (A question or message open takes the keys itself: it is modal.)
    readonly property bool usable: history !== null && device.controlsEnabled

    spacing: 8

    PanelButton {
        id: undoButton
        objectName: "undoButton"
        device: bar.device
        Layout.fillWidth: true
        text: "Undo"
        enabled: bar.usable && bar.history.canUndo
        hint: enabled ? "Undo " + bar.history.undoText + " (Ctrl+Z)" : ""
        onClicked: bar.history.undo()
    }
    PanelButton {
        id: redoButton
        objectName: "redoButton"
        device: bar.device
        Layout.fillWidth: true
        text: "Redo"
        enabled: bar.usable && bar.history.canRedo
        hint: enabled ? "Redo " + bar.history.redoText + " (Ctrl+Shift+Z)" : ""
        onClicked: bar.history.redo()
    }

    Shortcut {
        sequences: ["Ctrl+Z"]
        enabled: undoButton.enabled
        onActivated: bar.history.undo()
    }
    Shortcut {
        sequences: ["Ctrl+Shift+Z", "Ctrl+Y"]
        enabled: redoButton.enabled
        onActivated: bar.history.redo()
    }
}

// Whole-preset actions: save, compare with the stored preset, revert, copy,
// paste and reading every preset of the device; undo and redo of the edits.
import QtQuick 2.15
import QtQuick.Layouts 1.15
import "."

Card {
    id: card

    property var device: null
    readonly property bool usable: device !== null && device.connected

    title: "Actions"
    objectName: "actionsCard"

    GridLayout {
        Layout.fillWidth: true
        columns: 3
        rowSpacing: 8
        columnSpacing: 8

        PanelButton {
            objectName: "saveButton"
            device: card.device
            Layout.fillWidth: true
            text: "Save"
            primary: true
            enabled: card.usable
            hint: "Store the preset on the device (Ctrl+S)"
            onClicked: card.device.save()
        }
        PanelButton {
            objectName: "compareButton"
            device: card.device
            Layout.fillWidth: true
            text: card.device && card.device.comparing ? "Back to edit" : "Compare"
            latched: card.device !== null && card.device.comparing
            enabled: card.usable
            hint: "Switch between your edits and the stored preset"
            onClicked: card.device.compare()
        }
        PanelButton {
            objectName: "revertButton"
            device: card.device
            Layout.fillWidth: true
            text: "Revert"
            enabled: card.usable
            hint: "Throw away the changes and reload the stored preset"
            // Changes are not thrown away without a question, as a move asks.
            onClicked: card.device.edited ? card.device.question("revert", 0)
                                          : card.device.revert()
        }
        PanelButton {
            objectName: "copyButton"
            device: card.device
            Layout.fillWidth: true
            text: "Copy"
            enabled: card.usable
            hint: "Copy this preset and its impulse (Ctrl+C)"
            onClicked: card.device.copyPreset()
        }
        PanelButton {
            objectName: "pasteButton"
            device: card.device
            Layout.fillWidth: true
            text: "Paste"
            enabled: card.usable && card.device.hasCopy
            hint: "Put the copied preset here, as an unsaved change (Ctrl+V)"
            onClicked: card.device.pastePreset()
        }
        PanelButton {
            objectName: "readAllButton"
            device: card.device
            Layout.fillWidth: true
            text: "Read all"
            enabled: card.usable && !card.device.busy
            hint: "Read every preset of the device into the preset map (the device steps through them all)"
            onClicked: card.device.readAllPresets()
        }
    }

    UndoRedo {
        Layout.fillWidth: true
        Layout.topMargin: 8
        device: card.device
    }

    Text {
        objectName: "compareNote"
        Layout.fillWidth: true
        Layout.topMargin: 8
        visible: card.device !== null && card.device.comparing
        // two fixed lines: a wrapping text would make the card's height
        // depend on its own layout
        text: "Showing the stored preset; controls are locked.\nBack to edit returns to your changes."
        elide: Text.ElideRight
        color: Theme.info
        font.family: Theme.fontFamily
        font.pixelSize: Theme.fontSmall
    }
}

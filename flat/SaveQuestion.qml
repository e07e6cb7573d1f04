// "Save changes to Preset 2-3?": asked when a move to another bank or
// preset would lose unsaved changes. Save stores the preset and then moves,
// Don't save moves at once, Cancel stays. Quitting asks the same way, where
// Discard sends the device back to the stored preset first. Revert asks too
// before it throws the changes away: Revert goes ahead, Cancel keeps them.
import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import "."

Popup {
    id: popup

    property var device: null
    property string kind: ""   // "updown", "change", "sweep", "quit" or "revert"
    property int code: 0       // the step code or preset number the back end gave
    // Reading all presets without unsaved changes: only a go-ahead is asked.
    property bool confirmOnly: false

    objectName: "saveQuestion"
    modal: true
    focus: true
    closePolicy: Popup.CloseOnEscape
    anchors.centerIn: Overlay.overlay
    width: 420
    padding: 22

    function ask(kind, code) {
        popup.kind = kind
        popup.code = code
        confirmOnly = kind === "sweep" && device !== null && !device.edited
        open()
    }

    // The keys reach the question whatever had the focus before.
    onOpened: saveButton.forceActiveFocus()

    function answer(choice) {
        close()
        if (!device)
            return
        if (kind === "revert") {
            if (choice === "discard")
                device.revert()
            return
        }
        device.answerQuestion(kind, code, choice)
    }
    readonly property bool reverting: kind === "revert"

    background: Rectangle {
        radius: Theme.radius + 2
        color: Theme.card
        border.width: 1
        border.color: Theme.cardBorder
    }

    Overlay.modal: Rectangle { color: "#99000000" }

    contentItem: ColumnLayout {
        spacing: 14

        // Enter gives the highlighted answer (Save, or Read all).
        Keys.onReturnPressed: saveButton.clicked()
        Keys.onEnterPressed: saveButton.clicked()

        Text {
            objectName: "questionTitle"
            // the width of the box, on two lines where the preset's name needs them
            Layout.fillWidth: true
            Layout.preferredWidth: 1
            wrapMode: Text.WordWrap
            // the preset named in its long form where the device has told it
            readonly property string preset: popup.device !== null && popup.device.identified
                                             && popup.device.bank >= 0 && popup.device.preset >= 0
                                             ? _presetNames.longName(popup.device.bank, popup.device.preset)
                                             : "this preset"
            text: popup.confirmOnly ? "Read every preset?"
                  : popup.reverting ? "Throw away the changes to " + preset + "?"
                  : popup.kind === "quit" ? "Save changes to " + preset + " before quitting?"
                  : "Save changes to " + preset + "?"
            color: Theme.text
            font.family: Theme.fontFamily
            font.pixelSize: 17
            font.bold: true
        }
        Text {
            Layout.fillWidth: true
            Layout.preferredWidth: 1
            text: popup.kind === "sweep"
                  ? "Reading all presets steps the device through every preset, so its sound "
                    + "changes while it runs; at the end it returns to this preset."
                    + (popup.confirmOnly ? ""
                       : " The changes of the current preset are lost unless you save them first.")
                  : popup.reverting
                  ? "The preset goes back to what the device stores, and its changes are lost. "
                    + "Save first to keep them."
                  : popup.kind === "quit"
                  ? "The current preset has changes that are not stored on the device. "
                    + "Discard sends the device back to the stored preset before quitting."
                  : "The current preset has changes that are not stored on the device. "
                    + "They are lost if you leave it without saving."
            wrapMode: Text.WordWrap
            color: Theme.textDim
            font.family: Theme.fontFamily
            font.pixelSize: Theme.fontBase
        }
        RowLayout {
            Layout.fillWidth: true
            Layout.topMargin: 6
            spacing: 8
            Item { Layout.fillWidth: true }
            PanelButton {
                objectName: "questionCancel"
                text: "Cancel"
                onClicked: popup.answer("cancel")
            }
            PanelButton {
                objectName: "questionDiscard"
                visible: !popup.confirmOnly && !popup.reverting
                text: popup.kind === "quit" ? "Discard" : "Don't save"
                onClicked: popup.answer("discard")
            }
            PanelButton {
                id: saveButton
                objectName: "questionSave"
                text: popup.confirmOnly ? "Read all" : popup.reverting ? "Revert" : "Save"
                primary: true
                focus: true
                // the go-ahead reads (or reverts) without saving
                onClicked: popup.answer(popup.confirmOnly || popup.reverting ? "discard" : "save")
            }
        }
    }
}

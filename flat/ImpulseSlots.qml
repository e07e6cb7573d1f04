// The device's impulse slots: slot n is preset n's. Each shows the name the
// device reports (or "empty") and its flag in words; the current preset's
// slot is marked, and a click goes to that preset.
import QtQuick 2.15
import QtQuick.Controls 2.15
import "."

Item {
    id: view

    property var device: null
    readonly property var names: device ? device.slotNames : []
    readonly property var flags: device ? device.slotFlags : []
    readonly property int columns: Math.max(1, Math.floor((width - 14) / 220))
    readonly property int current: device && device.identified && device.bank >= 0 && device.preset >= 0
                                   ? device.presetNumber(device.bank, device.preset) : -1

    // The device marks each slot "01" when it reports an impulse in it and
    // "00" when the slot is empty ("*"); any other flag is not known.
    function flagWords(flag) {
        if (flag === "01")
            return "stored"
        if (flag === "00")
            return "none"
        return "unknown (" + flag + ")"
    }

    // The same as a sentence, for the tooltip.
    function flagSentence(flag) {
        if (flag === "01")
            return "The device reports an impulse stored in it."
        if (flag === "00")
            return "The device reports it empty."
        if (flag === "")
            return ""
        return "The device reports a state the panel does not know (" + flag + ")."
    }

    Text {
        visible: view.names.length === 0
        anchors.centerIn: parent
        text: "The device has not reported its impulse slots yet."
        color: Theme.textDim
        font.family: Theme.fontFamily
        font.pixelSize: Theme.fontBase
    }

    GridView {
        id: grid
        objectName: "slotGrid"
        anchors.fill: parent
        anchors.rightMargin: 14      // room for the scroll bar
        clip: true
        cellWidth: Math.floor(width / view.columns)
        cellHeight: 34
        model: view.names.length
        boundsBehavior: Flickable.StopAtBounds
        ScrollBar.vertical: PanelScrollBar {
            parent: grid.parent
            anchors.top: grid.top
            anchors.bottom: grid.bottom
            anchors.left: grid.right
        }

        delegate: AbstractButton {
            id: slot
            objectName: "slot_" + index
            readonly property string slotName: view.names[index]
            readonly property string flag: index < view.flags.length ? view.flags[index] : ""
            readonly property string flagText: view.flagWords(flag)
            readonly property bool empty: slotName === "empty" || slotName === ""
            readonly property bool current: index === view.current
            width: grid.cellWidth - 6
            height: grid.cellHeight - 4
            focusPolicy: Qt.NoFocus
            hoverEnabled: true
            enabled: view.device !== null && view.device.connected
            onClicked: view.device.jumpToNumber(index)
            readonly property string presetName: view.device
                                                 ? _presetNames.longNameOf(index, view.device.presetCount) : ""
            Accessible.role: Accessible.Button
            Accessible.name: "Slot " + index + ", " + presetName
            Accessible.description: slotTip.text

            PanelToolTip {
                id: slotTip
                visible: slot.hovered
                text: "Slot " + index + ", the impulse of " + slot.presetName + ": "
                      + (slot.empty ? "no impulse" : slot.slotName) + ". "
                      + view.flagSentence(slot.flag)
                      + (slot.current ? " The current preset." : " Click to go to this preset.")
            }

            background: Rectangle {
                radius: 5
                color: slot.current ? Qt.tint(Theme.card, Qt.rgba(0.94, 0.63, 0.19, 0.18))
                     : slot.hovered ? Theme.inset : Theme.card
                border.width: slot.current ? 2 : 1
                border.color: slot.current ? Theme.accent : Theme.cardBorder
            }

            contentItem: Item {
                Text {
                    id: slotNumber
                    x: 8
                    anchors.verticalCenter: parent.verticalCenter
                    width: 26
                    text: index
                    color: Theme.textFaint
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.fontSmall
                    font.bold: true
                }
                Text {
                    objectName: "slotName_" + index
                    anchors.left: slotNumber.right
                    anchors.right: flagText.left
                    anchors.rightMargin: 6
                    anchors.verticalCenter: parent.verticalCenter
                    text: slot.empty ? "empty" : slot.slotName
                    elide: Text.ElideRight
                    color: slot.empty ? Theme.textFaint : Theme.text
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.fontBase
                }
                Text {
                    id: flagText
                    objectName: "slotFlag_" + index
                    anchors.right: parent.right
                    anchors.rightMargin: 8
                    anchors.verticalCenter: parent.verticalCenter
                    text: slot.flagText
                    color: Theme.textDim
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.fontSmall
                }
            }
        }
    }
}

// Where the device is: bank and preset with their up/down steps, a jump to
// a preset by number, and whether the current preset has unsaved changes.
import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import "."

Card {
    id: card

    property var device: null
    readonly property bool usable: device !== null && device.connected
    // Nothing about a preset is shown before the device has answered.
    readonly property bool known: device !== null && device.identified

    title: "Preset"
    objectName: "presetCard"

    header: Rectangle {
        objectName: "editedBadge"
        readonly property bool edited: card.device !== null && card.device.edited
        visible: card.known
        width: badgeText.implicitWidth + 18
        height: 22
        radius: 11
        color: edited ? Theme.edited : "transparent"
        border.width: edited ? 0 : 1
        border.color: Theme.cardBorder
        Text {
            id: badgeText
            objectName: "editedText"
            anchors.centerIn: parent
            text: card.device !== null && card.device.saving ? "Saving…"
                : parent.edited ? "● Edited, not saved" : "Saved"
            color: parent.edited ? Theme.editedText : Theme.textDim
            font.family: Theme.fontFamily
            font.pixelSize: Theme.fontSmall
            font.bold: parent.edited
        }
    }

    RowLayout {
        Layout.fillWidth: true
        spacing: Theme.gap

        Repeater {
            model: [
                { caption: "BANK", isBank: true },
                { caption: "PRESET", isBank: false }
            ]
            delegate: ColumnLayout {
                id: column
                Layout.fillWidth: true
                spacing: 2
                readonly property int shown: !card.known ? -1
                    : (modelData.isBank ? card.device.bank : card.device.preset)

                Text {
                    text: modelData.caption
                    color: Theme.textDim
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.fontSmall
                    font.bold: true
                    Layout.alignment: Qt.AlignHCenter
                }

                RowLayout {
                    Layout.alignment: Qt.AlignHCenter
                    spacing: 6
                    PanelButton {
                        objectName: modelData.isBank ? "bankDown" : "presetDown"
                        device: card.device
                        text: "◀"
                        implicitWidth: 34
                        enabled: card.usable
                        hint: modelData.isBank ? "Previous bank" : "Previous preset (Page Down)"
                        Accessible.name: modelData.isBank ? "Previous bank" : "Previous preset"
                        onClicked: modelData.isBank ? card.device.stepBank(false)
                                                    : card.device.stepPreset(false)
                    }
                    Text {
                        objectName: modelData.isBank ? "bankNumber" : "presetNumber"
                        text: column.shown >= 0 ? String(column.shown) : "–"
                        Layout.preferredWidth: 48
                        horizontalAlignment: Text.AlignHCenter
                        color: card.usable ? Theme.text : Theme.textFaint
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.fontBig
                        font.bold: true
                    }
                    PanelButton {
                        objectName: modelData.isBank ? "bankUp" : "presetUp"
                        device: card.device
                        text: "▶"
                        implicitWidth: 34
                        enabled: card.usable
                        hint: modelData.isBank ? "Next bank" : "Next preset (Page Up)"
                        Accessible.name: modelData.isBank ? "Next bank" : "Next preset"
                        onClicked: modelData.isBank ? card.device.stepBank(true)
                                                    : card.device.stepPreset(true)
                    }
                }
            }
        }
    }

    // The jump to a preset typed in its short form ("2-3"): only places the
    // device has are taken; anything else is said under the box, and
    // nothing moves. A jump made empties the box, so it never shows a place
    // the panel has left.
    property string jumpError: ""
    readonly property string firstName: known ? _presetNames.shortName(0, 0) : ""
    readonly property string lastName: known ? _presetNames.shortName(device.bankCount - 1, device.presetCount - 1) : ""

    function jump() {
        if (!known)
            return
        var n = _presetNames.numberOf(number.text, device.bankCount, device.presetCount)
        if (n < 0) {
            jumpError = "Enter a preset from " + firstName + " to " + lastName + "."
            return
        }
        jumpError = ""
        number.text = ""
        device.jumpToNumber(n)
    }

    // A move made elsewhere leaves no old number in the box (unless the
    // user is typing in it).
    readonly property string place: known ? _presetNames.shortName(device.bank, device.preset) : ""
    onPlaceChanged: {
        if (!number.activeFocus) {
            number.text = ""
            jumpError = ""
        }
    }

    RowLayout {
        Layout.fillWidth: true
        Layout.topMargin: 10
        spacing: 8

        Text {
            text: "Go to preset"
            color: Theme.textDim
            font.family: Theme.fontFamily
            font.pixelSize: Theme.fontBase
        }

        TextField {
            id: number
            objectName: "jumpNumber"
            Layout.fillWidth: true
            implicitHeight: 32
            enabled: card.usable
            placeholderText: card.known ? card.firstName + " to " + card.lastName : ""
            Accessible.name: "Go to preset"
            Accessible.description: card.jumpError !== "" ? card.jumpError
                                    : card.known ? "bank and preset, " + card.firstName + " to " + card.lastName : ""
            placeholderTextColor: Theme.textFaint
            color: Theme.text
            font.family: Theme.fontFamily
            font.pixelSize: Theme.fontBase
            selectByMouse: true
            inputMethodHints: Qt.ImhDigitsOnly
            background: Rectangle {
                radius: 6
                color: Theme.inset
                border.width: number.activeFocus || card.jumpError !== "" ? 2 : 1
                border.color: card.jumpError !== "" ? Theme.error
                            : number.activeFocus ? Theme.accent : Theme.cardBorder
            }
            onTextEdited: card.jumpError = ""
            onAccepted: card.jump()
        }

        PanelButton {
            id: go
            objectName: "jumpGo"
            device: card.device
            text: "Go"
            Accessible.name: "Go to the preset typed"
            implicitWidth: 52
            enabled: card.usable && card.known && number.text.trim() !== ""
            onClicked: card.jump()
        }
    }

    // One line kept for the message, so that it pushes nothing down.
    Item {
        Layout.fillWidth: true
        Layout.preferredHeight: jumpErrorText.implicitHeight
        Text {
            id: jumpErrorText
            objectName: "jumpError"
            width: parent.width
            visible: card.jumpError !== ""
            text: card.jumpError
            elide: Text.ElideRight
            color: Theme.error
            font.family: Theme.fontFamily
            font.pixelSize: Theme.fontSmall
        }
    }
}

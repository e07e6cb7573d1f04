// The cabinet impulse of the current preset: its name, loading a WAV file
// (dialog or drop), reverting a loaded but unsaved impulse, and the cabinet
// on/off switch. Its background takes the colour chosen in the settings.
import QtQuick 2.15
import QtQuick.Layouts 1.15
import "."

Card {
    id: card

    property var device: null
    readonly property bool usable: device !== null && device.connected
    readonly property string name: device ? device.impulseName : ""
    readonly property bool hasImpulse: name !== "" && name !== "empty"

    signal loadRequested()

    title: "Impulse"
    objectName: "impulseCard"
    color: device ? Qt.tint(Theme.card, Qt.rgba(device.impulseColor.r, device.impulseColor.g,
                                                 device.impulseColor.b, 0.18))
                  : Theme.card

    header: ParamSwitch {
        device: card.device
        name: "cabinet_enable"
        label: "Cabinet"
    }

    Text {
        objectName: "impulseName"
        Layout.fillWidth: true
        text: card.hasImpulse ? card.name : "No impulse"
        color: card.hasImpulse ? Theme.text : Theme.textFaint
        font.family: Theme.fontFamily
        font.pixelSize: 17
        font.bold: card.hasImpulse
        elide: Text.ElideMiddle
    }

    RowLayout {
        Layout.fillWidth: true
        Layout.topMargin: 8
        spacing: 8

        PanelButton {
            objectName: "loadWavButton"
            device: card.device
            Layout.fillWidth: true
            text: "Load WAV…"
            primary: true
            enabled: card.usable
            hint: "48 kHz, 24-bit, mono WAV files"
            onClicked: card.loadRequested()
        }
        PanelButton {
            objectName: "revertImpulseButton"
            device: card.device
            Layout.fillWidth: true
            text: "Revert impulse"
            enabled: card.usable
            hint: "Go back to the impulse stored with the preset"
            onClicked: card.device.revertImpulse()
        }
    }

    Text {
        Layout.fillWidth: true
        Layout.preferredWidth: 1
        Layout.topMargin: 6
        text: "Or drop a .wav file anywhere on the window."
        color: Theme.textDim
        font.family: Theme.fontFamily
        font.pixelSize: Theme.fontSmall
        wrapMode: Text.WordWrap
    }
}

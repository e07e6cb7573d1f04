// The cabinet impulse of the current preset: its name, loading an audio file
// (dialog or drop), reverting a loaded but unsaved impulse, and the cabinet
// on/off switch. For a file loaded here it shows what the device plays: the
// source format, how much of a long file was kept, and below the buttons
// (which stay in reach without scrolling) the waveform and the response.
// Its background takes the colour chosen in the settings.
import QtQuick 2.15
import QtQuick.Layouts 1.15
import "."

Card {
    id: card

    property var device: null
    readonly property bool usable: device !== null && device.connected
    readonly property string name: device ? device.impulseName : ""
    readonly property bool hasImpulse: name !== "" && name !== "empty"
    // The impulse files back end; its current impulse is the one loaded here.
    readonly property var impulses: device ? device.impulses : null
    readonly property bool showsFile: impulses !== null && impulses.hasCurrent

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

    Text {
        objectName: "impulseSource"
        visible: card.showsFile
        Layout.fillWidth: true
        text: card.showsFile ? card.impulses.sourceText : ""
        color: Theme.textDim
        font.family: Theme.fontFamily
        font.pixelSize: Theme.fontSmall
        elide: Text.ElideRight
    }

    Text {
        objectName: "impulseKept"
        visible: card.showsFile && card.impulses.keptText !== ""
        Layout.fillWidth: true
        // Two lines at most, of a height fixed beforehand: a text that
        // wrapped to its width would make the card's height depend on its
        // own layout.
        Layout.preferredWidth: 1
        Layout.preferredHeight: 2 * smallLine.height
        maximumLineCount: 2
        elide: Text.ElideRight
        text: card.showsFile && card.impulses.keptText !== ""
              ? card.impulses.keptText.charAt(0).toUpperCase() + card.impulses.keptText.substring(1)
                + ": the device holds no more"
              : ""
        color: Theme.edited
        font.family: Theme.fontFamily
        font.pixelSize: Theme.fontSmall
        wrapMode: Text.WordWrap
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
            hint: "WAV, AIFF, FLAC and other audio files; converted for the device when needed"
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
        text: "Or drop an audio file on the window."
        color: Theme.textDim
        font.family: Theme.fontFamily
        font.pixelSize: Theme.fontSmall
        elide: Text.ElideRight
    }

    FontMetrics {
        id: smallLine
        font.family: Theme.fontFamily
        font.pixelSize: Theme.fontSmall
    }

    ImpulseGraph {
        objectName: "impulseGraph"
        visible: card.showsFile
        Layout.fillWidth: true
        Layout.topMargin: 8
        waveform: card.showsFile ? card.impulses.waveform : []
        response: card.showsFile ? card.impulses.response : []
        frequencies: card.impulses ? card.impulses.responseFrequencies : []
        peakDb: card.showsFile ? card.impulses.peakDb : -150
    }
}

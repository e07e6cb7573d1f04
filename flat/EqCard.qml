// The five-band parametric equaliser: on/off and pre/post position, then one
// column per band with its gain (in dB around a centre mark), frequency and
// Q. The faders grow with the window.
import QtQuick 2.15
import QtQuick.Layouts 1.15
import "."

Card {
    id: card

    property var device: null

    title: device && device.parameters ? device.parameters.group("eq").title : ""
    objectName: "card_eq"
    active: onSwitch.isOn
    lit: onSwitch.isOn
    stretch: true

    header: ParamSwitch {
        id: onSwitch
        device: card.device
        name: "eq_on"
    }

    ParamChoice {
        Layout.fillWidth: true
        device: card.device
        name: "eq_pre"
    }

    // Five bands in a row; in a narrow window they wrap rather than squeeze
    // their faders and values.
    GridLayout {
        id: bands
        Layout.fillWidth: true
        Layout.fillHeight: true
        Layout.topMargin: 6
        // from the card's width, which no layout inside sets
        columns: Math.min(5, Math.max(1, Math.floor((card.width - 2 * Theme.pad + columnSpacing)
                                                    / (110 + columnSpacing))))
        columnSpacing: 6
        rowSpacing: 6

        Repeater {
            model: 5
            delegate: Rectangle {
                id: bandBox
                objectName: "eqBand" + band
                readonly property int band: index + 1
                Layout.fillWidth: true
                Layout.fillHeight: true
                Layout.minimumHeight: 214
                radius: 6
                color: Theme.inset
                border.width: 1
                border.color: Theme.cardBorder

                Text {
                    id: bandTitle
                    text: "Band " + bandBox.band
                    x: 8
                    y: 6
                    color: Theme.textDim
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.fontSmall
                    font.bold: true
                }

                Row {
                    id: faders
                    anchors.top: bandTitle.bottom
                    anchors.topMargin: 6
                    anchors.bottom: parent.bottom
                    anchors.bottomMargin: 6
                    anchors.horizontalCenter: parent.horizontalCenter
                    spacing: 2
                    // The gain's column is the widest: its value reads "+12.0 dB".
                    readonly property real room: bandBox.width - 8 - 2 * spacing
                    readonly property real gainWidth: Math.min(64, Math.max(40, room * 0.42))
                    readonly property real shiftWidth: Math.min(44, (room - gainWidth) / 2)

                    Repeater {
                        model: ["eq_volume", "eq_freq", "eq_q"]
                        delegate: ParamSlider {
                            vertical: true
                            width: index === 0 ? faders.gainWidth : faders.shiftWidth
                            height: faders.height
                            device: card.device
                            name: modelData + bandBox.band
                        }
                    }
                }
            }
        }
    }

    Text {
        objectName: "eqLegend"
        Layout.fillWidth: true
        Layout.topMargin: 6
        // two fixed lines: a wrapping text would make the card's height
        // depend on its own layout
        text: "Gain in dB, 0 dB at the centre mark. Freq and Q: steps from the band's own\n"
              + "setting, + higher or narrower, − lower or wider (hover a fader for details)."
        elide: Text.ElideRight
        color: Theme.textDim
        font.family: Theme.fontFamily
        font.pixelSize: Theme.fontSmall
    }
}

// The five-band parametric equaliser: on/off and pre/post position, then one
// column per band with its gain, frequency and Q.
import QtQuick 2.15
import QtQuick.Layouts 1.15
import "."

Card {
    id: card

    property var device: null

    title: Params.group("eq").title
    objectName: "card_eq"
    active: onSwitch.isOn
    lit: onSwitch.isOn

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

    RowLayout {
        Layout.fillWidth: true
        Layout.topMargin: 6
        spacing: 6

        Repeater {
            model: 5
            delegate: Rectangle {
                id: bandBox
                readonly property int band: index + 1
                Layout.fillWidth: true
                Layout.preferredHeight: 214
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
                    anchors.top: bandTitle.bottom
                    anchors.topMargin: 6
                    anchors.bottom: parent.bottom
                    anchors.bottomMargin: 6
                    anchors.horizontalCenter: parent.horizontalCenter
                    spacing: 2

                    Repeater {
                        model: ["eq_volume", "eq_freq", "eq_q"]
                        delegate: ParamSlider {
                            vertical: true
                            width: 36
                            height: parent.height
                            device: card.device
                            name: modelData + bandBox.band
                        }
                    }
                }
            }
        }
    }
}

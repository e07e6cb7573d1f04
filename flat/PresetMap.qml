// All presets of the device as a grid, banks down and presets across, filled
// while "Read all presets" runs (and whenever a preset is read). Each cell
// shows its preset's short name ("2-3"); clicking a cell goes to that preset.
import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import "."

Item {
    id: view

    property var device: null
    readonly property int banks: device ? device.bankCount : 10
    readonly property int presets: device ? device.presetCount : 10
    readonly property int gutter: 30
    // Cells fill the page up to a comfortable size (a 4 × 4 map stays compact).
    readonly property real cellW: Math.min(170, Math.floor((width - gutter - (presets - 1) * 4) / presets))
    readonly property real cellH: Math.max(40, Math.min(cellW * 0.8, 84,
                                       Math.floor((height - 26 - (banks - 1) * 4) / banks)))

    // column captions: preset numbers
    Row {
        x: view.gutter
        spacing: 4
        Repeater {
            model: view.presets
            Text {
                width: view.cellW
                height: 22
                text: index
                horizontalAlignment: Text.AlignHCenter
                color: Theme.textDim
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontSmall
                font.bold: true
            }
        }
    }

    // row captions: bank numbers
    Column {
        y: 26
        spacing: 4
        Repeater {
            model: view.banks
            Text {
                width: view.gutter - 4
                height: view.cellH
                text: index
                verticalAlignment: Text.AlignVCenter
                color: Theme.textDim
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontSmall
                font.bold: true
            }
        }
    }

    Grid {
        objectName: "mapGrid"
        x: view.gutter
        y: 26
        columns: view.presets
        spacing: 4

        Repeater {
            model: view.device ? view.device.map : null
            delegate: AbstractButton {
                id: cell
                objectName: "mapCell_" + model.bank + "_" + model.preset
                readonly property string shortName: _presetNames.shortName(model.bank, model.preset)
                readonly property bool current: view.device.bank === model.bank
                                                && view.device.preset === model.preset
                width: view.cellW
                height: view.cellH
                focusPolicy: Qt.NoFocus
                enabled: view.device.connected
                hoverEnabled: true
                onClicked: view.device.jumpTo(model.bank, model.preset)
                Accessible.role: Accessible.Button
                Accessible.name: _presetNames.longName(model.bank, model.preset)
                Accessible.description: cellTip.text

                // the whole impulse name, which the cell may have to cut
                PanelToolTip {
                    id: cellTip
                    visible: cell.hovered && (model.known || model.impulse !== "")
                    text: _presetNames.longName(model.bank, model.preset) + ": "
                          + (model.impulse !== "" && model.impulse !== "empty" ? model.impulse : "no impulse")
                          + (model.known ? ", master " + model.master : "")
                }

                background: Rectangle {
                    radius: 5
                    color: cell.current ? Qt.tint(Theme.card, Qt.rgba(0.94, 0.63, 0.19, 0.18))
                         : cell.hovered ? Theme.inset : Theme.card
                    border.width: cell.current ? 2 : 1
                    border.color: cell.current ? Theme.accent : Theme.cardBorder
                    opacity: model.known || model.impulse !== "" ? 1 : 0.55
                }

                contentItem: Item {
                    Text {
                        objectName: "mapTileName_" + model.bank + "_" + model.preset
                        x: 6
                        y: 3
                        text: cell.shortName
                        color: Theme.textDim
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.fontSmall
                        font.bold: true
                    }
                    // modules switched on: preamp, power amp, compressor, gate, EQ
                    Row {
                        anchors.right: parent.right
                        anchors.rightMargin: 6
                        y: 7
                        spacing: 2
                        // beside the preset's name only where the cell has room for both
                        visible: model.known && view.cellW >= 64
                        Repeater {
                            model: 5
                            Rectangle {
                                width: 4
                                height: 4
                                radius: 2
                                color: (cell.modulesMask & (1 << index)) !== 0 ? Theme.on : Theme.off
                            }
                        }
                    }
                    Text {
                        x: 6
                        y: 17
                        width: parent.width - 12
                        // two lines where the cell is tall enough
                        maximumLineCount: view.cellH >= 56 ? 2 : 1
                        wrapMode: Text.WrapAtWordBoundaryOrAnywhere
                        lineHeight: 0.95
                        text: model.impulse === "" ? (model.known ? "" : "–")
                            : model.impulse === "empty" ? "no impulse" : model.impulse
                        elide: Text.ElideRight
                        color: model.impulse === "empty" ? Theme.textFaint : Theme.text
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.fontSmall
                    }
                    // master level
                    Rectangle {
                        visible: model.known
                        x: 6
                        width: parent.width - 12
                        height: 3
                        radius: 1.5
                        anchors.bottom: parent.bottom
                        anchors.bottomMargin: 5
                        color: Theme.groove
                        Rectangle {
                            height: parent.height
                            radius: 1.5
                            width: parent.width * Math.max(0, Math.min(1, model.master / 100))
                            color: model.cabinet ? Theme.accent : Theme.textFaint
                        }
                    }
                }
                readonly property int modulesMask: model.modules
            }
        }
    }
}

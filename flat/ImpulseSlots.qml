// The device's impulse slots: the names it reports (or "empty") with each
// slot's two-character flag.
import QtQuick 2.15
import QtQuick.Controls 2.15
import "."

Item {
    id: view

    property var device: null
    readonly property var names: device ? device.slotNames : []
    readonly property var flags: device ? device.slotFlags : []
    readonly property int columns: Math.max(1, Math.floor(width / 220))

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
        clip: true
        cellWidth: Math.floor(width / view.columns)
        cellHeight: 34
        model: view.names.length
        boundsBehavior: Flickable.StopAtBounds
        ScrollBar.vertical: ScrollBar {}

        delegate: Rectangle {
            readonly property string slotName: view.names[index]
            readonly property string flag: index < view.flags.length ? view.flags[index] : ""
            readonly property bool empty: slotName === "empty" || slotName === ""
            width: grid.cellWidth - 6
            height: grid.cellHeight - 4
            radius: 5
            color: Theme.card
            border.width: 1
            border.color: Theme.cardBorder

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
                anchors.left: slotNumber.right
                anchors.right: flagText.left
                anchors.rightMargin: 6
                anchors.verticalCenter: parent.verticalCenter
                text: parent.empty ? "empty" : parent.slotName
                elide: Text.ElideRight
                color: parent.empty ? Theme.textFaint : Theme.text
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontBase
            }
            Text {
                id: flagText
                anchors.right: parent.right
                anchors.rightMargin: 8
                anchors.verticalCenter: parent.verticalCenter
                text: parent.flag
                color: Theme.textDim
                font.family: "DejaVu Sans Mono"
                font.pixelSize: Theme.fontSmall
            }
        }
    }
}

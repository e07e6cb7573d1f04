// A tooltip in the panel's colours.
import QtQuick 2.15
import QtQuick.Controls 2.15
import "."

ToolTip {
    id: tip

    delay: 600
    font.family: Theme.fontFamily
    font.pixelSize: Theme.fontSmall
    padding: 7

    contentItem: Text {
        text: tip.text
        font: tip.font
        color: Theme.text
        wrapMode: Text.WordWrap
    }

    background: Rectangle {
        color: Theme.header
        radius: 5
        border.width: 1
        border.color: Theme.cardBorder
    }
}

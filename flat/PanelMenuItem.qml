// An entry of the settings menu: readable in both skins, with a tick for
// entries that are switched on.
import QtQuick 2.15
import QtQuick.Controls 2.15
import "."

MenuItem {
    id: item

    implicitHeight: 34
    font.family: Theme.fontFamily
    font.pixelSize: Theme.fontBase
    leftPadding: 34
    // its action, without the shortcut after the tab
    Accessible.name: text.split("\t")[0]

    indicator: Text {
        x: 12
        anchors.verticalCenter: parent.verticalCenter
        visible: item.checkable
        text: item.checked ? "✓" : ""
        color: Theme.on
        font.pixelSize: Theme.fontTitle
        font.bold: true
    }

    contentItem: Text {
        text: item.text
        font: item.font
        color: item.enabled ? Theme.text : Theme.textFaint
        verticalAlignment: Text.AlignVCenter
        elide: Text.ElideRight
    }

    background: Rectangle {
        color: item.highlighted ? Theme.inset : "transparent"
    }
}

// A scroll bar that shows whenever there is more than fits (not only while
// scrolling), in the panel's colours.
import QtQuick 2.15
import QtQuick.Controls 2.15
import "."

ScrollBar {
    id: bar

    policy: size < 1.0 ? ScrollBar.AlwaysOn : ScrollBar.AlwaysOff
    minimumSize: 0.08
    padding: 2

    contentItem: Rectangle {
        implicitWidth: 8
        implicitHeight: 8
        radius: 4
        color: bar.pressed ? Theme.accent : bar.hovered ? Theme.textFaint : Theme.groove
    }

    background: Rectangle {
        implicitWidth: 12
        implicitHeight: 12
        radius: 6
        color: Theme.inset
    }
}

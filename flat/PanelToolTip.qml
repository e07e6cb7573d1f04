// A tooltip in the panel's colours, shown a moment after `visible` turns
// true. It sits below its control, or above it where below would cover one
// of the control's neighbours, and it takes no mouse input: whatever it
// covers stays clickable.
import QtQuick 2.15
import QtQuick.Controls 2.15
import "."

Item {
    id: tip

    property string text: ""
    property int delay: 600
    readonly property bool shown: bubbleLoader.item !== null && bubbleLoader.item.visible

    width: 0
    height: 0

    Timer {
        id: pause
        interval: tip.delay
        onTriggered: {
            if (bubbleLoader.item)
                bubbleLoader.item.place()
        }
    }

    onVisibleChanged: {
        if (visible && text !== "")
            pause.restart()
        else
            pause.stop()
    }
    onTextChanged: {
        if (bubbleLoader.item && bubbleLoader.item.visible)
            bubbleLoader.item.place()
    }

    // Made while the tooltip may show, in the window's overlay (above
    // everything, outside any card).
    Loader {
        id: bubbleLoader
        parent: tip.Overlay.overlay
        active: tip.visible && tip.text !== ""
        z: 1000
        sourceComponent: Rectangle {
            id: bubble
            objectName: "toolTip"
            visible: false
            width: Math.min(label.implicitWidth, 300) + 16
            height: label.implicitHeight + 12
            color: Theme.header
            radius: 5
            border.width: 1
            border.color: Theme.cardBorder

            Text {
                id: label
                x: 8
                y: 6
                width: Math.min(implicitWidth, 300)
                text: tip.text
                wrapMode: Text.WordWrap
                color: Theme.text
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontSmall
            }

            function overlaps(x, y, item) {
                if (!item.visible || item.width <= 0 || item.height <= 0)
                    return false
                var r = item.mapToItem(bubbleLoader.parent, 0, 0)
                return x < r.x + item.width && r.x < x + width && y < r.y + item.height && r.y < y + height
            }

            function place() {
                var area = bubbleLoader.parent
                var control = tip.parent
                if (!area || !control)
                    return
                var c = control.mapToItem(area, 0, 0)
                var x = Math.max(4, Math.min(area.width - width - 4, c.x + (control.width - width) / 2))
                var below = c.y + control.height + 6
                var above = c.y - height - 6
                var neighbours = control.parent ? control.parent.children : []
                var y = below
                for (var i = 0; i < neighbours.length; ++i) {
                    if (neighbours[i] !== control && overlaps(x, below, neighbours[i])) {
                        y = above >= 4 ? above : below
                        break
                    }
                }
                bubble.x = x
                bubble.y = Math.max(4, Math.min(area.height - height - 4, y))
                visible = true
            }
        }
    }
}

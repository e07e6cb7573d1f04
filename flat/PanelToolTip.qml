// A tooltip in the panel's colours, shown a moment after `visible` turns
// true. It sits below its control, or above, right or left of it, or a little
// further down or up, wherever it hides no control the user may click next
// (nor an item beside its own), and it takes no mouse input: whatever it
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

            // Something the user may press, type in or drag next.
            function interactive(item) {
                if (item.activeFocusOnTab === true)
                    return true
                if (item.focusPolicy !== undefined && item.focusPolicy !== Qt.NoFocus)
                    return true
                return typeof item.clicked === "function" && item.checkable !== undefined
            }

            // Where the visible controls of the window lie (but the
            // tooltip's own), and the items beside it in its row.
            function obstacles(control) {
                var area = bubbleLoader.parent
                var items = []
                var siblings = control.parent ? control.parent.children : []
                for (var s = 0; s < siblings.length; ++s)
                    if (siblings[s] !== control)
                        items.push(siblings[s])
                var stack = [area.parent]
                while (stack.length > 0) {
                    var item = stack.pop()
                    if (!item || !item.visible || item === area || item === control)
                        continue
                    if (interactive(item)) {
                        items.push(item)
                        continue
                    }
                    for (var i = 0; i < item.children.length; ++i)
                        stack.push(item.children[i])
                }
                var rects = []
                for (var k = 0; k < items.length; ++k) {
                    var it = items[k]
                    if (!it.visible || it.width <= 0 || it.height <= 0)
                        continue
                    var r = it.mapToItem(area, 0, 0)
                    rects.push({ x: r.x, y: r.y, w: it.width, h: it.height })
                }
                return rects
            }

            function hides(x, y, rects) {
                var n = 0
                for (var i = 0; i < rects.length; ++i) {
                    var r = rects[i]
                    if (x < r.x + r.w && r.x < x + width && y < r.y + r.h && r.y < y + height)
                        ++n
                }
                return n
            }

            // Below the control, else above, right or left of it; failing
            // those, the nearest place further down or up: the first that
            // hides nothing the user may click next, else the one of the
            // four beside it that hides least.
            function place() {
                var area = bubbleLoader.parent
                var control = tip.parent
                if (!area || !control)
                    return
                var c = control.mapToItem(area, 0, 0)
                var centreX = c.x + (control.width - width) / 2
                var centreY = c.y + (control.height - height) / 2
                var below = c.y + control.height + 6
                var above = c.y - height - 6
                var spots = [
                    { x: centreX, y: below },
                    { x: centreX, y: above },
                    { x: c.x + control.width + 6, y: centreY },
                    { x: c.x - width - 6, y: centreY }
                ]
                for (var d = 4; below + d < area.height || above - d > 0; d += 4) {
                    spots.push({ x: centreX, y: below + d })
                    spots.push({ x: centreX, y: above - d })
                }
                var rects = obstacles(control)
                var best = null
                var fewest = -1
                for (var k = 0; k < spots.length; ++k) {
                    var x = Math.max(4, Math.min(area.width - width - 4, spots[k].x))
                    var y = Math.max(4, Math.min(area.height - height - 4, spots[k].y))
                    // a place pushed over the control itself is no place
                    if (x < c.x + control.width && c.x < x + width && y < c.y + control.height
                            && c.y < y + height)
                        continue
                    var hidden = hides(x, y, rects)
                    if (hidden === 0) {
                        best = { x: x, y: y }
                        break
                    }
                    if (k < 4 && (best === null || hidden < fewest)) {
                        best = { x: x, y: y }
                        fewest = hidden
                    }
                }
                if (best === null)
                    best = { x: Math.max(4, Math.min(area.width - width - 4, centreX)),
                             y: Math.max(4, Math.min(area.height - height - 4, below)) }
                bubble.x = best.x
                bubble.y = best.y
                visible = true
            }
        }
    }
}

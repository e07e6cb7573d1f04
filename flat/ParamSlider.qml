// A parameter as a slider with its label and value. Horizontal rows for the
// modules; vertical for the equaliser bands. Signed ranges fill from zero.
import QtQuick 2.15
import QtQuick.Controls 2.15
import "."

ParamControl {
    id: control

    property bool vertical: false
    property string label: row ? row.label : name

    implicitWidth: vertical ? 56 : 280
    implicitHeight: vertical ? 180 : Theme.rowHeight

    Text {
        id: labelText
        text: control.label
        color: control.enabled ? Theme.textDim : Theme.textFaint
        font.family: Theme.fontFamily
        font.pixelSize: Theme.fontBase
        elide: Text.ElideRight
        width: control.vertical ? control.width : Theme.labelWidth
        horizontalAlignment: control.vertical ? Text.AlignHCenter : Text.AlignLeft
        anchors.left: parent.left
        anchors.top: control.vertical ? parent.top : undefined
        anchors.verticalCenter: control.vertical ? undefined : parent.verticalCenter
    }

    Text {
        id: valueLabel
        objectName: "value_" + control.name
        text: control.valueText
        color: control.enabled ? Theme.text : Theme.textFaint
        font.family: Theme.fontFamily
        font.pixelSize: Theme.fontBase
        font.bold: true
        width: control.vertical ? control.width : Theme.valueWidth
        horizontalAlignment: control.vertical ? Text.AlignHCenter : Text.AlignRight
        anchors.right: parent.right
        anchors.bottom: control.vertical ? parent.bottom : undefined
        anchors.verticalCenter: control.vertical ? undefined : parent.verticalCenter
    }

    Slider {
        id: slider
        objectName: "slider_" + control.name
        focus: true
        orientation: control.vertical ? Qt.Vertical : Qt.Horizontal
        from: control.row ? control.row.min : 0
        to: control.row ? control.row.max : 1
        stepSize: 1
        snapMode: Slider.SnapAlways
        value: control.value
        padding: 0
        anchors.left: control.vertical ? parent.left : labelText.right
        anchors.right: control.vertical ? parent.right : valueLabel.left
        anchors.leftMargin: control.vertical ? 0 : 6
        anchors.rightMargin: control.vertical ? 0 : 8
        anchors.top: control.vertical ? labelText.bottom : parent.top
        anchors.bottom: control.vertical ? valueLabel.top : parent.bottom
        anchors.topMargin: control.vertical ? 8 : 0
        anchors.bottomMargin: control.vertical ? 8 : 0

        onMoved: control.userSet(value)

        Keys.onTabPressed: control.tabKey(event, false)
        Keys.onBacktabPressed: control.tabKey(event, true)

        // Where the fill starts: zero for signed ranges, the minimum otherwise.
        readonly property real origin: from < 0 && to > 0 ? (0 - from) / (to - from) : 0

        background: Item {
            x: slider.leftPadding
            y: slider.topPadding
            width: slider.availableWidth
            height: slider.availableHeight

            Rectangle {
                id: groove
                readonly property int thickness: 4
                // inset by half a handle, so the fill ends under the handle's centre
                readonly property int inset: 8
                x: slider.horizontal ? inset : (parent.width - thickness) / 2
                y: slider.horizontal ? (parent.height - thickness) / 2 : inset
                width: slider.horizontal ? parent.width - 2 * inset : thickness
                height: slider.horizontal ? thickness : parent.height - 2 * inset
                radius: 2
                color: Theme.groove

                Rectangle {
                    // origin and position as fractions along the groove
                    readonly property real o: slider.horizontal ? slider.origin : 1 - slider.origin
                    readonly property real a: Math.min(o, slider.visualPosition)
                    readonly property real b: Math.max(o, slider.visualPosition)
                    x: slider.horizontal ? a * parent.width : 0
                    y: slider.horizontal ? 0 : a * parent.height
                    width: slider.horizontal ? (b - a) * parent.width : parent.width
                    height: slider.horizontal ? parent.height : (b - a) * parent.height
                    radius: 2
                    color: control.enabled ? Theme.accent : Theme.off
                }

                // zero mark of a signed range
                Rectangle {
                    visible: slider.origin > 0
                    color: Theme.textFaint
                    width: slider.horizontal ? 2 : 10
                    height: slider.horizontal ? 10 : 2
                    x: slider.horizontal ? slider.origin * parent.width - 1 : (parent.width - width) / 2
                    y: slider.horizontal ? (parent.height - height) / 2 : (1 - slider.origin) * parent.height - 1
                }
            }
        }

        handle: Rectangle {
            readonly property int size: 16
            x: slider.leftPadding + (slider.horizontal ? slider.visualPosition * (slider.availableWidth - size)
                                                       : (slider.availableWidth - size) / 2)
            y: slider.topPadding + (slider.horizontal ? (slider.availableHeight - size) / 2
                                                      : slider.visualPosition * (slider.availableHeight - size))
            width: size
            height: size
            radius: size / 2
            color: !control.enabled ? Theme.off : (slider.pressed ? Qt.lighter(Theme.accent, 1.2) : Theme.card)
            border.width: slider.activeFocus ? 3 : 2
            border.color: control.enabled ? (slider.activeFocus ? Theme.text : Theme.accent) : Theme.off
        }
    }
}

// A parameter with a few named positions (types, pre/post, mode) as a row of
// segments. Click a segment, or use the arrow keys when it has the focus.
import QtQuick 2.15
import QtQuick.Controls 2.15
import "."

ParamControl {
    id: control

    property string label: row ? row.label : name
    readonly property var choices: row && row.choices ? row.choices : []

    implicitWidth: Theme.labelWidth + segments.implicitWidth
    implicitHeight: Theme.rowHeight

    Text {
        id: labelText
        text: control.label
        width: Theme.labelWidth
        anchors.left: parent.left
        anchors.verticalCenter: parent.verticalCenter
        color: control.enabled ? Theme.textDim : Theme.textFaint
        font.family: Theme.fontFamily
        font.pixelSize: Theme.fontBase
        elide: Text.ElideRight
    }

    FocusScope {
        id: segments
        focus: true
        anchors.left: labelText.right
        anchors.leftMargin: 6
        anchors.verticalCenter: parent.verticalCenter
        implicitWidth: rowOfSegments.implicitWidth
        height: 26
        activeFocusOnTab: true
        objectName: "choice_" + control.name

        Keys.onLeftPressed: control.userSet(control.value - 1)
        Keys.onRightPressed: control.userSet(control.value + 1)
        Keys.onTabPressed: control.tabKey(event, false)
        Keys.onBacktabPressed: control.tabKey(event, true)

        Rectangle {
            anchors.fill: parent
            anchors.margins: -2
            radius: 7
            color: "transparent"
            border.width: segments.activeFocus ? 2 : 0
            border.color: Theme.accent
        }

        Row {
            id: rowOfSegments
            spacing: 2
            Repeater {
                model: control.choices
                delegate: AbstractButton {
                    id: segment
                    objectName: "choice_" + control.name + "_" + index
                    readonly property bool selected: control.value === index
                    focusPolicy: Qt.NoFocus
                    implicitWidth: Math.max(34, caption.implicitWidth + 20)
                    implicitHeight: 26
                    onClicked: {
                        segments.forceActiveFocus()
                        control.userSet(index)
                    }
                    background: Rectangle {
                        radius: 5
                        color: segment.selected ? (control.enabled ? Theme.accent : Theme.off)
                                                : (segment.hovered ? Theme.groove : Theme.inset)
                        border.width: 1
                        border.color: segment.selected ? "transparent" : Theme.cardBorder
                    }
                    contentItem: Text {
                        id: caption
                        text: modelData
                        horizontalAlignment: Text.AlignHCenter
                        verticalAlignment: Text.AlignVCenter
                        color: segment.selected ? Theme.accentText
                                                : (control.enabled ? Theme.text : Theme.textFaint)
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.fontBase
                        font.bold: segment.selected
                    }
                }
            }
        }
    }
}

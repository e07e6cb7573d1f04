// A parameter with a few named positions (types, pre/post, mode) as a row of
// segments. Click a segment, or use the arrow keys when it has the focus.
import QtQuick 2.15
import QtQuick.Controls 2.15
import "."

ParamControl {
    id: control

    property string label: fact ? fact.label : name
    readonly property var choices: fact ? fact.choices : []

    // As narrow as the card may get: the segments share what room there is.
    implicitWidth: Theme.labelWidth + 6 + choices.length * 36
    implicitHeight: Theme.rowHeight

    // Segments of one width, the longest name's; where the card has less
    // room they share it and drop the label's word ("Type 3" becomes "3").
    readonly property real room: width - Theme.labelWidth - 6
    readonly property real fullSegment: Math.max(34, longest.width + 20)
    readonly property bool compact: choices.length * fullSegment + (choices.length - 1) * 2 > room
    readonly property real segmentWidth: compact ? Math.max(28, (room - (choices.length - 1) * 2) / choices.length)
                                                 : fullSegment
    function caption(choice) {
        return compact && choice.indexOf(label + " ") === 0 ? choice.substring(label.length + 1) : choice
    }
    TextMetrics {
        id: longest
        font.family: Theme.fontFamily
        font.pixelSize: Theme.fontBase
        font.bold: true
        text: {
            var t = ""
            for (var i = 0; i < control.choices.length; ++i)
                if (control.choices[i].length > t.length)
                    t = control.choices[i]
            return t
        }
    }

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

        Accessible.role: Accessible.Grouping
        Accessible.name: control.accessibleName
        Accessible.description: control.spokenValue

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
                    Accessible.role: Accessible.RadioButton
                    Accessible.name: control.accessibleName + ": " + modelData
                    Accessible.checkable: true
                    Accessible.checked: selected
                    Accessible.onPressAction: clicked()
                    implicitWidth: control.segmentWidth
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
                        text: control.caption(modelData)
                        elide: Text.ElideRight
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

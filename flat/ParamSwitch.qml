// An on/off parameter: a switch with an unmistakable ON / OFF state.
// Click, Space, or the arrow keys (left off, right on) change it.
import QtQuick 2.15
import QtQuick.Controls 2.15
import "."

ParamControl {
    id: control

    property string label: ""
    readonly property bool isOn: value !== 0

    implicitWidth: button.implicitWidth
    implicitHeight: 28

    AbstractButton {
        id: button
        objectName: "switch_" + control.name
        focus: true
        anchors.fill: parent
        implicitWidth: content.implicitWidth + 8
        implicitHeight: 28
        padding: 0

        onClicked: control.userSet(control.isOn ? 0 : 1)

        Accessible.role: Accessible.CheckBox
        Accessible.name: control.label !== "" ? control.label : control.accessibleName
        Accessible.description: control.isOn ? "on" : "off"
        Accessible.checkable: true
        Accessible.checked: control.isOn
        Accessible.onToggleAction: control.userSet(control.isOn ? 0 : 1)
        Accessible.onPressAction: control.userSet(control.isOn ? 0 : 1)

        Keys.onLeftPressed: control.userSet(0)
        Keys.onRightPressed: control.userSet(1)
        Keys.onTabPressed: control.tabKey(event, false)
        Keys.onBacktabPressed: control.tabKey(event, true)

        background: Rectangle {
            radius: 6
            color: "transparent"
            border.width: button.visualFocus ? 2 : 0
            border.color: Theme.accent
        }

        contentItem: Item {
            Row {
                id: content
                anchors.centerIn: parent
                spacing: 8

                Text {
                    visible: control.label !== ""
                    text: control.label
                    anchors.verticalCenter: parent.verticalCenter
                    color: control.enabled ? Theme.textDim : Theme.textFaint
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.fontBase
                }

                Rectangle {
                    id: track
                    width: 38
                    height: 20
                    radius: 10
                    anchors.verticalCenter: parent.verticalCenter
                    color: control.isOn ? (control.enabled ? Theme.on : Qt.darker(Theme.on, 1.6)) : Theme.off
                    Behavior on color { ColorAnimation { duration: 120 } }

                    Rectangle {
                        width: 16
                        height: 16
                        radius: 8
                        y: 2
                        x: control.isOn ? parent.width - width - 2 : 2
                        color: control.enabled ? "#ffffff" : "#c8ccd4"
                        Behavior on x { NumberAnimation { duration: 120 } }
                    }
                }

                Text {
                    text: control.isOn ? "ON" : "OFF"
                    width: 28
                    anchors.verticalCenter: parent.verticalCenter
                    color: control.isOn ? (control.enabled ? Theme.on : Theme.textFaint) : Theme.textFaint
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.fontSmall
                    font.bold: true
                }
            }
        }
    }
}

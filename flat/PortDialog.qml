// Choosing the device's port: found by itself (by its USB identifiers), one
// of the serial ports the system lists, or any other port by its path (a
// link, a pseudo-terminal). The choice is opened at once and kept.
import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import "."

Popup {
    id: popup

    property var device: null
    readonly property var ports: device ? device.ports : null
    readonly property var available: ports ? ports.available : []
    // The path chosen in the dialog; "" finds the device by itself.
    property string selected: ""

    objectName: "portDialog"
    modal: true
    focus: true
    closePolicy: Popup.CloseOnEscape
    anchors.centerIn: Overlay.overlay
    width: 480
    padding: 22

    function show() {
        if (ports)
            ports.refresh()
        selected = ports ? ports.port : ""
        var listed = false
        for (var i = 0; i < available.length; ++i)
            if (available[i].path === selected)
                listed = true
        pathField.text = listed ? "" : selected
        open()
    }

    onOpened: useButton.forceActiveFocus()

    function accept() {
        close()
        if (device)
            device.choosePort(selected)
    }

    background: Rectangle {
        radius: Theme.radius + 2
        color: Theme.card
        border.width: 1
        border.color: Theme.cardBorder
    }

    Overlay.modal: Rectangle { color: "#99000000" }

    contentItem: ColumnLayout {
        spacing: 10

        Keys.onReturnPressed: popup.accept()
        Keys.onEnterPressed: popup.accept()

        Text {
            text: "Device port"
            color: Theme.text
            font.family: Theme.fontFamily
            font.pixelSize: 17
            font.bold: true
        }
        Text {
            Layout.fillWidth: true
            Layout.preferredWidth: 1
            text: "The panel finds the device by its USB identifiers. If it does not, choose "
                  + "its port here: the panel opens it now and whenever it is closed, also "
                  + "after a restart."
            wrapMode: Text.WordWrap
            color: Theme.textDim
            font.family: Theme.fontFamily
            font.pixelSize: Theme.fontBase
        }

        Repeater {
            model: [{ path: "", name: "Find the device by itself", description: "", device: false }]
                   .concat(popup.available)
            delegate: RadioButton {
                id: option
                objectName: index === 0 ? "portOption_auto" : "portOption_" + modelData.name
                Layout.fillWidth: true
                checked: popup.selected === modelData.path && (index === 0 || pathField.text === "")
                onClicked: {
                    popup.selected = modelData.path
                    pathField.text = ""
                }
                padding: 0
                implicitHeight: 30
                indicator: Rectangle {
                    x: 0
                    anchors.verticalCenter: parent.verticalCenter
                    width: 18
                    height: 18
                    radius: 9
                    color: "transparent"
                    border.width: 2
                    border.color: option.checked ? Theme.accent : Theme.cardBorder
                    Rectangle {
                        anchors.centerIn: parent
                        width: 8
                        height: 8
                        radius: 4
                        color: Theme.accent
                        visible: option.checked
                    }
                }
                contentItem: Text {
                    leftPadding: 28
                    text: modelData.name
                          + (modelData.description !== "" ? "  ·  " + modelData.description : "")
                          + (modelData.device ? "  ·  the device" : "")
                    elide: Text.ElideRight
                    color: Theme.text
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.fontBase
                    verticalAlignment: Text.AlignVCenter
                }
            }
        }

        Text {
            visible: popup.available.length === 0
            text: "The system lists no serial ports."
            color: Theme.textFaint
            font.family: Theme.fontFamily
            font.pixelSize: Theme.fontSmall
        }

        RowLayout {
            Layout.fillWidth: true
            spacing: 8
            Text {
                text: "Other port"
                color: Theme.textDim
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontBase
            }
            TextField {
                id: pathField
                objectName: "portPathField"
                Layout.fillWidth: true
                placeholderText: "/dev/ttyUSB0, COM5, a link…"
                placeholderTextColor: Theme.textFaint
                color: Theme.text
                selectByMouse: true
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontBase
                onTextChanged: {
                    if (activeFocus)
                        popup.selected = text.trim()
                }
                background: Rectangle {
                    radius: 6
                    color: Theme.inset
                    border.width: pathField.activeFocus ? 2 : 1
                    border.color: pathField.activeFocus ? Theme.accent : Theme.cardBorder
                }
            }
        }

        RowLayout {
            Layout.fillWidth: true
            Layout.topMargin: 6
            spacing: 8
            PanelButton {
                objectName: "portRefresh"
                text: "Look again"
                onClicked: {
                    if (popup.ports)
                        popup.ports.refresh()
                }
            }
            Item { Layout.fillWidth: true }
            PanelButton {
                objectName: "portCancel"
                text: "Cancel"
                onClicked: popup.close()
            }
            PanelButton {
                id: useButton
                objectName: "portUse"
                text: "Use"
                primary: true
                focus: true
                onClicked: popup.accept()
            }
        }
    }
}

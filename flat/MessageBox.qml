// A message in plain words with what to do about it. Messages that arrive
// while one is shown wait their turn. A message about an unanswered request
// offers to save an error report.
import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import "."

Popup {
    id: popup

    property var pending: []
    property string title: ""
    property string text: ""
    property string failedCommand: ""

    signal reportRequested()

    objectName: "messageBox"
    modal: true
    focus: true
    closePolicy: Popup.CloseOnEscape
    anchors.centerIn: Overlay.overlay
    width: 460
    padding: 22

    function show(title, text, failedCommand) {
        pending.push({ title: title, text: text, failedCommand: failedCommand })
        if (!visible)
            next()
    }

    function next() {
        if (pending.length === 0)
            return
        var m = pending.shift()
        title = m.title
        text = m.text
        failedCommand = m.failedCommand
        open()
    }

    onClosed: next()
    // The keys reach the message whatever had the focus before.
    onOpened: closeButton.forceActiveFocus()

    background: Rectangle {
        radius: Theme.radius + 2
        color: Theme.card
        border.width: 1
        border.color: Theme.cardBorder
        Rectangle {
            width: 4
            height: parent.height - 2 * Theme.radius
            anchors.verticalCenter: parent.verticalCenter
            color: popup.failedCommand !== "" ? Theme.error : Theme.warn
            radius: 2
        }
    }

    Overlay.modal: Rectangle { color: "#99000000" }

    contentItem: ColumnLayout {
        spacing: 12

        // Enter closes the message, as OK does.
        Keys.onReturnPressed: popup.close()
        Keys.onEnterPressed: popup.close()

        Text {
            objectName: "messageTitle"
            Layout.fillWidth: true
            Layout.preferredWidth: 1
            text: popup.title
            color: Theme.text
            wrapMode: Text.WordWrap
            font.family: Theme.fontFamily
            font.pixelSize: 17
            font.bold: true
        }
        Text {
            objectName: "messageText"
            Layout.fillWidth: true
            Layout.preferredWidth: 1
            text: popup.text
            wrapMode: Text.WordWrap
            color: Theme.textDim
            font.family: Theme.fontFamily
            font.pixelSize: Theme.fontBase
            lineHeight: 1.15
        }
        RowLayout {
            Layout.fillWidth: true
            Layout.topMargin: 6
            spacing: 8
            Item { Layout.fillWidth: true }
            PanelButton {
                objectName: "messageReport"
                visible: popup.failedCommand !== ""
                text: "Save error report…"
                onClicked: {
                    popup.reportRequested()
                    popup.close()
                }
            }
            PanelButton {
                id: closeButton
                objectName: "messageClose"
                text: "OK"
                primary: true
                focus: true
                onClicked: popup.close()
            }
        }
    }
}

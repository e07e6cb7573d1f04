// Over the whole window while the librarian works: what it is doing
// ("Reading preset 37 of 100"), how far it is, and Cancel for a backup or
// restore (which stops between presets). The panel stays locked meanwhile,
// since a move or an edit would disturb the walk through the presets.
import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import "."

Popup {
    id: popup

    property var library: null
    property int done: 0
    property int total: 0
    property bool stopping: false

    objectName: "libraryProgress"
    visible: library !== null && library.busy
    modal: true
    focus: true
    closePolicy: Popup.NoAutoClose
    anchors.centerIn: Overlay.overlay
    width: 420
    padding: 22

    onOpened: {
        done = 0
        total = 0
        stopping = false
    }

    Connections {
        target: popup.library
        function onProgress(done, total) {
            popup.done = done
            popup.total = total
        }
    }

    background: Rectangle {
        radius: Theme.radius + 2
        color: Theme.card
        border.width: 1
        border.color: Theme.cardBorder
    }

    Overlay.modal: Rectangle { color: "#99000000" }

    contentItem: ColumnLayout {
        spacing: 14

        Text {
            objectName: "libraryActivity"
            Layout.fillWidth: true
            text: popup.library ? popup.library.activity : ""
            elide: Text.ElideRight
            color: Theme.text
            font.family: Theme.fontFamily
            font.pixelSize: 17
            font.bold: true
        }

        ProgressBar {
            id: bar
            objectName: "libraryProgressBar"
            Layout.fillWidth: true
            from: 0
            to: Math.max(1, popup.total)
            value: popup.done
            background: Rectangle {
                implicitHeight: 8
                radius: 4
                color: Theme.groove
            }
            contentItem: Item {
                implicitHeight: 8
                Rectangle {
                    width: bar.visualPosition * parent.width
                    height: parent.height
                    radius: 4
                    color: Theme.accent
                }
            }
        }

        RowLayout {
            Layout.fillWidth: true
            spacing: 8
            Text {
                Layout.fillWidth: true
                text: popup.stopping ? "Stopping after this preset…" : ""
                color: Theme.textDim
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontBase
            }
            PanelButton {
                objectName: "libraryCancel"
                visible: popup.library !== null && popup.library.cancellable
                enabled: !popup.stopping
                text: "Cancel"
                onClicked: {
                    popup.stopping = true
                    popup.library.cancel()
                }
            }
        }
    }
}

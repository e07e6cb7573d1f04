// Over the whole window while the librarian works: what it is doing
// ("Reading preset 37 of 100"), how far it is, and Cancel for a backup or
// restore (which stops between presets). Before a restore writes anything it
// asks here: what will change, and Restore or Cancel. The panel stays locked
// meanwhile, since a move or an edit would disturb the walk through the
// presets. Step and fraction are the librarian's own, as the top bar shows them.
import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import "."

Popup {
    id: popup

    property var library: null
    property bool stopping: false
    readonly property bool asking: library !== null && library.asking

    objectName: "libraryProgress"
    visible: library !== null && library.busy
    modal: true
    focus: true
    closePolicy: Popup.NoAutoClose
    anchors.centerIn: Overlay.overlay
    width: asking ? 520 : 420
    padding: 22

    onOpened: stopping = false

    background: Rectangle {
        radius: Theme.radius + 2
        color: Theme.card
        border.width: 1
        border.color: Theme.cardBorder
    }

    Overlay.modal: Rectangle { color: "#99000000" }

    contentItem: ColumnLayout {
        spacing: 14

        // The whole step, wrapped rather than cut.
        Text {
            objectName: "libraryStep"
            Layout.fillWidth: true
            text: popup.library ? popup.library.step : ""
            wrapMode: Text.WordWrap
            color: Theme.text
            font.family: Theme.fontFamily
            font.pixelSize: 17
            font.bold: true
        }

        Text {
            objectName: "libraryQuestion"
            Layout.fillWidth: true
            visible: popup.asking
            text: popup.asking ? popup.library.question : ""
            wrapMode: Text.WordWrap
            color: Theme.textDim
            font.family: Theme.fontFamily
            font.pixelSize: Theme.fontBase
            lineHeight: 1.15
        }

        ProgressBar {
            id: bar
            objectName: "libraryProgressBar"
            Layout.fillWidth: true
            visible: !popup.asking
            from: 0
            to: 1
            value: popup.library ? popup.library.progress : 0
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
                wrapMode: Text.WordWrap
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
                    if (!popup.asking)
                        popup.stopping = true
                    popup.library.cancel()
                }
            }
            PanelButton {
                objectName: "libraryConfirm"
                visible: popup.asking
                primary: true
                text: "Restore"
                onClicked: popup.library.confirm()
            }
        }
    }
}

// The bar across the top: connection state, device family and firmware,
// compare's banner, the busy state with the progress of queued exchanges,
// and the settings.
import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import "."

Rectangle {
    id: bar

    property var device: null

    signal skinsFolderRequested()
    signal portDialogRequested()
    signal quitRequested()

    implicitHeight: 56
    color: Theme.header

    Rectangle {
        anchors.bottom: parent.bottom
        width: parent.width
        height: 1
        color: Theme.cardBorder
    }

    readonly property string link: device ? device.link : "searching"

    RowLayout {
        anchors.fill: parent
        anchors.leftMargin: Theme.gap + 4
        anchors.rightMargin: Theme.gap
        spacing: 16

        Text {
            text: "Vortaxa"
            color: Theme.text
            font.family: Theme.fontFamily
            font.pixelSize: 20
            font.bold: true
        }

        // connection
        Rectangle {
            objectName: "connectionChip"
            Layout.preferredHeight: 30
            Layout.preferredWidth: chipRow.implicitWidth + 22
            Layout.maximumWidth: 330
            radius: 15
            color: Theme.inset
            border.width: 1
            border.color: Theme.cardBorder

            Row {
                id: chipRow
                anchors.verticalCenter: parent.verticalCenter
                x: 11
                spacing: 8
                Rectangle {
                    width: 10
                    height: 10
                    radius: 5
                    anchors.verticalCenter: parent.verticalCenter
                    color: bar.link === "open" ? Theme.on
                         : bar.link === "searching" || bar.link === "lost" ? Theme.accent : Theme.error
                }
                Text {
                    id: connectionText
                    objectName: "connectionText"
                    width: Math.min(implicitWidth, 290)
                    elide: Text.ElideMiddle
                    text: {
                        var d = bar.device
                        if (!d)
                            return ""
                        switch (d.link) {
                        case "open": return "Connected on " + d.portName
                        case "lost": return "Device disconnected"
                        case "failed": return d.failureShort || "Cannot open " + d.portName
                        default: return "Searching for the device…"
                        }
                    }
                    color: Theme.text
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.fontBase
                }
            }
        }

        Text {
            objectName: "deviceInfo"
            Layout.fillWidth: true
            elide: Text.ElideRight
            text: {
                var d = bar.device
                if (!d || !d.connected || d.typeDev === 0)
                    return ""
                var parts = [d.familyText]
                if (d.version !== "")
                    parts.push("firmware " + d.version)
                return parts.join("  ·  ")
            }
            color: Theme.textDim
            font.family: Theme.fontFamily
            font.pixelSize: Theme.fontBase
        }

        // Compare showing the stored preset: said up here, where it takes
        // room from the device's description rather than from the tabs.
        Rectangle {
            objectName: "comparingBanner"
            visible: bar.device !== null && bar.device.comparing
            Layout.preferredHeight: 28
            Layout.preferredWidth: comparingText.implicitWidth + 24
            radius: 14
            color: Theme.info
            Text {
                id: comparingText
                anchors.centerIn: parent
                text: "Comparing: stored preset shown"
                color: "#ffffff"
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontSmall
                font.bold: true
            }
        }

        // busy state and progress of the queued exchange; while the librarian
        // works, its own step and fraction, as its dialog shows them
        RowLayout {
            id: busyRow
            readonly property bool library: bar.device !== null && bar.device.libraryBusy
            objectName: "busyIndicator"
            visible: library || (bar.device !== null && bar.device.busy)
            spacing: 8
            Text {
                objectName: "busyText"
                text: {
                    var d = bar.device
                    if (busyRow.library)
                        return d.step
                    if (d && d.sweeping)
                        return "Reading presets…"
                    if (d && d.saving)
                        return "Saving…"
                    if (d && d.task === "impulse")
                        return "Sending impulse…"
                    return "Working…"
                }
                color: Theme.textDim
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontSmall
            }
            Rectangle {
                objectName: "progressBar"
                Layout.preferredWidth: 150
                Layout.preferredHeight: 6
                radius: 3
                color: Theme.groove
                Rectangle {
                    height: parent.height
                    radius: 3
                    readonly property real fraction: bar.device ? bar.device.progress : 0
                    width: Math.max(6, parent.width * Math.max(0, Math.min(1, fraction)))
                    color: Theme.accent
                    Behavior on width { NumberAnimation { duration: 150 } }
                }
            }
        }

        ToolButton {
            id: settingsButton
            objectName: "settingsButton"
            text: "☰  Settings"
            Accessible.name: "Settings"
            Accessible.description: "Device port, skin, impulse conversion, help and quit"
            font.family: Theme.fontFamily
            font.pixelSize: Theme.fontBase
            onClicked: settingsMenu.open()
            contentItem: Text {
                text: settingsButton.text
                font: settingsButton.font
                color: Theme.text
                verticalAlignment: Text.AlignVCenter
            }
            background: Rectangle {
                radius: 6
                color: settingsButton.down || settingsMenu.visible ? Theme.groove
                     : settingsButton.hovered ? Theme.inset : "transparent"
                border.width: settingsButton.visualFocus ? 2 : 0
                border.color: Theme.accent
            }

            Menu {
                id: settingsMenu
                objectName: "settingsMenu"
                y: settingsButton.height + 4
                x: settingsButton.width - width
                width: 270
                background: Rectangle {
                    color: Theme.card
                    radius: 6
                    border.width: 1
                    border.color: Theme.cardBorder
                }

                PanelMenuItem {
                    objectName: "portItem"
                    text: "Device port…"
                    onTriggered: bar.portDialogRequested()
                }
                PanelMenuItem {
                    objectName: "lightSkinItem"
                    text: "Light skin"
                    checkable: true
                    checked: bar.device !== null && bar.device.lightSkin
                    onTriggered: bar.device.setLightSkin(checked)
                }
                PanelMenuItem {
                    objectName: "colourItem"
                    text: "Impulse panel colour…"
                    onTriggered: bar.device.chooseColor()
                }
                PanelMenuItem {
                    objectName: "skinsItem"
                    text: "Background images folder…"
                    onTriggered: bar.skinsFolderRequested()
                }
                PanelMenuItem {
                    text: "No background image"
                    enabled: bar.device !== null && bar.device.skinsFolder !== ""
                    onTriggered: bar.device.setSkinsFolder("")
                }
                MenuSeparator {
                    contentItem: Rectangle {
                        implicitHeight: 1
                        color: Theme.cardBorder
                    }
                }
                // How impulse files are converted for the device (the next load).
                PanelMenuItem {
                    objectName: "mixChannelsItem"
                    text: "Impulses: mix all channels"
                    checkable: true
                    enabled: bar.device !== null && bar.device.impulses !== null
                    checked: enabled && bar.device.impulses.mixChannels
                    onTriggered: bar.device.impulses.mixChannels = checked
                }
                PanelMenuItem {
                    objectName: "normaliseItem"
                    text: "Impulses: normalise to -1 dBFS"
                    checkable: true
                    enabled: bar.device !== null && bar.device.impulses !== null
                    checked: enabled && bar.device.impulses.normalise
                    onTriggered: bar.device.impulses.normalise = checked
                }
                MenuSeparator {
                    contentItem: Rectangle {
                        implicitHeight: 1
                        color: Theme.cardBorder
                    }
                }
                PanelMenuItem {
                    objectName: "helpItem"
                    text: "Help"
                    onTriggered: bar.device.openHelp()
                }
                PanelMenuItem {
                    objectName: "shopItem"
                    text: "Shop"
                    onTriggered: bar.device.openShop()
                }
                MenuSeparator {
                    contentItem: Rectangle {
                        implicitHeight: 1
                        color: Theme.cardBorder
                    }
                }
                PanelMenuItem {
                    objectName: "quitItem"
                    text: "Quit\tCtrl+Q"
                    onTriggered: bar.quitRequested()
                }
            }
        }
    }
}

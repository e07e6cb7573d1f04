// The panel: the whole interface of the control program. It shows what the
// back end (`_core`) publishes and hands every user action to it; it knows
// value names and the back end's methods, never the device's commands.
import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import QtQuick.Window 2.15
import QtQuick.Dialogs 1.3 as Dialogs
import Qt.labs.folderlistmodel 2.15
import "."

ApplicationWindow {
    id: window

    width: 1240
    height: 780
    // Everything stays usable down to here: pages scroll with visible scroll
    // bars, and cards go into one column before a slider gets shorter than
    // Theme.sliderMinimum.
    minimumWidth: 900
    minimumHeight: 600
    visible: true
    title: "Vortaxa"
    color: Theme.window
    font.family: Theme.fontFamily
    font.pixelSize: Theme.fontBase

    // Colours for the few stock controls (menus, tooltips, text fields).
    palette.window: Theme.card
    palette.windowText: Theme.text
    palette.base: Theme.inset
    palette.alternateBase: Theme.card
    palette.text: Theme.text
    palette.button: Theme.inset
    palette.buttonText: Theme.text
    palette.brightText: Theme.text
    palette.highlight: Theme.accent
    palette.highlightedText: Theme.accentText
    palette.light: Theme.groove
    palette.midlight: Theme.groove
    palette.mid: Theme.cardBorder
    palette.dark: Theme.textFaint
    palette.shadow: "#000000"
    palette.toolTipBase: Theme.header
    palette.toolTipText: Theme.text

    property alias deviceState: deviceState
    readonly property bool popupOpen: saveQuestion.visible || messageBox.visible || portDialog.visible
                                      || libraryProgress.visible

    DeviceState {
        id: deviceState
        onQuestion: saveQuestion.ask(kind, code)
        onQuitAgreed: window.quit()
        onNotice: toast.show(text)
        onMessage: messageBox.show(title, text, failedCommand)
        onColorDialogRequested: {
            colorDialog.color = deviceState.impulseColor
            colorDialog.open()
        }
    }

    Binding {
        target: Theme
        property: "light"
        value: deviceState.lightSkin
    }

    // ---- closing: unsaved changes are not lost without a word ---------------------
    // Closing (the window's close button, Ctrl+Q, Quit in the menu) asks the
    // same question as a move when the preset has unsaved changes; Save
    // stores it and quits once the device has answered.
    property bool quitting: false
    readonly property var desktop: deviceState.alive && typeof _desktop !== "undefined" ? _desktop : null

    function quit() {
        quitting = true
        window.close()
    }

    onClosing: {
        if (!quitting && deviceState.connected && deviceState.edited) {
            close.accepted = false
            saveQuestion.ask("quit", 0)
            return
        }
        if (desktop)
            desktop.keepWindowPlace(x, y, width, height, visibility === Window.Maximized)
        deviceState.alive = false
    }

    Component.onCompleted: {
        if (!desktop)
            return
        var place = desktop.windowPlace()
        if (place.width !== undefined) {
            x = place.x
            y = place.y
            width = Math.max(minimumWidth, place.width)
            height = Math.max(minimumHeight, place.height)
        }
        if (place.maximized)
            visibility = Window.Maximized
    }

    header: HeaderBar {
        device: deviceState
        onSkinsFolderRequested: {
            skinsDialog.folder = deviceState.skinsFolder
            skinsDialog.open()
        }
        onPortDialogRequested: portDialog.show()
        onQuitRequested: window.close()
    }

    // ---- background image from the skins folder --------------------------------
    // The folder may hold "dark.*" and "light.*" (one per skin) or
    // "background.*"; the first image whose name fits the current skin wins.
    FolderListModel {
        id: skins
        folder: deviceState.skinsFolder
        showDirs: false
        nameFilters: ["dark*.png", "dark*.jpg", "light*.png", "light*.jpg",
                      "background*.png", "background*.jpg"]
    }

    readonly property url skinImage: {
        if (deviceState.skinsFolder === "" || skins.count === 0)
            return ""
        var prefer = Theme.light ? "light" : "dark"
        var fallback = ""
        for (var i = 0; i < skins.count; ++i) {
            var file = String(skins.get(i, "fileName"))
            if (file.indexOf(prefer) === 0)
                return skins.get(i, "fileURL")
            if (fallback === "" && file.indexOf("background") === 0)
                fallback = skins.get(i, "fileURL")
        }
        return fallback
    }

    Image {
        anchors.fill: parent
        source: window.skinImage
        fillMode: Image.PreserveAspectCrop
        opacity: 0.35
        asynchronous: true
        visible: status === Image.Ready
    }

    // ---- layout: navigation and impulse on the left, modules on the right --------
    RowLayout {
        id: content
        anchors.fill: parent
        anchors.margins: Theme.gap
        spacing: Theme.gap

        Flickable {
            id: leftFlick
            objectName: "leftColumn"
            Layout.preferredWidth: 300 + (leftBar.visible ? Theme.scrollBarRoom : 0)
            Layout.maximumWidth: Layout.preferredWidth
            Layout.fillHeight: true
            clip: true
            contentHeight: leftColumn.implicitHeight
            boundsBehavior: Flickable.StopAtBounds
            ScrollBar.vertical: PanelScrollBar { id: leftBar; objectName: "leftColumnScrollBar" }

            ColumnLayout {
                id: leftColumn
                width: 300
                spacing: Theme.gap

                PresetCard {
                    Layout.fillWidth: true
                    device: deviceState
                }
                ActionsCard {
                    Layout.fillWidth: true
                    device: deviceState
                }
                ImpulseCard {
                    Layout.fillWidth: true
                    device: deviceState
                    onLoadRequested: window.openWavDialog()
                }
            }
        }

        ColumnLayout {
            Layout.fillWidth: true
            Layout.fillHeight: true
            spacing: 8

            RowLayout {
                Layout.fillWidth: true
                spacing: 12

                TabBar {
                    id: tabs
                    objectName: "tabs"
                    // Tabs of 124 px, narrower when the row has less room: the
                    // bar sizes its buttons to fill it.
                    readonly property int fullWidth: count * 124 + (count - 1) * spacing
                    Layout.fillWidth: true
                    Layout.preferredWidth: fullWidth
                    Layout.maximumWidth: fullWidth
                    spacing: 4
                    background: Item {}
                    Repeater {
                        model: ["Amp & tone", "Dynamics & EQ", "Preset map", "Impulse slots", "Impulses", "Library", "Cabinet lab"]
                        TabButton {
                            id: tab
                            text: modelData
                            Accessible.name: modelData
                            hoverEnabled: true
                            // a name the bar had to cut, whole
                            PanelToolTip {
                                visible: tab.hovered && tabCaption.truncated
                                text: modelData
                            }
                            leftPadding: 4
                            rightPadding: 4
                            font.family: Theme.fontFamily
                            // a size smaller where a narrow window leaves the tabs
                            // less room than they ask for
                            font.pixelSize: window.width < 1000 ? Theme.fontSmall : Theme.fontBase
                            contentItem: Text {
                                id: tabCaption
                                text: tab.text
                                elide: Text.ElideRight
                                font.family: tab.font.family
                                font.pixelSize: tab.font.pixelSize
                                font.bold: tab.checked
                                horizontalAlignment: Text.AlignHCenter
                                verticalAlignment: Text.AlignVCenter
                                color: tab.checked ? Theme.text : Theme.textDim
                            }
                            background: Rectangle {
                                radius: 6
                                color: tab.checked ? Theme.card : (tab.hovered ? Theme.inset : "transparent")
                                border.width: tab.checked || tab.visualFocus ? 1 : 0
                                border.color: tab.visualFocus ? Theme.accent : Theme.cardBorder
                                Rectangle {
                                    visible: tab.checked
                                    anchors.bottom: parent.bottom
                                    anchors.horizontalCenter: parent.horizontalCenter
                                    width: parent.width - 24
                                    height: 2
                                    color: Theme.accent
                                }
                            }
                        }
                    }
                }

                Item { Layout.fillWidth: true }
            }

            Item {
                Layout.fillWidth: true
                Layout.fillHeight: true

                StackLayout {
                    id: pages
                    anchors.fill: parent
                    currentIndex: tabs.currentIndex

                    // Amp and tone modules in two columns, or one where two
                    // would make the sliders too short.
                    Flickable {
                        id: ampFlick
                        objectName: "ampPage"
                        clip: true
                        contentHeight: ampPage.implicitHeight
                        boundsBehavior: Flickable.StopAtBounds
                        ScrollBar.vertical: PanelScrollBar { objectName: "ampPageScrollBar" }
                        GridLayout {
                            id: ampPage
                            width: ampFlick.width - Theme.scrollBarRoom
                            columns: width >= 2 * Theme.cardMinimum + Theme.gap ? 2 : 1
                            columnSpacing: Theme.gap
                            rowSpacing: Theme.gap
                            // A tall window spreads the rows (up to 1.75 times as
                            // tall) rather than leave the bottom of the page empty.
                            // The taller column holds 7 rows in 4 cards side by
                            // side, 14 rows in 7 cards one above the other; a card
                            // takes 58 px besides its rows.
                            readonly property int rowsDown: columns === 2 ? 7 : 14
                            readonly property int cardsDown: columns === 2 ? 4 : 7
                            // Set once the page's height or columns have changed, not
                            // bound: the page's content height is read while it lays out.
                            property real rowHeight: Theme.rowHeight
                            function spreadRows() {
                                rowHeight = Math.max(Theme.rowHeight, Math.min(
                                    Math.round(Theme.rowHeight * 1.75),
                                    Math.floor((ampFlick.height - cardsDown * 58 - (cardsDown - 1) * Theme.gap)
                                               / rowsDown)))
                            }
                            onColumnsChanged: Qt.callLater(spreadRows)
                            Connections {
                                target: ampFlick
                                function onHeightChanged() { Qt.callLater(ampPage.spreadRows) }
                            }
                            Component.onCompleted: spreadRows()
                            ColumnLayout {
                                Layout.fillWidth: true
                                Layout.alignment: Qt.AlignTop
                                spacing: Theme.gap
                                ModuleCard { Layout.fillWidth: true; rowHeight: ampPage.rowHeight; device: deviceState; groups: ["master", "mode"] }
                                ModuleCard { Layout.fillWidth: true; rowHeight: ampPage.rowHeight; device: deviceState; groups: ["preamp"] }
                                ModuleCard { Layout.fillWidth: true; rowHeight: ampPage.rowHeight; device: deviceState; groups: ["presence"] }
                            }
                            ColumnLayout {
                                Layout.fillWidth: true
                                Layout.alignment: Qt.AlignTop
                                spacing: Theme.gap
                                ModuleCard { Layout.fillWidth: true; rowHeight: ampPage.rowHeight; device: deviceState; groups: ["amp"] }
                                ModuleCard { Layout.fillWidth: true; rowHeight: ampPage.rowHeight; device: deviceState; groups: ["lpf"] }
                                ModuleCard { Layout.fillWidth: true; rowHeight: ampPage.rowHeight; device: deviceState; groups: ["hpf"] }
                                ModuleCard { Layout.fillWidth: true; rowHeight: ampPage.rowHeight; device: deviceState; groups: ["early"] }
                            }
                        }
                    }

                    // Dynamics and the equaliser; the equaliser takes the
                    // height the page has to spare.
                    Flickable {
                        id: dynamicsFlick
                        objectName: "dynamicsPage"
                        clip: true
                        contentHeight: dynamicsPage.height
                        boundsBehavior: Flickable.StopAtBounds
                        ScrollBar.vertical: PanelScrollBar { objectName: "dynamicsPageScrollBar" }
                        ColumnLayout {
                            id: dynamicsPage
                            width: dynamicsFlick.width - Theme.scrollBarRoom
                            spacing: Theme.gap
                            // At least the page's height. Set when either changes,
                            // not bound: a binding would read the layout's implicit
                            // height while the layout lays itself out, a loop.
                            function fit() {
                                height = Math.max(implicitHeight, dynamicsFlick.height)
                            }
                            onImplicitHeightChanged: fit()
                            Connections {
                                target: dynamicsFlick
                                function onHeightChanged() { dynamicsPage.fit() }
                            }
                            Component.onCompleted: fit()
                            GridLayout {
                                Layout.fillWidth: true
                                // from the page's width, which no layout inside sets
                                columns: dynamicsPage.width >= 2 * Theme.cardMinimum + Theme.gap ? 2 : 1
                                columnSpacing: Theme.gap
                                rowSpacing: Theme.gap
                                ModuleCard { Layout.fillWidth: true; Layout.alignment: Qt.AlignTop; device: deviceState; groups: ["compressor"] }
                                ModuleCard { Layout.fillWidth: true; Layout.alignment: Qt.AlignTop; device: deviceState; groups: ["gate"] }
                            }
                            EqCard { Layout.fillWidth: true; Layout.fillHeight: true; device: deviceState }
                        }
                    }

                    // The first two pages are made at start, the others when
                    // their tab is first shown (then kept): start-up stays short.
                    LaterPage { sourceComponent: PresetMap { device: deviceState } }

                    LaterPage { sourceComponent: ImpulseSlots { device: deviceState } }

                    LaterPage { sourceComponent: ImpulseBrowser { device: deviceState } }

                    LaterPage { sourceComponent: LibraryPage { device: deviceState } }

                    LaterPage { id: labPage; sourceComponent: LabPage { device: deviceState } }
                }

                component LaterPage: Loader {
                    active: false
                    onVisibleChanged: if (visible) active = true
                }

                // Without a connection the controls are locked; say why and what to do.
                Rectangle {
                    objectName: "connectionNotice"
                    anchors.fill: parent
                    visible: !deviceState.connected
                    color: Qt.rgba(Theme.window.r, Theme.window.g, Theme.window.b, 0.72)
                    radius: Theme.radius

                    MouseArea { anchors.fill: parent }   // the locked controls stay untouched

                    Rectangle {
                        anchors.centerIn: parent
                        width: Math.min(parent.width - 40, 520)
                        height: noticeColumn.implicitHeight + 40
                        radius: Theme.radius
                        color: Theme.card
                        border.width: 1
                        border.color: deviceState.link === "failed" ? Theme.error : Theme.cardBorder

                        ColumnLayout {
                            id: noticeColumn
                            x: 20
                            y: 20
                            width: parent.width - 40
                            spacing: 10

                            Text {
                                objectName: "noticeTitle"
                                Layout.fillWidth: true
                                Layout.preferredWidth: 1
                                wrapMode: Text.WordWrap
                                color: Theme.text
                                font.family: Theme.fontFamily
                                font.pixelSize: 17
                                font.bold: true
                                text: window.noticeTitle(deviceState.link, deviceState.failure,
                                                         deviceState.portName)
                            }
                            Text {
                                objectName: "noticeText"
                                Layout.fillWidth: true
                                Layout.preferredWidth: 1
                                wrapMode: Text.WordWrap
                                color: Theme.textDim
                                font.family: Theme.fontFamily
                                font.pixelSize: Theme.fontBase
                                lineHeight: 1.15
                                text: window.noticeText(deviceState.link, deviceState.failure,
                                                        deviceState.failureText)
                                      + (deviceState.link === "lost" && deviceState.lostChanges !== ""
                                         ? "\n\nThe changes to " + deviceState.lostChanges
                                           + " were not saved and went with the device: when it "
                                           + "is back, the panel shows its presets as the device "
                                           + "reports them."
                                         : "")
                            }
                        }
                    }
                }
            }
        }
    }

    // ---- what the panel says while no device is connected -------------------------
    function noticeTitle(link, failure, name) {
        if (link === "lost")
            return "The device was disconnected"
        if (link !== "failed")
            return "Looking for the device…"
        return deviceState.failureTitle || "The port " + name + " cannot be opened"
    }

    function noticeText(link, failure, systemWords) {
        if (link === "lost")
            return "The panel reconnects by itself as soon as the device is back. Check the USB "
                + "cable and that the device is switched on."
        if (link !== "failed")
            return "Connect the device with a USB data cable and switch it on. The panel finds "
                + "it by itself; if it does not, choose its port in Settings."
        return deviceState.failureAdvice
    }

    // ---- dropping an audio file anywhere loads it as the impulse -----------------
    // A preset holds one impulse: more files than one load none, and the
    // panel says so rather than choosing one of them.
    function dropFiles(urls) {
        if (urls.length === 0 || !deviceState.isLocalFile(urls[0]))
            return false
        if (urls.length > 1) {
            messageBox.show("Drop one file at a time",
                            "You dropped " + urls.length + " files, but a preset holds one impulse, "
                            + "so none was loaded. Drop the one you want; to try several in turn, "
                            + "open their folder on the Impulses page.", "")
            return true
        }
        deviceState.loadImpulse(urls[0])
        return true
    }

    DropArea {
        id: drop
        anchors.fill: parent
        // The lab page takes a drop into its own slots.
        onEntered: drag.accepted = !labPage.visible && deviceState.connected && drag.hasUrls
                                   && deviceState.isLocalFile(drag.urls[0])
        onDropped: {
            if (drop.hasUrls && window.dropFiles(drop.urls))
                drop.accept()
        }

        Rectangle {
            anchors.fill: parent
            anchors.margins: 6
            visible: drop.containsDrag
            color: Qt.rgba(0, 0, 0, 0.45)
            radius: Theme.radius
            border.width: 3
            border.color: Theme.accent
            Text {
                anchors.centerIn: parent
                text: "Drop to load the impulse"
                color: "#ffffff"
                font.family: Theme.fontFamily
                font.pixelSize: 22
                font.bold: true
            }
        }
    }

    // ---- keyboard -------------------------------------------------------------
    Shortcut {
        sequence: "Ctrl+Q"
        context: Qt.ApplicationShortcut
        onActivated: window.close()
    }
    Shortcut {
        sequences: [StandardKey.MoveToPreviousPage]
        enabled: deviceState.connected && !window.popupOpen
        onActivated: deviceState.stepPreset(true)
    }
    Shortcut {
        sequences: [StandardKey.MoveToNextPage]
        enabled: deviceState.connected && !window.popupOpen
        onActivated: deviceState.stepPreset(false)
    }
    Shortcut {
        sequences: [StandardKey.Save]
        enabled: deviceState.connected && !window.popupOpen
        onActivated: deviceState.save()
    }
    Shortcut {
        sequences: [StandardKey.Copy]
        enabled: deviceState.connected && !window.popupOpen
        onActivated: deviceState.copyPreset()
    }
    Shortcut {
        sequences: [StandardKey.Paste]
        enabled: deviceState.connected && deviceState.hasCopy && !window.popupOpen
        onActivated: deviceState.pastePreset()
    }

    // ---- a short confirmation at the bottom of the window ----------------------------
    Rectangle {
        id: toast
        objectName: "toast"
        property alias text: toastText.text
        function show(message) {
            text = message
            visible = true
            toastTimer.restart()
        }
        visible: false
        z: 50
        anchors.horizontalCenter: parent.horizontalCenter
        anchors.bottom: parent.bottom
        anchors.bottomMargin: 24
        width: toastText.implicitWidth + 36
        height: 36
        radius: 18
        color: Theme.header
        border.width: 1
        border.color: Theme.on
        Text {
            id: toastText
            anchors.centerIn: parent
            color: Theme.text
            font.family: Theme.fontFamily
            font.pixelSize: Theme.fontBase
            font.bold: true
        }
        Timer {
            id: toastTimer
            interval: 2500
            onTriggered: toast.visible = false
        }
    }

    // ---- questions, messages and dialogs -------------------------------------------
    SaveQuestion {
        id: saveQuestion
        device: deviceState
    }

    PortDialog {
        id: portDialog
        device: deviceState
    }

    LibraryProgress {
        id: libraryProgress
        library: deviceState.alive && typeof _library !== "undefined" ? _library : null
    }

    MessageBox {
        id: messageBox
        onReportRequested: {
            reportDialog.folder = deviceState.lastFolder()
            reportDialog.open()
        }
    }

    function openWavDialog() {
        wavDialog.folder = deviceState.lastFolder()
        wavDialog.open()
    }

    Dialogs.FileDialog {
        id: wavDialog
        objectName: "wavDialog"
        title: "Load an impulse"
        nameFilters: ["Audio files (*.wav *.WAV *.aif *.aiff *.AIF *.AIFF *.aifc *.flac *.FLAC "
                      + "*.ogg *.oga *.opus *.w64 *.rf64 *.caf *.au *.snd *.mp3)",
                      "All files (*)"]
        selectExisting: true
        selectMultiple: false
        onAccepted: deviceState.loadImpulse(fileUrl)
    }

    Dialogs.FileDialog {
        id: reportDialog
        objectName: "reportDialog"
        title: "Save the error report"
        nameFilters: ["Text files (*.txt)", "All files (*)"]
        selectExisting: false
        onAccepted: deviceState.saveErrorReport(fileUrl)
    }

    Dialogs.FileDialog {
        id: skinsDialog
        objectName: "skinsDialog"
        title: "Choose the folder of background images"
        selectFolder: true
        onAccepted: deviceState.setSkinsFolder(fileUrl)
    }

    Dialogs.ColorDialog {
        id: colorDialog
        objectName: "colorDialog"
        title: "Impulse panel colour"
        onAccepted: deviceState.setColor(color)
    }
}

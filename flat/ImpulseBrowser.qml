// The "Impulses" page: a folder's impulse files, auditioned on the device one
// key press each. Up/Down (or K/J) step and the device plays the file at
// once; Enter saves it with the preset (or enters a folder); Backspace goes
// up a folder; F marks a favourite; Space plays the highlighted file again.
// The list narrows by name as you type in the filter, searches the folders
// below too with "Subfolders" on (each match with its subfolder), and shows
// favourites first or alone. While a large folder is read, a line says how
// far. Beside it: what the device plays of the selected file.
import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import QtQuick.Dialogs 1.3 as Dialogs
import "."

Item {
    id: page
    objectName: "impulsesPage"

    property var device: null
    readonly property var impulses: device ? device.impulses : null
    readonly property var files: impulses ? impulses.files : null
    readonly property bool usable: device !== null && device.connected
    readonly property int selectedRow: files ? files.selectedRow : -1
    readonly property string selectedPath: files ? files.selectedPath : ""
    // The selected row's roles, read again whenever the list changes.
    property var selected: ({})
    // The device plays the selected file (loaded, maybe still going out).
    readonly property bool selectedPlays: selectedPath !== "" && impulses !== null
                                          && impulses.currentPath === selectedPath
    readonly property string storedName: files ? files.storedName : ""
    readonly property bool selectedWaits: selectedPath !== "" && impulses !== null
                                          && impulses.waitingPath === selectedPath

    function refreshSelected() {
        selected = files && selectedRow >= 0 ? files.get(selectedRow) : ({})
    }
    onSelectedRowChanged: {
        refreshSelected()
        if (selectedRow >= 0)
            list.positionViewAtIndex(selectedRow, ListView.Contain)
    }
    Connections {
        target: page.files
        function onDataChanged() { page.refreshSelected() }
        function onSelectionChanged() { page.refreshSelected() }
    }

    // The folder is listed and watched only while the page is shown.
    function showFiles() {
        if (files)
            files.active = visible
    }
    onFilesChanged: showFiles()
    onVisibleChanged: {
        showFiles()
        if (visible)
            list.forceActiveFocus()
    }

    function fileName(path) {
        return String(path).replace(/^.*[\/\\]/, "")
    }

    // Enter: a folder is entered; the file the device plays is saved with
    // the preset, through the panel's own save.
    function activate() {
        if (!files || selectedRow < 0)
            return
        if (files.get(selectedRow).folder) {
            impulses.enter(selectedRow)
            return
        }
        if (canSave())
            device.save()
    }
    function canSave() {
        return usable && selectedPlays && !selectedWaits && !device.busy && !device.saving
               && device.edited
    }

    RowLayout {
        anchors.fill: parent
        spacing: Theme.gap

        // ---- the folder and its files ----------------------------------------
        Card {
            id: listCard
            title: "Impulse files"
            Layout.fillWidth: true
            Layout.fillHeight: true
            stretch: true
            bodySpacing: 8

            RowLayout {
                Layout.fillWidth: true
                spacing: 8
                PanelButton {
                    objectName: "folderUpButton"
                    text: "Up"
                    implicitWidth: 56
                    enabled: page.impulses !== null && page.impulses.canGoUp
                    // Tab reaches it; a click leaves the keys with the list.
                    focusPolicy: Qt.TabFocus
                    hint: "The folder above (Backspace)"
                    Accessible.name: "Folder above"
                    Accessible.description: hint
                    onClicked: page.impulses.up()
                }
                Text {
                    objectName: "folderPath"
                    Layout.fillWidth: true
                    text: page.impulses ? page.impulses.folder : ""
                    color: Theme.text
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.fontBase
                    elide: Text.ElideMiddle
                }
                PanelButton {
                    objectName: "chooseFolderButton"
                    text: page.narrow ? "Folder…" : "Change folder…"
                    focusPolicy: Qt.TabFocus
                    hint: "Show another folder; the Load WAV… dialog starts there too"
                    Accessible.name: "Change folder"
                    Accessible.description: hint
                    onClicked: {
                        folderDialog.folder = "file://" + page.impulses.folder
                        folderDialog.open()
                    }
                }
            }

            GridLayout {
                id: filterRow
                Layout.fillWidth: true
                // the favourites buttons go below the filter in a narrow page
                columns: listCard.width >= 600 ? 3 : 2
                columnSpacing: 8
                rowSpacing: 6
                TextField {
                    id: filterField
                    objectName: "impulseFilter"
                    Layout.fillWidth: true
                    placeholderText: page.files && page.files.searchSubfolders
                                     ? "Search here and below by name" : "Filter by name"
                    Accessible.name: "Filter by name"
                    selectByMouse: true
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.fontBase
                    color: Theme.text
                    onTextChanged: if (page.files) page.files.filter = text
                    // Down goes on to the list, Escape empties the filter.
                    Keys.onDownPressed: {
                        list.forceActiveFocus()
                        page.impulses.step(1)
                    }
                    Keys.onEscapePressed: text = ""
                    Keys.onReturnPressed: list.forceActiveFocus()
                    Keys.onEnterPressed: list.forceActiveFocus()
                }
                // The filter searches the folder and every folder below it.
                AbstractButton {
                    id: subfolderSwitch
                    objectName: "searchSubfolders"
                    checkable: true
                    checked: page.files !== null && page.files.searchSubfolders
                    focusPolicy: Qt.TabFocus
                    hoverEnabled: true
                    implicitHeight: 32
                    implicitWidth: switchRow.implicitWidth + 12
                    padding: 0
                    text: "Subfolders"
                    Accessible.role: Accessible.CheckBox
                    Accessible.name: "Search subfolders"
                    Accessible.checkable: true
                    Accessible.checked: checked
                    onToggled: if (page.files) page.files.searchSubfolders = checked

                    PanelToolTip {
                        visible: subfolderSwitch.hovered
                        text: "Search this folder and every folder below it"
                    }
                    background: Rectangle {
                        radius: 6
                        color: "transparent"
                        border.width: subfolderSwitch.visualFocus ? 2 : 0
                        border.color: Theme.accent
                    }
                    contentItem: Item {
                        Row {
                            id: switchRow
                            anchors.centerIn: parent
                            spacing: 6
                            Rectangle {
                                width: 30
                                height: 16
                                radius: 8
                                anchors.verticalCenter: parent.verticalCenter
                                color: subfolderSwitch.checked ? Theme.on : Theme.off
                                Rectangle {
                                    width: 12
                                    height: 12
                                    radius: 6
                                    y: 2
                                    x: subfolderSwitch.checked ? parent.width - width - 2 : 2
                                    color: "#ffffff"
                                }
                            }
                            Text {
                                text: subfolderSwitch.text
                                anchors.verticalCenter: parent.verticalCenter
                                color: Theme.textDim
                                font.family: Theme.fontFamily
                                font.pixelSize: Theme.fontBase
                            }
                        }
                    }
                }
                // Favourites: among the rest, first, or alone.
                Row {
                    objectName: "favouritesMode"
                    Layout.columnSpan: filterRow.columns === 3 ? 1 : 2
                    spacing: 2
                    Repeater {
                        model: ["All", "\u2605 first", "\u2605 only"]
                        PanelButton {
                            objectName: "favourites_" + index
                            text: modelData
                            implicitWidth: page.narrow ? 64 : 74
                            focusPolicy: Qt.TabFocus
                            latched: page.files !== null && page.files.favourites === index
                            hint: ["All files in name order", "Favourites first, then the rest",
                                   "Only the favourites (and the folders)"][index]
                            Accessible.role: Accessible.RadioButton
                            Accessible.name: ["All files", "Favourites first", "Favourites only"][index]
                            Accessible.description: hint
                            Accessible.checkable: true
                            Accessible.checked: latched
                            onClicked: page.files.favourites = index
                        }
                    }
                }
            }

            // column captions
            RowLayout {
                Layout.fillWidth: true
                Layout.topMargin: 2
                spacing: 8
                Item { Layout.preferredWidth: 22 }
                Repeater {
                    model: [{ text: "Name", width: -1 }, { text: "Format", width: formatWidth },
                            { text: "Length", width: lengthWidth }]
                    Text {
                        visible: modelData.width !== 0
                        Layout.fillWidth: modelData.width < 0
                        Layout.preferredWidth: modelData.width < 0 ? 1 : modelData.width
                        text: modelData.text
                        horizontalAlignment: index === 2 ? Text.AlignRight : Text.AlignLeft
                        color: Theme.textDim
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.fontSmall
                        font.bold: true
                    }
                }
                Item { Layout.preferredWidth: 10 }
            }

            Rectangle {
                Layout.fillWidth: true
                Layout.fillHeight: true
                radius: 6
                color: Theme.inset
                border.width: list.activeFocus ? 1 : 0
                border.color: Theme.accent

                ListView {
                    id: list
                    objectName: "impulseList"
                    anchors.fill: parent
                    anchors.margins: 2
                    anchors.rightMargin: 14
                    clip: true
                    focus: true
                    model: page.files
                    currentIndex: page.selectedRow
                    highlightFollowsCurrentItem: false
                    keyNavigationEnabled: false
                    boundsBehavior: Flickable.StopAtBounds
                    activeFocusOnTab: true
                    Accessible.role: Accessible.List
                    Accessible.name: "Impulse files"
                    ScrollBar.vertical: PanelScrollBar {
                        parent: list.parent
                        anchors.top: list.top
                        anchors.bottom: list.bottom
                        anchors.left: list.right
                    }

                    Keys.onPressed: {
                        if (!page.impulses)
                            return
                        switch (event.key) {
                        case Qt.Key_Down:
                        case Qt.Key_J:
                            page.impulses.step(1)
                            break
                        case Qt.Key_Up:
                        case Qt.Key_K:
                            page.impulses.step(-1)
                            break
                        case Qt.Key_Return:
                        case Qt.Key_Enter:
                            page.activate()
                            break
                        case Qt.Key_Backspace:
                            page.impulses.up()
                            break
                        case Qt.Key_Space:
                            if (page.selectedRow >= 0)
                                page.impulses.select(page.selectedRow)
                            break
                        case Qt.Key_F:
                            if (page.selectedRow >= 0 && !page.selected.folder)
                                page.files.setFavourite(page.selectedRow, !page.selected.favourite)
                            break
                        default:
                            return
                        }
                        event.accepted = true
                    }

                    delegate: Rectangle {
                        id: row
                        objectName: "impulseRow_" + index
                        width: list.width
                        height: 28
                        readonly property bool isSelected: index === page.selectedRow
                        readonly property bool plays: page.impulses !== null
                                                      && page.impulses.currentPath === model.path
                        color: isSelected ? Qt.tint(Theme.card, Qt.rgba(Theme.accent.r, Theme.accent.g,
                                                                        Theme.accent.b, 0.22))
                             : mouse.containsMouse ? Theme.card : "transparent"
                        radius: 4
                        // the highlighted row shows where the keys are
                        border.width: isSelected && list.activeFocus ? 1 : 0
                        border.color: Theme.accent
                        Accessible.role: Accessible.ListItem
                        Accessible.name: (model.subfolder !== "" ? model.subfolder + "/" : "") + model.name
                                         + (model.folder ? ", folder" : !model.usable ? ", cannot be used"
                                            : model.ready ? ", " + model.format + ", " + model.length : "")
                        Accessible.selectable: true
                        Accessible.selected: isSelected

                        MouseArea {
                            id: mouse
                            anchors.fill: parent
                            hoverEnabled: true
                            onClicked: {
                                list.forceActiveFocus()
                                page.impulses.select(index)
                            }
                            onDoubleClicked: {
                                if (model.folder)
                                    page.impulses.enter(index)
                            }
                        }

                        // Why a file cannot be used; the format where its column gave way.
                        PanelToolTip {
                            readonly property string note: model.folder ? ""
                                : !model.usable ? model.reason
                                : formatWidth === 0 ? model.format : ""
                            visible: mouse.containsMouse && note !== ""
                            text: note
                        }

                        // the file the device plays
                        Rectangle {
                            visible: row.plays
                            width: 3
                            height: parent.height - 8
                            anchors.verticalCenter: parent.verticalCenter
                            radius: 1.5
                            color: Theme.on
                        }

                        RowLayout {
                            anchors.fill: parent
                            anchors.leftMargin: 6
                            anchors.rightMargin: 4
                            spacing: 8

                            Text {
                                objectName: "favourite_" + index
                                Layout.preferredWidth: 16
                                text: model.folder ? "" : (model.favourite ? "\u2605" : "\u2606")
                                color: model.favourite ? Theme.accent : Theme.textFaint
                                font.family: Theme.fontFamily
                                font.pixelSize: 15
                                Accessible.role: Accessible.CheckBox
                                Accessible.name: "Favourite"
                                Accessible.checkable: !model.folder
                                Accessible.checked: model.favourite
                                Accessible.onToggleAction: page.files.setFavourite(index, !model.favourite)
                                Accessible.onPressAction: page.files.setFavourite(index, !model.favourite)
                                MouseArea {
                                    anchors.fill: parent
                                    anchors.margins: -4
                                    enabled: !model.folder
                                    onClicked: page.files.setFavourite(index, !model.favourite)
                                }
                            }
                            // where a search found it
                            Text {
                                objectName: "subfolder_" + index
                                visible: model.subfolder !== ""
                                Layout.maximumWidth: Math.round(row.width * 0.3)
                                text: model.subfolder + "/"
                                elide: Text.ElideLeft
                                color: Theme.textDim
                                font.family: Theme.fontFamily
                                font.pixelSize: Theme.fontSmall
                            }
                            Text {
                                Layout.fillWidth: true
                                Layout.preferredWidth: 1
                                text: model.folder ? model.name + "/" : model.name
                                elide: Text.ElideMiddle
                                color: model.folder || model.usable ? Theme.text : Theme.textFaint
                                font.family: Theme.fontFamily
                                font.pixelSize: Theme.fontBase
                                font.bold: model.folder || row.isSelected
                            }
                            Rectangle {
                                objectName: "storedMark_" + index
                                visible: model.stored
                                Layout.preferredWidth: storedText.implicitWidth + 12
                                Layout.preferredHeight: 18
                                radius: 9
                                color: "transparent"
                                border.width: 1
                                border.color: Theme.info
                                Text {
                                    id: storedText
                                    anchors.centerIn: parent
                                    text: "in preset"
                                    color: Theme.info
                                    font.family: Theme.fontFamily
                                    font.pixelSize: 10
                                    font.bold: true
                                }
                            }
                            Text {
                                visible: formatWidth > 0
                                Layout.preferredWidth: formatWidth
                                text: model.folder ? "folder"
                                    : !model.ready ? "…"
                                    : !model.usable ? "cannot be used"
                                    : model.format + (model.willConvert ? "" : " \u2713")
                                elide: Text.ElideRight
                                color: !model.folder && model.ready && !model.usable ? Theme.error
                                                                                    : Theme.textDim
                                font.family: Theme.fontFamily
                                font.pixelSize: Theme.fontSmall
                            }
                            Text {
                                Layout.preferredWidth: lengthWidth
                                horizontalAlignment: Text.AlignRight
                                text: model.length
                                color: Theme.textDim
                                font.family: Theme.fontFamily
                                font.pixelSize: Theme.fontSmall
                            }
                        }
                    }

                    Text {
                        anchors.centerIn: parent
                        visible: list.count === 0
                        width: parent.width - 40
                        horizontalAlignment: Text.AlignHCenter
                        wrapMode: Text.WordWrap
                        readonly property bool below: page.files !== null && page.files.searchSubfolders
                        text: !page.files || page.files.listing ? ""
                              : page.files.filter !== ""
                                ? "No name " + (below ? "here or in the folders below" : "here")
                                  + " contains \u201c" + page.files.filter + "\u201d."
                              : page.files.favourites === 2
                                ? "No favourites " + (below ? "here or below" : "in this folder")
                                  + ": mark files with \u2606 or F."
                              : below ? "No files here or in the folders below." : "This folder is empty."
                        color: Theme.textDim
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.fontBase
                    }
                }
            }

            // How far the reading (or the search) is.
            RowLayout {
                Layout.fillWidth: true
                visible: progressText.text !== ""
                spacing: 8
                Text {
                    id: progressText
                    objectName: "impulseProgress"
                    text: page.files ? page.files.progress : ""
                    color: Theme.textDim
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.fontSmall
                }
                Rectangle {
                    Layout.fillWidth: true
                    Layout.preferredHeight: 4
                    radius: 2
                    color: Theme.inset
                    visible: page.files !== null && page.files.total > 0 && !page.files.listing
                    Rectangle {
                        height: parent.height
                        radius: 2
                        width: page.files && page.files.total > 0
                               ? parent.width * page.files.read / page.files.total : 0
                        color: Theme.accent
                    }
                }
            }

            Text {
                Layout.fillWidth: true
                Layout.preferredWidth: 1
                text: "\u2191 \u2193 or K J: play the next file on the device \u00b7 Enter: save it "
                      + "with the preset \u00b7 Backspace: folder above \u00b7 F: favourite \u00b7 "
                      + "\u2713 goes to the device as it is"
                wrapMode: Text.WordWrap
                color: Theme.textFaint
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontSmall
            }
        }

        // ---- the selected file -----------------------------------------------
        Card {
            objectName: "auditionCard"
            title: "Selected impulse"
            Layout.preferredWidth: page.narrow ? Math.max(220, Math.round(page.width * 0.38)) : 320
            Layout.alignment: Qt.AlignTop
            bodySpacing: 6

            Text {
                objectName: "selectedName"
                Layout.fillWidth: true
                text: page.selectedPath !== "" ? page.fileName(page.selectedPath) : "Nothing selected"
                color: page.selectedPath !== "" ? Theme.text : Theme.textFaint
                font.family: Theme.fontFamily
                font.pixelSize: 17
                font.bold: page.selectedPath !== ""
                elide: Text.ElideMiddle
            }

            Text {
                objectName: "selectedState"
                Layout.fillWidth: true
                Layout.preferredWidth: 1
                wrapMode: Text.WordWrap
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontSmall
                readonly property bool unusable: page.selected.usable === false
                                                 && page.selected.folder === false
                text: page.selectedPath === "" ? "Step through the files with \u2191 and \u2193."
                    : page.selected.folder ? "A folder: Enter or a double click opens it."
                    : unusable ? page.selected.reason
                    : page.selectedWaits ? "Waiting for the device to take the one before\u2026"
                    : page.selectedPlays && page.device.saving ? "Saving to the preset\u2026"
                    : page.selectedPlays && !page.device.edited ? "Saved with the preset."
                    : page.selectedPlays && page.device.busy ? "Sending to the device\u2026"
                    : page.selectedPlays ? "Playing on the device, not saved yet."
                    : ""
                color: unusable ? Theme.error : Theme.textDim
                visible: text !== ""
            }

            Text {
                Layout.fillWidth: true
                visible: page.selectedPlays
                text: page.selectedPlays ? page.impulses.sourceText : ""
                color: Theme.textDim
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontSmall
                elide: Text.ElideRight
            }
            Text {
                Layout.fillWidth: true
                Layout.preferredWidth: 1
                objectName: "selectedKept"
                readonly property string kept: page.selectedPlays ? page.impulses.keptText : ""
                Layout.preferredHeight: kept === "" ? 0 : -1
                text: kept === "" ? "" : kept.charAt(0).toUpperCase() + kept.substring(1)
                                         + ": the device holds no more"
                color: Theme.edited
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontSmall
                wrapMode: Text.WordWrap
            }

            ImpulseGraph {
                objectName: "selectedGraph"
                visible: page.selectedPlays
                Layout.fillWidth: true
                Layout.topMargin: 4
                waveform: page.selectedPlays ? page.impulses.waveform : []
                response: page.selectedPlays ? page.impulses.response : []
                frequencies: page.impulses ? page.impulses.responseFrequencies : []
                peakDb: page.selectedPlays ? page.impulses.peakDb : -150
            }

            PanelButton {
                objectName: "saveToPresetButton"
                device: page.device
                Layout.fillWidth: true
                Layout.topMargin: 6
                text: "Save to preset"
                primary: true
                focusPolicy: Qt.TabFocus
                enabled: page.canSave()
                hint: "Store this impulse with the current preset (Enter)"
                Accessible.name: "Save to preset"
                Accessible.description: hint
                onClicked: {
                    page.device.save()
                    list.forceActiveFocus()
                }
            }

            // The preset's own impulse, as the device names it; its file is
            // marked "in preset" in the list.
            Text {
                objectName: "presetImpulse"
                Layout.fillWidth: true
                Layout.topMargin: 4
                text: "In the preset: " + (page.storedName === "" || page.storedName === "empty"
                                           ? "no impulse" : page.storedName)
                elide: Text.ElideMiddle
                color: Theme.textDim
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontSmall
            }
        }
    }

    // In a narrow window the selected file's card gets narrower, and the
    // format column gives way to the name (the card beside shows the format).
    readonly property bool narrow: width > 0 && width < 860
    readonly property int formatWidth: listCard.width < 480 ? 0
                                       : Math.min(230, Math.max(120, listCard.width * 0.3))
    readonly property int lengthWidth: 56

    Dialogs.FileDialog {
        id: folderDialog
        objectName: "impulseFolderDialog"
        title: "Choose the folder of impulse files"
        selectFolder: true
        onAccepted: {
            page.impulses.folder = String(fileUrl)
            list.forceActiveFocus()
        }
    }
}

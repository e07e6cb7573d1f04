// The Library page: back up the whole device to a file, restore all or some
// presets from one, and share the current preset as a file. The work is
// `_library`'s; its progress, its question before a restore writes and
// Cancel show over the window (LibraryProgress), its outcome at the top of
// this page.
import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import QtQuick.Dialogs 1.3 as Dialogs
import "."

Flickable {
    id: page

    property var device: null
    readonly property var library: device !== null && device.alive
                                   && typeof _library !== "undefined" ? _library : null
    readonly property bool usable: device !== null && device.connected && library !== null
                                   && !library.busy
    readonly property bool editsWaiting: device !== null && device.edited

    // The backup chosen for a restore: what inspect() said of it.
    property var chosen: null
    property string chosenPath: ""
    property var picked: ({})          // preset number -> true
    property int pickedCount: 0

    property string resultText: ""
    property bool resultOk: true
    // An operation waiting for the save of the current preset to end.
    property string afterSave: ""

    // A titled card of the page. Positioners, not layouts: a wrapping text
    // in a layout would make a card's height depend on its own layout.
    component Section: Rectangle {
        id: section
        property string title: ""
        property bool lit: false
        default property alias rows: body.data
        width: parent ? parent.width : 0
        height: body.height + 2 * Theme.pad
        color: Theme.card
        radius: Theme.radius
        border.width: 1
        border.color: lit ? Theme.on : Theme.cardBorder
        Column {
            id: body
            x: Theme.pad
            y: Theme.pad
            width: parent.width - 2 * Theme.pad
            spacing: 10
            Text {
                text: section.title
                color: Theme.text
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontTitle
                font.bold: true
            }
        }
    }

    // Where to write a file: a name (suggested) and a folder (the library's,
    // or one chosen), then the action's button.
    component FileNameQuestion: Popup {
        id: ask
        property string title: ""
        property string action: ""
        property url folder: ""
        property var device: null
        signal chosen(string path)
        signal otherFolderWanted()
        function suggest(name) { nameField.text = name }
        function accept() {
            var name = nameField.text.trim()
            if (name === "")
                return
            close()
            chosen(device.localPath(String(folder)) + "/" + name)
        }
        modal: true
        focus: true
        closePolicy: Popup.CloseOnEscape
        anchors.centerIn: Overlay.overlay
        width: 480
        padding: 22
        background: Rectangle {
            radius: Theme.radius + 2
            color: Theme.card
            border.width: 1
            border.color: Theme.cardBorder
        }
        Overlay.modal: Rectangle { color: "#99000000" }
        onOpened: nameField.forceActiveFocus()

        contentItem: ColumnLayout {
            spacing: 12
            Text {
                text: ask.title
                color: Theme.text
                font.family: Theme.fontFamily
                font.pixelSize: 17
                font.bold: true
            }
            TextField {
                id: nameField
                objectName: ask.objectName + "Name"
                Layout.fillWidth: true
                selectByMouse: true
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontBase
                onAccepted: ask.accept()
            }
            Text {
                objectName: ask.objectName + "Folder"
                Layout.fillWidth: true
                text: ask.device ? "In " + ask.device.localPath(String(ask.folder)) : ""
                wrapMode: Text.WrapAnywhere
                color: Theme.textDim
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontBase
            }
            RowLayout {
                Layout.fillWidth: true
                spacing: 8
                PanelButton {
                    text: "Other folder…"
                    onClicked: ask.otherFolderWanted()
                }
                Item { Layout.fillWidth: true }
                PanelButton {
                    objectName: ask.objectName + "Cancel"
                    text: "Cancel"
                    onClicked: ask.close()
                }
                PanelButton {
                    objectName: ask.objectName + "Accept"
                    text: ask.action
                    primary: true
                    enabled: nameField.text.trim() !== ""
                    onClicked: ask.accept()
                }
            }
        }
    }

    // A paragraph of a section.
    component LibraryText: Text {
        width: parent ? parent.width : 0
        wrapMode: Text.WordWrap
        color: Theme.textDim
        font.family: Theme.fontFamily
        font.pixelSize: Theme.fontBase
        lineHeight: 1.15
    }

    objectName: "libraryPage"
    clip: true
    contentHeight: column.height
    boundsBehavior: Flickable.StopAtBounds
    ScrollBar.vertical: PanelScrollBar { objectName: "libraryPageScrollBar" }

    // ---- what the buttons do ------------------------------------------------
    // A backup or restore steps through presets: unsaved changes are saved
    // first, if the user agrees.
    function start(what) {
        if (editsWaiting) {
            saveFirst.what = what
            saveFirst.open()
            return
        }
        if (what === "backup")
            openDialog(backupDialog)
        else if (what === "restore")
            runRestore()
    }

    // The dialogs start where the last backup was kept, else in Documents;
    // the save questions suggest a name.
    function openDialog(dialog) {
        dialog.folder = library.folder
        if (dialog === backupDialog)
            dialog.suggest(library.backupName())
        else if (dialog === exportDialog)
            dialog.suggest(library.exportName(device.bank, device.preset))
        dialog.open()
    }

    function chooseFolder(question) {
        folderDialog.target = question
        folderDialog.folder = question.folder
        folderDialog.open()
    }

    function remember(url) {
        return device.localPath(url)
    }

    function withExtension(path) {
        return /\.[^\/\\]+$/.test(path) ? path : path + ".json"
    }

    function choose(url) {
        var path = remember(url)
        var info = library.inspect(path)
        if (!info.ok) {
            chosen = null
            showResult(false, path.replace(/^.*[\/\\]/, "") + " cannot be restored. " + info.message)
            return
        }
        chosen = info
        chosenPath = path
        var all = {}
        for (var i = 0; i < info.presets.length; ++i)
            all[info.presets[i].number] = true
        picked = all
        pickedCount = info.presets.length
        resultText = ""
    }

    function toggle(number) {
        var p = picked
        p[number] = !p[number]
        picked = p
        pickedCount += p[number] ? 1 : -1
    }

    function pickAll(on) {
        var p = {}
        for (var i = 0; i < chosen.presets.length; ++i)
            p[chosen.presets[i].number] = on
        picked = p
        pickedCount = on ? chosen.presets.length : 0
    }

    function runRestore() {
        var numbers = []
        for (var i = 0; i < chosen.presets.length; ++i)
            if (picked[chosen.presets[i].number])
                numbers.push(chosen.presets[i].number)
        if (numbers.length === chosen.presets.length)
            library.restore(chosenPath)
        else
            library.restore(chosenPath, numbers)
    }

    // The outcome, at the top of the page where the user is looking.
    function showResult(ok, text) {
        resultOk = ok
        resultText = text
        contentY = 0
    }

    Connections {
        target: page.library
        function onFinished(ok, message) {
            page.showResult(ok, message)
        }
        // What a restore wrote shows on the slots page too.
        function onRestoreEnded(written) {
            if (written > 0 && page.device.slotList)
                page.device.slotList.refresh()
        }
    }

    // The save asked for before a backup or restore has ended.
    Connections {
        target: page.device
        function onBusyChanged() {
            if (page.afterSave === "" || page.device.busy)
                return
            var what = page.afterSave
            page.afterSave = ""
            // From the event loop, once the back end's signal has run its
            // course (the dialog opens a window of its own).
            if (!page.device.edited)
                Qt.callLater(page.start, what)
        }
    }

    // ---- the page ----------------------------------------------------------------
    Column {
        id: column
        width: page.width - Theme.scrollBarRoom
        spacing: Theme.gap

        Section {
            objectName: "libraryResult"
            visible: page.resultText !== ""
            title: page.resultOk ? "Done" : "Not done"
            lit: page.resultOk

            LibraryText {
                objectName: "libraryResultText"
                text: page.resultText
                color: page.resultOk ? Theme.text : Theme.error
            }
        }

        Section {
            title: "Back up the device"

            LibraryText {
                text: "Saves every preset of the device, its settings and its impulse, to one "
                      + "file on this computer. The device steps through all presets while they "
                      + "are read, then returns to the current one."
            }
            PanelButton {
                objectName: "backupButton"
                device: page.device
                text: "Back up all presets…"
                primary: true
                enabled: page.usable
                onClicked: page.start("backup")
            }
        }

        Section {
            title: "Restore from a backup"

            LibraryText {
                text: "Puts presets from a backup back on the device. The whole file is "
                      + "checked before anything is sent. The chosen presets are read and "
                      + "compared first: those that already match are left alone, and you see "
                      + "what will change and confirm before anything is written. Once you "
                      + "confirm, what they hold is kept in a safety copy"
                      + (page.library ? " (in " + page.library.safetyFolder() + ")" : "")
                      + "; the newest 20 safety copies are kept."
            }
            PanelButton {
                objectName: "chooseBackupButton"
                device: page.device
                text: "Choose a backup…"
                enabled: page.library !== null && !page.library.busy
                onClicked: page.openDialog(restoreDialog)
            }

            LibraryText {
                objectName: "chosenBackup"
                visible: page.chosen !== null
                color: page.chosen && !page.chosen.fits ? Theme.error : Theme.text
                text: !page.chosen ? ""
                      : page.chosenPath.replace(/^.*[\/\\]/, "") + ": " + page.chosen.presets.length
                        + " presets of a device with " + page.chosen.banks + " banks of "
                        + page.chosen.presetsPerBank + ", firmware " + (page.chosen.firmware || "?")
                        + (page.chosen.created ? ", made " + page.chosen.created : "")
                        + (page.chosen.fits ? "" : ". The connected device is of another size.")
            }

            Row {
                visible: page.chosen !== null
                spacing: 8
                PanelButton {
                    objectName: "pickAllButton"
                    device: page.device
                    text: "All"
                    onClicked: page.pickAll(true)
                }
                PanelButton {
                    objectName: "pickNoneButton"
                    device: page.device
                    text: "None"
                    onClicked: page.pickAll(false)
                }
                PanelButton {
                    objectName: "restoreButton"
                    device: page.device
                    primary: true
                    text: page.pickedCount === 1 ? "Restore 1 preset"
                                                 : "Restore " + page.pickedCount + " presets"
                    enabled: page.usable && page.pickedCount > 0 && page.chosen !== null
                             && page.chosen.fits
                    onClicked: page.start("restore")
                }
            }

            // A bank to a row.
            Grid {
                objectName: "restoreChoice"
                visible: page.chosen !== null
                width: parent.width
                columns: page.chosen ? page.chosen.presetsPerBank : 1
                spacing: 4
                Repeater {
                    model: page.chosen ? page.chosen.presets : []
                    delegate: Rectangle {
                        id: cell
                        readonly property bool on: page.picked[modelData.number] === true
                        objectName: "restorePick_" + modelData.number
                        // a bank to a row
                        width: Math.min(150, Math.floor((parent.width - 4 * (page.chosen.presetsPerBank - 1))
                                                        / page.chosen.presetsPerBank))
                        height: 38
                        radius: 5
                        color: on ? Qt.rgba(Theme.accent.r, Theme.accent.g, Theme.accent.b, 0.18)
                                  : Theme.inset
                        border.width: 1
                        border.color: on ? Theme.accent : Theme.cardBorder
                        Column {
                            x: 8
                            anchors.verticalCenter: parent.verticalCenter
                            width: parent.width - 16
                            Text {
                                text: (cell.on ? "✓ " : "") + modelData.place
                                color: Theme.text
                                font.family: Theme.fontFamily
                                font.pixelSize: Theme.fontSmall
                                font.bold: true
                            }
                            Text {
                                width: parent.width
                                text: modelData.impulse !== "" ? modelData.impulse : "no impulse"
                                elide: Text.ElideRight
                                color: Theme.textDim
                                font.family: Theme.fontFamily
                                font.pixelSize: Theme.fontSmall
                            }
                        }
                        MouseArea {
                            id: cellMouse
                            anchors.fill: parent
                            hoverEnabled: true
                            onClicked: page.toggle(modelData.number)
                        }
                        PanelToolTip {
                            visible: cellMouse.containsMouse
                            text: "Preset " + modelData.place + ": "
                                  + (modelData.impulse !== "" ? modelData.impulse : "no impulse")
                                  + (cell.on ? ". Chosen for the restore." : ". Not chosen.")
                        }
                    }
                }
            }
        }

        Section {
            title: "Share one preset"

            LibraryText {
                text: "Export saves the current preset as it sounds now, unsaved changes "
                      + "included, to a file you can send to a friend. Import puts such a file "
                      + "on the current preset as a change to try: it is stored only when you save."
            }
            Row {
                spacing: 8
                PanelButton {
                    objectName: "exportButton"
                    device: page.device
                    text: "Export current preset…"
                    enabled: page.usable
                    onClicked: page.openDialog(exportDialog)
                }
                PanelButton {
                    objectName: "importButton"
                    device: page.device
                    text: "Import a preset…"
                    enabled: page.usable
                    onClicked: page.openDialog(importDialog)
                }
            }
        }

    }

    // ---- questions and dialogs ----------------------------------------------------
    Popup {
        id: saveFirst
        property string what: ""
        objectName: "librarySaveFirst"
        modal: true
        focus: true
        closePolicy: Popup.CloseOnEscape
        anchors.centerIn: Overlay.overlay
        width: 420
        padding: 22
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
                text: "Save the current preset first?"
                color: Theme.text
                font.family: Theme.fontFamily
                font.pixelSize: 17
                font.bold: true
            }
            LibraryText {
                text: "The current preset has changes that are not stored on the device. "
                      + (saveFirst.what === "backup" ? "A backup" : "A restore")
                      + " steps through the presets, which would lose them."
            }
            RowLayout {
                Layout.fillWidth: true
                spacing: 8
                Item { Layout.fillWidth: true }
                PanelButton {
                    objectName: "saveFirstCancel"
                    text: "Cancel"
                    onClicked: saveFirst.close()
                }
                PanelButton {
                    objectName: "saveFirstSave"
                    text: "Save and continue"
                    primary: true
                    focus: true
                    onClicked: {
                        saveFirst.close()
                        page.afterSave = saveFirst.what
                        page.device.save()
                    }
                }
            }
        }
    }

    FileNameQuestion {
        id: backupDialog
        objectName: "backupDialog"
        title: "Back up all presets"
        action: "Back up"
        device: page.device
        onChosen: page.library.backup(page.withExtension(path))
        onOtherFolderWanted: page.chooseFolder(backupDialog)
    }

    Dialogs.FileDialog {
        id: folderDialog
        property var target: null
        objectName: "libraryFolderDialog"
        title: "Choose a folder"
        selectFolder: true
        onAccepted: target.folder = fileUrl
    }

    Dialogs.FileDialog {
        id: restoreDialog
        objectName: "restoreDialog"
        title: "Choose a backup to restore"
        nameFilters: ["Preset files (*.json)", "All files (*)"]
        selectExisting: true
        onAccepted: page.choose(fileUrl)
    }

    FileNameQuestion {
        id: exportDialog
        objectName: "exportDialog"
        title: "Export the current preset"
        action: "Export"
        device: page.device
        onChosen: page.library.exportPreset(page.withExtension(path))
        onOtherFolderWanted: page.chooseFolder(exportDialog)
    }

    Dialogs.FileDialog {
        id: importDialog
        objectName: "importDialog"
        title: "Import a preset"
        nameFilters: ["Preset files (*.json)", "All files (*)"]
        selectExisting: true
        onAccepted: page.library.importPreset(page.remember(fileUrl))
    }
}

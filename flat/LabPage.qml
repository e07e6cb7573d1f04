// The "Cabinet lab" page: two impulses (A, and B to blend in), how they are
// blended and lined up, cuts and shaping, the result drawn over its sources,
// and buttons to hear A, B or the result on the device, save it as a file or
// use it in the current preset. The work is `_lab`'s; this page lays it out.
// Every control has a name for screen readers, Tab reaches each one with a
// visible focus mark, and a slider takes the wheel only while it has focus,
// so the page scrolls under the pointer.
import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import QtQuick.Dialogs 1.3 as Dialogs
import "."

Flickable {
    id: page
    objectName: "labPage"

    property var device: null
    readonly property var lab: device !== null && device.alive
                               && typeof _lab !== "undefined" ? _lab : null
    readonly property var impulses: device ? device.impulses : null
    // The file highlighted on the Impulses page, for "From Impulses".
    readonly property string browserSelection: impulses && impulses.files
                                               ? impulses.files.selectedPath : ""
    readonly property bool usable: lab !== null && device.connected
    readonly property bool hasResult: lab !== null && lab.hasResult
    readonly property bool wide: width >= 2 * 330 + Theme.gap + Theme.scrollBarRoom

    property string message: ""
    property bool messageIsError: false
    property string folder: ""

    function say(text, error) {
        message = text
        messageIsError = error
    }

    function fileName(path) {
        return String(path).replace(/^.*[\/\\]/, "")
    }

    function setSource(slot, url) {
        if (!lab)
            return
        var s = String(url)
        if (s.indexOf("/") >= 0)
            folder = s.substring(0, s.lastIndexOf("/"))
        if (lab.setSource(slot, s))
            say((slot === 0 ? "A" : "B") + " is " + fileName(device.localPath(s)) + ".", false)
    }

    function openDialog(dialog) {
        dialog.folder = folder !== "" ? folder : device.lastFolder()
        dialog.open()
    }

    Connections {
        target: page.lab
        function onFailed(path, reason) { page.say(reason, true) }
    }

    // ---- parts of the page ----------------------------------------------------------
    component Section: Rectangle {
        id: section
        property string title: ""
        default property alias rows: body.data
        height: body.height + 2 * Theme.pad
        color: Theme.card
        radius: Theme.radius
        border.width: 1
        border.color: Theme.cardBorder
        Column {
            id: body
            x: Theme.pad
            y: Theme.pad
            width: parent.width - 2 * Theme.pad
            spacing: 8
            Text {
                text: section.title
                color: Theme.text
                font.family: Theme.fontFamily
                font.pixelSize: Theme.fontTitle
                font.bold: true
            }
        }
    }

    // A labelled slider with its value and unit. It takes the wheel only
    // while it has the focus (a click or Tab gives it), so the page scrolls.
    component LabSlider: Item {
        id: row
        property string label: ""
        property string valueText: ""
        property alias from: slider.from
        property alias to: slider.to
        property alias stepSize: slider.stepSize
        property alias value: slider.value
        property alias slider: slider
        signal moved(real value)
        width: parent ? parent.width : 0
        height: Theme.rowHeight
        enabled: page.lab !== null

        Text {
            id: caption
            width: 96
            anchors.verticalCenter: parent.verticalCenter
            text: row.label
            color: row.enabled ? Theme.textDim : Theme.textFaint
            font.family: Theme.fontFamily
            font.pixelSize: Theme.fontBase
            elide: Text.ElideRight
        }
        Slider {
            id: slider
            anchors.left: caption.right
            anchors.right: shown.left
            anchors.rightMargin: 8
            anchors.verticalCenter: parent.verticalCenter
            snapMode: Slider.SnapAlways
            focusPolicy: Qt.StrongFocus
            wheelEnabled: activeFocus
            Accessible.name: row.label
            Accessible.description: row.valueText
            onMoved: row.moved(value)
            handle: Rectangle {
                x: slider.leftPadding + slider.visualPosition * (slider.availableWidth - width)
                y: slider.topPadding + (slider.availableHeight - height) / 2
                width: 16
                height: 16
                radius: 8
                color: slider.pressed ? Qt.lighter(Theme.accent, 1.2) : Theme.card
                border.width: slider.activeFocus ? 3 : 2
                border.color: !row.enabled ? Theme.off : slider.activeFocus ? Theme.text : Theme.accent
            }
            background: Rectangle {
                x: slider.leftPadding + 8
                y: slider.topPadding + (slider.availableHeight - height) / 2
                width: slider.availableWidth - 16
                height: 4
                radius: 2
                color: Theme.groove
                Rectangle {
                    width: slider.visualPosition * parent.width
                    height: parent.height
                    radius: 2
                    color: row.enabled ? Theme.accent : Theme.off
                }
            }
        }
        Text {
            id: shown
            width: 116
            anchors.right: parent.right
            anchors.verticalCenter: parent.verticalCenter
            horizontalAlignment: Text.AlignRight
            text: row.valueText
            color: row.enabled ? Theme.text : Theme.textFaint
            font.family: Theme.fontFamily
            font.pixelSize: Theme.fontBase
            font.bold: true
        }
    }

    component LabCheck: CheckBox {
        id: check
        enabled: page.lab !== null
        font.family: Theme.fontFamily
        font.pixelSize: Theme.fontBase
        focusPolicy: Qt.StrongFocus
        Accessible.name: text
        indicator: Rectangle {
            x: check.leftPadding
            y: (check.height - height) / 2
            width: 18
            height: 18
            radius: 4
            color: check.checked ? Theme.accent : Theme.inset
            border.width: check.visualFocus ? 3 : 1
            border.color: check.visualFocus ? Theme.text : Theme.cardBorder
            Text {
                anchors.centerIn: parent
                visible: check.checked
                text: "\u2713"
                color: Theme.accentText
                font.pixelSize: 13
                font.bold: true
            }
        }
        contentItem: Text {
            leftPadding: check.indicator.width + 8
            text: check.text
            color: check.enabled ? Theme.text : Theme.textFaint
            font: check.font
            verticalAlignment: Text.AlignVCenter
        }
    }

    // One source: its file, what it is, and the ways to choose, fill or hear it.
    component SourceSlot: Rectangle {
        id: slot
        property int index: 0
        readonly property string letter: index === 0 ? "A" : "B"
        readonly property string path: page.lab ? (index === 0 ? page.lab.sourceA : page.lab.sourceB) : ""
        readonly property string detail: page.lab ? (index === 0 ? page.lab.sourceAText
                                                                 : page.lab.sourceBText) : ""
        width: parent ? parent.width : 0
        height: slotColumn.height + 16
        radius: 6
        color: drop.containsDrag ? Qt.rgba(Theme.accent.r, Theme.accent.g, Theme.accent.b, 0.18)
                                 : Theme.inset
        border.width: drop.containsDrag ? 2 : 1
        border.color: drop.containsDrag ? Theme.accent : Theme.cardBorder

        DropArea {
            id: drop
            anchors.fill: parent
            onEntered: drag.accepted = page.lab !== null && drag.hasUrls
                                       && page.device.isLocalFile(drag.urls[0])
            onDropped: {
                if (drop.hasUrls && page.device.isLocalFile(drop.urls[0])) {
                    page.setSource(slot.index, drop.urls[0])
                    drop.accept()
                }
            }
        }

        Column {
            id: slotColumn
            x: 8
            y: 8
            width: parent.width - 16
            spacing: 6
            Row {
                width: parent.width
                spacing: 8
                Text {
                    id: letterText
                    text: slot.letter
                    color: slot.index === 0 ? Theme.info : Theme.on
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.fontTitle
                    font.bold: true
                }
                Column {
                    width: parent.width - letterText.width - 8
                    Text {
                        objectName: "labSource" + slot.letter
                        width: parent.width
                        text: slot.path !== "" ? page.fileName(slot.path)
                              : slot.index === 0 ? "Choose a file, drop one here, or take the Impulses page's"
                              : "Optional: a second microphone to blend in"
                        color: slot.path !== "" ? Theme.text : Theme.textFaint
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.fontBase
                        font.bold: slot.path !== ""
                        elide: Text.ElideMiddle
                    }
                    Text {
                        visible: slot.path !== ""
                        width: parent.width
                        text: slot.detail
                        color: Theme.textDim
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.fontSmall
                        elide: Text.ElideRight
                    }
                }
            }
            Flow {
                width: parent.width
                spacing: 6
                PanelButton {
                    objectName: "labChoose" + slot.letter
                    text: "Choose\u2026"
                    enabled: page.lab !== null
                    hint: "Pick an impulse file for " + slot.letter
                    Accessible.name: "Choose a file for impulse " + slot.letter
                    onClicked: {
                        sourceDialog.slot = slot.index
                        page.openDialog(sourceDialog)
                    }
                }
                PanelButton {
                    objectName: "labFromImpulses" + slot.letter
                    text: "From Impulses"
                    enabled: page.lab !== null && page.browserSelection !== ""
                    hint: page.browserSelection !== ""
                          ? "Take " + page.fileName(page.browserSelection) + ", highlighted on the Impulses page"
                          : "Highlight a file on the Impulses page first"
                    Accessible.name: "Take the Impulses page's file as impulse " + slot.letter
                    onClicked: page.setSource(slot.index, page.browserSelection)
                }
                PanelButton {
                    objectName: "labClear" + slot.letter
                    visible: slot.index === 1
                    text: "Clear"
                    enabled: slot.path !== ""
                    hint: "Leave B empty: the result is A alone"
                    Accessible.name: "Clear impulse B"
                    onClicked: page.lab.setSource(1, "")
                }
                PanelButton {
                    objectName: "labPlay" + slot.letter
                    text: "Play " + slot.letter
                    latched: page.lab !== null && page.lab.auditioned === slot.letter.toLowerCase()
                    enabled: page.usable && slot.path !== ""
                    hint: "Hear " + slot.letter + " alone on the device"
                    Accessible.name: "Play impulse " + slot.letter + " on the device"
                    onClicked: page.lab.audition(slot.letter.toLowerCase())
                }
            }
        }
    }

    // The responses of A, B and the result over each other, and the
    // result's waveform. Plain Canvas drawing, for the software renderer.
    component LabGraph: Column {
        id: graph
        property var lab: null
        readonly property var curves: lab ? [
            { points: lab.responseA, colour: Theme.info, width: 1 },
            { points: lab.responseB, colour: Theme.on, width: 1 },
            { points: lab.response, colour: Theme.accent, width: 2 }] : []
        readonly property real topDb: {
            var top = -150
            for (var c = 0; c < curves.length; ++c)
                for (var i = 0; i < curves[c].points.length; ++i)
                    top = Math.max(top, curves[c].points[i])
            return Math.ceil((top + 1) / 6) * 6
        }
        readonly property real spanDb: 48
        spacing: 4
        onCurvesChanged: { curve.requestPaint(); wave.requestPaint() }
        readonly property bool lightSkin: Theme.light
        onLightSkinChanged: { curve.requestPaint(); wave.requestPaint() }

        Rectangle {
            width: parent.width
            height: 120
            radius: 4
            color: Theme.inset
            Canvas {
                id: curve
                objectName: "labResponse"
                anchors.fill: parent
                anchors.margins: 2
                Accessible.role: Accessible.Graphic
                Accessible.name: "Response of A, B and the result, 20 Hz to 20 kHz"
                onWidthChanged: requestPaint()
                onPaint: {
                    var ctx = getContext("2d")
                    ctx.reset()
                    var lowHz = 20, highHz = 20000
                    function xOf(hz) { return width * Math.log(hz / lowHz) / Math.log(highHz / lowHz) }
                    function yOf(db) { return height * (graph.topDb - db) / graph.spanDb }
                    ctx.strokeStyle = String(Theme.groove)
                    ctx.lineWidth = 1
                    ctx.beginPath()
                    var marks = [100, 1000, 10000]
                    for (var m = 0; m < marks.length; ++m) {
                        ctx.moveTo(Math.round(xOf(marks[m])) + 0.5, 0)
                        ctx.lineTo(Math.round(xOf(marks[m])) + 0.5, height)
                    }
                    for (var db = 12; db < graph.spanDb; db += 12) {
                        ctx.moveTo(0, Math.round(height * db / graph.spanDb) + 0.5)
                        ctx.lineTo(width, Math.round(height * db / graph.spanDb) + 0.5)
                    }
                    ctx.stroke()
                    if (!graph.lab)
                        return
                    var hz = graph.lab.responseFrequencies
                    for (var c = 0; c < graph.curves.length; ++c) {
                        var points = graph.curves[c].points
                        var n = Math.min(points.length, hz.length)
                        if (n < 2)
                            continue
                        ctx.strokeStyle = String(graph.curves[c].colour)
                        ctx.lineWidth = graph.curves[c].width
                        ctx.beginPath()
                        for (var i = 0; i < n; ++i) {
                            var y = Math.min(height, Math.max(0, yOf(points[i])))
                            if (i === 0)
                                ctx.moveTo(xOf(hz[i]), y)
                            else
                                ctx.lineTo(xOf(hz[i]), y)
                        }
                        ctx.stroke()
                    }
                }
            }
            Row {
                x: 6
                y: parent.height - height - 3
                spacing: 10
                Repeater {
                    model: [{ text: "A", colour: Theme.info }, { text: "B", colour: Theme.on },
                            { text: "Result", colour: Theme.accent }]
                    Text {
                        text: "\u2014 " + modelData.text
                        color: modelData.colour
                        font.family: Theme.fontFamily
                        font.pixelSize: 10
                        font.bold: true
                    }
                }
                Text {
                    text: graph.topDb + " dB top, 12 dB lines"
                    color: Theme.textFaint
                    font.family: Theme.fontFamily
                    font.pixelSize: 10
                }
            }
        }
        Rectangle {
            width: parent.width
            height: 48
            radius: 4
            color: Theme.inset
            Canvas {
                id: wave
                objectName: "labWaveform"
                anchors.fill: parent
                anchors.margins: 2
                Accessible.role: Accessible.Graphic
                Accessible.name: "Waveform of the result"
                onWidthChanged: requestPaint()
                onPaint: {
                    var ctx = getContext("2d")
                    ctx.reset()
                    var mid = height / 2
                    ctx.strokeStyle = String(Theme.groove)
                    ctx.beginPath()
                    ctx.moveTo(0, mid)
                    ctx.lineTo(width, mid)
                    ctx.stroke()
                    var w = graph.lab ? graph.lab.waveform : []
                    var pairs = w.length / 2
                    if (pairs < 1)
                        return
                    ctx.fillStyle = String(Theme.accent)
                    var step = width / pairs
                    for (var p = 0; p < pairs; ++p) {
                        var hi = w[2 * p + 1], lo = w[2 * p]
                        ctx.fillRect(p * step, mid - hi * mid, Math.max(1, step),
                                     Math.max(1, (hi - lo) * mid))
                    }
                }
            }
        }
    }

    clip: true
    contentHeight: column.height
    boundsBehavior: Flickable.StopAtBounds
    ScrollBar.vertical: PanelScrollBar { objectName: "labPageScrollBar" }

    Column {
        id: column
        width: page.width - Theme.scrollBarRoom
        spacing: Theme.gap

        Text {
            objectName: "labMessage"
            visible: page.message !== ""
            width: parent.width
            wrapMode: Text.WordWrap
            text: page.message
            color: page.messageIsError ? Theme.error : Theme.textDim
            font.family: Theme.fontFamily
            font.pixelSize: Theme.fontBase
            Accessible.role: Accessible.AlertMessage
            Accessible.name: text
        }

        Grid {
            id: grid
            width: parent.width
            columns: page.wide ? 2 : 1
            columnSpacing: Theme.gap
            rowSpacing: Theme.gap
            readonly property real cell: page.wide ? (width - Theme.gap) / 2 : width

            Section {
                title: "Impulses"
                width: grid.cell
                SourceSlot { index: 0 }
                SourceSlot { index: 1 }
            }

            Section {
                title: "Result"
                width: grid.cell
                LabGraph {
                    width: parent.width
                    lab: page.lab
                }
                Text {
                    objectName: "labResultText"
                    width: parent.width
                    wrapMode: Text.WordWrap
                    color: page.lab && page.lab.loweredDb < 0 ? Theme.warn : Theme.textDim
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.fontSmall
                    text: {
                        if (!page.hasResult)
                            return "Choose impulse A to make a result."
                        var t = (page.lab.resultSamples / 48).toFixed(0) + " ms, peak "
                                + page.lab.peakDb.toFixed(1) + " dBFS"
                        if (page.lab.loweredDb < 0)
                            t += ", lowered by " + (-page.lab.loweredDb).toFixed(1) + " dB so it does not clip"
                        if (page.lab.waiting)
                            t += "  \u2013  sending\u2026"
                        return t
                    }
                }
                Flow {
                    width: parent.width
                    spacing: 6
                    PanelButton {
                        objectName: "labPlayResult"
                        text: "Play result"
                        primary: true
                        latched: page.lab !== null && page.lab.auditioned === "result"
                        enabled: page.usable && page.hasResult
                        hint: "Hear the result on the device; every change is heard again"
                        Accessible.name: "Play the result on the device"
                        onClicked: page.lab.audition("result")
                    }
                    PanelButton {
                        objectName: "labSaveAs"
                        text: "Save as\u2026"
                        enabled: page.hasResult
                        hint: "Write the result as a 48 kHz, 24-bit WAV file"
                        Accessible.name: "Save the result as a WAV file"
                        onClicked: page.openDialog(saveDialog)
                    }
                    PanelButton {
                        objectName: "labUse"
                        text: "Use in preset"
                        enabled: page.usable && page.hasResult
                        hint: "The result becomes this preset's impulse; the next save stores it"
                        Accessible.name: "Use the result in the current preset"
                        onClicked: {
                            if (page.lab.use())
                                page.say("\u201c" + page.lab.resultName + "\u201d plays in this preset; "
                                         + "save the preset to keep it.", false)
                        }
                    }
                }
            }

            Section {
                title: "Blend"
                width: grid.cell
                LabSlider {
                    objectName: "labMix"
                    label: "B share"
                    from: 0
                    to: 100
                    stepSize: 1
                    value: page.lab ? page.lab.mix : 0
                    valueText: Math.round(value) + " %"
                    onMoved: page.lab.mix = Math.round(value)
                }
                LabSlider {
                    objectName: "labOffset"
                    label: "B offset"
                    from: -480
                    to: 480
                    stepSize: 1
                    value: page.lab ? page.lab.offset : 0
                    valueText: (value > 0 ? "+" : "") + Math.round(value) + " smp, "
                               + (value / 48).toFixed(2) + " ms"
                    onMoved: page.lab.offset = Math.round(value)
                }
                Flow {
                    width: parent.width
                    spacing: 12
                    LabCheck {
                        objectName: "labInvert"
                        text: "Invert B"
                        checked: page.lab ? page.lab.invertB : false
                        onToggled: page.lab.invertB = checked
                    }
                    PanelButton {
                        objectName: "labAutoAlign"
                        text: "Auto align"
                        enabled: page.lab !== null && page.lab.sourceA !== "" && page.lab.sourceB !== ""
                        hint: "Move B to where it lines up best with A"
                        Accessible.name: "Auto align B with A"
                        onClicked: {
                            var lag = page.lab.autoAlign()
                            page.say("B lines up best " + (lag === 0 ? "as it is."
                                     : Math.abs(lag) + " samples " + (lag < 0 ? "earlier." : "later.")), false)
                        }
                    }
                }
            }

            Section {
                title: "Shape"
                width: grid.cell
                LabSlider {
                    objectName: "labLowCut"
                    label: "Low cut"
                    from: 15
                    to: 500
                    stepSize: 5
                    value: page.lab && page.lab.lowCut > 0 ? page.lab.lowCut : 15
                    valueText: value < 20 ? "Off" : Math.round(value) + " Hz"
                    onMoved: page.lab.lowCut = value < 20 ? 0 : Math.round(value)
                }
                LabSlider {
                    objectName: "labHighCut"
                    label: "High cut"
                    from: 2000
                    to: 20250
                    stepSize: 250
                    value: page.lab && page.lab.highCut > 0 ? page.lab.highCut : 20250
                    valueText: value > 20000 ? "Off" : (value / 1000).toFixed(2) + " kHz"
                    onMoved: page.lab.highCut = value > 20000 ? 0 : Math.round(value)
                }
                LabSlider {
                    objectName: "labLength"
                    label: "Length"
                    from: 10
                    to: 222
                    stepSize: 1
                    value: page.lab ? page.lab.lengthMs : 222
                    valueText: Math.round(value) + " ms"
                    onMoved: page.lab.lengthMs = Math.round(value)
                }
                LabSlider {
                    objectName: "labFade"
                    label: "Fade"
                    from: 0
                    to: 50
                    stepSize: 1
                    value: page.lab ? page.lab.fadeMs : 0
                    valueText: Math.round(value) + " ms"
                    onMoved: page.lab.fadeMs = Math.round(value)
                }
                Flow {
                    width: parent.width
                    spacing: 12
                    LabCheck {
                        objectName: "labNormalise"
                        text: "Normalise to \u22121 dBFS"
                        checked: page.lab ? page.lab.normalise : false
                        onToggled: page.lab.normalise = checked
                    }
                    LabCheck {
                        objectName: "labMinimumPhase"
                        text: "Minimum phase"
                        checked: page.lab ? page.lab.minimumPhase : false
                        onToggled: page.lab.minimumPhase = checked
                    }
                }
            }
        }
    }

    Dialogs.FileDialog {
        id: sourceDialog
        objectName: "labSourceDialog"
        property int slot: 0
        title: slot === 0 ? "Choose impulse A" : "Choose impulse B"
        nameFilters: ["Audio files (*.wav *.WAV *.aif *.aiff *.AIF *.AIFF *.aifc *.flac *.FLAC "
                      + "*.ogg *.oga *.opus *.w64 *.rf64 *.caf *.au *.snd *.mp3)",
                      "All files (*)"]
        selectExisting: true
        selectMultiple: false
        onAccepted: page.setSource(slot, fileUrl)
    }

    Dialogs.FileDialog {
        id: saveDialog
        objectName: "labSaveDialog"
        title: "Save the result"
        nameFilters: ["WAV files (*.wav)", "All files (*)"]
        selectExisting: false
        onAccepted: {
            var url = String(fileUrl)
            page.folder = url.substring(0, url.lastIndexOf("/"))
            if (page.lab.save(url))
                page.say("Saved as " + page.fileName(page.device.localPath(url))
                         + (/\.[^\/\\]+$/.test(url) ? "" : ".wav") + ".", false)
        }
    }
}

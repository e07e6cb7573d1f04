// The current impulse drawn: its waveform (min/max per span, as the device
// plays it) and its magnitude response on a log-frequency axis from 20 Hz to
// 20 kHz, with its peak level. Plain Canvas drawing, so it works with the
// software renderer too.
import QtQuick 2.15
import QtQuick.Layouts 1.15
import "."

ColumnLayout {
    id: graph

    property var waveform: []   // min, max, min, max, ...
    property var response: []   // dB at each of frequencies
    property var frequencies: []
    property real peakDb: -150

    spacing: 4

    // The response's top line: the highest point rounded up to 6 dB, and a
    // span of 48 dB below it.
    readonly property real topDb: {
        var top = -150
        for (var i = 0; i < response.length; ++i)
            top = Math.max(top, response[i])
        return Math.ceil((top + 1) / 6) * 6
    }
    readonly property real spanDb: 48

    onWaveformChanged: wave.requestPaint()
    onResponseChanged: curve.requestPaint()
    readonly property bool lightSkin: Theme.light
    onLightSkinChanged: {
        wave.requestPaint()
        curve.requestPaint()
    }

    Rectangle {
        Layout.fillWidth: true
        Layout.preferredHeight: 56
        radius: 4
        color: Theme.inset

        Canvas {
            id: wave
            objectName: "impulseWaveform"
            anchors.fill: parent
            anchors.margins: 2
            onWidthChanged: requestPaint()
            onPaint: {
                var ctx = getContext("2d")
                ctx.reset()
                var mid = height / 2
                ctx.strokeStyle = String(Theme.groove)
                ctx.lineWidth = 1
                ctx.beginPath()
                ctx.moveTo(0, mid)
                ctx.lineTo(width, mid)
                ctx.stroke()
                var pairs = graph.waveform.length / 2
                if (pairs < 1)
                    return
                ctx.fillStyle = String(Theme.accent)
                var step = width / pairs
                for (var p = 0; p < pairs; ++p) {
                    var lo = graph.waveform[2 * p]
                    var hi = graph.waveform[2 * p + 1]
                    var top = mid - hi * mid
                    var h = Math.max(1, (hi - lo) * mid)
                    ctx.fillRect(p * step, top, Math.max(1, step), h)
                }
            }
        }
    }

    Rectangle {
        Layout.fillWidth: true
        Layout.preferredHeight: 92
        radius: 4
        color: Theme.inset

        Canvas {
            id: curve
            objectName: "impulseResponse"
            anchors.fill: parent
            anchors.margins: 2
            onWidthChanged: requestPaint()
            onPaint: {
                var ctx = getContext("2d")
                ctx.reset()
                var lowHz = 20, highHz = 20000
                function xOf(hz) { return width * Math.log(hz / lowHz) / Math.log(highHz / lowHz) }
                function yOf(db) { return height * (graph.topDb - db) / graph.spanDb }

                // grid: decades and every 12 dB
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

                var n = Math.min(graph.response.length, graph.frequencies.length)
                if (n < 2)
                    return
                ctx.strokeStyle = String(Theme.accent)
                ctx.lineWidth = 1.5
                ctx.beginPath()
                for (var i = 0; i < n; ++i) {
                    var x = xOf(graph.frequencies[i])
                    var y = Math.min(height, Math.max(0, yOf(graph.response[i])))
                    if (i === 0)
                        ctx.moveTo(x, y)
                    else
                        ctx.lineTo(x, y)
                }
                ctx.stroke()
            }
        }

        Repeater {
            model: [{ hz: 1000, text: "1k" }, { hz: 10000, text: "10k" }]
            Text {
                x: 2 + curve.width * Math.log(modelData.hz / 20) / Math.log(1000) + 3
                y: parent.height - height - 2
                text: modelData.text
                color: Theme.textFaint
                font.family: Theme.fontFamily
                font.pixelSize: 10
            }
        }
        // The top line's level, and the span below it.
        Text {
            x: 5
            y: parent.height - height - 2
            text: graph.topDb + " dB top, 12 dB lines"
            color: Theme.textFaint
            font.family: Theme.fontFamily
            font.pixelSize: 10
        }
    }

    Text {
        objectName: "impulsePeak"
        Layout.fillWidth: true
        text: "Peak " + (graph.peakDb <= -150 ? "silent" : graph.peakDb.toFixed(1) + " dBFS")
        color: Theme.textDim
        font.family: Theme.fontFamily
        font.pixelSize: Theme.fontSmall
    }
}

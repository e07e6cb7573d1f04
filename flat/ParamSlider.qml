// A parameter as a slider with its label and value. Horizontal rows for the
// modules; vertical for the equaliser bands. Signed ranges fill from zero.
//
// The mouse never makes the value jump: dragging the handle moves it, a
// click on the track moves one page toward the click (never past it), a
// wheel notch moves one step, but only once the slider has been picked
// (clicked or given the keyboard focus): until then the wheel scrolls the
// page. Clicking the value lets the user type it.
import QtQuick 2.15
import QtQuick.Controls 2.15
import "."

ParamControl {
    id: control

    property bool vertical: false
    property string label: fact ? fact.label : name
    // The longest a vertical slider's value may be shown in, and the
    // caption above it.
    property int valueWidth: vertical ? width : Theme.valueWidth
    readonly property int pageStep: fact ? Math.max(1, Math.round((fact.max - fact.min) / 10)) : 1
    readonly property bool editing: valueEdit.visible

    implicitWidth: vertical ? 56 : Theme.labelWidth + Theme.sliderMinimum + Theme.valueWidth + 14
    implicitHeight: vertical ? 180 : Theme.rowHeight

    Text {
        id: labelText
        text: control.label
        color: control.enabled ? Theme.textDim : Theme.textFaint
        font.family: Theme.fontFamily
        font.pixelSize: control.vertical ? Theme.fontSmall : Theme.fontBase
        elide: Text.ElideRight
        width: control.vertical ? control.width : Theme.labelWidth
        horizontalAlignment: control.vertical ? Text.AlignHCenter : Text.AlignLeft
        anchors.left: parent.left
        anchors.top: control.vertical ? parent.top : undefined
        anchors.verticalCenter: control.vertical ? undefined : parent.verticalCenter
    }

    // The value; a click turns it into a field to type the value in.
    Text {
        id: valueLabel
        objectName: "value_" + control.name
        visible: !valueEdit.visible
        text: control.valueText
        color: control.enabled ? Theme.text : Theme.textFaint
        font.family: Theme.fontFamily
        font.pixelSize: control.vertical ? Theme.fontSmall : Theme.fontBase
        font.bold: true
        elide: Text.ElideRight
        width: control.valueWidth
        height: control.vertical ? implicitHeight : control.height
        horizontalAlignment: control.vertical ? Text.AlignHCenter : Text.AlignRight
        verticalAlignment: Text.AlignVCenter
        anchors.right: parent.right
        anchors.bottom: control.vertical ? parent.bottom : undefined
        anchors.verticalCenter: control.vertical ? undefined : parent.verticalCenter

        MouseArea {
            anchors.fill: parent
            enabled: control.enabled
            cursorShape: Qt.IBeamCursor
            onClicked: control.startTyping()
        }
    }

    TextField {
        id: valueEdit
        objectName: "valueEdit_" + control.name
        visible: false
        width: Math.max(control.valueWidth, 48)
        height: control.vertical ? 24 : 28
        anchors.right: parent.right
        anchors.bottom: control.vertical ? parent.bottom : undefined
        anchors.verticalCenter: control.vertical ? undefined : parent.verticalCenter
        padding: 2
        horizontalAlignment: Text.AlignRight
        selectByMouse: true
        color: Theme.text
        font.family: Theme.fontFamily
        font.pixelSize: Theme.fontSmall
        background: Rectangle {
            radius: 4
            color: Theme.inset
            border.width: 2
            border.color: valueEdit.wrong ? Theme.error : Theme.accent
        }
        property bool wrong: false
        onTextEdited: wrong = false
        onAccepted: {
            var v = control.fact.parse(text)
            if (v === undefined) {
                wrong = true
                return
            }
            visible = false
            control.limitNote = control.fact.limitNote(text)
            if (control.limitNote !== "")
                limitTimer.restart()
            control.userSet(v)
            slider.forceActiveFocus()
        }
        Keys.onEscapePressed: {
            visible = false
            slider.forceActiveFocus()
        }
        onActiveFocusChanged: {
            if (activeFocus)
                return
            // Left unfinished: the value stays, the focus within the
            // control goes back to the slider.
            visible = false
            slider.focus = true
        }
    }

    // A typed value past the range is set to the range's end, and said so
    // for a few seconds.
    property string limitNote: ""
    Timer {
        id: limitTimer
        interval: 4000
        onTriggered: control.limitNote = ""
    }
    PanelToolTip {
        objectName: "limitNote_" + control.name
        delay: 0
        visible: control.limitNote !== ""
        text: control.limitNote
    }

    // What a gain or a band shift means, in words.
    PanelToolTip {
        visible: pointer.containsMouse && !pointer.pressed && control.fact !== null
                 && control.limitNote === ""
                 && (control.fact.kind === "shift" || control.fact.kind === "gain")
        text: control.fact ? control.fact.description : ""
    }

    function startTyping() {
        if (!enabled || !fact)
            return
        limitNote = ""
        valueEdit.text = fact.editText()
        valueEdit.wrong = false
        valueEdit.visible = true
        valueEdit.selectAll()
        valueEdit.forceActiveFocus()
    }

    Slider {
        id: slider
        objectName: "slider_" + control.name
        focus: true
        orientation: control.vertical ? Qt.Vertical : Qt.Horizontal
        from: control.fact ? control.fact.min : 0
        to: control.fact ? control.fact.max : 1
        stepSize: 1
        snapMode: Slider.SnapAlways
        value: control.value
        padding: 0
        anchors.left: control.vertical ? parent.left : labelText.right
        anchors.right: parent.right
        anchors.rightMargin: control.vertical ? 0 : control.valueWidth + 8
        anchors.leftMargin: control.vertical ? 0 : 6
        anchors.top: control.vertical ? labelText.bottom : parent.top
        anchors.bottom: parent.bottom
        anchors.topMargin: control.vertical ? 6 : 0
        anchors.bottomMargin: control.vertical ? valueLabel.implicitHeight + 6 : 0

        onMoved: control.userSet(value)

        Accessible.role: Accessible.Slider
        Accessible.name: control.accessibleName
        Accessible.description: control.spokenValue

        Keys.onTabPressed: control.tabKey(event, false)
        Keys.onBacktabPressed: control.tabKey(event, true)

        // Where the fill starts: zero for signed ranges, the middle for a
        // range with a centre (a gain), the minimum otherwise.
        readonly property real origin: control.fact ? (control.fact.origin - from) / (to - from) : 0
        readonly property int handleSize: 16

        // The value at a point along the slider, as the handle's centre.
        function valueAt(along) {
            var length = (horizontal ? availableWidth : availableHeight) - handleSize
            var f = (along - (horizontal ? leftPadding : topPadding) - handleSize / 2) / length
            f = Math.max(0, Math.min(1, f))
            return Math.round(from + (horizontal ? f : 1 - f) * (to - from))
        }

        function handleCentre() {
            var length = (horizontal ? availableWidth : availableHeight) - handleSize
            return (horizontal ? leftPadding : topPadding) + visualPosition * length + handleSize / 2
        }

        background: Item {
            x: slider.leftPadding
            y: slider.topPadding
            width: slider.availableWidth
            height: slider.availableHeight

            Rectangle {
                id: groove
                readonly property int thickness: 4
                // inset by half a handle, so the fill ends under the handle's centre
                readonly property int inset: 8
                x: slider.horizontal ? inset : (parent.width - thickness) / 2
                y: slider.horizontal ? (parent.height - thickness) / 2 : inset
                width: slider.horizontal ? parent.width - 2 * inset : thickness
                height: slider.horizontal ? thickness : parent.height - 2 * inset
                radius: 2
                color: Theme.groove

                Rectangle {
                    // origin and position as fractions along the groove
                    readonly property real o: slider.horizontal ? slider.origin : 1 - slider.origin
                    readonly property real a: Math.min(o, slider.visualPosition)
                    readonly property real b: Math.max(o, slider.visualPosition)
                    x: slider.horizontal ? a * parent.width : 0
                    y: slider.horizontal ? 0 : a * parent.height
                    width: slider.horizontal ? (b - a) * parent.width : parent.width
                    height: slider.horizontal ? parent.height : (b - a) * parent.height
                    radius: 2
                    color: control.enabled ? Theme.accent : Theme.off
                }

                // centre mark: zero of a signed range, 0 dB of a gain
                Rectangle {
                    objectName: "centreMark_" + control.name
                    visible: slider.origin > 0
                    color: Theme.textFaint
                    width: slider.horizontal ? 2 : 14
                    height: slider.horizontal ? 10 : 2
                    x: slider.horizontal ? slider.origin * parent.width - 1 : (parent.width - width) / 2
                    y: slider.horizontal ? (parent.height - height) / 2 : (1 - slider.origin) * parent.height - 1
                }
            }
        }

        handle: Rectangle {
            x: slider.leftPadding + (slider.horizontal ? slider.visualPosition * (slider.availableWidth - width)
                                                       : (slider.availableWidth - width) / 2)
            y: slider.topPadding + (slider.horizontal ? (slider.availableHeight - height) / 2
                                                      : slider.visualPosition * (slider.availableHeight - height))
            width: slider.handleSize
            height: slider.handleSize
            radius: width / 2
            color: !control.enabled ? Theme.off : (pointer.dragging ? Qt.lighter(Theme.accent, 1.2) : Theme.card)
            border.width: slider.activeFocus ? 3 : 2
            border.color: control.enabled ? (slider.activeFocus ? Theme.text : Theme.accent) : Theme.off
        }

        // Takes the mouse from the slider, whose own press would move the
        // handle straight to the click.
        MouseArea {
            id: pointer
            anchors.fill: parent
            enabled: control.enabled
            hoverEnabled: true
            preventStealing: true
            property bool dragging: false
            property real grab: 0          // the press's distance from the handle's centre
            property real wheelRest: 0     // wheel movement short of a whole step

            function along(mouse) { return slider.horizontal ? mouse.x : mouse.y }

            onPressed: {
                slider.forceActiveFocus()
                var at = along(mouse)
                var centre = slider.handleCentre()
                if (Math.abs(at - centre) <= slider.handleSize / 2 + 1) {
                    dragging = true
                    grab = at - centre
                    return
                }
                // one page toward the click, never past it
                var target = slider.valueAt(at)
                var now = control.fact.clamp(control.value)
                control.userSet(target > now ? Math.min(target, now + control.pageStep)
                                             : Math.max(target, now - control.pageStep))
            }
            onPositionChanged: {
                if (dragging)
                    control.userSet(slider.valueAt(along(mouse) - grab))
            }
            onReleased: dragging = false
            onCanceled: dragging = false
            onWheel: {
                // Not picked: the wheel goes on to the page, which scrolls.
                if (!slider.activeFocus) {
                    wheel.accepted = false
                    wheelRest = 0
                    return
                }
                wheelRest += wheel.angleDelta.y !== 0 ? wheel.angleDelta.y : -wheel.angleDelta.x
                var steps = wheelRest > 0 ? Math.floor(wheelRest / 120) : Math.ceil(wheelRest / 120)
                if (steps === 0)
                    return
                wheelRest -= steps * 120
                control.userSet(control.fact.clamp(control.value) + steps)
            }
        }
    }
}

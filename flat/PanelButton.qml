// The panel's push button: flat, readable, with a primary and a "latched"
// look (for Compare while the stored preset is shown). Tab and Shift+Tab
// also step the back end's focus target.
import QtQuick 2.15
import QtQuick.Controls 2.15
import "."

Button {
    id: button

    property var device: null
    property bool primary: false
    property bool latched: false
    property string hint: ""

    hoverEnabled: true
    // Its action for screen readers: the caption, with the hint as its
    // description. A button drawn as a symbol ("◀") names its action itself.
    Accessible.name: text
    Accessible.description: hint
    implicitHeight: 32
    implicitWidth: Math.max(72, label.implicitWidth + 24)
    padding: 0
    font.family: Theme.fontFamily
    font.pixelSize: Theme.fontBase

    Keys.onTabPressed: {
        if (device)
            device.tabKey(false)
        event.accepted = false
    }
    Keys.onBacktabPressed: {
        if (device)
            device.tabKey(true)
        event.accepted = false
    }

    PanelToolTip {
        visible: button.hint !== "" && button.hovered
        text: button.hint
    }

    background: Rectangle {
        radius: 6
        color: {
            if (!button.enabled)
                return Theme.inset
            if (button.latched)
                return Theme.info
            if (button.primary)
                return button.down ? Qt.darker(Theme.accent, 1.2) : Theme.accent
            return button.down ? Theme.groove : (button.hovered ? Qt.lighter(Theme.inset, 1.25) : Theme.inset)
        }
        border.width: button.visualFocus ? 2 : 1
        border.color: button.visualFocus ? Theme.text
                                         : (button.primary || button.latched ? "transparent" : Theme.cardBorder)
    }

    contentItem: Text {
        id: label
        text: button.text
        font: button.font
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
        elide: Text.ElideRight
        color: !button.enabled ? Theme.textFaint
             : button.latched ? "#ffffff"
             : button.primary ? Theme.accentText : Theme.text
    }
}

// A card for one or more modules of the parameter table: the first module's
// on/off switch in the header, one row per remaining parameter.
import QtQuick 2.15
import QtQuick.Layouts 1.15
import "."

Card {
    id: card

    property var device: null
    property var groups: []
    // The height of one row; a page with room to spare makes it taller.
    property real rowHeight: Theme.rowHeight
    readonly property var model: device ? device.parameters : null
    readonly property var first: groups.length > 0 && model ? model.group(groups[0]) : undefined
    readonly property string onName: first ? first.on : ""

    title: first ? first.title : ""
    objectName: "card_" + (groups.length > 0 ? groups[0] : "")
    active: onName === "" || onSwitch.isOn
    lit: onName !== "" && onSwitch.isOn

    header: ParamSwitch {
        id: onSwitch
        visible: card.onName !== ""
        device: card.onName !== "" ? card.device : null
        name: card.onName
    }

    Repeater {
        model: {
            var out = []
            for (var i = 0; card.model && i < card.groups.length; ++i)
                out = out.concat(card.model.controlsOf(card.groups[i]))
            return out
        }
        delegate: Loader {
            Layout.fillWidth: true
            Layout.preferredHeight: card.rowHeight
            Component.onCompleted: {
                var kind = card.model.fact(modelData).kind
                setSource(Qt.resolvedUrl(kind === "choice" ? "ParamChoice.qml"
                                         : kind === "switch" ? "ParamSwitch.qml" : "ParamSlider.qml"),
                          { device: card.device, name: modelData })
            }
        }
    }
}

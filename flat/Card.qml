// A module card: a titled panel with an optional control in its header
// (usually the module's on/off switch) and a column of rows below.
import QtQuick 2.15
import QtQuick.Layouts 1.15
import "."

Rectangle {
    id: card

    property string title: ""
    // Dims the rows (not the header) when the module is switched off.
    property bool active: true
    // A header stripe in the accent colour marks a module that is on.
    property bool lit: false
    default property alias rows: body.data
    property alias header: headerRight.data
    property alias bodySpacing: body.spacing
    // The rows take the card's whole height (for a card that grows with the
    // window); otherwise the card is as tall as its rows.
    property bool stretch: false

    color: Theme.card
    radius: Theme.radius
    border.width: 1
    border.color: Theme.cardBorder
    implicitWidth: 320
    implicitHeight: titleRow.height + body.implicitHeight + 2 * Theme.pad - 4

    Rectangle {
        visible: card.lit
        width: 3
        height: titleRow.height - 12
        radius: 1.5
        color: Theme.on
        x: 0
        anchors.verticalCenter: titleRow.verticalCenter
    }

    Item {
        id: titleRow
        x: Theme.pad
        y: 6
        width: parent.width - 2 * Theme.pad
        height: 34

        Text {
            text: card.title
            anchors.left: parent.left
            anchors.right: headerRight.left
            anchors.rightMargin: 8
            anchors.verticalCenter: parent.verticalCenter
            color: Theme.text
            font.family: Theme.fontFamily
            font.pixelSize: Theme.fontTitle
            font.bold: true
            elide: Text.ElideRight
        }

        Row {
            id: headerRight
            anchors.right: parent.right
            anchors.verticalCenter: parent.verticalCenter
            spacing: 8
        }
    }

    ColumnLayout {
        id: body
        x: Theme.pad
        anchors.top: titleRow.bottom
        anchors.topMargin: 2
        anchors.bottom: card.stretch ? parent.bottom : undefined
        anchors.bottomMargin: Theme.pad - 4
        width: parent.width - 2 * Theme.pad
        spacing: 0
        opacity: card.active ? 1 : 0.55
        Behavior on opacity { NumberAnimation { duration: 120 } }
    }
}

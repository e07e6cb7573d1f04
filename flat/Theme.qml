// Colours, sizes and spacing of the panel, in one place. Dark by default;
// `light` switches to the alternative light skin.
pragma Singleton
import QtQuick 2.15

QtObject {
    property bool light: false

    // surfaces
    readonly property color window: light ? "#e9ebef" : "#16171b"
    readonly property color header: light ? "#f7f8fa" : "#1d1f24"
    readonly property color card: light ? "#ffffff" : "#23262d"
    readonly property color cardBorder: light ? "#d4d8e0" : "#30343d"
    readonly property color inset: light ? "#eef0f4" : "#1a1c21"
    readonly property color groove: light ? "#cfd4dc" : "#3a3f4a"

    // text
    readonly property color text: light ? "#1d2026" : "#e7e9ee"
    readonly property color textDim: light ? "#5d6472" : "#9aa1ae"
    readonly property color textFaint: light ? "#8a909c" : "#6b7280"

    // accents and states
    readonly property color accent: light ? "#d9770f" : "#f0a030"
    readonly property color accentText: "#1a1206"
    readonly property color on: light ? "#1f9d55" : "#3ccf7a"
    readonly property color off: light ? "#b8bec9" : "#4a505c"
    readonly property color warn: light ? "#c2410c" : "#f97316"
    readonly property color error: light ? "#c62828" : "#f05252"
    readonly property color info: light ? "#2563eb" : "#60a5fa"
    readonly property color edited: light ? "#b45309" : "#fbbf24"
    readonly property color editedText: light ? "#ffffff" : "#1a1206"

    // sizes
    readonly property int radius: 8
    readonly property int gap: 12          // between cards
    readonly property int pad: 14          // inside a card
    readonly property int rowHeight: 34    // one control row
    readonly property int labelWidth: 92   // parameter name column
    readonly property int valueWidth: 62   // value column
    readonly property int sliderMinimum: 120  // shortest slider: a step never less than a pixel
    // the narrowest module card that still gives its sliders that length
    readonly property int cardMinimum: 2 * pad + labelWidth + sliderMinimum + valueWidth + 14
    readonly property int scrollBarRoom: 14   // beside a page that scrolls

    readonly property string fontFamily: "DejaVu Sans"
    readonly property int fontSmall: 11
    readonly property int fontBase: 13
    readonly property int fontTitle: 14
    readonly property int fontBig: 28
}

// The panel on its own, against the real Core: what it shows for what the
// back end publishes, and the questions and messages it puts up.
import QtQuick 2.15
import QtTest 1.15
import "../../flat"

PanelTestCase {
    name: "Panel"

    // ---- loading and layout ---------------------------------------------------

    // Every row of the parameter table has its control in the window, bound
    // to the row's name, placed in a card of the row's module.
    function test_everyParameterHasOneControl() {
        for (var i = 0; i < Params.rows.length; ++i) {
            var row = Params.rows[i]
            var control = find("param_" + row.name)
            compare(control.name, row.name)
            var cardName = row.group === "mode" ? "card_master"
                         : row.group === "cabinet" ? "impulseCard" : "card_" + row.group
            var card = find(cardName)
            var inside = false
            for (var p = control.parent; p; p = p.parent)
                if (p === card)
                    inside = true
            verify(inside, row.name + " sits in " + cardName)
        }
    }

    function test_rangesFitTheirControls() {
        for (var i = 0; i < Params.rows.length; ++i) {
            var r = Params.rows[i]
            verify(r.min < r.max, r.name + " has a range")
            if (r.signed)
                verify(r.min >= -128 && r.max <= 127, r.name + " fits a signed byte")
            else
                verify(r.min >= 0 && r.max <= 255, r.name + " fits a byte")
            if (r.choices !== undefined)
                compare(r.choices.length, r.max - r.min + 1, r.name + " names every position")
        }
    }

    function test_noOverlapAtSmallestSize() {
        window.width = window.minimumWidth
        window.height = window.minimumHeight
        waitForRendering(window.contentItem)
        // The cards of the left column and of the first page stay inside the
        // window and do not cover each other.
        var names = ["presetCard", "actionsCard", "impulseCard"]
        var rects = []
        for (var i = 0; i < names.length; ++i) {
            var item = find(names[i])
            var p = item.mapToItem(window.contentItem, 0, 0)
            rects.push({ name: names[i], x: p.x, y: p.y, w: item.width, h: item.height })
            verify(p.y + item.height <= window.contentItem.height, names[i] + " fits in height")
        }
        for (i = 1; i < rects.length; ++i)
            verify(rects[i].y >= rects[i - 1].y + rects[i - 1].h, rects[i].name + " is below " + rects[i - 1].name)
        var cards = ["card_master", "card_preamp", "card_presence", "card_amp", "card_lpf", "card_hpf", "card_early"]
        var placed = []
        for (i = 0; i < cards.length; ++i) {
            var c = find(cards[i])
            var q = c.mapToItem(window.contentItem, 0, 0)
            var r = { name: cards[i], x: q.x, y: q.y, w: c.width, h: c.height }
            verify(r.w >= 280, cards[i] + " is wide enough for its sliders (" + r.w + ")")
            for (var j = 0; j < placed.length; ++j) {
                var o = placed[j]
                var apart = r.x >= o.x + o.w || o.x >= r.x + r.w || r.y >= o.y + o.h || o.y >= r.y + r.h
                verify(apart, cards[i] + " overlaps " + o.name)
            }
            placed.push(r)
        }
        window.width = 1240
        window.height = 780
    }

    // ---- values published by the back end ---------------------------------------

    function test_statusBlockMovesEveryControl() {
        var values = {}
        for (var i = 0; i < Params.rows.length; ++i)
            values[Params.rows[i].name] = sampleValue(Params.rows[i], i)
        publishStatus(values)
        for (i = 0; i < Params.rows.length; ++i) {
            var r = Params.rows[i]
            var control = find("param_" + r.name)
            compare(control.value, values[r.name], r.name + " follows the published value")
            compare(control.valueText, Params.text(r, values[r.name]))
        }
        // A publication is not an edit: nothing goes back to the device.
        compare(testPty.drain(200), "")
        compare(dev.edited, false)
    }

    function test_publishedValueShown_data() {
        return [
            { tag: "negative tone in dB", name: "preamp_low", value: -5, text: "-5 dB", position: -5 },
            { tag: "positive tone with its sign", name: "preamp_high", value: 7, text: "+7 dB", position: 7 },
            { tag: "zero without sign", name: "eq_freq2", value: 0, text: "0", position: 0 },
            { tag: "level", name: "master_volume", value: 64, text: "64", position: 64 },
            { tag: "level above the range: shown as held, slider at the end",
              name: "gate_decay", value: 200, text: "200", position: 100 },
            { tag: "signed below the range", name: "eq_q4", value: -40, text: "-40", position: -12 },
            { tag: "type by its name", name: "amp_type", value: 2, text: "3", position: -1 },
            { tag: "pre/post by its name", name: "eq_pre", value: 1, text: "Pre", position: -1 }
        ]
    }

    function test_publishedValueShown(data) {
        _core.sgReadValue(data.name, data.value)
        var control = find("param_" + data.name)
        compare(control.valueText, data.text)
        if (data.position !== -1)
            compare(find("slider_" + data.name).value, data.position)
        else
            verify(find("choice_" + data.name + "_" + data.value).selected)
    }

    function test_switchShowsOnAndOff() {
        var sw = find("param_gate_on")
        _core.sgReadValue("gate_on", 1)
        verify(sw.isOn)
        verify(find("card_gate").lit, "a module that is on is marked")
        _core.sgReadValue("gate_on", 0)
        verify(!sw.isOn)
        verify(!find("card_gate").lit)
        verify(!find("card_gate").active, "a module that is off is dimmed")
    }

    function test_aliasesChangeNothing() {
        _core.sgReadValue("master_volume", 40)
        _core.sgReadValue("level_MASTER", 90)
        _core.sgReadValue("on_POWERAMP", 1)
        compare(find("param_master_volume").value, 40)
    }

    // ---- comparing --------------------------------------------------------------

    function test_comparingDisablesEveryControl() {
        _core.sgSetEnabled(false)
        _core.sgReadValue("editable", 0)
        for (var i = 0; i < Params.rows.length; ++i)
            verify(!find("param_" + Params.rows[i].name).enabled,
                   Params.rows[i].name + " is locked while the stored preset is shown")
        verify(find("comparingBanner").visible)
        verify(find("compareButton").latched)
        verify(find("compareNote").visible)
        verify(find("compareButton").enabled, "Compare stays usable to go back")

        _core.sgSetEnabled(true)
        _core.sgReadValue("editable", 1)
        for (i = 0; i < Params.rows.length; ++i)
            verify(find("param_" + Params.rows[i].name).enabled, Params.rows[i].name + " is usable again")
        verify(!find("comparingBanner").visible)
        verify(!find("compareButton").latched)
    }

    function test_lockedControlIgnoresTheUser() {
        _core.sgReadValue("master_volume", 50)
        _core.sgReadValue("editable", 0)
        var slider = find("slider_master_volume")
        mouseClick(slider, slider.width * 0.9, slider.height / 2)
        compare(find("param_master_volume").value, 50)
        compare(testPty.drain(150), "")
    }

    // ---- preset, edited state, activity ----------------------------------------

    function test_positionAndEditedState() {
        _core.sgReadValue("bank", 3)
        _core.sgReadValue("preset", 7)
        compare(find("bankNumber").text, "3")
        compare(find("presetNumber").text, "7")
        _core.sgReadValue("preset_edit", 1)
        verify(find("editedBadge").edited)
        _core.sgSetEdit(false)
        verify(!find("editedBadge").edited)
    }

    function test_busyAndProgress() {
        _core.sgSetProgress(0.5)
        _core.sgSetWait(true)
        verify(find("busyIndicator").visible)
        compare(dev.progress, 0.5)
        _core.sgReadValue("wait", 0)
        verify(!find("busyIndicator").visible)
        _core.sgReadValue("wait", 1)
        verify(find("busyIndicator").visible)
        _core.sgSetWait(false)
        verify(!find("busyIndicator").visible)
    }

    // The busy state says what it is for while a save or an impulse goes
    // out, and only for that spell.
    function test_busyTellsWhatItIsFor_data() {
        return [
            { tag: "a queued exchange", act: function() {}, text: "Working…" },
            { tag: "a save", act: function() { dev.save() }, text: "Saving…" },
            { tag: "an impulse", act: function() { dev.loadImpulse("file:///nowhere/cab.wav") },
              text: "Sending impulse…" }
        ]
    }

    function test_busyTellsWhatItIsFor(data) {
        data.act()
        _core.sgSetProgress(0.3)
        _core.sgSetWait(true)
        verify(find("progressBar").visible)
        compare(find("busyText").text, data.text)
        _core.sgSetWait(false)
        _core.sgSetWait(true)
        compare(find("busyText").text, "Working…", "the next busy spell is another's")
        _core.sgSetWait(false)
    }

    function test_deviceFamily_data() {
        return [
            { tag: "type 2: 4 x 4", type: 2, size: 4 },
            { tag: "type 3: 4 x 4", type: 3, size: 4 },
            { tag: "type 4: 10 x 10", type: 4, size: 10 },
            { tag: "type 1: 10 x 10", type: 1, size: 10 }
        ]
    }

    function test_deviceFamily(data) {
        _core.sgReadValue("type_dev", data.type)
        _core.sgReadText("devVersion", "2.07")
        compare(dev.bankCount, data.size)
        compare(dev.presetCount, data.size)
        compare(dev.map.count, data.size * data.size)
        var info = find("deviceInfo").text
        verify(info.indexOf(data.size + " × " + data.size) >= 0, info)
        verify(info.indexOf("2.07") >= 0, info)
        compare(find("jumpNumber").validator.top, data.size * data.size - 1)
    }

    // ---- preset map -------------------------------------------------------------

    function test_mapFilledFromPublications() {
        _core.sgReadValue("type_dev", 1)
        // what one step of the sweep publishes: position, impulse name, values
        _core.sgReadValue("bank", 2)
        _core.sgReadValue("preset", 5)
        _core.sgReadText("impulse_name", "Green 412")
        publishStatus({ master_volume: 80, cabinet_enable: 1, preamp_on: 1, amp_on: 0, gate_on: 1 })
        var cell = dev.map.get(dev.presetNumber(2, 5))
        compare(cell.bank, 2)
        compare(cell.preset, 5)
        compare(cell.impulse, "Green 412")
        compare(cell.master, 80)
        verify(cell.known)
        compare(cell.cabinet, 1)
        compare(cell.modules, 1 | 4 * 0 | 8)  // preamp and gate on
        verify(find("mapCell_2_5").current)
        // the next step lands in the next cell and leaves this one as it was
        _core.sgReadValue("bank", 3)
        _core.sgReadValue("preset", 5)
        _core.sgReadText("impulse_name", "empty")
        compare(dev.map.get(dev.presetNumber(3, 5)).impulse, "empty")
        compare(dev.map.get(dev.presetNumber(2, 5)).impulse, "Green 412")
    }

    // The start-up read asks for the impulse name before the position.
    function test_mapPlacesTheStartupImpulseName() {
        _core.sgReadValue("type_dev", 1)
        _core.sgReadText("open_port", testPty.portPath())
        _core.sgReadText("impulse_name", "First Cab")
        _core.sgReadValue("bank", 4)
        _core.sgReadValue("preset", 2)
        compare(dev.map.get(42).impulse, "First Cab")
        // later names follow the position as usual
        _core.sgReadValue("bank", 4)
        _core.sgReadValue("preset", 3)
        _core.sgReadText("impulse_name", "Second Cab")
        compare(dev.map.get(43).impulse, "Second Cab")
        compare(dev.map.get(42).impulse, "First Cab")
    }

    function test_mapKeptWhenThePortCloses() {
        _core.sgReadValue("type_dev", 1)
        _core.sgReadValue("bank", 1)
        _core.sgReadValue("preset", 1)
        _core.sgReadText("impulse_name", "Kept")
        _core.sgReadValue("type_dev", 0)
        compare(dev.map.count, 100)
        compare(dev.map.get(11).impulse, "Kept")
    }

    function test_impulseSlots() {
        _core.sgReadText("impulse_names", "Cab A,empty,My Room,")
        _core.sgReadText("impulse_en", "01,00,01,")
        compare(dev.slotNames, ["Cab A", "empty", "My Room"])
        compare(dev.slotFlags, ["01", "00", "01"])
        compare(find("slotGrid").count, 3)
    }

    function test_impulseName() {
        _core.sgSetImpulsName("Bright 2x12.wav")
        compare(find("impulseName").text, "Bright 2x12.wav")
        _core.sgReadText("impulse_name", "empty")
        compare(find("impulseName").text, "No impulse")
    }

    // ---- connection ---------------------------------------------------------------

    function test_connectionStates() {
        var text = find("connectionText")
        var notice = find("connectionNotice")
        _core.sgPortOpen(false, "")
        _core.sgReadText("close_port", "")
        compare(text.text, "Port closed")
        verify(notice.visible)
        verify(!find("param_master_volume").enabled, "no device, no editing")
        verify(find("noticeText").text.indexOf("USB cable") >= 0)
        verify(find("noticeText").text.indexOf("dialout") >= 0)

        _core.sgReadText("close_port", "ttyACM0")
        compare(text.text, "Cannot open ttyACM0")
        verify(find("noticeTitle").text.indexOf("ttyACM0") >= 0)
        verify(find("noticeText").text.indexOf("udev rule") >= 0)

        _core.sgReadText("open_port", testPty.portPath())
        compare(text.text, "Connected on " + testPty.portPath())
        verify(!notice.visible)
        verify(find("param_master_volume").enabled)
    }

    function test_portArgument_data() {
        return [
            { tag: "separate value", args: ["vortaxa", "--port", "/tmp/dev"], port: "/tmp/dev" },
            { tag: "joined value", args: ["vortaxa", "--port=/dev/pts/4"], port: "/dev/pts/4" },
            { tag: "none", args: ["vortaxa"], port: "" },
            { tag: "option without value", args: ["vortaxa", "--port"], port: "" }
        ]
    }

    function test_portArgument(data) {
        compare(dev.parsePortArgument(data.args), data.port)
    }

    // ---- question and messages ------------------------------------------------------

    function test_saveQuestionAsked_data() {
        return [
            { tag: "preset step", signal: "sgPresetUpDownStage1", kind: "updown", code: 3 },
            { tag: "bank step down", signal: "sgPresetUpDownStage1", kind: "updown", code: 2 },
            { tag: "jump to a preset", signal: "sgPresetChangeStage1", kind: "change", code: 42 }
        ]
    }

    function test_readAllAsksFirstWhenEdited() {
        _core.sgReadValue("preset_edit", 1)
        click("readAllButton")
        var question = find("saveQuestion")
        tryCompare(question, "opened", true)
        compare(question.kind, "sweep")
        click("questionCancel")
        tryCompare(question, "visible", false)
        verify(!dev.sweeping, "cancel reads nothing")
    }

    // Save, then read: the sweep waits until the save's exchange is over.
    function test_readAllAfterSaving() {
        _core.sgReadValue("preset_edit", 1)
        click("readAllButton")
        tryCompare(find("saveQuestion"), "opened", true)
        click("questionSave")
        _core.sgSetWait(true)
        verify(!dev.sweeping, "nothing is read while the save runs")
        _core.sgSetWait(false)
        verify(dev.sweeping, "the reading starts when the save is done")
        _core.sgReadValue("wait", 0)
        verify(!dev.sweepAfterSave)
    }

    function test_saveQuestionAsked(data) {
        var question = find("saveQuestion")
        _core[data.signal](data.code)
        tryCompare(question, "opened", true)
        compare(question.kind, data.kind)
        compare(question.code, data.code)
        verify(find("questionSave").visible)
        verify(find("questionDiscard").visible)
        click("questionCancel")
        tryCompare(question, "visible", false)
    }

    function test_messages_data() {
        return [
            { tag: "unsupported file", emit: function() { _core.sgNotSupport() },
              words: ["48 kHz", "24-bit", "mono"], report: false },
            { tag: "file to convert", emit: function() { _core.sgRequestConvert("/home/me/My Cab.wav") },
              words: ["My Cab.wav", "24-bit mono", "not stored"], report: false },
            { tag: "no answer", emit: function() { _core.sgAnswerErrSave("gs\r\n") },
              words: ["did not answer", "\"gs\"", "USB cable"], report: true }
        ]
    }

    function test_messages(data) {
        var box = find("messageBox")
        data.emit()
        tryCompare(box, "opened", true)
        var text = find("messageTitle").text + " " + find("messageText").text
        for (var i = 0; i < data.words.length; ++i)
            verify(text.indexOf(data.words[i]) >= 0, "message mentions " + data.words[i] + ": " + text)
        compare(find("messageReport").visible, data.report)
        click("messageClose")
        tryCompare(box, "visible", false)
    }

    function test_messagesWaitTheirTurn() {
        var box = find("messageBox")
        _core.sgNotSupport()
        _core.sgAnswerErrSave("rn\r\n")
        tryCompare(box, "opened", true)
        compare(find("messageTitle").text, "Impulse not loaded")
        click("messageClose")
        tryCompare(box, "opened", true)
        compare(find("messageTitle").text, "The device did not answer")
    }

    // ---- settings ---------------------------------------------------------------------

    function test_colourAppliedAtOnce() {
        _core.setColorFileName("#ff0000")
        verify(Qt.colorEqual(dev.impulseColor, "#ff0000"))
        compare(_core.getColorFileName(), "#ff0000")
        var card = find("impulseCard")
        verify(card.color.r > card.color.b, "the impulse panel turns red")
        _core.sgSetColorFileName("not a colour")
        verify(Qt.colorEqual(dev.impulseColor, "#ff0000"), "an unusable setting is ignored")
        _core.setColorFileName("#0000ff")
    }

    function test_wavDialogStartsInTheLastFolder() {
        _core.setLastPath("file:///tmp")
        click("loadWavButton")
        var dialog = find("wavDialog")
        tryCompare(dialog, "visible", true)
        compare(String(dialog.folder), "file:///tmp")
        dialog.close()
        tryCompare(dialog, "visible", false)
    }

    function test_colourDialogOnRequest() {
        var dialog = find("colorDialog")
        _core.colorOpen()
        tryCompare(dialog, "visible", true)
        dialog.close()
        tryCompare(dialog, "visible", false)
    }

    function test_reportDialogFromTheMessage() {
        _core.sgAnswerErrSave("gb\r\n")
        tryCompare(find("messageBox"), "opened", true)
        click("messageReport")
        var dialog = find("reportDialog")
        tryCompare(dialog, "visible", true)
        verify(!dialog.selectExisting, "the report goes to a new file")
        dialog.close()
        tryCompare(dialog, "visible", false)
    }

    function test_lightSkinStored() {
        dev.setLightSkin(true)
        verify(Theme.light)
        verify(_core.getAlternativeSkins())
        dev.setLightSkin(false)
        verify(!Theme.light)
        verify(!_core.getAlternativeSkins())
    }

    function test_localPathOfAChosenFile_data() {
        return [
            { tag: "plain", url: "file:///home/me/ir.wav", path: "/home/me/ir.wav" },
            { tag: "escaped space", url: "file:///home/me/My%20Cab.wav", path: "/home/me/My Cab.wav" },
            { tag: "drive letter", url: "file:///C:/IR/a.wav", path: "C:/IR/a.wav" },
            { tag: "already a path", url: "/tmp/a.wav", path: "/tmp/a.wav" }
        ]
    }

    function test_localPathOfAChosenFile(data) {
        compare(dev.localPath(data.url), data.path)
    }
}

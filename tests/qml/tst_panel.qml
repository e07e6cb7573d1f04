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
        for (var i = 0; i < _parameters.facts.length; ++i) {
            var row = _parameters.facts[i]
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
        for (var i = 0; i < _parameters.facts.length; ++i) {
            var r = _parameters.facts[i]
            verify(r.min < r.max, r.name + " has a range")
            if (r.isSigned)
                verify(r.min >= -128 && r.max <= 127, r.name + " fits a signed byte")
            else
                verify(r.min >= 0 && r.max <= 255, r.name + " fits a byte")
            if (r.kind === "choice")
                compare(r.choices.length, r.max - r.min + 1, r.name + " names every position")
        }
    }

    // From the smallest window to a large one: the left cards do not cover
    // each other, module cards do not overlap, no slider is shorter than
    // Theme.sliderMinimum, a page with more than fits shows its scroll bar,
    // and the equaliser's faders grow with the window.
    function test_windowSizes_data() {
        return [
            { tag: "smallest", width: 900, height: 600, scrolls: ["ampPage", "dynamicsPage"] },
            { tag: "usual", width: 1240, height: 780, scrolls: [] },
            { tag: "1100 x 700", width: 1100, height: 700, scrolls: [] },
            { tag: "large", width: 1900, height: 1150, scrolls: [] }
        ]
    }

    property var faderHeights: ({})

    function test_windowSizes(data) {
        window.width = data.width
        window.height = data.height
        compare(window.minimumWidth, 900)
        compare(window.minimumHeight, 600)
        waitForRendering(window.contentItem)
        var names = ["presetCard", "actionsCard", "impulseCard"]
        for (var i = 1; i < names.length; ++i) {
            var above = find(names[i - 1])
            var y = above.mapToItem(window.contentItem, 0, 0).y + above.height
            verify(find(names[i]).mapToItem(window.contentItem, 0, 0).y >= y, names[i] + " is below " + names[i - 1])
        }
        for (var page = 0; page < 2; ++page) {
            find("tabs").currentIndex = page
            waitForRendering(window.contentItem)
            var cards = page === 0 ? ["card_master", "card_preamp", "card_presence", "card_amp", "card_lpf", "card_hpf", "card_early"]
                                   : ["card_compressor", "card_gate", "card_eq"]
            var placed = []
            for (i = 0; i < cards.length; ++i) {
                var c = find(cards[i])
                var q = c.mapToItem(window.contentItem, 0, 0)
                var r = { name: cards[i], x: q.x, y: q.y, w: c.width, h: c.height }
                for (var j = 0; j < placed.length; ++j) {
                    var o = placed[j]
                    var apart = r.x >= o.x + o.w || o.x >= r.x + r.w || r.y >= o.y + o.h || o.y >= r.y + r.h
                    verify(apart, cards[i] + " overlaps " + o.name)
                }
                placed.push(r)
            }
            for (i = 0; i < _parameters.facts.length; ++i) {
                var row = _parameters.facts[i]
                var onSecondPage = ["eq", "compressor", "gate"].indexOf(row.group) >= 0
                if (row.kind === "choice" || row.kind === "switch" || onSecondPage !== (page === 1))
                    continue
                var slider = find("slider_" + row.name)
                var length = slider.horizontal ? slider.width : slider.height
                verify(length >= Theme.sliderMinimum, row.name + " is " + length + " px long")
            }
            // every choice's segments inside its row, so inside its card
            for (i = 0; i < _parameters.facts.length; ++i) {
                row = _parameters.facts[i]
                if (row.kind !== "choice" || (row.group === "eq") !== (page === 1))
                    continue
                var owner = find("param_" + row.name)
                var last = find("choice_" + row.name + "_" + (row.choices.length - 1))
                var right = last.mapToItem(window.contentItem, last.width, 0).x
                var edge = owner.mapToItem(window.contentItem, owner.width, 0).x
                verify(right <= edge + 0.5, row.name + "'s last segment ends at " + right + ", its row at " + edge)
            }
        }
        var pages = ["leftColumn", "ampPage", "dynamicsPage"]
        for (i = 0; i < pages.length; ++i) {
            find("tabs").currentIndex = pages[i] === "dynamicsPage" ? 1 : 0
            waitForRendering(window.contentItem)
            var flick = find(pages[i])
            var overflows = flick.contentHeight > flick.height + 1
            compare(overflows, data.scrolls.indexOf(pages[i]) >= 0, pages[i] + " scrolls")
            compare(find(pages[i] + "ScrollBar").visible, overflows, pages[i] + "'s scroll bar")
        }
        // the Amp page uses the height it has: its taller column ends in
        // the page's lower fifth, or rows are as tall as they get
        find("tabs").currentIndex = 0
        waitForRendering(window.contentItem)
        var amp = find("ampPage")
        var bottom = Math.max(find("card_presence").mapToItem(amp, 0, find("card_presence").height).y,
                              find("card_early").mapToItem(amp, 0, find("card_early").height).y)
        verify(bottom >= amp.height * 0.8 || find("param_master_volume").height >= Theme.rowHeight * 1.75,
               "the Amp page's cards end at " + bottom + " of " + amp.height)
        faderHeights[data.tag] = find("slider_eq_volume1").height
        if (data.tag === "large")
            verify(faderHeights.large > faderHeights.usual + 100, "the EQ faders grow: "
                   + faderHeights.usual + " -> " + faderHeights.large)
        find("tabs").currentIndex = 0
        window.width = 1240
        window.height = 780
    }

    // ---- values published by the back end ---------------------------------------

    function test_statusBlockMovesEveryControl() {
        var values = {}
        for (var i = 0; i < _parameters.facts.length; ++i)
            values[_parameters.facts[i].name] = sampleValue(_parameters.facts[i], i)
        publishStatus(values)
        for (i = 0; i < _parameters.facts.length; ++i) {
            var r = _parameters.facts[i]
            var control = find("param_" + r.name)
            compare(control.value, values[r.name], r.name + " follows the published value")
            compare(control.valueText, r.textOf(values[r.name]))
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
            { tag: "type by its name", name: "amp_type", value: 2, text: "Type 3", position: -1 },
            { tag: "early reflections type", name: "early_type", value: 0, text: "Type 1", position: -1 },
            { tag: "mode", name: "mode", value: 1, text: "Mode 2", position: -1 },
            { tag: "pre/post by its name", name: "eq_pre", value: 1, text: "Pre", position: -1 },
            { tag: "EQ gain above its centre, in dB", name: "eq_volume2", value: 60, text: "+2.4 dB",
              position: 60, mark: true, words: ["device value 60", "50 is 0 dB"] },
            { tag: "EQ gain at its centre", name: "eq_volume1", value: 50, text: "0 dB", position: 50, mark: true },
            { tag: "EQ gain at the bottom", name: "eq_volume5", value: 0, text: "-12.0 dB", position: 0, mark: true },
            { tag: "band frequency up", name: "eq_freq3", value: 3, text: "+3", position: 3, mark: true,
              words: ["3 steps higher", "not known"] },
            { tag: "band Q down one", name: "eq_q2", value: -1, text: "-1", position: -1.5, mark: true,
              words: ["1 step wider"] },
            { tag: "band frequency at its own", name: "eq_freq1", value: 0, text: "0", position: 0, mark: true,
              words: ["the band's own"] },
            { tag: "level has no centre mark", name: "amp_slave", value: 30, text: "30", position: 30, mark: false }
        ]
    }

    function test_publishedValueShown(data) {
        publishStatus({ [data.name]: data.value })
        var control = find("param_" + data.name)
        compare(control.valueText, data.text)
        if (data.position === -1.5)
            compare(find("slider_" + data.name).value, data.value)
        else if (data.position !== -1)
            compare(find("slider_" + data.name).value, data.position)
        else
            verify(find("choice_" + data.name + "_" + data.value).selected)
        if (data.mark !== undefined)
            compare(find("slider_" + data.name).origin > 0, data.mark, "centre mark")
        var words = data.words || []
        var described = control.fact.description
        for (var i = 0; i < words.length; ++i)
            verify(described.indexOf(words[i]) >= 0, described)
    }

    function test_switchShowsOnAndOff() {
        var sw = find("param_gate_on")
        testPty.answerStatus({ gate_on: 1 })
        verify(sw.isOn)
        verify(find("card_gate").lit, "a module that is on is marked")
        testPty.answerStatus({ gate_on: 0 })
        verify(!sw.isOn)
        verify(!find("card_gate").lit)
        verify(!find("card_gate").active, "a module that is off is dimmed")
    }

    // ---- comparing --------------------------------------------------------------

    function test_comparingDisablesEveryControl() {
        testPty.answerStatus({}, true) // read while compare shows the stored preset
        for (var i = 0; i < _parameters.facts.length; ++i)
            verify(!find("param_" + _parameters.facts[i].name).enabled,
                   _parameters.facts[i].name + " is locked while the stored preset is shown")
        verify(find("comparingBanner").visible)
        verify(find("compareButton").latched)
        verify(find("compareNote").visible)
        verify(find("compareButton").enabled, "Compare stays usable to go back")

        testPty.answerStatus({}, false)
        for (i = 0; i < _parameters.facts.length; ++i)
            verify(find("param_" + _parameters.facts[i].name).enabled, _parameters.facts[i].name + " is usable again")
        verify(!find("comparingBanner").visible)
        verify(!find("compareButton").latched)
    }

    function test_lockedControlIgnoresTheUser() {
        testPty.answerStatus({ master_volume: 50 }, true)
        var slider = find("slider_master_volume")
        mouseClick(slider, slider.width * 0.9, slider.height / 2)
        compare(find("param_master_volume").value, 50)
        compare(testPty.drain(150), "")
    }

    // ---- preset, edited state, activity ----------------------------------------

    function test_positionAndEditedState() {
        place(3, 7)
        compare(find("bankNumber").text, "3")
        compare(find("presetNumber").text, "7")
        testPty.setEdited(true)
        verify(find("editedBadge").edited)
        testPty.setEdited(false)
        verify(!find("editedBadge").edited)
    }

    // Without a device that has answered, nothing about a preset shows: no
    // "Saved" badge, no position, no range hint for the jump.
    function test_nothingShownBeforeTheDeviceAnswers_data() {
        return [
            { tag: "no port", steps: ["lost"], known: false },
            { tag: "port open, device silent", steps: ["open"], known: false },
            { tag: "10 x 10 device answered", steps: ["open", 1], known: true, hint: "0-0 to 9-9" },
            { tag: "4 x 4 device answered", steps: ["open", 2], known: true, hint: "0-0 to 3-3" },
            { tag: "answered, then unplugged", steps: ["open", 1, "lost"], known: false }
        ]
    }

    function test_nothingShownBeforeTheDeviceAnswers(data) {
        for (var i = 0; i < data.steps.length; ++i) {
            var step = data.steps[i]
            if (step === "lost") {
                testPty.losePort()
            } else if (step === "open") {
                if (dev.portState === "open")
                    testPty.losePort() // a fresh connection, to a device not heard yet
                verify(testPty.open())
                testPty.resetBackEnd()
            } else {
                identify(step)
            }
        }
        if (dev.portState === "open")
            place(3, 7) // the position, whether or not the device said what it is
        compare(find("editedBadge").visible, data.known)
        compare(find("jumpNumber").placeholderText, data.known ? data.hint : "")
        compare(find("bankNumber").text, data.known ? "3" : "–")
        compare(find("presetNumber").text, data.known ? "7" : "–")
        if (dev.portState !== "open") {
            verify(testPty.open())
            testPty.resetBackEnd()
        }
        identify(1)
    }

    function test_busyAndProgress() {
        testPty.linkBusy(true, 0.5)
        verify(find("busyIndicator").visible)
        compare(dev.progress, 0.5)
        testPty.linkBusy(false)
        verify(!find("busyIndicator").visible)
        testPty.linkBusy(true, 0.25)
        verify(find("busyIndicator").visible)
        compare(dev.progress, 0.25)
        testPty.linkBusy(false)
        verify(!find("busyIndicator").visible)
    }

    // The busy state says what it is for while a save or an impulse goes
    // out, and only for that spell.
    function test_busyTellsWhatItIsFor_data() {
        return [
            { tag: "a queued exchange", act: function() {}, text: "Working…" },
            { tag: "a save", act: function() { dev.save() }, text: "Saving…" },
            { tag: "an impulse", text: "Sending impulse…", act: function() {
                dev.loadImpulse("file://" + testPty.makeWav("busy_cab.wav", 48000, 24, 1, 300))
            } },
            { tag: "an impulse that cannot be loaded", text: "Working…", act: function() {
                dev.loadImpulse("file:///nowhere/cab.wav")
                closePopups()
            } }
        ]
    }

    function test_busyTellsWhatItIsFor(data) {
        data.act()
        testPty.linkBusy(true, 0.3)
        verify(find("progressBar").visible)
        compare(find("busyText").text, data.text)
        if (dev.saving)
            testPty.answer("sp\rEND\n") // the device stored the preset
        testPty.linkBusy(false)
        testPty.linkBusy(true, 0.3)
        compare(find("busyText").text, "Working…", "the next busy spell is another's")
        testPty.linkBusy(false)
        testPty.resetBackEnd()
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
        identify(data.type)
        testPty.answer("olkver\r2.07\n")
        compare(dev.bankCount, data.size)
        compare(dev.presetCount, data.size)
        compare(dev.map.count, data.size * data.size)
        var info = find("deviceInfo").text
        verify(info.indexOf(data.size + " × " + data.size) >= 0, info)
        verify(info.indexOf("2.07") >= 0, info)
        compare(find("jumpNumber").placeholderText, "0-0 to " + (data.size - 1) + "-" + (data.size - 1))
    }

    // ---- preset map -------------------------------------------------------------

    function test_mapFilledFromTheDevicesAnswers() {
        identify(1)
        // what one step of the sweep reads: position, impulse name, values
        place(2, 5)
        testPty.answer("rn\rGreen 412\n")
        testPty.answerStatus({ master_volume: 80, cabinet_enable: 1, preamp_on: 1, amp_on: 0,
                               compreccor_on: 0, gate_on: 1, eq_on: 0 })
        var cell = dev.map.get(dev.presetNumber(2, 5))
        compare(cell.bank, 2)
        compare(cell.preset, 5)
        compare(cell.impulse, "Green 412")
        compare(cell.master, 80)
        verify(cell.known)
        compare(cell.cabinet, 1)
        compare(cell.modules, 1 | 4 * 0 | 8)  // preamp and gate on
        showTab("Preset map")
        verify(find("mapCell_2_5").current)
        // the whole name in the cell's tooltip, however narrow the cell
        var cellItem = find("mapCell_2_5")
        waitForRendering(cellItem)
        mouseMove(cellItem, cellItem.width / 2, cellItem.height / 2)
        tryVerify(function() {
            var items = window.overlay.children
            for (var i = 0; i < items.length; ++i)
                if (items[i].item && items[i].item.visible && items[i].item.objectName === "toolTip")
                    return String(items[i].item.children[0].text).indexOf("Green 412") >= 0
            return false
        }, 3000, "the tooltip names the impulse")
        mouseMove(window.contentItem, 2, 2)
        find("tabs").currentIndex = 0
        // the next step lands in the next cell and leaves this one as it was
        place(3, 5)
        testPty.answer("rn\r\n")
        compare(dev.map.get(dev.presetNumber(3, 5)).impulse, "empty")
        compare(dev.map.get(dev.presetNumber(2, 5)).impulse, "Green 412")
    }

    // The start-up read asks for the impulse name before the position.
    function test_mapPlacesTheStartupImpulseName() {
        // a fresh connection: nothing is known of the position yet
        testPty.losePort()
        verify(testPty.open())
        testPty.resetBackEnd()
        identify(1)
        testPty.answer("rn\rFirst Cab\n")
        place(4, 2)
        compare(dev.map.get(42).impulse, "First Cab")
        // later names follow the position as usual
        place(4, 3)
        testPty.answer("rn\rSecond Cab\n")
        compare(dev.map.get(43).impulse, "Second Cab")
        compare(dev.map.get(42).impulse, "First Cab")
    }

    function test_mapKeptWhenThePortCloses() {
        identify(1)
        place(1, 1)
        testPty.answer("rn\rKept\n")
        testPty.losePort()
        compare(dev.typeDev, 0)
        compare(dev.map.count, 100)
        compare(dev.map.get(11).impulse, "Kept")
        verify(testPty.open())
        testPty.resetBackEnd()
    }

    // Start-up makes the first two pages only; each other page is made when
    // its tab is first shown, and then kept. Checked on a window of its own,
    // since the tests before this one show pages of the shared one.
    function test_pagesMadeWhenFirstShown_data() {
        return [
            { tag: "preset map", tab: 2, item: "mapGrid" },
            { tag: "impulse slots", tab: 3, item: "slotGrid" },
            { tag: "impulses", tab: 4, item: "impulsesPage" },
            { tag: "library", tab: 5, item: "libraryPage" }
        ]
    }

    function test_pagesMadeWhenFirstShown(data) {
        var component = Qt.createComponent("file://" + applicationDirPath + "/flat/main.qml")
        var other = component.createObject(null)
        verify(other !== null)
        waitForRendering(other.contentItem)
        var tabs = findChild(other.contentItem, "tabs")
        compare(findChild(other.contentItem, data.item), null, data.item + " is not made at start")
        tabs.currentIndex = data.tab
        var page = findChild(other.contentItem, data.item)
        verify(page !== null && page.visible, data.item + " is made and shown with its tab")
        tabs.currentIndex = 0
        verify(!page.visible, data.item + " is hidden with another tab")
        compare(findChild(other.contentItem, data.item), page, data.item + " is kept")
        other.destroy()
        wait(0)
    }

    // The slots page: each slot's name, its flag in words (an unknown flag
    // said to be unknown), and the current preset's slot marked.
    function test_impulseSlots() {
        place(0, 2)
        answerSlots(["Cab A", "empty", "My Room", "Odd"], ["01", "00", "01", "07"])
        find("tabs").currentIndex = 3
        waitForRendering(find("slotGrid"))
        compare(find("slotGrid").count, 100)
        var expected = [
            { name: "Cab A", flag: "stored", current: false },
            { name: "empty", flag: "none", current: false },
            { name: "My Room", flag: "stored", current: true },
            { name: "Odd", flag: "unknown (07)", current: false }
        ]
        for (var i = 0; i < expected.length; ++i) {
            compare(find("slotName_" + i).text, expected[i].name)
            compare(find("slotFlag_" + i).text, expected[i].flag)
            compare(find("slot_" + i).current, expected[i].current, "slot " + i + " marked")
        }
        place(0, 3)
        verify(find("slot_3").current, "the mark follows the preset")
        verify(!find("slot_2").current)
        find("tabs").currentIndex = 0
    }

    function test_impulseName() {
        testPty.answer("rn\rBright 2x12.wav\n")
        compare(find("impulseName").text, "Bright 2x12.wav")
        testPty.answer("rn\r\n")
        compare(find("impulseName").text, "No impulse")
    }

    // ---- connection ---------------------------------------------------------------

    // What the panel says without a connection, for real failed opens of
    // the pty's port: the device unplugged (and still gone when the panel
    // tries again), a chosen port that does not exist, a port another
    // program holds. Only a refused permission mentions udev rules.
    function test_connectionStates_data() {
        return [
            { tag: "device unplugged", how: "lost", chip: "Device disconnected",
              title: "disconnected", words: ["reconnects by itself"] },
            { tag: "unplugged, still gone when tried again", how: "lost then gone",
              chip: "Device disconnected", title: "disconnected", words: ["reconnects by itself"] },
            { tag: "chosen port does not exist", how: "chosen missing", chip: "not found",
              title: "does not exist", words: ["choose another port", "The system says"] },
            { tag: "port in use", how: "held", chip: "is in use", title: "is in use",
              words: ["Another program", "The system says"] }
        ]
    }

    function test_connectionStates(data) {
        var missing = testPty.portPath() + "-missing"
        if (data.how === "lost" || data.how === "lost then gone") {
            testPty.losePort()
            if (data.how === "lost then gone")
                verify(!_core.openPort(missing))
        } else if (data.how === "chosen missing") {
            dev.choosePort(missing)
        } else {
            verify(!_core.openPort(missing))
            verify(testPty.occupy())
            verify(!_core.openPort(testPty.portPath()))
            testPty.release()
        }
        verify(find("connectionNotice").visible)
        verify(!find("param_master_volume").enabled, "no device, no editing")
        var chip = find("connectionText").text
        var title = find("noticeTitle").text
        var text = find("noticeText").text
        verify(chip.indexOf(data.chip) >= 0, chip)
        verify(title.indexOf(data.title) >= 0, title)
        for (var i = 0; i < data.words.length; ++i)
            verify(text.indexOf(data.words[i]) >= 0, data.words[i] + " in: " + text)
        var never = ["udev", "dialout", "may not use its port"]
        for (i = 0; i < never.length; ++i)
            verify(text.indexOf(never[i]) < 0, "no " + never[i] + " in: " + text)

        dev.choosePort("")
        verify(testPty.open())
        compare(find("connectionText").text, "Connected on " + testPty.portPath())
        verify(!find("connectionNotice").visible)
        verify(find("param_master_volume").enabled)
    }

    // The device unplugged and back: the panel starts again from what the
    // device reports, and says plainly when unsaved changes went with it.
    function test_reconnectStartsFromTheDevice_data() {
        return [
            { tag: "unsaved changes", edited: true },
            { tag: "nothing edited", edited: false }
        ]
    }

    function test_reconnectStartsFromTheDevice(data) {
        testPty.resetBackEnd()
        place(3, 5)
        if (data.edited)
            _core.setValue("master_volume", 30)
        compare(dev.edited, data.edited)
        testPty.losePort()
        // One notice says both things: the device went away, and (only
        // when there were any) the unsaved changes went with it.
        var box = find("messageBox")
        verify(!box.visible, "no second message")
        tryCompare(find("noticeTitle"), "text", "The device was disconnected")
        var notice = find("noticeText").text
        compare(notice.indexOf("The changes to Preset 3-5 were not saved") >= 0, data.edited, notice)

        verify(testPty.open())
        _core.slTimer()
        testPty.write("olkdev\r1\nEND\n") // the device says who it is
        tryCompare(dev, "identified", true)
        compare(find("editedText").text, "Saved")
        // A move asks nothing: there is nothing left to save.
        var asked = 0
        var count = function() { ++asked }
        _core.sgPresetUpDownStage1.connect(count)
        _core.setValue("preset_UpDown", 1)
        _core.sgPresetUpDownStage1.disconnect(count)
        compare(asked, 0)
    }

    // The port chooser in the settings: a port typed in is opened at once
    // and kept; "find the device by itself" forgets it again.
    function test_portChooser_data() {
        return [
            { tag: "a port by its path", typed: true, port: "pty", kept: "pty" },
            { tag: "found by itself", typed: false, port: "", kept: "" }
        ]
    }

    function test_portChooser(data) {
        var path = testPty.portPath()
        click("settingsButton")
        tryCompare(find("settingsMenu"), "opened", true)
        click("portItem")
        var dialog = find("portDialog")
        tryCompare(dialog, "opened", true)
        if (data.typed) {
            var field = find("portPathField")
            field.forceActiveFocus()
            field.text = path
            verify(!find("portOption_auto").checked)
        } else {
            click("portOption_auto")
            verify(find("portOption_auto").checked)
        }
        click("portUse")
        tryCompare(dialog, "visible", false)
        var expected = data.port === "pty" ? path : ""
        compare(_ports.port, expected)
        compare(testPty.setting("PortPath"), data.kept === "pty" ? path : "")
        verify(dev.connected, "still (or again) connected on the pty")
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
        testPty.setEdited(true)
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
        testPty.setEdited(true)
        click("readAllButton")
        tryCompare(find("saveQuestion"), "opened", true)
        click("questionSave")
        verify(dev.saving)
        testPty.answer("sp\rEND\n") // the device took the save
        verify(!dev.saving)
        verify(dev.busy)
        verify(!dev.sweeping, "nothing is read while the save's exchange runs")
        testPty.linkBusy(false)
        tryVerify(function() { return dev.sweeping }, 1000, "the reading starts when the save is done")
        compare(_device.saveQuestion.afterSave, "", "nothing waits any more")
        // the device never answers: the reading gives up and says so
        _library.cancel()
        testPty.losePort()
        tryVerify(function() { return !_library.busy }, 2000)
        verify(testPty.open())
        testPty.resetBackEnd()
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
            { tag: "unusable impulse file",
              emit: function() { _impulses.failed("/home/me/notes.txt", "\u201cnotes.txt\u201d is not an audio file.") },
              words: ["Impulse not loaded", "\u201cnotes.txt\u201d is not an audio file."], report: false },
            { tag: "impulse not stored, closed with Enter", emit: function() { _core.sgRequestConvert("/home/me/My Cab.wav") },
              words: ["My Cab.wav", "not stored", "Load the impulse again"], report: false, enter: true },
            { tag: "no answer, closed with Enter", emit: function() { _core.sgAnswerErrSave("gs\r\n") },
              words: ["did not answer", "\"gs\"", "USB cable"], report: true, enter: true },
            { tag: "help without a browser", menu: "helpItem", words: ["No web browser", "help/index.html"],
              report: false },
            { tag: "shop without a browser", menu: "shopItem", words: ["No web browser", "index.html#presets"],
              report: false, enter: true }
        ]
    }

    function test_messages(data) {
        var box = find("messageBox")
        if (data.menu !== undefined) {
            // the test platform has no browser and says so
            ignoreWarning(/does not support/)
            click("settingsButton")
            tryCompare(find("settingsMenu"), "opened", true)
            click(data.menu)
            testPty.clearWarnings()
        } else {
            data.emit()
        }
        tryCompare(box, "opened", true)
        var text = find("messageTitle").text + " " + find("messageText").text
        for (var i = 0; i < data.words.length; ++i)
            verify(text.indexOf(data.words[i]) >= 0, "message mentions " + data.words[i] + ": " + text)
        compare(find("messageReport").visible, data.report)
        if (data.enter) {
            testPty.key(window, Qt.Key_Return)
        }
        else
            click("messageClose")
        tryCompare(box, "visible", false)
    }

    // A tooltip never covers a neighbouring control of the one it explains.
    function test_toolTipsLeaveNeighboursFree_data() {
        return [
            { tag: "save, above the second row", control: "saveButton" },
            { tag: "compare", control: "compareButton" },
            { tag: "revert", control: "revertButton" },
            { tag: "copy", control: "copyButton" },
            { tag: "read all", control: "readAllButton" },
            { tag: "previous preset", control: "presetDown" },
            { tag: "next preset, above Go", control: "presetUp" },
            { tag: "next bank", control: "bankUp" },
            { tag: "load an impulse", control: "loadWavButton" }
        ]
    }

    // Every visible control of the window a user may click next.
    function clickables() {
        var out = []
        var stack = [window.contentItem.parent]
        while (stack.length > 0) {
            var item = stack.pop()
            if (!item.visible || item === window.overlay)
                continue
            if (item.activeFocusOnTab === true || (item.focusPolicy !== undefined && item.focusPolicy !== Qt.NoFocus)
                    || (typeof item.clicked === "function" && item.checkable !== undefined)) {
                if (item.width > 0)
                    out.push(item)
                continue
            }
            for (var i = 0; i < item.children.length; ++i)
                stack.push(item.children[i])
        }
        return out
    }

    function test_toolTipsLeaveNeighboursFree(data) {
        var control = find(data.control)
        mouseMove(control, control.width / 2, control.height / 2)
        var bubble = null
        tryVerify(function() {
            var items = window.overlay.children
            for (var i = 0; i < items.length; ++i)
                if (items[i].item && items[i].item.objectName === "toolTip" && items[i].item.visible)
                    bubble = items[i].item
            return bubble !== null
        }, 3000, "a tooltip shows")
        var b = bubble.mapToItem(window.contentItem, 0, 0)
        var neighbours = Array.prototype.slice.call(control.parent.children).concat(clickables())
        for (var i = 0; i < neighbours.length; ++i) {
            var n = neighbours[i]
            if (n === control || !n.visible || n.width === 0)
                continue
            var r = n.mapToItem(window.contentItem, 0, 0)
            var apart = b.x >= r.x + n.width || r.x >= b.x + bubble.width
                        || b.y >= r.y + n.height || r.y >= b.y + bubble.height
            verify(apart, "the tooltip of " + data.control + " covers " + (n.objectName || n))
        }
        var loader = bubble.parent
        mouseMove(window.contentItem, 2, 2)
        tryVerify(function() { return loader.item === null }, 2000, "gone when the mouse leaves")
    }

    function test_messagesWaitTheirTurn() {
        var box = find("messageBox")
        _impulses.failed("/x/empty.wav", "\u201cempty.wav\u201d is empty.")
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

    // Any local file may be dropped; the back end says why one cannot be used.
    function test_droppedItems_data() {
        return [
            { tag: "WAV", url: "file:///home/me/ir.wav", taken: true },
            { tag: "FLAC with a space", url: "file:///home/me/My%20Cab.flac", taken: true },
            { tag: "no extension", url: "file:///home/me/impulse", taken: true },
            { tag: "web address", url: "https://example.com/ir.wav", taken: false },
            { tag: "text", url: "Closed 4x12", taken: false }
        ]
    }

    function test_droppedItems(data) {
        compare(dev.isLocalFile(data.url), data.taken)
    }

    // The two conversion settings in the settings menu reach the back end.
    function test_impulseSettingsInTheMenu_data() {
        return [
            { tag: "mix channels", item: "mixChannelsItem", property: "mixChannels" },
            { tag: "normalise", item: "normaliseItem", property: "normalise" }
        ]
    }

    function test_impulseSettingsInTheMenu(data) {
        _impulses[data.property] = false
        for (var round = 0; round < 2; ++round) {
            click("settingsButton")
            var menu = find("settingsMenu")
            tryCompare(menu, "opened", true)
            var item = find(data.item)
            compare(item.checked, _impulses[data.property])
            mouseClick(item)
            tryCompare(menu, "visible", false)
            compare(_impulses[data.property], round === 0, "the setting follows the menu")
        }
    }
}

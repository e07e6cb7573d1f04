// Undo and redo on the in-process device: steps taken from the values the device
// reported, merged while one control keeps moving, restored on the wire;
// their texts; and the history's lifetime across moves, reverts, pastes,
// impulse loads, saves and compare. The clock is the test's own.
#include "history/edit_history.h"
#include "parameters/parameter_table.h"
#include "support/core_rig.h"
#include "support/test_main.h"
#include "support/wav_writer.h"

#include <functional>

namespace {

// The command that sets a parameter, written out from the protocol for the
// names used here.
QByteArray command(const QString &name, int value)
{
    static const QHash<QString, QByteArray> prefixes = {
        {"master_volume", "mv "}, {"level_MASTER", "mv "}, {"preamp_low", "prl "},
        {"gate_on", "go "},       {"mode", "gm "},         {"eq_volume1", "eqv 0 "},
    };
    return prefixes.value(name) + QByteArray::number(value & 0xff, 16) + "\r\n";
}

// "name=value" into its two parts.
QPair<QString, int> nameAndValue(const QString &text)
{
    const QStringList parts = text.split('=');
    return {parts.value(0), parts.value(1).toInt()};
}

struct HistoryRig : CoreRig {
    qint64 now = 0;
    EditHistory history{core.presetSession()};

    HistoryRig()
    {
        history.setClock([this] { return now; });
    }

    // An open link on a device whose current preset holds the sample
    // status, live and stored: byte i holds i + 0x10 (master 23, preamp
    // low 33).
    bool start()
    {
        device.model().setLiveStatus(QByteArray::fromHex(sampleStatus()));
        device.model().storeStatus();
        return openIdle();
    }

    // The device reports the current preset again, with `name` at `value`.
    void report(const QString &name, int value)
    {
        device.model().setLiveByte(parameters::find(name)->position, quint8(value & 0xff));
        core.send("gs\r\n");
        link.startSending();
        wire();
    }

    // Every byte the device received since the last look, once what was
    // sent has been answered.
    QByteArray wire()
    {
        QCoreApplication::processEvents();
        waitFor([&] {
            return link.queueEmpty() && device.bytesToWrite() == 0 && !link.sendingInPieces();
        });
        const QByteArray bytes = device.wire();
        device.clearLog();
        return bytes;
    }

    // An edit at a clock time, and whether exactly its command reached the device.
    bool edit(const QString &name, int value, qint64 at)
    {
        now = at;
        history.setValue(name, value);
        return wire() == command(name, value);
    }
};

using Action = std::function<void(HistoryRig &)>;

} // namespace

Q_DECLARE_METATYPE(Action)

class TestEditHistory : public QObject {
    Q_OBJECT

private slots:
    // A script of edits ("name=value@ms"), undos and redos; every undo or
    // redo must write exactly the restored value ("name=value") or nothing
    // ("-").
    void stepsWalkBackAndForth_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("restored");
        QTest::addColumn<bool>("canUndo");
        QTest::addColumn<bool>("canRedo");

        QTest::newRow("edits with pauses")
            << "master_volume=40@0 preamp_low=-3@1000 master_volume=50@2000 "
               "undo undo undo undo redo redo redo redo"
            << "master_volume=40 preamp_low=33 master_volume=23 - "
               "master_volume=40 preamp_low=-3 master_volume=50 -"
            << true << false;
        QTest::newRow("a drag is one step")
            << "master_volume=30@0 master_volume=35@100 master_volume=40@200 "
               "master_volume=45@650 undo undo redo"
            << "master_volume=23 - master_volume=45" << true << false;
        QTest::newRow("half a second apart is two steps")
            << "master_volume=30@0 master_volume=40@500 undo undo"
            << "master_volume=30 master_volume=23" << false << true;
        QTest::newRow("another control ends the merge")
            << "master_volume=30@0 preamp_low=1@100 master_volume=40@200 undo undo undo"
            << "master_volume=30 preamp_low=33 master_volume=23" << false << true;
        QTest::newRow("dragged back to the start") << "master_volume=30@0 master_volume=23@100 undo"
                                                   << "-" << false << false;
        QTest::newRow("an edit after undo drops the redo steps")
            << "master_volume=30@0 master_volume=40@1000 undo master_volume=50@1100 "
               "redo undo undo"
            << "master_volume=30 - master_volume=30 master_volume=23" << false << true;
        QTest::newRow("alias and byte forms")
            << "level_MASTER=60@0 preamp_low=253@1000 undo undo redo"
            << "preamp_low=33 master_volume=23 master_volume=60" << true << true;
        QTest::newRow("the value the device reported") << "master_volume=23@0 undo"
                                                       << "-" << false << false;
        QTest::newRow("a name outside the preset") << "mode=1@0 undo"
                                                   << "-" << false << false;
    }

    void stepsWalkBackAndForth()
    {
        QFETCH(QString, script);
        QFETCH(QString, restored);
        QFETCH(bool, canUndo);
        QFETCH(bool, canRedo);

        HistoryRig rig;
        QVERIFY(rig.start());
        QStringList expected = restored.split(' ');
        for (const QString &action : script.split(' ')) {
            if (action == "undo" || action == "redo") {
                QVERIFY2(!expected.isEmpty(), "more undos and redos than expected results");
                const QString next = expected.takeFirst();
                const auto [name, value] = nameAndValue(next);
                action == "undo" ? rig.history.undo() : rig.history.redo();
                QCOMPARE(rig.wire(), next == "-" ? QByteArray() : command(name, value));
                // The preset's value, which the panel's control shows, follows.
                if (next != "-")
                    QCOMPARE(rig.core.presetSession().values().value(*parameters::find(name)),
                             value);
            } else {
                const QStringList parts = action.split('@');
                const auto [name, value] = nameAndValue(parts.value(0));
                QVERIFY2(rig.edit(name, value, parts.value(1).toLongLong()), qPrintable(action));
            }
        }
        QVERIFY(expected.isEmpty());
        QCOMPARE(rig.history.canUndo(), canUndo);
        QCOMPARE(rig.history.canRedo(), canRedo);
    }

    // undoText and redoText name the control and its values as the panel
    // does; a value comes in as the published number or its byte.
    void describesSteps_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("after");
        QTest::addColumn<QString>("text");

        QTest::newRow("level") << "master_volume" << 74 << 80 << "Master 74 → 80";
        QTest::newRow("signed, as a byte")
            << "preamp_low" << -3 << 252 << "Preamp low -3 dB → -4 dB";
        QTest::newRow("switch") << "gate_on" << 0 << 1 << "Gate Off → On";
        QTest::newRow("gain") << "eq_volume1" << 50 << 60
                              << "Parametric EQ band 1 gain 0 dB → +2.4 dB";
        QTest::newRow("beyond the range") << "master_volume" << 120 << 100 << "Master 120 → 100";
    }

    void describesSteps()
    {
        QFETCH(QString, name);
        QFETCH(int, before);
        QFETCH(int, after);
        QFETCH(QString, text);

        HistoryRig rig;
        QVERIFY(rig.start());
        rig.report(name, before);
        QSignalSpy changed(&rig.history, &EditHistory::changed);
        QVERIFY(rig.edit(name, after, 0));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(rig.history.undoText(), text);
        QCOMPARE(rig.history.redoText(), QString());
        rig.history.undo();
        QCOMPARE(rig.history.undoText(), QString());
        QCOMPARE(rig.history.redoText(), text);
    }

    // Undo back to what the device stores leaves the preset clean: the badge
    // goes off and a move asks nothing; redo marks it edited again.
    void undoToStoredIsClean()
    {
        HistoryRig rig;
        QVERIFY(rig.start());
        QSignalSpy published(&rig.core, &Core::sgReadValue);
        QVERIFY(rig.edit("master_volume", 80, 0));
        QVERIFY(rig.session.edited());
        rig.history.undo();
        QCOMPARE(rig.wire(), command("master_volume", 0x17));
        QVERIFY(!rig.session.edited());
        QCOMPARE(published.last(), QVariantList({"preset_edit", 0}));
        rig.history.redo();
        QVERIFY(rig.session.edited());
    }

    // What starts a fresh history and what keeps it. A kept history undoes
    // its step and marks the preset edited again (after a save, too) while
    // another edit remains.
    void lifetime_data()
    {
        QTest::addColumn<Action>("event");
        QTest::addColumn<bool>("keeps");

        auto set = [](const char *name, uchar value) {
            return Action([=](HistoryRig &r) { r.core.setValue(name, value); });
        };
        QTest::newRow("preset step without saving") << set("set_preset_updown", 3) << false;
        QTest::newRow("bank step without saving") << set("set_preset_updown", 2) << false;
        QTest::newRow("jump without saving") << set("set_preset_change", 5) << false;
        QTest::newRow("revert") << Action([](HistoryRig &r) { r.core.slEsc(); }) << false;
        QTest::newRow("paste") << Action([](HistoryRig &r) {
            r.core.slCopy();
            r.wire();
            r.core.slPaste();
        }) << false;
        QTest::newRow("impulse load") << Action([](HistoryRig &r) {
            ScratchDir dir;
            WavShape shape;
            shape.data = patternSamples(64, 1, 3);
            const QString path = dir.filePath("cab.wav");
            QVERIFY(writeFile(path, wavFile(shape)));
            r.core.setImpuls(path);
        }) << false;
        QTest::newRow("reading every preset") << set("map_update", 0) << false;
        QTest::newRow("new connection") << Action([](HistoryRig &r) { r.core.readAll(); }) << false;
        QTest::newRow("save") << Action([](HistoryRig &r) { r.core.slSaveUpDown(0); }) << true;
        QTest::newRow("copy") << Action([](HistoryRig &r) { r.core.slCopy(); }) << true;
        QTest::newRow("impulse revert")
            << Action([](HistoryRig &r) { r.core.slEscImpuls(); }) << true;
        QTest::newRow("a refused paste") << Action([](HistoryRig &r) { r.core.slPaste(); }) << true;
    }

    void lifetime()
    {
        QFETCH(Action, event);
        QFETCH(bool, keeps);

        HistoryRig rig;
        QVERIFY(rig.start());
        // Two steps: undoing the second leaves the preset edited by the first.
        QVERIFY(rig.edit("gate_on", 0, 0));
        QVERIFY(rig.edit("master_volume", 40, 1000));
        QVERIFY(rig.history.canUndo());
        event(rig);
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(rig.history.canUndo(), keeps);
        QCOMPARE(rig.history.undoText().isEmpty(), !keeps);
        if (!keeps)
            return;

        rig.wire();
        if (rig.session.edited()) { // saved, the preset is clean; the history stays
            rig.core.slSaveUpDown(0);
            rig.wire();
            QVERIFY(rig.history.canUndo());
        }
        QVERIFY(!rig.session.edited());
        SignalRecorder recorder(&rig.core);
        rig.history.undo();
        QVERIFY(rig.wire().endsWith(command("master_volume", 23)));
        QVERIFY(rig.session.edited());
        QCOMPARE(recorder.valuesOf("preset_edit"), QVariantList{1});
        QCOMPARE(recorder.of("sgSetEdit"), QList<QVariantList>{{true}});
    }

    // While compare shows the stored preset nothing is undone; back to the
    // edits, the step is there again.
    void compareLocksTheHistory()
    {
        HistoryRig rig;
        QVERIFY(rig.start());
        QVERIFY(rig.edit("master_volume", 40, 0));
        for (const bool comparing : {true, false}) {
            rig.core.slCompare();
            rig.wire(); // the device's status answer publishes "editable"
            QCOMPARE(rig.session.comparing(), comparing);
            QCOMPARE(rig.history.canUndo(), !comparing);
            rig.history.undo();
            QCOMPARE(rig.wire(), comparing ? QByteArray() : command("master_volume", 23));
        }
    }
};

VORTAXA_TEST_MAIN(TestEditHistory)
#include "tst_edit_history.moc"

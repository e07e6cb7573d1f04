// Bank and preset navigation through a pty: the save-or-discard question
// with its continuations, moves deferred behind a running sequence, and what
// every move clears.
#include "support/pty_core_rig.h"
#include "support/test_main.h"

namespace {
const QList<QByteArray> readBack = {"gb\r\n", "gs\r\n", "rn\r\n"};
const QList<QByteArray> sevenCommands = {"olkdev\r\n", "olkver\r\n", "rns\r\n", "rn\r\n",
                                         "gb\r\n",     "gs\r\n",     "gm\r\n"};
} // namespace

class TestNavigation : public PtyCoreRigTest {
    Q_OBJECT

private slots:
    void editedPresetAsksFirst_data();
    void editedPresetAsksFirst();
    void cleanPresetMovesAtOnce_data();
    void cleanPresetMovesAtOnce();
    void newerRequestReplacesDeferredOne_data();
    void newerRequestReplacesDeferredOne();
    void deferredStepAndJumpBothRun();
    void notAStepTouchesNothing_data();
    void notAStepTouchesNothing();
    void presetAbove127IsNeverCarriedOut();

private:
    // A preset with a pasted, unsaved impulse on show during a compare,
    // its edited block kept.
    void dirtyState()
    {
        rig->a.pendingImpulse().paste(QStringLiteral("cab.wav"), QStringLiteral("/tmp/cab.wav"),
                                      QByteArray(), QByteArray());
        rig->a.compareStatus() = sampleStatus();
        rig->a.editable() = 0;
    }
    // A move leaves the preset: nothing of it stays pending or kept.
    void verifyMoveCleared()
    {
        QCOMPARE(rig->a.pendingImpulse().source(), PendingImpulse::Source::Stored);
        QVERIFY(rig->a.compareStatus().isEmpty());
        QCOMPARE(int(rig->a.editable()), 1);
    }
};

void TestNavigation::editedPresetAsksFirst_data()
{
    QTest::addColumn<QString>("request");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("stage1");
    QTest::addColumn<QString>("moveWithoutSave");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<int>("editedAfter");
    QTest::newRow("preset down") << "preset_UpDown" << 0 << "sgPresetUpDownStage1(4)"
                                 << "set_preset_updown" << QByteArray("chp 0\r\n") << 1;
    QTest::newRow("preset up") << "preset_UpDown" << 1 << "sgPresetUpDownStage1(3)"
                               << "set_preset_updown" << QByteArray("chp 1\r\n") << 1;
    QTest::newRow("bank up") << "bank_UpDown" << 9 << "sgPresetUpDownStage1(1)"
                             << "set_preset_updown" << QByteArray("chb 1\r\n") << 1;
    QTest::newRow("bank down") << "bank_UpDown" << 0 << "sgPresetUpDownStage1(2)"
                               << "set_preset_updown" << QByteArray("chb 0\r\n") << 1;
    // The jump clears the edited flag itself; a step leaves that to the
    // device's answer.
    QTest::newRow("jump to 12") << "preset_change" << 12 << "sgPresetChangeStage1(12)"
                                << "set_preset_change" << QByteArray("pc c\r\n") << 0;
}

// Stage 1 sends nothing and stores nothing; the interface passes the byte it
// received back with the move-without-save word, which moves at once.
void TestNavigation::editedPresetAsksFirst()
{
    QFETCH(QString, request);
    QFETCH(int, value);
    QFETCH(QString, stage1);
    QFETCH(QString, moveWithoutSave);
    QFETCH(QByteArray, command);
    QFETCH(int, editedAfter);

    rig->a.presetEdit() = 1;
    rig->a.queue() = {"gm\r\n"};
    dirtyState();
    SignalRecorder rec(&rig->core);
    rig->core.setValue(request, uchar(value));

    QCOMPARE(rec.lines(), QStringList({stage1, "sgReadValue(preset_edit,1)"}));
    QCOMPARE(rig->a.queue(), QList<QByteArray>({"gm\r\n"}));
    QCOMPARE(int(rig->a.pendingUpDown()), 0);
    QCOMPARE(int(rig->a.pendingPreset()), -1);
    QCOMPARE(rig->a.pendingFileName(), QStringLiteral("cab.wav"));
    QCOMPARE(rig->wire(), QByteArray());

    // The continuation carries the byte of the stage-1 signal.
    const int passedBack = rec.all().first().args.first().value<uchar>();
    rec.clear();
    rig->core.setValue(moveWithoutSave, uchar(passedBack));

    QCOMPARE(rig->a.queue(), QList<QByteArray>{command} + readBack);
    QCOMPARE(int(rig->a.commandTotal()), 4);
    QCOMPARE(rig->pty.read(command.size()), command);
    verifyMoveCleared();
    QCOMPARE(int(rig->a.presetEdit()), editedAfter);
    if (editedAfter == 0) {
        // The jump publishes its cleared state before the pacing step sends.
        QCOMPARE(withoutPacing(rec),
                 QStringList({"sgReadValue(preset_edit,0)", "sgReadValue(editable,1)",
                              "sgReadValue(preset_edit,0)"}));
        QCOMPARE(rec.lines().at(1), QStringLiteral("sgReadValue(editable,1)"));
        QCOMPARE(rec.lines().at(2), QStringLiteral("sgSetProgress(0)"));
    } else {
        QCOMPARE(withoutPacing(rec), QStringList({"sgReadValue(preset_edit,1)"}));
    }
    QVERIFY(rec.count("sgPresetUpDownStage1") + rec.count("sgPresetChangeStage1") == 0);
}

void TestNavigation::cleanPresetMovesAtOnce_data()
{
    QTest::addColumn<QString>("request");
    QTest::addColumn<int>("value");
    QTest::addColumn<QByteArray>("command");
    QTest::newRow("bank up") << "bank_UpDown" << 1 << QByteArray("chb 1\r\n");
    QTest::newRow("preset down") << "preset_UpDown" << 0 << QByteArray("chp 0\r\n");
    QTest::newRow("jump to 0") << "preset_change" << 0 << QByteArray("pc 0\r\n");
    QTest::newRow("jump to 127") << "preset_change" << 127 << QByteArray("pc 7f\r\n");
}

// With nothing queued the deferral is carried out by the pacing step the
// request runs: the command is on its way before the call returns.
void TestNavigation::cleanPresetMovesAtOnce()
{
    QFETCH(QString, request);
    QFETCH(int, value);
    QFETCH(QByteArray, command);
    dirtyState();
    SignalRecorder rec(&rig->core);
    rig->core.setValue(request, uchar(value));

    QCOMPARE(rig->a.queue(), QList<QByteArray>{command} + readBack);
    QCOMPARE(int(rig->a.pendingUpDown()), 0);
    QCOMPARE(int(rig->a.pendingPreset()), -1);
    QCOMPARE(rec.of("sgSetProgress").size(), 1);
    QCOMPARE(rig->pty.read(command.size()), command);
    verifyMoveCleared();
}

void TestNavigation::newerRequestReplacesDeferredOne_data()
{
    QTest::addColumn<QString>("request");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("second");
    QTest::addColumn<QByteArray>("command");
    QTest::newRow("two bank steps") << "bank_UpDown" << 1 << 0 << QByteArray("chb 0\r\n");
    QTest::newRow("two jumps") << "preset_change" << 3 << 14 << QByteArray("pc e\r\n");
}

// While a 7-command sequence runs, a request leaves the head on the wire
// alone (the timer re-sends it, not a click); the newer request wins, and it
// runs when the last answer empties the queue.
void TestNavigation::newerRequestReplacesDeferredOne()
{
    QFETCH(QString, request);
    QFETCH(int, first);
    QFETCH(int, second);
    QFETCH(QByteArray, command);
    for (const QByteArray &c : sevenCommands)
        rig->core.send(c);
    rig->core.slTimer();
    QCOMPARE(rig->pty.read(8), QByteArray("olkdev\r\n"));

    rig->core.setValue(request, uchar(first));
    rig->core.setValue(request, uchar(second));
    QCOMPARE(rig->a.queue(), sevenCommands);
    QCOMPARE(rig->wire(), QByteArray());

    QByteArray sent;
    for (int i = 0; i < 6; ++i)
        rig->answerHead();
    sent = rig->pty.readUntil("gm\r\n");
    QCOMPARE(sent, QByteArray("olkver\r\nrns\r\nrn\r\ngb\r\ngs\r\ngm\r\n"));

    rig->answerHead(); // the last answer: the deferred move runs
    QCOMPARE(rig->pty.read(command.size()), command);
    QCOMPARE(rig->a.queue(), QList<QByteArray>{command} + readBack);
    QCOMPARE(int(rig->a.pendingUpDown()), 0);
    QCOMPARE(int(rig->a.pendingPreset()), -1);
    QCOMPARE(rig->wire(), QByteArray()); // the first request never ran
}

// The step runs first; the jump then replaces its queue, so only the step
// command itself went out before the jump.
void TestNavigation::deferredStepAndJumpBothRun()
{
    rig->core.send("gm\r\n");
    rig->core.setValue(QStringLiteral("preset_UpDown"), 1);
    rig->core.setValue(QStringLiteral("preset_change"), 5);
    QCOMPARE(int(rig->a.pendingUpDown()), 3);
    QCOMPARE(int(rig->a.pendingPreset()), 5);
    QCOMPARE(rig->wire(4), QByteArray("gm\r\n")); // sent by the first request only

    SignalRecorder rec(&rig->core);
    rig->answerHead();

    QCOMPARE(rig->pty.read(13), QByteArray("chp 1\r\npc 5\r\n"));
    QCOMPARE(rig->a.queue(), QList<QByteArray>{"pc 5\r\n"} + readBack);
    QCOMPARE(int(rig->a.pendingUpDown()), 0);
    QCOMPARE(int(rig->a.pendingPreset()), -1);
    // Both sends happen before the idle branch reports the end of the wait.
    QCOMPARE(rec.lines().last(), QStringLiteral("sgReadValue(wait,0)"));
    QCOMPARE(rec.count("sgSetProgress"), 2);
}

void TestNavigation::notAStepTouchesNothing_data()
{
    QTest::addColumn<int>("code");
    QTest::newRow("0") << 0;
    QTest::newRow("5") << 5;
    QTest::newRow("255") << 255;
}

void TestNavigation::notAStepTouchesNothing()
{
    QFETCH(int, code);
    rig->a.queue() = {"gm\r\n"};
    rig->a.commandTotal() = 1;
    dirtyState();
    SignalRecorder rec(&rig->core);
    rig->core.setValue(QStringLiteral("set_preset_updown"), uchar(code));

    QCOMPARE(rec.lines(), QStringList({"sgReadValue(preset_edit,0)"}));
    QCOMPARE(rig->a.queue(), QList<QByteArray>({"gm\r\n"}));
    QCOMPARE(int(rig->a.commandTotal()), 1);
    QCOMPARE(rig->a.pendingFileName(), QStringLiteral("cab.wav"));
    QVERIFY(rig->a.pendingImpulse().pasted());
    QCOMPARE(rig->a.compareStatus(), sampleStatus());
    QCOMPARE(int(rig->a.editable()), 0);
    QCOMPARE(rig->wire(), QByteArray());
}

// Deferred in a signed byte, 200 reads as -56: none, so it is never sent and
// stays until a later request overwrites it.
void TestNavigation::presetAbove127IsNeverCarriedOut()
{
    rig->core.setValue(QStringLiteral("preset_change"), 200);
    QCOMPARE(int(rig->a.pendingPreset()), -56);
    QVERIFY(rig->a.queue().isEmpty());
    rig->core.slTimer();
    QCOMPARE(rig->wire(), QByteArray());
    QCOMPARE(int(rig->a.pendingPreset()), -56);

    rig->core.setValue(QStringLiteral("preset_change"), 7);
    QCOMPARE(rig->pty.read(6), QByteArray("pc 7\r\n"));
    QCOMPARE(int(rig->a.pendingPreset()), -1);
}

VORTAXA_TEST_MAIN(TestNavigation)
#include "tst_navigation.moc"

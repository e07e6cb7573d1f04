// Bank and preset navigation on the in-process device: the save-or-discard
// question with its continuations, moves deferred behind a running sequence,
// and what every move clears.
#include "editing/kept_blocks.h"
#include "support/core_rig.h"
#include "support/test_main.h"
#include "support/wav_writer.h"

namespace {
const QList<QByteArray> readBack = {"gb\r\n", "gs\r\n", "rn\r\n"};
const QList<QByteArray> sevenCommands = {"olkdev\r\n", "olkver\r\n", "rns\r\n", "rn\r\n",
                                         "gb\r\n",     "gs\r\n",     "gm\r\n"};
} // namespace

class TestNavigation : public CoreRigTest {
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
    ScratchDir dir;

    // An edited preset playing a pasted, unsaved impulse (the file a copied
    // preset had loaded), with compare showing the stored preset and the
    // edited block kept.
    bool dirtyState()
    {
        const QString path = dir.filePath("cab.wav");
        if (!writeFile(path, wavFile({1, 1, 48000, 24, false, {}, patternSamples(300, 1, 3)})))
            return false;
        PresetSession &session = rig->session;
        if (!session.loadImpulse(path))
            return false;
        rig->core.slCopy();
        if (!rig->waitIdle() || !session.hasCopy())
            return false;
        session.revertImpulse();
        rig->core.slPaste();
        rig->core.slCompare();
        return rig->waitIdle() && session.edited() && session.comparing() &&
               session.pendingImpulse().pasted() && !session.keptBlocks().compared().isEmpty();
    }
    // The file name of the pending impulse; empty when no file is pending.
    QString pendingFileName() const
    {
        const PendingImpulse &pending = rig->session.pendingImpulse();
        return pending.source() == PendingImpulse::Source::File ? QString::fromUtf8(pending.name())
                                                                : QString();
    }
    // A move leaves the preset: nothing of it stays pending or kept.
    void verifyMoveCleared()
    {
        QCOMPARE(rig->session.pendingImpulse().source(), PendingImpulse::Source::Stored);
        QVERIFY(rig->session.keptBlocks().compared().isEmpty());
        QVERIFY(!rig->session.comparing());
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

    QVERIFY(dirtyState());
    rig->device.clearLog();
    rig->link.send("gm\r\n"); // queued, not sent yet
    SignalRecorder rec(&rig->core);
    rig->core.setValue(request, uchar(value));

    QCOMPARE(rec.lines(), QStringList({stage1, "sgReadValue(preset_edit,1)"}));
    QCOMPARE(rig->link.queued(), QList<QByteArray>({"gm\r\n"}));
    QVERIFY(!rig->session.moveWaiting());
    QCOMPARE(pendingFileName(), QStringLiteral("cab.wav"));
    QCOMPARE(rig->device.bytesToWrite(), qint64(0));

    // The continuation carries the byte of the stage-1 signal.
    const int passedBack = rec.all().first().args.first().value<uchar>();
    rec.clear();
    rig->core.setValue(moveWithoutSave, uchar(passedBack));

    QCOMPARE(rig->link.queued(), QList<QByteArray>{command} + readBack);
    QCOMPARE(rig->link.batchSize(), 4);
    QCOMPARE(rig->device.bytesToWrite(), qint64(command.size()));
    verifyMoveCleared();
    QCOMPARE(int(rig->session.edited()), editedAfter);
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
    // The request waiting before the move never went out.
    QVERIFY(rig->waitIdle());
    QCOMPARE(rig->requests(), firstLines(QList<QByteArray>{command} + readBack));
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
// request runs: the command is on its way before the call returns. The
// move ends the compare of the preset left.
void TestNavigation::cleanPresetMovesAtOnce()
{
    QFETCH(QString, request);
    QFETCH(int, value);
    QFETCH(QByteArray, command);
    rig->core.slCompare();
    QVERIFY(rig->waitIdle());
    QVERIFY(rig->session.comparing());
    QVERIFY(!rig->session.edited());
    rig->device.clearLog();
    SignalRecorder rec(&rig->core);
    rig->core.setValue(request, uchar(value));

    QCOMPARE(rig->link.queued(), QList<QByteArray>{command} + readBack);
    QVERIFY(!rig->session.moveWaiting());
    QCOMPARE(rec.of("sgSetProgress").size(), 1);
    QCOMPARE(rig->device.bytesToWrite(), qint64(command.size()));
    verifyMoveCleared();
    QVERIFY(rig->waitIdle());
    QCOMPARE(rig->requests().value(0), command.left(command.indexOf('\r')));
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
    rig->device.setDelay(20);
    for (const QByteArray &c : sevenCommands)
        rig->core.send(c);
    rig->core.slTimer();
    QCOMPARE(rig->device.bytesToWrite(), qint64(8)); // "olkdev" on the wire

    rig->core.setValue(request, uchar(first));
    rig->core.setValue(request, uchar(second));
    QCOMPARE(rig->link.queued(), sevenCommands);
    QCOMPARE(rig->device.bytesToWrite(), qint64(8)); // the head is not sent again
    QVERIFY(rig->session.moveWaiting());

    // The last answer empties the queue: the newer move runs, the first never.
    QVERIFY(rig->waitIdle());
    QCOMPARE(rig->requests(), firstLines(sevenCommands + QList<QByteArray>{command} + readBack));
    QVERIFY(!rig->session.moveWaiting());
}

// The step runs first; the jump then replaces its queue, so only the step
// command itself went out before the jump.
void TestNavigation::deferredStepAndJumpBothRun()
{
    rig->device.setDelay(20);
    rig->core.send("gm\r\n");
    rig->core.setValue(QStringLiteral("preset_UpDown"), 1);
    rig->core.setValue(QStringLiteral("preset_change"), 5);
    QVERIFY(rig->session.moveWaiting());
    QCOMPARE(rig->device.bytesToWrite(), qint64(4)); // "gm", sent by the first request only

    SignalRecorder rec(&rig->core);
    // The answer to "gm": both moves run, the step's command going out
    // before the jump replaces its queue.
    QVERIFY(rig->waitFor([&] { return rig->device.count("pc 5") == 1; }));
    QCOMPARE(rig->requests(), (QList<QByteArray>{"gm", "chp 1", "pc 5"}));
    QCOMPARE(rig->link.queued(), QList<QByteArray>{"pc 5\r\n"} + readBack);
    QVERIFY(!rig->session.moveWaiting());
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
    QVERIFY(dirtyState());
    const QByteArray compared = rig->session.keptBlocks().compared();
    rig->device.clearLog();
    rig->link.send("gm\r\n"); // queued, not sent yet
    const int batch = rig->link.batchSize();
    SignalRecorder rec(&rig->core);
    rig->core.setValue(QStringLiteral("set_preset_updown"), uchar(code));

    QCOMPARE(rec.lines(), QStringList({"sgReadValue(preset_edit,1)"}));
    QCOMPARE(rig->link.queued(), QList<QByteArray>({"gm\r\n"}));
    QCOMPARE(rig->link.batchSize(), batch);
    QCOMPARE(pendingFileName(), QStringLiteral("cab.wav"));
    QVERIFY(rig->session.pendingImpulse().pasted());
    QCOMPARE(rig->session.keptBlocks().compared(), compared);
    QVERIFY(rig->session.comparing());
    QCOMPARE(rig->device.bytesToWrite(), qint64(0));
}

// Deferred in a signed byte, 200 reads as -56: none, so it is never sent and
// stays until a later request overwrites it.
void TestNavigation::presetAbove127IsNeverCarriedOut()
{
    rig->core.setValue(QStringLiteral("preset_change"), 200);
    QVERIFY(!rig->session.moveWaiting());
    QVERIFY(rig->link.queueEmpty());
    QVERIFY(rig->waitIdle()); // idle steps pass
    QCOMPARE(rig->device.wire(), QByteArray());
    QVERIFY(!rig->session.moveWaiting());

    rig->core.setValue(QStringLiteral("preset_change"), 7);
    QCOMPARE(rig->device.bytesToWrite(), qint64(6)); // "pc 7"
    QVERIFY(!rig->session.moveWaiting());
    QVERIFY(rig->waitIdle());
    QCOMPARE(rig->requests().value(0), QByteArray("pc 7"));
}

VORTAXA_TEST_MAIN(TestNavigation)
#include "tst_navigation.moc"

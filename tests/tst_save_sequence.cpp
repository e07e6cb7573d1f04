// The preset save sequence: the five stages with their queue contents and
// signals, repeated saves after a paste, the move that waits for a save, what
// a save while comparing writes back, and the impulse a save the device gave
// up on keeps for the next one.
#include "editing/preset_session.h"
#include "support/pty_core_rig.h"
#include "support/test_main.h"
#include "support/wav_writer.h"

#include <QSignalSpy>
#include <QTemporaryDir>

namespace {
const QByteArray sp = "sp\r\n", rn = "rn\r\n", gs = "gs\r\n";
// Stands for the store command of the named impulse in an expected queue.
QByteArray storeOf(const QByteArray &name)
{
    return "STORE " + name;
}

QByteArray statusAnswer(const QByteArray &statusText)
{
    return "gs\r" + statusText + "\n";
}

// The device's answer to a queued request of a save.
QByteArray answerTo(const QByteArray &head)
{
    if (head.startsWith("cc "))
        return "ccEND\n";
    if (head == "dcc\r\n")
        return "dcc\rEND\n";
    if (head == sp)
        return "sp\rEND\n";
    if (head == gs)
        return statusAnswer(sampleStatus());
    return "rn\r\n"; // the name read-back: no impulse
}

// Waits until a long command has gone out, so that its answer can come.
bool sent(CoreAccess &a)
{
    return spinUntil([&] { return !a.sending(); }, 10000);
}

// Port timer ticks until the device is given up on (the head stays
// unanswered); false if it never is.
bool tickUntilGivenUp(PtyCoreRig &rig)
{
    QSignalSpy gaveUp(&rig.core, &Core::sgAnswerErrSave);
    for (int tick = 0; tick < 10 && gaveUp.isEmpty(); ++tick) {
        if (!sent(rig.a))
            return false;
        rig.a.slPortTimer();
    }
    return gaveUp.size() == 1;
}
} // namespace

class TestSaveSequence : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString previousDir;
    QString goodFile;   // 48 kHz 24-bit mono
    QString stereoFile; // 24-bit stereo: refused for storing

    QString pathOf(const QString &which)
    {
        return which == "good" ? goodFile : which == "stereo" ? stereoFile : QString();
    }

    // Compares a queue with an expected one whose store commands are given
    // as storeOf(name).
    static void compareQueue(const QList<QByteArray> &queue, const QList<QByteArray> &expected)
    {
        QCOMPARE(queue.size(), expected.size());
        for (int i = 0; i < queue.size(); ++i) {
            if (!expected[i].startsWith("STORE ")) {
                QCOMPARE(queue[i], expected[i]);
                continue;
            }
            const QByteArray prefix = "cc " + expected[i].mid(6) + " 0\r52494646";
            QVERIFY2(queue[i].startsWith(prefix), queue[i].left(40).constData());
            QVERIFY(queue[i].endsWith("\r"));
        }
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        previousDir = QDir::currentPath();
        QDir::setCurrent(dir.path()); // the store path writes wav.wav here
        goodFile = dir.filePath("My Cab.wav");
        stereoFile = dir.filePath("Wide Cab.wav");
        QVERIFY(
            writeFile(goodFile, wavFile({1, 1, 48000, 24, false, {}, patternSamples(300, 1, 3)})));
        QVERIFY(writeFile(stereoFile,
                          wavFile({1, 2, 48000, 24, false, {}, patternSamples(300, 2, 3)})));
    }
    void cleanupTestCase() { QDir::setCurrent(previousDir); }

    void stages_data()
    {
        QTest::addColumn<bool>("dirty"); // a preset was pasted (after any file was loaded)
        QTest::addColumn<QString>("copyFileName");
        QTest::addColumn<QString>("copyFile");
        QTest::addColumn<QByteArray>("copyName");
        QTest::addColumn<QByteArray>("copyData");
        QTest::addColumn<QString>("pendingFile"); // loaded: "", "good" or "stereo"
        QTest::addColumn<QList<QByteArray>>("queue");
        QTest::addColumn<QString>("convert"); // file named by sgRequestConvert

        QTest::newRow("save4: nothing pending")
            << false << QString() << QString() << QByteArray() << QByteArray() << QString()
            << QList<QByteArray>{sp, rn, gs} << QString();
        QTest::newRow("save3: chosen file stored")
            << false << QString() << QString() << QByteArray() << QByteArray() << "good"
            << QList<QByteArray>{storeOf("My_Cab.wav"), sp, rn, gs} << QString();
        QTest::newRow("save3: chosen file refused")
            << false << QString() << QString() << QByteArray() << QByteArray() << "stereo"
            << QList<QByteArray>{sp, rn, gs} << "stereo";
        QTest::newRow("save1: pasted file stored")
            << true << "A B.wav"
            << "good" << QByteArray() << QByteArray() << QString()
            << QList<QByteArray>{storeOf("A_B.wav"), sp, rn, gs, sp, rn} << QString();
        QTest::newRow("save1: pasted file refused")
            << true << "A B.wav"
            << "stereo" << QByteArray() << QByteArray() << QString()
            << QList<QByteArray>{sp, rn, gs, sp, rn} << "stereo";
        // The device's own impulse text goes back unchanged, not hex again.
        const QByteArray deviceImpulse = "524946462c000000574156450a";
        QTest::newRow("save2: pasted device impulse")
            << true << QString() << QString() << QByteArray("Old_Cab") << deviceImpulse << QString()
            << QList<QByteArray>{"cc Old_Cab 0\r" + deviceImpulse + "\r", sp, rn} << QString();
        QTest::newRow("pasted preset without impulse")
            << true << QString() << QString() << QByteArray() << QByteArray() << QString()
            << QList<QByteArray>{"dcc\r\n", sp, rn} << QString();
        QTest::newRow("pasted preset: the pasted impulse wins over a chosen file")
            << true << QString() << QString() << QByteArray() << QByteArray() << "good"
            << QList<QByteArray>{"dcc\r\n", sp, rn} << QString();
    }
    void stages()
    {
        QFETCH(bool, dirty);
        QFETCH(QString, copyFileName);
        QFETCH(QString, copyFile);
        QFETCH(QByteArray, copyName);
        QFETCH(QByteArray, copyData);
        QFETCH(QString, pendingFile);
        QFETCH(QList<QByteArray>, queue);
        QFETCH(QString, convert);

        Core core;
        CoreAccess a{core};
        a.holdTimer();
        a.queue() = {"gb\r\n", "gs\r\n", "rn\r\n"}; // an earlier read-back, dropped
        a.presetEdit() = 1;
        if (!pendingFile.isEmpty())
            a.loadFile(QFileInfo(pathOf(pendingFile)).fileName(), pathOf(pendingFile));
        if (dirty)
            a.pendingImpulse().paste(copyFileName, pathOf(copyFile), copyName, copyData);
        const PendingImpulse::Source pending = a.pendingImpulse().source();
        SignalRecorder rec(&core);
        core.slSaveUpDown(0);

        compareQueue(a.queue(), queue);
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(a.presetEdit(), uchar(0));
        QCOMPARE(a.editable(), uchar(1));
        // Pending until the device has stored the preset with it.
        QCOMPARE(a.pendingImpulse().source(), pending);
        QCOMPARE(a.pendingImpulse().pasted(), dirty);
        const QString convertPath = pathOf(convert);
        QCOMPARE(rec.of("sgRequestConvert"),
                 convert.isEmpty() ? QList<QVariantList>() : QList<QVariantList>({{convertPath}}));

        const QStringList lines = rec.lines();
        QCOMPARE(lines.mid(0, 2), QStringList({"sgSetEdit(false)", "sgReadValue(preset_edit,0)"}));
        QCOMPARE(lines.mid(lines.size() - 2),
                 QStringList({"sgSetEnabled(true)", "sgReadValue(editable,1)"}));
        if (!dirty && !pendingFile.isEmpty()) {
            // save3 tells the interface to wait before the decode and after it.
            QCOMPARE(lines.at(2), QString("sgSetWait(true)"));
            QCOMPARE(lines.at(lines.size() - 3), QString("sgReadValue(wait,1)"));
        } else {
            QCOMPARE(rec.of("sgSetWait"), QList<QVariantList>({{true}})); // the queue's only
        }
    }

    // While compare shows the stored version (editable 0) the edits are in
    // the kept reference; a save writes them back before storing.
    void saveWhileComparing_data()
    {
        QTest::addColumn<bool>("comparing");
        QTest::addColumn<QString>("pendingFile");
        QTest::addColumn<QList<QByteArray>>("queue");
        const QByteArray reference(86, 'a');
        const QByteArray writeBack = "gs 1\r" + reference + "\r";
        QTest::newRow("comparing") << true << QString() << QList<QByteArray>{writeBack, sp, rn, gs};
        QTest::newRow("comparing, chosen file stored")
            << true << "good" << QList<QByteArray>{writeBack, storeOf("My_Cab.wav"), sp, rn, gs};
        QTest::newRow("editing: the reference is stale")
            << false << QString() << QList<QByteArray>{sp, rn, gs};
    }
    void saveWhileComparing()
    {
        QFETCH(bool, comparing);
        QFETCH(QString, pendingFile);
        QFETCH(QList<QByteArray>, queue);

        Core core;
        CoreAccess a{core};
        a.holdTimer();
        a.editable() = comparing ? 0 : 1;
        a.compareStatus() = QByteArray(86, 'a');
        if (!pendingFile.isEmpty())
            a.loadFile(QFileInfo(pathOf(pendingFile)).fileName(), pathOf(pendingFile));
        core.slSaveUpDown(0);
        compareQueue(a.queue(), queue);
        QCOMPARE(a.editable(), uchar(1));
    }

    void entryPoints_data()
    {
        QTest::addColumn<bool>("upDown");
        QTest::addColumn<int>("argument");
        QTest::addColumn<int>("pendingUpDown");
        QTest::addColumn<int>("pendingPreset");
        QTest::newRow("save then preset up") << true << 3 << 3 << -1;
        QTest::newRow("save then bank down") << true << 2 << 2 << -1;
        QTest::newRow("save then preset 5") << false << 5 << 0 << 5;
        QTest::newRow("save then preset 127") << false << 127 << 0 << 127;
        QTest::newRow("save, 255 selects nothing") << false << 255 << 0 << -1;
        QTest::newRow("save, 128 selects nothing") << false << 128 << 0 << -128;
    }
    void entryPoints()
    {
        QFETCH(bool, upDown);
        QFETCH(int, argument);
        QFETCH(int, pendingUpDown);
        QFETCH(int, pendingPreset);
        Core core;
        CoreAccess a{core};
        a.holdTimer();
        SignalRecorder rec(&core);
        if (upDown)
            core.slSaveUpDown(uchar(argument));
        else
            a.saveThenJump(uchar(argument));
        QCOMPARE(int(a.pendingUpDown()), pendingUpDown);
        QCOMPARE(int(a.pendingPreset()), pendingPreset);
        QCOMPARE(a.queue(), QList<QByteArray>({sp, rn, gs}));
        QCOMPARE(rec.valuesOf("editable"), QVariantList({1}));
    }

    // After a paste with a pending file, every save sends that file again.
    void twoSavesAfterPaste()
    {
        Core core;
        CoreAccess a{core};
        a.holdTimer();
        a.pendingImpulse().paste("A B.wav", goodFile, QByteArray(), QByteArray());
        const QList<QByteArray> expected = {storeOf("A_B.wav"), sp, rn, gs, sp, rn};

        core.slSaveUpDown(0);
        compareQueue(a.queue(), expected);
        const QByteArray first = a.queue().first();
        core.slSaveUpDown(0);
        compareQueue(a.queue(), expected);
        QCOMPARE(a.queue().first(), first);
        QVERIFY(a.pendingImpulse().pasted());
        QCOMPARE(a.pendingFileName(), QString("A_B.wav"));
    }

    // A save with a move pending: the queue goes out command by command as
    // the device answers, and once it has drained the move is made once.
    void moveAfterSave_data()
    {
        QTest::addColumn<bool>("upDown");
        QTest::addColumn<int>("argument");
        QTest::addColumn<QByteArray>("move"); // what the device receives then
        QTest::newRow("preset up") << true << 3 << QByteArray("chp 1\r\n");
        QTest::newRow("bank down") << true << 2 << QByteArray("chb 0\r\n");
        QTest::newRow("preset 5") << false << 5 << QByteArray("pc 5\r\n");
        QTest::newRow("no move") << true << 0 << QByteArray();
        QTest::newRow("preset 255: no move") << false << 255 << QByteArray();
    }
    void moveAfterSave()
    {
        QFETCH(bool, upDown);
        QFETCH(int, argument);
        QFETCH(QByteArray, move);
        PtyCoreRig rig;
        QVERIFY(rig.open());
        CoreAccess &a = rig.a;
        SignalRecorder rec(&rig.core);

        if (upDown)
            rig.core.slSaveUpDown(uchar(argument));
        else
            a.saveThenJump(uchar(argument));
        QCOMPARE(rig.pty.read(4), sp);

        // The device answers each command; each answer releases the head and
        // runs a pacing step, as the dispatcher does.
        for (const QByteArray &next : {rn, gs}) {
            rig.answerHead();
            QCOMPARE(rig.pty.read(next.size()), next);
        }
        rig.releaseHead();
        rec.clear();
        rig.core.slTimer(); // the queue has drained: the move runs now

        QCOMPARE(int(a.pendingUpDown()), 0);
        QCOMPARE(int(a.pendingPreset()), -1);
        QCOMPARE(rec.lines().mid(rec.lines().size() - 2),
                 QStringList({"sgSetWait(false)", "sgReadValue(wait,0)"}));
        // The move goes out once, when the save's commands have drained.
        QCOMPARE(rig.pty.read(qMax(1, move.size()), move.isEmpty() ? 200 : 3000), move);

        // Only once: a later idle step finds nothing pending.
        a.queue().clear();
        rig.core.slTimer();
        QCOMPARE(rig.pty.drainFor(200), QByteArray());
    }

    // What compare kept goes back before a save only when the compare press
    // on show read it, on this preset; otherwise the save stores what the
    // device holds. An earlier compare has kept an older block each time.
    void saveWhileComparingWritesBackOnlyAFreshBlock_data()
    {
        QTest::addColumn<QString>("between"); // after the earlier compare
        QTest::addColumn<QString>("answer");  // to the last press's status request
        QTest::addColumn<bool>("writesBack");
        QTest::newRow("the press's block arrived") << QString() << "arrived" << true;
        QTest::newRow("saved before the press's block arrived") << QString() << "pending" << false;
        QTest::newRow("the press's block was lost") << QString() << "lost" << false;
        QTest::newRow("older block of another preset") << "move" << QString("pending") << false;
        QTest::newRow("older block from before a revert")
            << "revert" << QString("pending") << false;
    }
    void saveWhileComparingWritesBackOnlyAFreshBlock()
    {
        QFETCH(QString, between);
        QFETCH(QString, answer);
        QFETCH(bool, writesBack);
        PtyCoreRig rig;
        QVERIFY(rig.openIdle());
        CoreAccess &a = rig.a;
        const QByteArray older(86, '1');
        const QByteArray fresh(86, '2');

        rig.core.slCompare();
        a.dispatch(statusAnswer(older));
        rig.core.slCompare(); // back to the edits
        if (between == "move")
            rig.core.setValue(QStringLiteral("set_preset_change"), 7);
        else if (between == "revert")
            rig.core.slEsc();
        rig.core.slCompare();
        QCOMPARE(a.editable(), uchar(0));
        if (answer == "arrived")
            a.dispatch(statusAnswer(fresh));
        else if (answer == "lost")
            QVERIFY(tickUntilGivenUp(rig));

        rig.core.slSaveUpDown(0);
        QCOMPARE(a.queue(), writesBack ? QList<QByteArray>({"gs 1\r" + fresh + "\r", sp, rn, gs})
                                       : QList<QByteArray>({sp, rn, gs}));
    }

    // A pending impulse goes only when the device has stored the preset with
    // it: after a save the device gave up on, saving again stores it, and
    // after one it answered, saving again stores nothing more.
    void impulseStaysUntilTheDeviceStoredIt_data()
    {
        QTest::addColumn<QString>("pending");
        QTest::addColumn<bool>("impulseAnswered"); // the device gives up at "sp" instead
        QTest::addColumn<QByteArray>("store");     // how its store begins
        const QByteArray file = "cc My_Cab.wav 0\r52494646";
        const QByteArray device = "cc Old_Cab 0\r5249464600\r";
        for (bool answered : {false, true}) {
            const char *where = answered ? ", preset store unanswered" : ", impulse unanswered";
            QTest::addRow("file loaded%s", where) << "file" << answered << file;
            QTest::addRow("pasted file%s", where) << "pasted file" << answered << file;
            QTest::addRow("pasted device impulse%s", where) << "device" << answered << device;
            QTest::addRow("pasted preset without impulse%s", where)
                << "none" << answered << QByteArray("dcc\r\n");
        }
    }
    void impulseStaysUntilTheDeviceStoredIt()
    {
        QFETCH(QString, pending);
        QFETCH(bool, impulseAnswered);
        QFETCH(QByteArray, store);
        PtyCoreRig rig;
        QVERIFY(rig.openIdle());
        CoreAccess &a = rig.a;
        PresetSession &session = rig.core.presetSession();
        if (pending == "file" || pending == "pasted file") {
            rig.core.setImpuls(goodFile);
            QVERIFY(sent(a));
            a.dispatch("ccEND\n"); // the preview played
        }
        if (pending == "pasted file") {
            rig.core.slCopy();
            a.dispatch(statusAnswer(sampleStatus()));
            a.dispatch("cc\rStored Cab\n5249464600\n");
            rig.core.slPaste();
            QVERIFY(sent(a));
        } else if (pending == "device") {
            session.paste(sampleStatus(), "Old Cab", "5249464600");
        } else if (pending == "none") {
            session.paste(sampleStatus(), QByteArray(), QByteArray());
        }

        rig.core.slSaveUpDown(0);
        QVERIFY(sent(a));
        QVERIFY2(a.queue().value(0).startsWith(store), a.queue().value(0).left(40).constData());
        if (impulseAnswered)
            a.dispatch(answerTo(a.queue().first()));
        QVERIFY(tickUntilGivenUp(rig));
        QCOMPARE(a.presetEdit(), uchar(1)); // nothing was stored: still edited

        rig.core.slSaveUpDown(0);
        QVERIFY(sent(a));
        QVERIFY2(a.queue().value(0).startsWith(store), a.queue().value(0).left(40).constData());
        for (int i = 0; i < 12 && !a.queue().isEmpty(); ++i) {
            QVERIFY(sent(a));
            a.dispatch(answerTo(a.queue().first()));
        }
        QVERIFY(a.queue().isEmpty());

        rig.core.slSaveUpDown(0);
        QCOMPARE(a.queue(), QList<QByteArray>({sp, rn, gs}));
    }

    // A save as the session tells it: started, then stored once the device
    // acknowledged the store; failed when its store request was given up or
    // dropped by another operation.
    void saveEndsOnce_data()
    {
        QTest::addColumn<QString>("end");
        QTest::addColumn<QString>("told");
        QTest::newRow("stored") << "answered"
                                << "stored";
        QTest::newRow("given up") << "given up"
                                  << "saveFailed";
        QTest::newRow("a move took over") << "moved"
                                          << "saveFailed";
    }
    void saveEndsOnce()
    {
        QFETCH(QString, end);
        QFETCH(QString, told);
        PtyCoreRig rig;
        QVERIFY(rig.openIdle());
        CoreAccess &a = rig.a;
        PresetSession &session = rig.core.presetSession();
        QStringList events;
        for (const auto &[signal, name] : {std::pair{&PresetSession::saveStarted, "saveStarted"},
                                           std::pair{&PresetSession::stored, "stored"},
                                           std::pair{&PresetSession::saveFailed, "saveFailed"}})
            QObject::connect(&session, signal, &session,
                             [&events, name = QString(name)] { events << name; });

        rig.core.slSaveUpDown(0);
        QVERIFY(session.saving());
        if (end == "answered") {
            for (int i = 0; i < 4 && !a.queue().isEmpty(); ++i)
                a.dispatch(answerTo(a.queue().first()));
        } else if (end == "given up") {
            QVERIFY(tickUntilGivenUp(rig));
        } else if (end == "moved") {
            rig.core.setValue("set_preset_change", 3);
        }
        QCOMPARE(events, QStringList({"saveStarted", told}));
        QVERIFY(!session.saving());
    }
};

VORTAXA_TEST_MAIN(TestSaveSequence)
#include "tst_save_sequence.moc"

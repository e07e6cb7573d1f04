// The preset save sequence on the in-process device: the five stages with
// their queue contents and signals, repeated saves after a paste, the move
// that waits for a save, what a save while comparing writes back, and the
// impulse a save the device gave up on keeps for the next one.
#include "editing/preset_session.h"
#include "parameters/parameter_table.h"
#include "support/core_rig.h"
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

const QByteArray goodWav = wavFile({1, 1, 48000, 24, false, {}, patternSamples(300, 1, 3)});
const QByteArray stereoWav = wavFile({1, 2, 48000, 24, false, {}, patternSamples(300, 2, 3)});

// A preset copied while it had the file at `path` loaded, then pasted: the
// pasted file is pending.
bool pasteFile(CoreRig &rig, const QString &path)
{
    if (!rig.session.loadImpulse(path))
        return false;
    rig.core.slCopy();
    if (!rig.waitIdle() || !rig.session.hasCopy())
        return false;
    rig.session.revertImpulse();
    rig.core.slPaste();
    return rig.waitIdle() && rig.session.pendingImpulse().pasted();
}

// The device does not answer the next request at all: it is given up on.
bool givenUp(CoreRig &rig)
{
    const int before = rig.linkRec.count("unanswered");
    return rig.waitFor([&] { return rig.linkRec.count("unanswered") > before; });
}
} // namespace

class TestSaveSequence : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString previousDir;

    // A file the user chose: usable when loaded; "stereo" is replaced on
    // disk afterwards by a 24-bit stereo file, which a store refuses.
    QString chosen(const QString &name)
    {
        const QString path = dir.filePath(name);
        return writeFile(path, goodWav) ? path : QString();
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

        CoreRig rig;
        QVERIFY(rig.openIdle());
        QString replaced; // the file made stereo after it was loaded
        if (!pendingFile.isEmpty()) {
            const QString path = chosen(pendingFile == "good" ? "My Cab.wav" : "Wide Cab.wav");
            QVERIFY(rig.session.loadImpulse(path));
            if (pendingFile == "stereo")
                replaced = path;
        }
        if (!copyFile.isEmpty()) {
            const QString path = chosen(copyFileName);
            QVERIFY(pasteFile(rig, path));
            if (copyFile == "stereo")
                replaced = path;
        } else if (dirty) {
            rig.session.paste(sampleStatus(), copyName, copyData);
        }
        QVERIFY(rig.waitIdle());
        if (!replaced.isEmpty())
            QVERIFY(writeFile(replaced, stereoWav));
        if (!rig.session.edited()) {
            const int gate = parameters::find("gate_on")->position;
            rig.core.setValue(QStringLiteral("gate_on"),
                              uchar(rig.session.values().live().at(gate) ^ 1));
        }
        QVERIFY(rig.session.edited());
        for (const QByteArray &request : {"gb\r\n", "gs\r\n", "rn\r\n"})
            rig.link.send(request); // an earlier read-back, dropped
        const PendingImpulse::Source pending = rig.session.pendingImpulse().source();
        SignalRecorder rec(&rig.core);
        rig.core.slSaveUpDown(0);

        compareQueue(rig.link.queued(), queue);
        if (QTest::currentTestFailed())
            return;
        QVERIFY(!rig.session.edited());
        QVERIFY(!rig.session.comparing());
        // Pending until the device has stored the preset with it.
        QCOMPARE(rig.session.pendingImpulse().source(), pending);
        QCOMPARE(rig.session.pendingImpulse().pasted(), dirty);
        QCOMPARE(rec.of("sgRequestConvert"),
                 convert.isEmpty() ? QList<QVariantList>() : QList<QVariantList>({{replaced}}));

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
        QVERIFY(rig.waitIdle());
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

        CoreRig rig;
        QVERIFY(rig.openIdle());
        if (!pendingFile.isEmpty())
            QVERIFY(rig.session.loadImpulse(chosen("My Cab.wav")));
        // The device plays edits whose block is all 0xaa: compare keeps it.
        rig.device.model().setLiveStatus(QByteArray(43, char(0xaa)));
        rig.core.slCompare();
        QVERIFY(rig.waitIdle());
        QCOMPARE(rig.session.keptBlocks().compared(), QByteArray(86, 'a'));
        if (!comparing) {
            rig.core.slCompare(); // back to the edits
            QVERIFY(rig.waitIdle());
        }
        QCOMPARE(rig.session.comparing(), comparing);
        rig.core.slSaveUpDown(0);
        compareQueue(rig.link.queued(), queue);
        QVERIFY(!rig.session.comparing());
    }

    // The move a save asks for waits for the save; 128 and above select
    // nothing.
    void entryPoints_data()
    {
        QTest::addColumn<bool>("upDown");
        QTest::addColumn<int>("argument");
        QTest::addColumn<bool>("moveWaits");
        QTest::newRow("save then preset up") << true << 3 << true;
        QTest::newRow("save then bank down") << true << 2 << true;
        QTest::newRow("save then preset 5") << false << 5 << true;
        QTest::newRow("save then preset 127") << false << 127 << true;
        QTest::newRow("save, 255 selects nothing") << false << 255 << false;
        QTest::newRow("save, 128 selects nothing") << false << 128 << false;
    }
    void entryPoints()
    {
        QFETCH(bool, upDown);
        QFETCH(int, argument);
        QFETCH(bool, moveWaits);
        CoreRig rig;
        QVERIFY(rig.openIdle());
        SignalRecorder rec(&rig.core);
        if (upDown)
            rig.core.slSaveUpDown(uchar(argument));
        else
            rig.session.saveThenJump(uchar(argument));
        QCOMPARE(rig.session.moveWaiting(), moveWaits);
        QCOMPARE(rig.link.queued(), QList<QByteArray>({sp, rn, gs}));
        QCOMPARE(rec.valuesOf("editable"), QVariantList({1}));
    }

    // After a paste with a pending file, every save sends that file again.
    void twoSavesAfterPaste()
    {
        CoreRig rig;
        QVERIFY(rig.openIdle());
        QVERIFY(pasteFile(rig, chosen("A B.wav")));
        const QList<QByteArray> expected = {storeOf("A_B.wav"), sp, rn, gs, sp, rn};

        rig.core.slSaveUpDown(0);
        compareQueue(rig.link.queued(), expected);
        const QByteArray first = rig.link.head();
        rig.core.slSaveUpDown(0);
        compareQueue(rig.link.queued(), expected);
        QCOMPARE(rig.link.head(), first);
        QVERIFY(rig.session.pendingImpulse().pasted());
        QCOMPARE(rig.session.pendingImpulse().name(), QByteArray("A_B.wav"));
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
        QTest::newRow("preset 127") << false << 127 << QByteArray("pc 7f\r\n");
        QTest::newRow("no move") << true << 0 << QByteArray();
        QTest::newRow("preset 255: no move") << false << 255 << QByteArray();
        QTest::newRow("preset 128: no move") << false << 128 << QByteArray();
    }
    void moveAfterSave()
    {
        QFETCH(bool, upDown);
        QFETCH(int, argument);
        QFETCH(QByteArray, move);
        CoreRig rig;
        QVERIFY(rig.openIdle());
        rig.device.setDelay(20);

        if (upDown)
            rig.core.slSaveUpDown(uchar(argument));
        else
            rig.session.saveThenJump(uchar(argument));
        QCOMPARE(rig.link.head(), sp);
        // The answer to the last read-back: the queue has drained.
        QVERIFY(rig.waitFor([&] { return rig.device.count("gs") == 1; }));
        rig.rec.clear();
        const QByteArray moveLine = move.left(move.indexOf('\r'));
        if (!move.isEmpty()) {
            // The move goes out in the idle step, which then ends the wait.
            QVERIFY(rig.waitFor([&] { return rig.device.count(moveLine) == 1; }));
            QCOMPARE(rig.rec.lines().last(), QStringLiteral("sgReadValue(wait,0)"));
        }
        QVERIFY(rig.waitIdle());
        QVERIFY(!rig.session.moveWaiting());
        const QList<QByteArray> received = rig.requests();
        QCOMPARE(received.mid(0, 3), firstLines({sp, rn, gs}));
        // The move went out once, when the save's commands had drained.
        QCOMPARE(received.mid(3, 1),
                 move.isEmpty() ? QList<QByteArray>() : QList<QByteArray>{moveLine});
        QCOMPARE(received.size(), move.isEmpty() ? 3 : 7); // a move reads back three
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
        CoreRig rig;
        QVERIFY(rig.openIdle());
        const QByteArray older(86, '1');
        const QByteArray fresh(86, '2');

        rig.device.model().setLiveStatus(QByteArray::fromHex(older));
        rig.core.slCompare();
        QVERIFY(rig.waitIdle());
        QCOMPARE(rig.session.keptBlocks().compared(), older);
        rig.core.slCompare(); // back to the edits
        QVERIFY(rig.waitIdle());
        if (between == "move")
            rig.core.setValue(QStringLiteral("set_preset_change"), 7);
        else if (between == "revert")
            rig.core.slEsc();
        QVERIFY(rig.waitIdle());
        rig.device.model().setLiveStatus(QByteArray::fromHex(fresh));
        if (answer == "pending")
            rig.device.holdLine(true);
        else if (answer == "lost")
            rig.device.script("xxx");
        rig.core.slCompare();
        QVERIFY(rig.session.comparing());
        if (answer == "arrived")
            QVERIFY(rig.waitIdle());
        else if (answer == "lost")
            QVERIFY(givenUp(rig));

        rig.core.slSaveUpDown(0);
        QCOMPARE(rig.link.queued(), writesBack
                                        ? QList<QByteArray>({"gs 1\r" + fresh + "\r", sp, rn, gs})
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
        CoreRig rig;
        QVERIFY(rig.openIdle());
        PresetSession &session = rig.session;
        if (pending == "file")
            rig.core.setImpuls(chosen("My Cab.wav"));
        else if (pending == "pasted file")
            QVERIFY(pasteFile(rig, chosen("My Cab.wav")));
        else if (pending == "device")
            session.paste(sampleStatus(), "Old Cab", "5249464600");
        else if (pending == "none")
            session.paste(sampleStatus(), QByteArray(), QByteArray());
        QVERIFY(rig.waitIdle());

        // The device takes the impulse (or not) and never answers the
        // preset's store.
        rig.device.script(impulseAnswered ? "axxx" : "xxx");
        rig.core.slSaveUpDown(0);
        QVERIFY2(rig.link.head().startsWith(store), rig.link.head().left(40).constData());
        QVERIFY(givenUp(rig));
        QVERIFY(session.edited()); // nothing was stored: still edited

        rig.core.slSaveUpDown(0);
        QVERIFY2(rig.link.head().startsWith(store), rig.link.head().left(40).constData());
        QVERIFY(rig.waitIdle()); // stored this time
        QVERIFY(!session.edited());

        rig.core.slSaveUpDown(0);
        QCOMPARE(rig.link.queued(), QList<QByteArray>({sp, rn, gs}));
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
        CoreRig rig;
        QVERIFY(rig.openIdle());
        PresetSession &session = rig.session;
        QStringList events;
        for (const auto &[signal, name] : {std::pair{&PresetSession::saveStarted, "saveStarted"},
                                           std::pair{&PresetSession::stored, "stored"},
                                           std::pair{&PresetSession::saveFailed, "saveFailed"}})
            QObject::connect(&session, signal, &session,
                             [&events, name = QString(name)] { events << name; });

        if (end == "given up")
            rig.device.script("xxx");
        rig.core.slSaveUpDown(0);
        QVERIFY(session.saving());
        if (end == "moved")
            rig.core.setValue("set_preset_change", 3);
        QVERIFY(rig.waitFor([&] { return events.size() == 2; }));
        QVERIFY(rig.waitIdle());
        QCOMPARE(events, QStringList({"saveStarted", told}));
        QVERIFY(!session.saving());
    }
};

VORTAXA_TEST_MAIN(TestSaveSequence)
#include "tst_save_sequence.moc"

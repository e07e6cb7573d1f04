// The command queue over a real pseudo-terminal: the start-up burst, the
// pacing step (send, retry, give-up and idle branches), answer waits, long
// commands in pieces, progress and the direct write. Pacing is driven by
// calling the pacing step directly with the port timer held.
#include "link/requests.h"
#include "support/core_rig.h"
#include "support/debug_log.h"
#include "support/test_main.h"

#include <QElapsedTimer>
#include <QSerialPort>
#include <QTimer>

namespace {

// A Core whose port is opened on a pty; the test plays the device on the
// master side and runs every pacing step itself.
using LinkRig = CoreRig;

const QList<QByteArray> startupBurst = {"olkdev\r\n", "olkver\r\n", "rns\r\n", "rn\r\n",
                                        "gb\r\n",     "gs\r\n",     "gm\r\n"};

QList<float> progressValues(const SignalRecorder &rec)
{
    QList<float> values;
    for (const QVariantList &args : rec.of("sgSetProgress"))
        values.append(args.at(0).toFloat());
    return values;
}

// Length of each direct write, from the "send" lines of heads made of 'x'
// (logged as: send "xxx").
QList<int> pieceSizes(const DebugLog &log)
{
    QList<int> sizes;
    for (const QString &line : log.withLabel("send"))
        sizes.append(line.count(QLatin1Char('x')));
    return sizes;
}

} // namespace

class TestCommandQueue : public QObject {
    Q_OBJECT

private slots:
    void openQueuesBurstAndFirstStepSendsIdentify()
    {
        LinkRig l;
        l.a.queue() = {"gs\r\n", "rn\r\n"};
        l.a.loadFile("cab.wav", "/tmp/cab.wav");
        l.a.readBuffer() = "left over";
        l.a.editable() = 0;

        QVERIFY(l.open());
        QCOMPARE(l.a.queue(), startupBurst);
        QCOMPARE(l.a.commandTotal(), quint16(7));
        QCOMPARE(l.a.editable(), uchar(1));
        QCOMPARE(l.a.pendingImpulse().source(), PendingImpulse::Source::Stored);
        QVERIFY(l.a.readBuffer().isEmpty());
        QCOMPARE(l.wire(0), QByteArray()); // opening sends nothing

        SignalRecorder rec(&l.core);
        l.core.slTimer();
        QCOMPARE(l.wire(8), QByteArray("olkdev\r\n"));
        QCOMPARE(rec.lines(),
                 QStringList({"sgSetProgress(0)", "sgSetWait(true)", "sgReadValue(wait,1)"}));
        QCOMPARE(l.a.portTimer()->interval(), 2000);
        QCOMPARE(l.a.queue().size(), 7); // the head stays until answered
    }

    void startupBurstDiscardsPendingInput()
    {
        LinkRig l;
        QVERIFY(l.open());
        l.a.holdReads();
        l.pty.write("olkdev\r1\nEND\n");
        QVERIFY(spinUntil([&] { return l.a.port()->bytesAvailable() > 0; }));
        l.a.queue() = {"chb 1\r\n"};
        l.a.readBuffer() = "partial";

        l.core.readAll();
        QCOMPARE(l.a.port()->bytesAvailable(), qint64(0));
        QVERIFY(l.a.readBuffer().isEmpty());
        QCOMPARE(l.a.queue(), startupBurst);
    }

    void sendAloneDoesNotTransmit()
    {
        LinkRig l;
        QVERIFY(l.open());
        l.a.queue().clear();
        l.core.send("gb\r\n");
        l.core.send("gs\r\n");
        QCOMPARE(l.a.commandTotal(), quint16(2));
        QCOMPARE(l.wire(0), QByteArray());
        l.core.slTimer();
        QCOMPARE(l.wire(4), QByteArray("gb\r\n"));
    }

    void answerWaitByHead_data()
    {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<int>("waitMs");

        QTest::newRow("impulse read cc") << QByteArray("cc\r\n") << 5000;
        QTest::newRow("impulse name list rns") << QByteArray("rns\r\n") << 10000;
        QTest::newRow("impulse name rn") << QByteArray("rn\r\n") << 5000;
        QTest::newRow("identification olkdev") << QByteArray("olkdev\r\n") << 2000;
        QTest::newRow("version olkver") << QByteArray("olkver\r\n") << 1000;
        QTest::newRow("status gs") << QByteArray("gs\r\n") << 1000;
        QTest::newRow("bank gb") << QByteArray("gb\r\n") << 1000;
        QTest::newRow("mode gm") << QByteArray("gm\r\n") << 1000;
        QTest::newRow("preset jump") << QByteArray("pc a\r\n") << 1000;
        QTest::newRow("store preset sp") << QByteArray("sp\r\n") << 1000;
        QTest::newRow("status write payload")
            << QByteArray("gs 1\r" + QByteArray(86, '0') + "\r") << 1000;
        QTest::newRow("impulse preview payload")
            << QByteArray("cc s 1\r" + QByteArray(120, 'f') + "\r") << 1000;
        QTest::newRow("impulse store payload")
            << QByteArray("cc My_Cab.wav 0\r" + QByteArray(64, '0') + "\r") << 1000;
    }
    void answerWaitByHead()
    {
        QFETCH(QByteArray, head);
        QFETCH(int, waitMs);

        LinkRig l;
        QVERIFY(l.open());
        l.a.queue() = {head};
        l.a.commandTotal() = 1;
        l.a.portTimer()->setInterval(1234);

        l.core.slTimer();
        QCOMPARE(l.a.portTimer()->interval(), waitMs);
        QCOMPARE(l.wire(head.size()), head);
    }

    void retryRule_data()
    {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<int>("answered"); // answerReceived before the first step
        QTest::addColumn<int>("count");    // sendCount before the first step
        QTest::addColumn<int>("steps");
        QTest::addColumn<int>("sends");
        QTest::addColumn<QString>("reported"); // sgAnswerErrSave text; null: no give-up

        const QByteArray gs = "gs\r\n";
        QTest::newRow("silent device, nothing answered yet: three sends, then give up")
            << gs << 0 << 0 << 4 << 3 << QString("gs\r\n");
        // The answer that released the previous head is used up by the first
        // send of this one: a device that falls silent mid-sequence is given
        // up on after three sends too.
        QTest::newRow("answer flag left set: three sends, then give up")
            << gs << 1 << 0 << 4 << 3 << QString("gs\r\n");
        QTest::newRow("answer flag left set over a count of 3: three sends, then give up")
            << gs << 1 << 3 << 4 << 3 << QString("gs\r\n");
        QTest::newRow("count left at 2: one send, then give up")
            << gs << 0 << 2 << 2 << 1 << QString("gs\r\n");
        QTest::newRow("count left at 3: give up without sending")
            << gs << 0 << 3 << 1 << 0 << QString("gs\r\n");
        QTest::newRow("reported text ends at the first zero byte")
            << QByteArray("cc s 1\r00ff\0\0ab\r", 16) << 0 << 3 << 1 << 0
            << QString("cc s 1\r00ff");
    }
    void retryRule()
    {
        QFETCH(QByteArray, head);
        QFETCH(int, answered);
        QFETCH(int, count);
        QFETCH(int, steps);
        QFETCH(int, sends);
        QFETCH(QString, reported);
        const bool givesUp = !reported.isNull();

        LinkRig l;
        QVERIFY(l.open());
        l.a.queue() = {head};
        l.a.commandTotal() = 1;
        l.a.answerReceived() = uchar(answered);
        l.a.sendCount() = uchar(count);

        SignalRecorder rec(&l.core);
        DebugLog log;
        for (int i = 0; i < steps; ++i) {
            if (i == steps - 1)
                l.a.readBuffer() = "gs\r12zz"; // an unrecognised chunk
            l.core.slTimer();
        }

        // Every step with a head logs the count it found, as a number.
        const QStringList counts = log.withLabel("sendCount");
        QCOMPARE(counts.size(), steps);
        QCOMPARE(counts.first(), QString("sendCount %1").arg(count));

        const QByteArray wire = l.wire(sends * head.size());
        QCOMPARE(wire.size(), sends * head.size());
        QCOMPARE(wire.count(head), sends);
        QCOMPARE(rec.count("sgSetWait"), sends); // all true: no wait signal on giving up
        QVERIFY(!rec.lines().contains("sgSetWait(false)"));

        if (!givesUp) {
            QCOMPARE(rec.count("sgAnswerErrSave"), 0);
            QCOMPARE(l.a.queue(), QList<QByteArray>{head});
            QCOMPARE(l.a.sendCount(), uchar(0));
            return;
        }
        QCOMPARE(rec.of("sgAnswerErrSave"), QList<QVariantList>{{reported}});
        QCOMPARE(l.a.lastErrCommand(), head);
        QCOMPARE(l.a.lastErrAnswer(), QByteArray("gs\r12zz"));
        QVERIFY(l.a.queue().isEmpty());
        QCOMPARE(l.a.sendCount(), uchar(0));
        QCOMPARE(l.a.commandTotal(), quint16(1)); // kept until the next step

        // The next step finds the queue empty and goes idle.
        rec.clear();
        l.core.slTimer();
        QCOMPARE(rec.lines(), QStringList({"sgSetWait(false)", "sgReadValue(wait,0)"}));
        QCOMPARE(l.a.commandTotal(), quint16(0));
        QCOMPARE(l.wire(0), QByteArray());
    }

    // The count belongs to the head: a command queued into an empty queue
    // starts afresh, one appended behind a head being retried does not.
    void retryCountBelongsToTheHead_data()
    {
        QTest::addColumn<bool>("behindHead");
        QTest::addColumn<int>("sendsBeforeGivingUp");
        QTest::newRow("new head after an abandoned one") << false << 3;
        QTest::newRow("appended behind a head sent twice") << true << 1;
    }
    void retryCountBelongsToTheHead()
    {
        QFETCH(bool, behindHead);
        QFETCH(int, sendsBeforeGivingUp);

        LinkRig l;
        QVERIFY(l.open());
        l.a.answerReceived() = 0;
        l.a.sendCount() = 2; // two unanswered sends of a head
        l.a.queue() = behindHead ? QList<QByteArray>{"gb\r\n"} : QList<QByteArray>{};
        l.core.send("gs\r\n");

        SignalRecorder rec(&l.core);
        int steps = 0;
        while (rec.count("sgAnswerErrSave") == 0 && steps < 10) {
            l.core.slTimer();
            ++steps;
        }
        QCOMPARE(steps, sendsBeforeGivingUp + 1);
        QCOMPARE(rec.count("sgSetWait"), sendsBeforeGivingUp);
    }

    // Giving up inside a save: nothing was stored, so the preset keeps its
    // unsaved edits and the move that waited for the save does not happen.
    // Giving up on anything else leaves a waiting move to run.
    void giveUpKeepsUnsavedEdits_data()
    {
        QTest::addColumn<QList<QByteArray>>("queue");
        QTest::addColumn<bool>("saveCutShort");
        QTest::newRow("store request unanswered")
            << QList<QByteArray>{"sp\r\n", "rn\r\n", "gs\r\n"} << true;
        QTest::newRow("impulse store unanswered, store request still queued")
            << QList<QByteArray>{"cc a.wav 0\r00\r", "sp\r\n", "rn\r\n", "gs\r\n"} << true;
        QTest::newRow("read-back after the store unanswered")
            << QList<QByteArray>{"rn\r\n", "gs\r\n"} << false;
    }
    void giveUpKeepsUnsavedEdits()
    {
        QFETCH(QList<QByteArray>, queue);
        QFETCH(bool, saveCutShort);

        LinkRig l;
        QVERIFY(l.open());
        l.a.queue() = queue;
        l.a.commandTotal() = quint16(queue.size());
        l.a.answerReceived() = 0;
        l.a.sendCount() = 3;
        l.a.presetEdit() = 0; // cleared when the save started
        l.a.pendingUpDown() = 3;
        l.a.pendingPreset() = 6;

        SignalRecorder rec(&l.core);
        l.core.slTimer(); // gives up
        QVERIFY(l.a.queue().isEmpty());
        QCOMPARE(rec.count("sgAnswerErrSave"), 1);
        if (saveCutShort) {
            QCOMPARE(rec.lines().mid(1),
                     QStringList({"sgSetEdit(true)", "sgReadValue(preset_edit,1)"}));
            QCOMPARE(l.a.presetEdit(), uchar(1));
            QCOMPARE(l.a.pendingUpDown(), uchar(0));
            QCOMPARE(int(l.a.pendingPreset()), -1);
        } else {
            QCOMPARE(rec.lines().size(), 1);
            QCOMPARE(l.a.presetEdit(), uchar(0));
        }

        // The next step goes idle; only a move that still waits is sent.
        l.wire(0);
        l.core.slTimer();
        // Both waiting: the step goes out, then the jump replaces its read-back.
        QCOMPARE(l.wire(saveCutShort ? 0 : 13),
                 saveCutShort ? QByteArray() : QByteArray("chp 1\r\npc 6\r\n"));
    }

    // A user's action that finds a request on the wire (quick clicks while
    // the device takes its time to answer) neither sends it again early nor
    // counts toward the retry limit: only the timer's ticks do. The device
    // answers once, and the queue moves on in step.
    void userActionsLeaveTheHeadOnTheWire_data()
    {
        QTest::addColumn<QString>("name");    // the setValue control word, clicked three times
        QTest::addColumn<QByteArray>("next"); // the next request once the head is answered

        QTest::newRow("preset steps") << "preset_UpDown" << QByteArray("chp 1\r\n");
        QTest::newRow("bank steps") << "bank_UpDown" << QByteArray("chb 1\r\n");
        QTest::newRow("jumps") << "preset_change" << QByteArray("pc 1\r\n");
        QTest::newRow("copies") << "copy" << QByteArray("gs\r\n");
        QTest::newRow("pastes") << "past" << requests::writeStatus(sampleStatus());
        QTest::newRow("map updates") << "map_update" << QByteArray("chp 1\r\n");
    }
    void userActionsLeaveTheHeadOnTheWire()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, next);

        LinkRig l;
        QVERIFY(l.openIdle());
        // A copy went through: paste has a status block and an impulse.
        l.a.copyStatus() = sampleStatus();
        l.a.copyImpulseName() = "Cab";
        l.a.copyImpulseData() = QByteArray(200, 'a');
        l.a.queue() = {"gb\r\n"};
        l.a.commandTotal() = 1;
        l.core.slTimer();
        QCOMPARE(l.wire(4), QByteArray("gb\r\n"));

        SignalRecorder rec(&l.core);
        for (int click = 0; click < 3; ++click)
            l.core.setValue(name, 1);
        QCOMPARE(rec.count("sgAnswerErrSave"), 0);
        QCOMPARE(l.a.sendCount(), uchar(1));
        QCOMPARE(l.wire(0), QByteArray()); // not sent again
        QCOMPARE(l.a.queue().first(), QByteArray("gb\r\n"));

        // The answer retires the head and the next request goes out.
        l.pty.write("gb\r0001\n");
        QCOMPARE(l.pty.readUntil(next), next);

        // Ticks count: two more sends of that request, then the third gives up.
        for (int tick = 1; tick <= 3; ++tick) {
            QCOMPARE(rec.count("sgAnswerErrSave"), 0);
            l.a.slPortTimer();
        }
        QCOMPARE(rec.of("sgAnswerErrSave"), QList<QVariantList>{{QString::fromLatin1(next)}});
        QCOMPARE(l.wire(2 * next.size()), next + next);
    }

    void longCommandsGoOutInPieces_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<QList<int>>("pieces");

        QTest::newRow("short command") << 10 << QList<int>{10};
        QTest::newRow("exactly 500 bytes: one write") << 500 << QList<int>{500};
        QTest::newRow("501 bytes: 500 and 1") << 501 << QList<int>{500, 1};
        QTest::newRow("1000 bytes: two full pieces") << 1000 << QList<int>{500, 500};
        QTest::newRow("1201 bytes: three pieces") << 1201 << QList<int>{500, 500, 201};
    }
    void longCommandsGoOutInPieces()
    {
        QFETCH(int, length);
        QFETCH(QList<int>, pieces);
        const bool paced = pieces.size() > 1;

        LinkRig l;
        QVERIFY(l.open());
        const QByteArray head(length, 'x');
        l.a.queue() = {head, "gs\r\n"};
        l.a.commandTotal() = 2;
        l.a.portTimer()->setInterval(1234);

        DebugLog log;
        SignalRecorder rec(&l.core);
        QElapsedTimer clock;
        clock.start();
        l.core.slTimer();
        // The busy signals come at once; a long command is still going out.
        QCOMPARE(rec.lines().mid(0, 3),
                 QStringList({"sgSetProgress(0)", "sgSetWait(true)", "sgReadValue(wait,1)"}));
        QCOMPARE(l.a.sending(), paced);
        QCOMPARE(l.a.portTimer()->interval(), paced ? 1234 : 1000);
        QVERIFY(spinUntil([&] { return !l.a.sending(); }));
        const qint64 elapsed = clock.elapsed();

        QCOMPARE(pieceSizes(log), pieces);
        QCOMPARE(l.wire(length), head); // byte for byte, nothing more
        if (paced) {
            // A pause follows every piece, the last one included. A lower
            // bound only: a pause can last longer, never shorter.
            QVERIFY2(elapsed >= 20 * pieces.size(), qPrintable(QString::number(elapsed)));
        }
        QCOMPARE(l.a.portTimer()->interval(), 1000); // the answer wait, set once it is out
        QCOMPARE(l.a.queue().first(), head);
        QCOMPARE(rec.count("sgSetWait"), 1);
    }

    void progressOfABatch_data()
    {
        QTest::addColumn<int>("appendAfter"); // answered commands before one more is queued
        QTest::addColumn<QList<float>>("progress");

        QTest::newRow("four commands") << -1 << QList<float>{0.0f, 0.25f, 0.5f, 0.75f};
        // Appending part-way sets the total to the new length: progress drops.
        QTest::newRow("one appended after two were answered")
            << 2 << QList<float>{0.0f, 0.25f, 0.0f, 1.0f / 3, 2.0f / 3};
    }
    void progressOfABatch()
    {
        QFETCH(int, appendAfter);
        QFETCH(QList<float>, progress);

        LinkRig l;
        QVERIFY(l.open());
        l.a.queue().clear();
        const QList<QByteArray> batch = {"gb\r\n", "gs\r\n", "gm\r\n", "olkver\r\n"};
        for (const QByteArray &c : batch)
            l.core.send(c);

        SignalRecorder rec(&l.core);
        QByteArray expectedWire;
        for (int answered = 0; !l.a.queue().isEmpty(); ++answered) {
            if (answered == appendAfter)
                l.core.send("gb\r\n");
            expectedWire += l.a.queue().first();
            l.core.slTimer();
            l.releaseHead();
        }
        const QList<float> got = progressValues(rec);
        QCOMPARE(got.size(), progress.size());
        for (int i = 0; i < got.size(); ++i)
            QVERIFY2(qFuzzyCompare(1.0f + got.at(i), 1.0f + progress.at(i)),
                     qPrintable(QString("step %1: %2").arg(i).arg(got.at(i))));
        QCOMPARE(l.wire(expectedWire.size()), expectedWire);

        // The queue has drained: the next step reports the end of the batch.
        rec.clear();
        l.core.slTimer();
        QCOMPARE(rec.lines(), QStringList({"sgSetWait(false)", "sgReadValue(wait,0)"}));
        QCOMPARE(l.a.commandTotal(), quint16(0));
    }

    void idleBranch_data()
    {
        QTest::addColumn<int>("upDown");
        QTest::addColumn<int>("preset");
        QTest::addColumn<int>("presetAfter");

        QTest::newRow("nothing pending") << 0 << -1 << -1;
        QTest::newRow("negative preset other than -1 counts as none") << 0 << -7 << -7;
        QTest::newRow("step pending") << 3 << -1 << -1;
        QTest::newRow("unknown step code is still consumed") << 9 << -1 << -1;
        QTest::newRow("jump pending") << 0 << 12 << -1;
        QTest::newRow("jump to preset 0") << 0 << 0 << -1;
        QTest::newRow("both pending") << 1 << 5 << -1;
    }
    void idleBranch()
    {
        QFETCH(int, upDown);
        QFETCH(int, preset);
        QFETCH(int, presetAfter);
        const bool nothingPending = upDown == 0 && preset < 0;

        LinkRig l;
        QVERIFY(l.open());
        l.a.queue().clear();
        l.a.commandTotal() = 5;
        l.a.sendCount() = 2;
        l.a.pendingUpDown() = uchar(upDown);
        l.a.pendingPreset() = static_cast<signed char>(preset);

        SignalRecorder rec(&l.core);
        l.core.slTimer();

        QCOMPARE(l.a.pendingUpDown(), uchar(0));
        QCOMPARE(int(l.a.pendingPreset()), presetAfter);
        // The idle signals come last, after whatever a pending move sent.
        const QStringList lines = rec.lines();
        QVERIFY2(lines.size() >= 2, qPrintable(lines.join(' ')));
        QCOMPARE(lines.mid(lines.size() - 2),
                 QStringList({"sgSetWait(false)", "sgReadValue(wait,0)"}));
        if (nothingPending) {
            QCOMPARE(l.a.sendCount(), uchar(2)); // going idle keeps the count
            QCOMPARE(lines.size(), 2);
            QCOMPARE(l.a.commandTotal(), quint16(0));
            QCOMPARE(l.wire(0), QByteArray());
        }
    }

    void endCommandsOnlyWhenAHandlerEmptiesTheQueue_data()
    {
        QTest::addColumn<bool>("handlerEmpties");
        QTest::newRow("last command sent normally") << false;
        QTest::newRow("handler empties the queue") << true;
    }
    void endCommandsOnlyWhenAHandlerEmptiesTheQueue()
    {
        QFETCH(bool, handlerEmpties);

        LinkRig l;
        QVERIFY(l.open());
        l.a.queue() = {"gm\r\n"};
        l.a.commandTotal() = 1;
        if (handlerEmpties) {
            connect(&l.core, &Core::sgSetWait, &l.core, [&](bool wait) {
                if (wait)
                    l.a.queue().clear();
            });
        }
        SignalRecorder rec(&l.core);
        l.core.slTimer();
        QCOMPARE(l.wire(4), QByteArray("gm\r\n"));
        QCOMPARE(rec.count("sgEndCommands"), handlerEmpties ? 1 : 0);
        if (handlerEmpties)
            QCOMPARE(rec.lines().last(), QString("sgEndCommands()"));
    }

    void directWrite()
    {
        LinkRig l;
        QVERIFY(l.open());
        l.a.queue() = {"gs\r\n"};
        l.a.commandTotal() = 1;

        // Partial matches of the three short answer forms, unread input and
        // a stale chunk: a direct write forgets all of them.
        QList<QByteArray> values;
        QVERIFY(!l.a.parser(answers::Form::Nx)->parse("N", &values));
        QVERIFY(!l.a.parser(answers::Form::Rx)->parse("RX", &values));
        QVERIFY(!l.a.parser(answers::Form::Name)->parse("rn\r", &values));
        QVERIFY(!l.a.parser(answers::Form::Nx)->isIdle() &&
                !l.a.parser(answers::Form::Rx)->isIdle() &&
                !l.a.parser(answers::Form::Name)->isIdle());
        l.a.holdReads();
        l.pty.write("stale bytes");
        QVERIFY(spinUntil([&] { return l.a.port()->bytesAvailable() > 0; }));
        l.a.readBuffer() = "stale chunk";

        SignalRecorder rec(&l.core);
        DebugLog log;
        l.core.sendRaw("mv 64\r\n");

        QVERIFY(l.a.parser(answers::Form::Nx)->isIdle());
        QVERIFY(l.a.parser(answers::Form::Rx)->isIdle());
        QVERIFY(l.a.parser(answers::Form::Name)->isIdle());
        QCOMPARE(l.a.port()->bytesAvailable(), qint64(0));
        QVERIFY(l.a.readBuffer().isEmpty());
        QCOMPARE(log.withLabel("send").size(), 1);
        QCOMPARE(l.wire(7), QByteArray("mv 64\r\n"));
        QVERIFY(rec.all().isEmpty());
        QCOMPARE(l.a.queue(), QList<QByteArray>{"gs\r\n"}); // the queue is not touched
        QCOMPARE(l.a.commandTotal(), quint16(1));
    }

    void editWriteMarksThePresetFirst()
    {
        LinkRig l;
        QVERIFY(l.open());
        l.a.queue() = {"gs\r\n"};

        SignalRecorder rec(&l.core);
        // The edited state is already published when the bytes are written.
        connect(&l.core, &Core::sgReadValue, &l.core, [&](const QString &name, int) {
            if (name == "preset_edit")
                QCOMPARE(l.a.port()->bytesToWrite(), qint64(0));
        });
        l.core.sendEdit("eqv 2 1f\r\n");

        QCOMPARE(rec.lines(), QStringList({"sgSetEdit(true)", "sgReadValue(preset_edit,1)"}));
        QCOMPARE(l.a.presetEdit(), uchar(1));
        QCOMPARE(l.wire(10), QByteArray("eqv 2 1f\r\n"));
        QCOMPARE(l.a.queue(), QList<QByteArray>{"gs\r\n"});
    }

    void writesWhileClosed_data()
    {
        QTest::addColumn<bool>("vanished");
        QTest::newRow("port never opened") << false;
        QTest::newRow("device vanished") << true;
    }
    void writesWhileClosed()
    {
        QFETCH(bool, vanished);

        LinkRig l;
        if (vanished) {
            QVERIFY(l.open());
            l.pty.closeMaster();
            QVERIFY(spinUntil([&] { return !l.a.port()->isOpen(); }));
        }
        QVERIFY(!l.a.port()->isOpen());
        const QList<QByteArray> queued = {"rn\r\n", "gs\r\n"};
        l.a.queue() = queued;
        l.a.commandTotal() = 2;
        l.a.answerReceived() = 1;

        // Neither the direct writes nor a pacing step run by an operation
        // crash; the queue keeps its head.
        l.core.sendRaw("mv 1\r\n");
        l.core.sendEdit("mv 2\r\n");
        l.core.slTimer();
        l.a.queue().first() = QByteArray(1200, 'x'); // the piece path too
        l.core.slTimer();
        QCOMPARE(l.a.queue().size(), 2);
        QCOMPARE(l.a.queue().last(), queued.last());
    }
};

VORTAXA_TEST_MAIN(TestCommandQueue)
#include "tst_command_queue.moc"

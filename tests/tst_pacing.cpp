// Long commands on the pacing timer, over a real pseudo-terminal: what may
// and may not happen while one goes out (other writes, ticks, answers, an
// operation that empties the queue), its progress, a device that takes no
// bytes, and a port that vanishes in the middle. The test plays the device on
// the master side; the port timer is held, so every pacing step is the
// test's own.
#include "link/requests.h"
#include "support/core_rig.h"
#include "support/debug_log.h"
#include "support/test_main.h"

#include <QSerialPort>
#include <functional>

namespace {

// A preview as the panel sends it: 5912 bytes, twelve pieces.
const QByteArray preview = requests::previewImpulse(QByteArray(5904, 'a'));
constexpr int previewPieces = 12;
constexpr int lastPiece = -1;

// Stands for the long command in expected queues.
const QByteArray headMark = "<head>";

// The shared rig, with a way to act in the middle of a long command.
struct LinkRig : CoreRig {
    // Runs `action` once the driver has taken `piece` pieces of the long
    // command (lastPiece: all of them, during the last pause).
    void atPiece(int piece, std::function<void()> action)
    {
        QObject::connect(a.pacer(), &PacedWriter::progressed, &core,
                         [=, done = false](int taken, int total) mutable {
                             const int due = piece == lastPiece ? total : piece * 500;
                             if (!done && taken >= due) {
                                 done = true;
                                 action();
                             }
                         });
    }
    bool finish()
    {
        return spinUntil([&] { return !a.sending(); }, 5000);
    }
};

QList<QByteArray> withHead(QList<QByteArray> queue, const QByteArray &head)
{
    for (QByteArray &entry : queue)
        if (entry == headMark)
            entry = head;
    return queue;
}

} // namespace

class TestPacing : public QObject {
    Q_OBJECT

private slots:
    // Nothing comes between the pieces, nothing is dispatched or re-sent in
    // the middle, and nothing cuts the command short; what happened
    // meanwhile takes effect after the last pause.
    void whileALongCommandGoesOut_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("atPiece");
        QTest::addColumn<QByteArray>("after"); // on the wire after the command
        QTest::addColumn<QList<QByteArray>>("queue");

        const QList<QByteArray> untouched = {headMark, "gs\r\n"};
        QTest::newRow("knob turned midway: its command follows the last piece")
            << "knob" << 3 << QByteArray("mv 64\r\n") << untouched;
        QTest::newRow("direct writes in the last pause leave in order")
            << "two writes" << lastPiece << QByteArray("mv 1\r\neo 2\r\n") << untouched;
        QTest::newRow("tick midway: nothing sent again")
            << "tick" << 2 << QByteArray() << untouched;
        QTest::newRow("answer in a middle pause: discarded, the head stays")
            << "answer" << 2 << QByteArray() << untouched;
        QTest::newRow("answer in the last pause: dispatched after it")
            << "answer" << lastPiece << QByteArray("gs\r\n") << QList<QByteArray>{"gs\r\n"};
        QTest::newRow("escape midway: its queue follows the command's answer")
            << "escape" << 4 << QByteArray()
            << QList<QByteArray>{headMark, "esc\r\n", "gs\r\n", "rn\r\n"};
    }
    void whileALongCommandGoesOut()
    {
        QFETCH(QString, action);
        QFETCH(int, atPiece);
        QFETCH(QByteArray, after);
        QFETCH(QList<QByteArray>, queue);

        LinkRig l;
        QVERIFY(l.open());
        l.a.queue() = {preview, "gs\r\n"};
        l.a.commandTotal() = 2;
        l.a.answerReceived() = 1;
        SignalRecorder rec(&l.core);
        l.atPiece(atPiece, [&] {
            if (action == "knob") {
                l.core.setValue("master_volume", 100);
                QVERIFY(rec.lines().contains("sgSetEdit(true)")); // published at once
            } else if (action == "two writes") {
                l.core.sendRaw("mv 1\r\n");
                l.core.sendEdit("eo 2\r\n");
            } else if (action == "tick") {
                l.a.slPortTimer();
            } else if (action == "answer") {
                l.pty.write("ccEND\n");
            } else if (action == "escape") {
                l.core.slEsc();
            }
        });

        l.core.slTimer();
        QVERIFY(l.a.sending());
        QVERIFY(l.finish());
        QByteArray wire = l.pty.read(preview.size() + after.size());
        wire += l.pty.drainFor(50); // and nothing more
        QCOMPARE(wire.left(preview.size()), preview);
        QCOMPARE(wire.mid(preview.size()), after);
        QCOMPARE(l.a.queue(), withHead(queue, preview));
        QCOMPARE(l.a.sendCount(), uchar(1));
        QCOMPARE(l.a.answerReceived(), uchar(0)); // no answer was taken in the middle

        // Progress: 0 when the command starts, then rising with every piece,
        // never reaching the next command's share.
        QList<float> progress;
        for (const QVariantList &args : rec.of("sgSetProgress"))
            progress.append(args.at(0).toFloat());
        QVERIFY(progress.size() >= previewPieces);
        QCOMPARE(progress.first(), 0.0f);
        for (int i = 1; i < previewPieces; ++i) {
            QVERIFY2(progress.at(i) > progress.at(i - 1), qPrintable(QString::number(i)));
            QVERIFY(progress.at(i) - progress.at(i - 1) <= 0.5f / 10);
            QVERIFY(progress.at(i) < 0.5f);
        }
    }

    // The port goes away mid-command: the send ends at once, nothing more is
    // written, and direct writes held for later are dropped with the port.
    void portVanishesMidCommand_data()
    {
        QTest::addColumn<bool>("lineFull");
        QTest::newRow("during a pause") << false;
        QTest::newRow("while the driver waits for the line") << true;
    }
    void portVanishesMidCommand()
    {
        QFETCH(bool, lineFull);

        LinkRig l;
        QVERIFY(l.open());
        if (lineFull)
            l.a.port()->write(QByteArray(30000, 'z')); // more than the line takes unread
        l.a.queue() = {preview};
        l.a.commandTotal() = 1;
        DebugLog log;
        int writesAtClose = -1;
        connect(&l.core, &Core::sgPortOpen, &l.core,
                [&] { writesAtClose = log.withLabel("send").size(); });
        const auto vanish = [&] {
            l.core.setValue("master_volume", 100); // held for after the command
            l.pty.closeMaster();
        };
        if (!lineFull)
            l.atPiece(3, vanish);

        l.core.slTimer();
        if (lineFull) {
            QTest::qWait(50); // the first piece waits behind the unread bytes
            QVERIFY(l.a.sending());
            vanish();
        }
        QVERIFY(spinUntil([&] { return !l.a.port()->isOpen(); }));
        QVERIFY(!l.a.sending());
        QVERIFY(l.a.heldWrites().isEmpty());
        QTest::qWait(100); // a piece due after the close would be written by now
        QCOMPARE(log.withLabel("send").size(), writesAtClose);
        QVERIFY(!log.withLabel("send").join(' ').contains("mv 64"));
        QVERIFY2(log.warnings().isEmpty(), qPrintable(log.warnings().join('\n')));
        QCOMPARE(l.a.queue(),
                 QList<QByteArray>{preview}); // kept for nothing: reopening replaces it
    }

    // A piece the device takes nothing of for the stall limit: the rest of
    // the command never reaches the wire and it is given up like an
    // unanswered one. A knob turned meanwhile goes out afterwards.
    void stalledCommandIsGivenUp_data()
    {
        QTest::addColumn<QList<QByteArray>>("queue");
        QTest::addColumn<bool>("saveCutShort");
        QTest::newRow("impulse store of a save")
            << QList<QByteArray>{headMark, "sp\r\n", "rn\r\n", "gs\r\n"} << true;
        QTest::newRow("preview") << QList<QByteArray>{headMark} << false;
    }
    void stalledCommandIsGivenUp()
    {
        QFETCH(QList<QByteArray>, queue);
        QFETCH(bool, saveCutShort);

        LinkRig l;
        QVERIFY(l.open());
        // The first piece ends in 'a's, every later one is 'b's.
        const QByteArray head =
            requests::storeImpulse("A.wav", QByteArray(489, 'a') + QByteArray(1000, 'b'));
        l.a.queue() = withHead(queue, head);
        l.a.commandTotal() = quint16(queue.size());
        l.a.presetEdit() = 0;
        l.a.pendingUpDown() = 3;
        l.a.pacer()->setStallLimit(200);
        l.a.port()->write(QByteArray(30000, 'z')); // the line is full and stays so

        SignalRecorder rec(&l.core);
        l.core.slTimer();
        QVERIFY(l.a.sending());
        l.core.sendRaw("mv 64\r\n");
        QVERIFY(spinUntil([&] { return rec.count("sgAnswerErrSave") > 0; }));

        QCOMPARE(rec.of("sgAnswerErrSave"), QList<QVariantList>{{QString::fromLatin1(head)}});
        QCOMPARE(l.a.lastErrCommand(), head);
        QVERIFY(l.a.queue().isEmpty());
        QVERIFY(!l.a.sending());
        QVERIFY(l.a.port()->isOpen());
        QCOMPARE(l.a.presetEdit(), uchar(saveCutShort ? 1 : 0));
        QCOMPARE(l.a.pendingUpDown(), uchar(saveCutShort ? 0 : 3));

        const QByteArray wire = l.pty.readUntil("mv 64\r\n");
        QVERIFY(wire.endsWith("mv 64\r\n"));
        QCOMPARE(wire.count('b'), 0);
    }
};

VORTAXA_TEST_MAIN(TestPacing)
#include "tst_pacing.moc"

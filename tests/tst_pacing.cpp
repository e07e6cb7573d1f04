// Long commands on the pacing clock, through the link's face on the
// in-process device: what may and may not happen while one goes out (other
// writes, ticks, answers, an operation that empties the queue), its progress,
// a line that takes no bytes, and a device that vanishes in the middle. The
// clock runs faster than real time; the device loses the requests' answers
// unless the test plays them, so nothing but the test retires a head.
#include "editing/preset_session.h"
#include "link/requests.h"
#include "support/debug_log.h"
#include "support/link_rig.h"
#include "support/test_main.h"

#include <functional>

namespace {

// A preview as the panel sends it: 5912 bytes, twelve pieces.
const QByteArray preview = requests::previewImpulse(QByteArray(5904, 'a'));
constexpr int previewPieces = 12;
constexpr int lastPiece = -1;

// Stands for the long command in expected queues.
const QByteArray headMark = "<head>";

QList<QByteArray> withHead(QList<QByteArray> queue, const QByteArray &head)
{
    for (QByteArray &entry : queue)
        if (entry == headMark)
            entry = head;
    return queue;
}

// Runs `action` once the line has taken `piece` pieces of a command of
// `size` bytes (lastPiece: all of it), in the pause that follows.
void atPiece(LinkRig &r, int piece, int size, std::function<void()> action)
{
    QObject::connect(&r.device, &Transport::bytesWritten, &r.link,
                     [=, &r, done = false](qint64) mutable {
                         const int due = piece == lastPiece ? size : piece * 500;
                         if (!done && r.device.wire().size() >= due) {
                             done = true;
                             action();
                         }
                     });
}

// The progress the link reported, in order: the send, then the pieces.
QList<float> progressOf(const SignalRecorder &rec)
{
    QList<float> values;
    for (const Emission &e : rec.all())
        if (e.signal == "headSent" || e.signal == "progressed")
            values.append(e.args.at(0).toFloat());
    return values;
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

        LinkRig r(4); // 5 ms pauses; no re-send within the test
        QVERIFY(r.openIdle());
        r.device.script("xx"); // the preview and the request after it go unanswered
        PresetSession &session = r.parts.session();
        SignalRecorder sessionRec(&session);
        ::atPiece(r, atPiece, preview.size(), [&] {
            if (action == "knob") {
                session.setValue("master_volume", 100);
                QVERIFY(sessionRec.count("editedChanged") == 1); // published at once
            } else if (action == "two writes") {
                r.link.sendRaw("mv 1\r\n");
                session.sendEdit("eo 2\r\n");
            } else if (action == "tick") {
                r.link.tick();
            } else if (action == "answer") {
                r.device.inject("ccEND\n");
            } else if (action == "escape") {
                session.revert();
            }
        });

        r.queue({preview, "gs\r\n"});
        QVERIFY(r.link.sendingInPieces());
        QVERIFY(LinkRig::waitFor([&] { return !r.link.sendingInPieces(); }));
        QVERIFY(LinkRig::waitFor(
            [&] { return r.device.wire().size() >= preview.size() + after.size(); }));
        QTest::qWait(30); // and nothing more
        const QByteArray wire = r.device.wire();
        QCOMPARE(wire.left(preview.size()), preview);
        QCOMPARE(wire.mid(preview.size()), after);
        QCOMPARE(r.link.queued(), withHead(queue, preview));
        QCOMPARE(r.link.headSends(), 1);

        // Progress: 0 when the command starts, then rising with every piece,
        // never reaching the next command's share.
        const QList<float> progress = progressOf(r.rec);
        QVERIFY(progress.size() >= previewPieces);
        QCOMPARE(progress.first(), 0.0f);
        for (int i = 1; i < previewPieces; ++i) {
            QVERIFY2(progress.at(i) > progress.at(i - 1), qPrintable(QString::number(i)));
            QVERIFY(progress.at(i) - progress.at(i - 1) <= 0.5f / 10);
            QVERIFY(progress.at(i) < 0.5f);
        }
    }

    // The device goes away mid-command: the send ends at once, nothing more
    // is written, and direct writes held for later are dropped with the port.
    void deviceVanishesMidCommand_data()
    {
        QTest::addColumn<bool>("lineFull");
        QTest::newRow("during a pause") << false;
        QTest::newRow("while the driver waits for the line") << true;
    }
    void deviceVanishesMidCommand()
    {
        QFETCH(bool, lineFull);

        LinkRig r(4);
        QVERIFY(r.openIdle());
        DebugLog log;
        int writesAtClose = -1;
        QObject::connect(&r.link, &Link::closedAfterError, &r.link,
                         [&] { writesAtClose = r.device.writeSizes().size(); });
        const auto vanish = [&] {
            r.parts.session().setValue("master_volume", 100); // held for after the command
            r.device.vanish();
        };
        if (!lineFull)
            atPiece(r, 3, preview.size(), vanish);
        r.device.holdLine(lineFull);

        r.queue({preview});
        if (lineFull) {
            QTest::qWait(20); // the first piece waits on the line
            QVERIFY(r.link.sendingInPieces());
            vanish();
        }
        QVERIFY(LinkRig::waitFor([&] { return !r.link.isOpen(); }));
        QVERIFY(!r.link.sendingInPieces());
        QCOMPARE(r.device.errorReports(), 1); // closed on the first
        QTest::qWait(50);                     // a piece due after the close would be written by now
        QCOMPARE(r.device.writeSizes().size(), writesAtClose);
        QVERIFY(!r.device.wire().contains("mv 64"));
        QVERIFY2(log.warnings().isEmpty(), qPrintable(log.warnings().join('\n')));
        QCOMPARE(r.link.queued(), QList<QByteArray>{preview}); // kept: reopening replaces it
    }

    // A piece the line takes nothing of for the stall limit: the rest of the
    // command never reaches the wire, what the driver holds of it is dropped,
    // and it is given up like an unanswered one, with the queue behind it. A
    // direct write made meanwhile goes out afterwards.
    void stalledCommandIsGivenUp_data()
    {
        QTest::addColumn<QList<QByteArray>>("queue");
        QTest::newRow("impulse store of a save")
            << QList<QByteArray>{headMark, "sp\r\n", "rn\r\n", "gs\r\n"};
        QTest::newRow("preview") << QList<QByteArray>{headMark};
    }
    void stalledCommandIsGivenUp()
    {
        QFETCH(QList<QByteArray>, queue);

        LinkRig r(50); // a stall limit of 200 ms
        QVERIFY(r.openIdle());
        // The first piece ends in 'a's, every later one is 'b's.
        const QByteArray head =
            requests::storeImpulse("A.wav", QByteArray(489, 'a') + QByteArray(1000, 'b'));
        r.device.holdLine(true); // the line is full and stays so
        r.queue(withHead(queue, head));
        QVERIFY(r.link.sendingInPieces());
        r.link.sendRaw("mv 64\r\n");
        QVERIFY(LinkRig::waitFor([&] { return r.rec.count("givenUp") == 1; }));

        QCOMPARE(r.rec.of("unanswered"), QList<QVariantList>{{head}});
        QCOMPARE(r.rec.of("givenUp").first().first().value<QList<QByteArray>>(),
                 withHead(queue, head));
        QCOMPARE(r.link.unansweredCommand(), head);
        QVERIFY(r.link.queued().isEmpty());
        QVERIFY(!r.link.sendingInPieces());
        QVERIFY(r.link.isOpen());

        r.device.holdLine(false);
        QVERIFY(LinkRig::waitFor([&] { return r.device.wire().endsWith("mv 64\r\n"); }));
        QCOMPARE(r.device.wire(), QByteArray("mv 64\r\n")); // the held piece was dropped
    }
};

VORTAXA_TEST_MAIN(TestPacing)
#include "tst_pacing.moc"

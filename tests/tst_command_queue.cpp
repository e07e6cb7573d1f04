// The command queue through the link's face, on the in-process device: the
// start-up burst, answer waits, retries and give-up (what the device received
// and how often), the retry count of a head, progress, the idle step and the
// moves that wait for it, user actions while a head is on the wire, long
// commands in pieces, and the direct write. Two reports of Core's own (the
// unanswered command's text and the end of a batch) are checked on Core.
#include "editing/preset_session.h"
#include "editing/step_code.h"
#include "link/requests.h"
#include "support/core_rig.h"
#include "support/link_rig.h"
#include "support/test_main.h"
#include "support/wav_writer.h"

#include <QElapsedTimer>
#include <QRegularExpression>

namespace {

QList<float> progressOf(const SignalRecorder &rec)
{
    QList<float> values;
    for (const QVariantList &args : rec.of("headSent"))
        values.append(args.at(0).toFloat());
    return values;
}

bool sameProgress(const QList<float> &got, const QList<float> &expected)
{
    if (got.size() != expected.size())
        return false;
    for (int i = 0; i < got.size(); ++i)
        if (!qFuzzyCompare(1.0f + got.at(i), 1.0f + expected.at(i)))
            return false;
    return true;
}

QByteArray givenUpHead(const SignalRecorder &rec)
{
    const QList<QVariantList> calls = rec.of("unanswered");
    return calls.isEmpty() ? QByteArray() : calls.last().at(0).toByteArray();
}

} // namespace

class TestCommandQueue : public QObject {
    Q_OBJECT

private slots:
    // Opening queues the burst and sends nothing; the first step sends the
    // identification, which stays at the head until answered; the device
    // receives the burst once each, in order, with its progress.
    void startupBurst()
    {
        LinkRig r;
        QVERIFY(r.open());
        QCOMPARE(r.link.queued(), requests::startupBurst());
        QCOMPARE(r.device.bytesToWrite(), qint64(0)); // opening sends nothing

        r.link.startSending();
        QCOMPARE(r.device.bytesToWrite(), qint64(8));
        QCOMPARE(r.link.answerWaitMs(), 2000);
        QCOMPARE(r.link.queued().size(), 7); // the head stays until answered
        QVERIFY(r.waitIdle());
        QCOMPARE(r.device.requests(), firstLines(requests::startupBurst()));
        QVERIFY(sameProgress(progressOf(r.rec),
                             {0.0f, 1 / 7.0f, 2 / 7.0f, 3 / 7.0f, 4 / 7.0f, 5 / 7.0f, 6 / 7.0f}));
    }

    // A new connection starts afresh: unread input is discarded, the session
    // leaves compare and drops the impulse it was trying, and the burst
    // replaces the queue.
    void connectionStartDiscardsWhatCameBefore()
    {
        LinkRig r;
        QVERIFY(r.openIdle());
        PresetSession &session = r.parts.session();
        QTemporaryDir dir;
        const QString wav = dir.filePath("cab.wav");
        QVERIFY(writeFile(wav, wavFile({1, 1, 48000, 24, false, {}, patternSamples(300, 1, 3)})));
        QVERIFY(session.loadImpulse(wav));
        session.setValue("master_volume", 5);
        session.compare();
        QVERIFY(r.waitIdle());
        QVERIFY(session.comparing());
        QCOMPARE(session.pendingImpulse().source(), PendingImpulse::Source::File);
        r.link.send(requests::mode);
        r.device.leaveUnread("olkdev\r1\nEND\n");

        r.parts.startConnection();
        QCOMPARE(r.device.bytesAvailable(), qint64(0));
        QVERIFY(!session.comparing());
        QCOMPARE(session.pendingImpulse().source(), PendingImpulse::Source::Stored);
        QCOMPARE(r.link.queued(), requests::startupBurst());
    }

    void sendAloneDoesNotTransmit()
    {
        LinkRig r;
        QVERIFY(r.open(false));
        r.link.send("gb\r\n");
        r.link.send("gs\r\n");
        QCOMPARE(r.link.batchSize(), 2);
        QCOMPARE(r.device.bytesToWrite(), qint64(0));
        r.link.pacingStep();
        QCOMPARE(r.device.bytesToWrite(), qint64(4));
        QVERIFY(r.waitIdle());
        QCOMPARE(r.device.requests(), (QList<QByteArray>{"gb", "gs"}));
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

        LinkRig r;
        QVERIFY(r.open(false));
        r.link.send(head);
        r.link.pacingStep();
        QCOMPARE(r.link.answerWaitMs(), waitMs);
        QVERIFY(LinkRig::waitFor([&] { return r.device.wire() == head; }));
    }

    // A head is sent until answered, at most three times; then it is given
    // up with the queue behind it, naming the bytes that came with it.
    void retries_data()
    {
        QTest::addColumn<QList<QByteArray>>("queue");
        QTest::addColumn<QByteArray>("fates"); // the device's: 'a' answered, 'x' lost
        QTest::addColumn<QList<int>>("sends"); // how often the device got each request
        QTest::addColumn<QByteArray>("givenUp");

        const QList<QByteArray> gs = {"gs\r\n"};
        QTest::newRow("answered at once") << gs << QByteArray() << QList<int>{1} << QByteArray();
        QTest::newRow("no answer to the first attempt, an answer to the retry")
            << gs << QByteArray("xa") << QList<int>{2} << QByteArray();
        QTest::newRow("answered on the third and last send")
            << gs << QByteArray("xxa") << QList<int>{3} << QByteArray();
        QTest::newRow("silent device: three sends, then given up")
            << gs << QByteArray("xxx") << QList<int>{3} << QByteArray("gs\r\n");
        // The answer that released the previous head is used up by the first
        // send of this one: a device that falls silent mid-sequence is given
        // up on after three sends too.
        QTest::newRow("silent after an answer: the next head three times, then given up")
            << QList<QByteArray>{"gb\r\n", "gs\r\n", "gm\r\n"} << QByteArray("axxx")
            << QList<int>{1, 3, 0} << QByteArray("gs\r\n");
    }
    void retries()
    {
        QFETCH(QList<QByteArray>, queue);
        QFETCH(QByteArray, fates);
        QFETCH(QList<int>, sends);
        QFETCH(QByteArray, givenUp);

        LinkRig r;
        QVERIFY(r.open(false));
        r.device.script(fates);
        r.queue(queue);
        QVERIFY(r.waitIdle());

        const QList<QByteArray> lines = firstLines(queue);
        int total = 0;
        for (int i = 0; i < lines.size(); ++i) {
            QCOMPARE(r.device.count(lines.at(i)), sends.at(i));
            total += sends.at(i);
        }
        QCOMPARE(r.rec.count("headSent"), total); // one report per send, none for a give-up
        QCOMPARE(givenUpHead(r.rec), givenUp);
        QCOMPARE(r.rec.count("givenUp"), givenUp.isEmpty() ? 0 : 1);
        if (!givenUp.isEmpty()) {
            QCOMPARE(r.link.unansweredCommand(), givenUp);
            // The queue is given up after it was emptied, then the link idles.
            const QStringList order = r.rec.lines();
            QVERIFY(order.indexOf(QRegularExpression("^unanswered.*")) <
                    order.indexOf(QRegularExpression("^givenUp.*")));
            QCOMPARE(r.rec.of("givenUp").last().at(0).value<QList<QByteArray>>(),
                     queue.mid(lines.indexOf(givenUp.left(givenUp.indexOf('\r')))));
            QCOMPARE(r.link.headSends(), 0);
        }
    }

    // Bytes that answer nothing, received while the head waits, are kept with
    // the head given up.
    void unansweredKeepsWhatCameWithIt()
    {
        LinkRig r;
        QVERIFY(r.open(false));
        r.device.script("xxx");
        r.queue({"gs\r\n"});
        // What came after the last send: each send forgets what came before.
        QVERIFY(LinkRig::waitFor([&] { return r.device.count("gs") == 3; }));
        r.device.inject("gs\r12zz");
        QVERIFY(r.waitIdle());
        QCOMPARE(r.link.unansweredCommand(), QByteArray("gs\r\n"));
        QCOMPARE(r.link.unansweredReply(), QByteArray("gs\r12zz"));
    }

    // The count belongs to the head: a command queued into an empty queue
    // starts afresh, one appended behind a head being retried goes with it.
    void retryCountBelongsToTheHead_data()
    {
        QTest::addColumn<bool>("behindHead");
        QTest::addColumn<int>("gsSends");
        QTest::newRow("new head after an abandoned one") << false << 3;
        QTest::newRow("appended behind a head sent twice") << true << 0;
    }
    void retryCountBelongsToTheHead()
    {
        QFETCH(bool, behindHead);
        QFETCH(int, gsSends);

        LinkRig r;
        QVERIFY(r.open(false));
        r.device.script("xxxxxx");
        r.queue({"gb\r\n"});
        QVERIFY(LinkRig::waitFor([&] { return r.device.count("gb") == 2; }));
        if (behindHead) {
            r.link.send("gs\r\n");
        } else {
            QVERIFY(r.waitIdle());
            r.queue({"gs\r\n"});
        }
        QVERIFY(r.waitIdle());
        QCOMPARE(r.device.count("gb"), 3);
        QCOMPARE(r.device.count("gs"), gsSends);
    }

    // Giving up inside a save: nothing was stored, so the preset keeps its
    // unsaved edits and the move that waited for the save does not happen.
    // Giving up on anything else leaves the waiting move to run.
    void giveUpKeepsUnsavedEdits_data()
    {
        QTest::addColumn<QByteArray>("fates");
        QTest::addColumn<bool>("saveCutShort");
        QTest::newRow("store request unanswered") << QByteArray("xxx") << true;
        QTest::newRow("status read-back after the store unanswered")
            << QByteArray("aaxxx") << false;
    }
    void giveUpKeepsUnsavedEdits()
    {
        QFETCH(QByteArray, fates);
        QFETCH(bool, saveCutShort);

        LinkRig r;
        QVERIFY(r.openIdle());
        PresetSession &session = r.parts.session();
        session.setValue("master_volume", 30);
        r.device.script(fates);
        session.saveThenStep(steps::PresetUp);
        QVERIFY(!session.edited()); // cleared when the save started
        QVERIFY(LinkRig::waitFor([&] { return r.rec.count("givenUp") == 1; }));
        QVERIFY(r.waitIdle());

        QCOMPARE(session.edited(), saveCutShort);
        QCOMPARE(r.device.count("chp 1") > 0, !saveCutShort);
    }

    // A user's action that finds a request on the wire (quick clicks while
    // the device takes its time to answer) neither sends it again early nor
    // counts toward the retry limit: only the timer's ticks do. The device
    // answers once, and the queue moves on in step.
    void userActionsLeaveTheHeadOnTheWire_data()
    {
        QTest::addColumn<QString>("name");    // the setValue control word, clicked three times
        QTest::addColumn<QByteArray>("next"); // the next request once the head is answered

        QTest::newRow("preset steps") << "preset_UpDown" << QByteArray("chp 1");
        QTest::newRow("bank steps") << "bank_UpDown" << QByteArray("chb 1");
        QTest::newRow("jumps") << "preset_change" << QByteArray("pc 1");
        QTest::newRow("copies") << "copy" << QByteArray("gs");
        QTest::newRow("pastes") << "past" << QByteArray("gs 1");
        QTest::newRow("map updates") << "map_update" << QByteArray("chp 1");
    }
    void userActionsLeaveTheHeadOnTheWire()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, next);

        LinkRig r;
        QVERIFY(r.openIdle());
        PresetSession &session = r.parts.session();
        if (name == "past") { // a whole copy to paste
            session.setValue("copy", 1);
            QVERIFY(r.waitIdle());
            QVERIFY(session.hasCopy());
            r.device.clearLog();
        }
        r.queue({"gb\r\n"});
        for (int click = 0; click < 3; ++click)
            session.setValue(name, 1);
        QCOMPARE(r.link.headSends(), 1);
        QCOMPARE(r.link.queued().first(), QByteArray("gb\r\n"));

        // The answer retires the head and the next request goes out; it is
        // then sent three times in all by the ticks and given up.
        r.device.script("axxx");
        QVERIFY(LinkRig::waitFor([&] { return r.rec.count("givenUp") == 1; }));
        QCOMPARE(r.device.count("gb"), 1);
        QCOMPARE(firstLines({givenUpHead(r.rec)}).first(), next);
        QCOMPARE(r.device.count(next), 3);
    }

    void progressOfABatch_data()
    {
        QTest::addColumn<int>("appendAt"); // the send after which two more are queued
        QTest::addColumn<QList<float>>("progress");

        QTest::newRow("four commands") << -1 << QList<float>{0.0f, 0.25f, 0.5f, 0.75f};
        // Appending part-way sets the total to the new length: progress drops.
        QTest::newRow("two appended while the second is on the wire")
            << 2 << QList<float>{0.0f, 0.25f, 0.2f, 0.4f, 0.6f, 0.8f};
    }
    void progressOfABatch()
    {
        QFETCH(int, appendAt);
        QFETCH(QList<float>, progress);

        LinkRig r;
        QVERIFY(r.open(false));
        int sends = 0;
        QObject::connect(&r.link, &Link::headSent, &r.link, [&] {
            if (++sends == appendAt) {
                r.link.send("gb\r\n");
                r.link.send("gm\r\n");
            }
        });
        r.queue({"gb\r\n", "gs\r\n", "gm\r\n", "olkver\r\n"});
        QVERIFY(r.waitIdle());
        QVERIFY2(sameProgress(progressOf(r.rec), progress),
                 qPrintable(r.rec.lines().filter("headSent").join(' ')));
        QCOMPARE(r.link.batchSize(), 0); // the idle step ends the batch
    }

    // The idle step carries out the moves that waited for the queue: a step,
    // a jump, or both (the jump replaces the step's read-back); a jump to 128
    // or above is never carried out; with nothing waiting it sends nothing.
    void idleBranch_data()
    {
        QTest::addColumn<bool>("step");
        QTest::addColumn<int>("jump"); // -1: none
        QTest::addColumn<QList<QByteArray>>("moves");

        using L = QList<QByteArray>;
        QTest::newRow("nothing pending") << false << -1 << L{};
        QTest::newRow("step pending") << true << -1 << L{"chp 1"};
        QTest::newRow("jump pending") << false << 12 << L{"pc c"};
        QTest::newRow("jump to preset 0") << false << 0 << L{"pc 0"};
        QTest::newRow("jump to 200 counts as none") << false << 200 << L{};
        QTest::newRow("both pending") << true << 5 << L{"chp 1", "pc 5"};
    }
    void idleBranch()
    {
        QFETCH(bool, step);
        QFETCH(int, jump);
        QFETCH(QList<QByteArray>, moves);

        LinkRig r;
        QVERIFY(r.openIdle());
        PresetSession &session = r.parts.session();
        r.queue({"gm\r\n"}); // the moves wait for it
        if (step)
            session.setValue("preset_UpDown", 1);
        if (jump >= 0)
            session.setValue("preset_change", uchar(jump));
        QCOMPARE(r.device.requests(), QList<QByteArray>{});
        // The idle step after the moves' own requests: nothing is left waiting.
        QVERIFY(r.waitIdle());

        QList<QByteArray> got = r.device.requests();
        got.removeAll("gb");
        got.removeAll("rn");
        got.removeAll("gs");
        QCOMPARE(got, QList<QByteArray>{"gm"} + moves);
    }

    // A direct write forgets the partial answer before it and discards
    // unread input; it leaves the queue alone and says so beforehand.
    void directWrite_data()
    {
        QTest::addColumn<bool>("write");
        QTest::newRow("a direct write between two halves of an answer") << true;
        QTest::newRow("nothing between them: the halves make an answer") << false;
    }
    void directWrite()
    {
        QFETCH(bool, write);

        LinkRig r(1); // no re-send of the head within the test
        QVERIFY(r.open(false));
        r.device.script("x");
        r.queue({"gs\r\n"});
        QVERIFY(LinkRig::waitFor([&] { return r.device.count("gs") == 1; }));
        r.device.inject("N");
        QVERIFY(LinkRig::waitFor([&] { return r.rec.count("received") == 1; }));
        r.rec.clear();
        if (write) {
            r.device.leaveUnread("stale bytes");
            r.link.sendRaw("mv 64\r\n");
            QCOMPARE(r.rec.lines(), (QStringList{"aboutToWrite()", "wrote(mv 64\r\n)"}));
            QCOMPARE(r.device.bytesAvailable(), qint64(0));
            QVERIFY(LinkRig::waitFor([&] { return r.device.count("mv 64") == 1; }));
        }
        r.device.inject("X\n"); // with "N": the answer to a rejected request
        QVERIFY(LinkRig::waitFor([&] { return r.rec.count("received") > 0; }));
        QCOMPARE(r.link.queued(), write ? QList<QByteArray>{"gs\r\n"} : QList<QByteArray>{});
        QCOMPARE(r.link.batchSize(), write ? 1 : 0);
    }

    void editWriteMarksThePresetFirst()
    {
        LinkRig r(1); // the head is not sent again within the test
        QVERIFY(r.openIdle());
        r.device.script("x");
        r.queue({"gs\r\n"});
        QVERIFY(LinkRig::waitFor([&] { return r.device.count("gs") == 1; }));
        PresetSession &session = r.parts.session();
        // The edited state is already published when the bytes are written.
        qint64 waitingAtMark = -1;
        QObject::connect(&session, &PresetSession::editedChanged, &session,
                         [&] { waitingAtMark = r.device.bytesToWrite(); });
        session.sendEdit("eqv 2 1f\r\n");

        QVERIFY(session.edited());
        QCOMPARE(waitingAtMark, qint64(0));
        QCOMPARE(r.device.bytesToWrite(), qint64(10));
        QCOMPARE(r.link.queued(), QList<QByteArray>{"gs\r\n"});
        QVERIFY(LinkRig::waitFor([&] { return r.device.count("eqv 2 1f") == 1; }));
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

        LinkRig r(1); // real time: the pauses are measured
        QVERIFY(r.open(false));
        r.device.setDelay(60); // the answers come after the last pause
        // The request list before it leaves the longest answer wait behind.
        const QByteArray head = "cc s 1\r" + QByteArray(length - 8, 'a') + "\r";
        r.queue({"rns\r\n"});
        QVERIFY(LinkRig::waitFor([&] { return r.device.bytesToWrite() == 0; }));
        r.device.clearLog();
        r.link.send(head);
        r.link.send("gs\r\n");
        int waitWhileOut = -1;
        QObject::connect(&r.link, &Link::progressed, &r.link,
                         [&] { waitWhileOut = r.link.answerWaitMs(); });
        QVERIFY(LinkRig::waitFor([&] { return r.rec.count("headSent") == 2; }));
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(r.link.sendingInPieces(), paced);
        QVERIFY(LinkRig::waitFor(
            [&] { return !r.link.sendingInPieces() && r.device.wire().size() >= length; }));
        const qint64 elapsed = clock.elapsed();

        QCOMPARE(r.device.writeSizes(), pieces);
        QCOMPARE(r.device.wire(), head); // byte for byte, nothing more yet
        if (paced) {
            // A pause follows every piece, the last one included. A lower
            // bound only: a pause can last longer, never shorter.
            QVERIFY2(elapsed >= 20 * pieces.size(), qPrintable(QString::number(elapsed)));
            QCOMPARE(waitWhileOut, 10000); // the wait is set once the command is out
        }
        QCOMPARE(r.link.answerWaitMs(), 1000);
        QCOMPARE(r.link.queued().first(), head);
        QCOMPARE(r.rec.count("headSent"), 2);
    }

    // Nothing written while the port is closed, and nothing crashes: the
    // queue keeps its head.
    void writesWhileClosed_data()
    {
        QTest::addColumn<bool>("vanished");
        QTest::newRow("port never opened") << false;
        QTest::newRow("device vanished") << true;
    }
    void writesWhileClosed()
    {
        QFETCH(bool, vanished);

        LinkRig r;
        if (vanished) {
            QVERIFY(r.open(false));
            r.device.vanish();
            QCOMPARE(r.device.errorReports(), 1); // closed on the first
        }
        QVERIFY(!r.link.isOpen());
        const QList<QByteArray> queued = {"rn\r\n", "gs\r\n"};
        for (const QByteArray &request : queued)
            r.link.send(request);

        r.link.sendRaw("mv 1\r\n");
        r.parts.session().sendEdit("mv 2\r\n");
        r.link.pacingStep();
        r.link.pacingStep();
        QCOMPARE(r.link.queued(), queued);
        r.link.clearQueue();
        r.link.send(QByteArray(1200, 'x')); // the piece path too
        r.link.pacingStep();
        QVERIFY(!r.link.sendingInPieces());
        QCOMPARE(r.link.queued().size(), 1);
        QCOMPARE(r.device.wire(), QByteArray());
    }

    // ---- Core's reports of the queue ------------------------------------------

    // The command given up is reported up to its first zero byte.
    void unansweredReportEndsAtAZeroByte()
    {
        CoreRig l;
        QVERIFY(l.openIdle());
        l.device.script("xxx");
        const QByteArray head("cc s 1\r00ff\0\0ab\r", 16);
        l.core.send(head);
        l.link.startSending();
        QVERIFY(l.waitFor([&] { return l.rec.count("sgAnswerErrSave") > 0; }));
        QCOMPARE(l.device.rawRequests(), (QList<QByteArray>{head, head, head}));
        QCOMPARE(l.rec.of("sgAnswerErrSave"), QList<QVariantList>{{QString("cc s 1\r00ff")}});
    }

    // Core's words for a send and for the idle step.
    void coreReportsSendsAndIdle()
    {
        CoreRig l;
        QVERIFY(l.openIdle());
        l.core.send("gm\r\n");
        l.core.send("gb\r\n");
        SignalRecorder rec(&l.core);
        l.core.slTimer();
        QCOMPARE(rec.lines(),
                 QStringList({"sgSetProgress(0)", "sgSetWait(true)", "sgReadValue(wait,1)"}));
        rec.clear();
        l.core.deviceLink().clearQueue();
        l.core.slTimer();
        QCOMPARE(rec.lines(), QStringList({"sgSetWait(false)", "sgReadValue(wait,0)"}));
    }

    // The end of the commands is reported only when a listener of the send
    // empties the queue.
    void endCommandsOnlyWhenAHandlerEmptiesTheQueue_data()
    {
        QTest::addColumn<bool>("handlerEmpties");
        QTest::newRow("last command sent normally") << false;
        QTest::newRow("handler empties the queue") << true;
    }
    void endCommandsOnlyWhenAHandlerEmptiesTheQueue()
    {
        QFETCH(bool, handlerEmpties);

        CoreRig l;
        QVERIFY(l.openIdle());
        l.core.send("gm\r\n");
        if (handlerEmpties) {
            connect(&l.core, &Core::sgSetWait, &l.core, [&](bool wait) {
                if (wait)
                    l.core.deviceLink().clearQueue();
            });
        }
        SignalRecorder rec(&l.core);
        l.core.slTimer();
        const QStringList sent = rec.lines();
        QVERIFY(l.waitFor([&] { return l.device.wire() == "gm\r\n"; }));
        QCOMPARE(sent.filter("sgEndCommands").size(), handlerEmpties ? 1 : 0);
        if (handlerEmpties)
            QCOMPARE(sent.last(), QString("sgEndCommands()"));
    }
};

VORTAXA_TEST_MAIN(TestCommandQueue)
#include "tst_command_queue.moc"

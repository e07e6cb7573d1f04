// Line noise and broken answers fed to the dispatcher: seeded random chunks
// and mutations of real answers must never let the queue jump, never grow a
// captured value past its cap, and never stop clean answers being recognised
// once the noise is over.
#include "core/device_parts.h"
#include "editing/preset_session.h"
#include "link/link.h"
#include "link/requests.h"
#include "parsing/answer_dispatcher.h"
#include "parsing/device_readout.h"
#include "parsing/parser.h"
#include "support/signal_recorder.h"
#include "support/test_main.h"

#include <QSignalSpy>

#include <random>

namespace {

constexpr int noiseReads = 250000; // reads of noise, mutated answers included
constexpr quint32 seed = 0x5eed4;

QByteArray statusAnswer(int seedValue)
{
    QByteArray bytes;
    for (int i = 0; i < 43; ++i)
        bytes.append(char((seedValue * 29 + i * 11) & 0xff));
    return "gs\r" + bytes.toHex() + "\n";
}

QByteArray listAnswer(int slotCount)
{
    QByteArray bytes = "rns\r";
    for (int i = 0; i < slotCount; ++i)
        bytes += (i == 2 ? QByteArray("*") : "Cab " + QByteArray::number(i + 1)) + "\n01\nEND\n";
    return bytes;
}

// One answer of every form, as the device sends them.
QList<QByteArray> realAnswers()
{
    QByteArray image;
    for (int i = 0; i < 600; ++i)
        image.append(char(i * 13));
    return {"olkdev\r1\nEND\n",
            "olkdev\r2\nEND\n",
            "gsEND\n",
            "ccEND\n",
            "dcc\rEND\n",
            "lcc\rEND\n",
            "esc\rEND\n",
            "NX\n",
            "RX 01",
            statusAnswer(1),
            statusAnswer(2),
            "chb 1\r03\n",
            "chp 0\r12\n",
            "sp\rEND\n",
            "gb\r0309\n",
            "cc\rMy Cab\n" + image.toHex() + "\n",
            "gm\r07\n",
            "rn\rClean 1\n",
            "rn\r\n",
            "ce 0\r",
            "pc 1a\r",
            "olkver\r1.07\n",
            listAnswer(16),
            listAnswer(100)};
}

class Noise {
public:
    explicit Noise(quint32 s) : rng(s) {}

    int below(int n) { return n <= 0 ? 0 : std::uniform_int_distribution<int>(0, n - 1)(rng); }
    bool oneIn(int n) { return below(n) == 0; }

    char byte()
    {
        // Half the time a byte the answer forms care about.
        static const QByteArray protocol = "olkdevrsgEND\r\n XRpcmb0123456789*_";
        return oneIn(2) ? protocol.at(below(protocol.size())) : char(below(256));
    }

    QByteArray bytes(int length)
    {
        QByteArray result(length, '\0');
        for (char &c : result)
            c = byte();
        return result;
    }

    QByteArray mutate(QByteArray answer, const QList<QByteArray> &corpus)
    {
        const int steps = 1 + below(3);
        for (int s = 0; s < steps; ++s) {
            const int at = below(answer.size() + 1);
            switch (below(6)) {
            case 0: // truncated
                answer.truncate(at);
                break;
            case 1: // a stretch duplicated
                answer.insert(at, answer.mid(below(answer.size() + 1), 1 + below(32)));
                break;
            case 2: // spliced with another answer
                answer = answer.left(at) + corpus.at(below(corpus.size())).mid(below(40));
                break;
            case 3: // bytes flipped
                for (int n = 1 + below(4); n > 0 && !answer.isEmpty(); --n)
                    answer[below(answer.size())] = byte();
                break;
            case 4: // noise inserted
                answer.insert(at, bytes(1 + below(8)));
                break;
            default: // a stretch dropped
                answer.remove(at, 1 + below(8));
                break;
            }
        }
        return answer;
    }

    // Cuts a piece of input into reads at random points.
    QList<QByteArray> split(const QByteArray &input)
    {
        QList<QByteArray> reads;
        int from = 0;
        while (from < input.size()) {
            const int length = oneIn(2) ? input.size() - from : 1 + below(input.size() - from);
            reads << input.mid(from, length);
            from += length;
        }
        return reads;
    }

private:
    std::mt19937 rng;
};

// The back end's parts without a port: what would go out stays queued, and
// every chunk goes to the dispatcher as a port read hands it on.
struct Parts {
    DeviceParts parts;
    Link &link = parts.link();
    PresetSession &session = parts.session();
    AnswerDispatcher &dispatcher = parts.dispatcher();

    // The start-up requests behind whatever waits.
    void queueBurst()
    {
        for (const QByteArray &request : requests::startupBurst())
            link.send(request);
    }
    // The device says it is of `type`.
    void identify(int type)
    {
        dispatcher.dispatch("olkdev\r" + QByteArray::number(type) + "\nEND\n");
    }
};

} // namespace

class TestBadInput : public QObject {
    Q_OBJECT

private slots:
    void noiseThenCleanAnswers();
    void runawayFieldIsCapped_data();
    void runawayFieldIsCapped();
};

void TestBadInput::noiseThenCleanAnswers()
{
    Parts p;
    Noise noise(seed);
    const QList<QByteArray> corpus = realAnswers();

    int reads = 0;
    int answered = 0;
    int longest = 0;
    QByteArray firstJump; // the first read that retired more than one entry
    auto offer = [&](const QByteArray &chunk) {
        if (p.link.queued().size() < 2)
            p.queueBurst();
        const int before = p.link.queued().size();
        p.dispatcher.dispatch(chunk);
        if (p.link.queued().size() < before - 1 && firstJump.isEmpty())
            firstJump = chunk.toHex();
        longest = qMax(longest, p.dispatcher.longestValue());
        return p.link.queued().size() == before - 1; // an answer retires one entry
    };
    while (reads < noiseReads) {
        QByteArray input;
        switch (noise.below(4)) {
        case 0:
            input = noise.bytes(noise.below(64));
            break;
        case 1:
            input = corpus.at(noise.below(corpus.size()));
            break;
        default:
            input = noise.mutate(corpus.at(noise.below(corpus.size())), corpus);
            break;
        }
        // What decides which forms are fed changes now and then, as a copy,
        // a compare press or an identification answer changes it.
        if (noise.oneIn(16))
            p.session.copy();
        if (noise.oneIn(64))
            offer("olkdev\r" + QByteArray::number(QList<int>{0, 1, 2, 3, 4, 7}.at(noise.below(6))) +
                  "\nEND\n");
        if (noise.oneIn(32)) {
            p.session.compare();
            p.session.copy();
        }
        for (const QByteArray &chunk : noise.split(input.isEmpty() ? QByteArray(1, '\n') : input)) {
            if (offer(chunk))
                ++answered;
            ++reads;
        }
    }
    QVERIFY2(firstJump.isEmpty(), firstJump.constData());
    QVERIFY(longest <= Parser::maxValueLength);
    // The noise was not all rejected: answers were recognised in it too.
    QVERIFY2(answered > noiseReads / 20, qPrintable(QString::number(answered)));

    // A direct write, then bytes that end every field and break every
    // literal: each form is left idle, whichever state the noise left.
    p.link.sendRaw(requests::status);
    for (int i = 0; i < 300; ++i) {
        p.identify(i % 2 ? 2 : 1); // both list forms
        p.session.copy();          // and the impulse form are fed
        p.dispatcher.dispatch("\r\n~");
    }
    QVERIFY(p.dispatcher.formsIdle());

    // The start-up answers are recognised again, one queue entry each. A
    // revert shows the edits, and the queue is emptied (the copy with it).
    p.session.revert();
    p.link.clearQueue();
    QVERIFY(!p.session.comparing());
    QVERIFY(!p.session.awaitsCopiedImpulse());
    p.queueBurst();
    const DeviceReadout &readout = p.parts.readout();
    QSignalSpy identified(&readout, &DeviceReadout::identifiedChanged);
    QSignalSpy firmware(&readout, &DeviceReadout::firmwareRead);
    QSignalSpy slotList(&readout, &DeviceReadout::slotsRead);
    QSignalSpy name(&readout, &DeviceReadout::impulseNameRead);
    QSignalSpy place(&readout, &DeviceReadout::positionRead);
    QSignalSpy mode(&readout, &DeviceReadout::modeRead);
    const QList<QByteArray> startup = {"olkdev\r1\nEND\n", "olkver\r1.07\n", listAnswer(100),
                                       "rn\rClean 1\n",    "gb\r0309\n",     statusAnswer(3),
                                       "gm\r07\n"};
    for (int i = 0; i < startup.size(); ++i) {
        p.dispatcher.dispatch(startup.at(i));
        QCOMPARE(p.link.queued().size(), startup.size() - 1 - i);
    }
    QCOMPARE(identified.size(), 1);
    QCOMPARE(identified.first().first().toInt(), 1);
    QCOMPARE(firmware.value(0).value(0).toString(), QStringLiteral("1.07"));
    QCOMPARE(slotList.value(0).value(0).toStringList().size(), 100);
    QCOMPARE(name.value(0).value(0).toString(), QStringLiteral("Clean 1"));
    QCOMPARE(place.value(0), (QVariantList{3, 9}));
    QCOMPARE(int(uchar(p.session.values().live().at(7))), int(uchar(3 * 29 + 7 * 11)));
    QCOMPARE(mode.value(0).value(0).toInt(), 7);
}

void TestBadInput::runawayFieldIsCapped_data()
{
    QTest::addColumn<QByteArray>("prefix");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QByteArray>("published"); // the readout's event for the clean answer

    QTest::newRow("impulse name") << QByteArray("rn\r") << QByteArray("rn\rCab\n")
                                  << QByteArray("impulseNameRead");
    QTest::newRow("version") << QByteArray("olkver\r") << QByteArray("olkver\r1.07\n")
                             << QByteArray("firmwareRead");
    QTest::newRow("device type") << QByteArray("olkdev\r") << QByteArray("olkdev\r1\nEND\n")
                                 << QByteArray("identifiedChanged");
    QTest::newRow("list slot name")
        << QByteArray("rns\rCab 1\n01\nEND\n") << listAnswer(100) << QByteArray("slotsRead");
    QTest::newRow("preset number") << QByteArray("pc ") << QByteArray("pc 3\r") << QByteArray();
    QTest::newRow("impulse image")
        << QByteArray("cc\rMy Cab\n") << QByteArray("cc\rMy Cab\n524946\n") << QByteArray();
}

void TestBadInput::runawayFieldIsCapped()
{
    QFETCH(QByteArray, prefix);
    QFETCH(QByteArray, answer);
    QFETCH(QByteArray, published);

    Parts p;
    p.session.copy(); // the impulse answer is awaited; two requests wait
    QCOMPARE(p.link.queued().size(), 2);
    p.dispatcher.dispatch(prefix);

    // A device that streams without ever ending the field.
    const QByteArray stream(64 * 1024, 'a');
    int longest = 0;
    for (int i = 0; i < 20; ++i) {
        p.dispatcher.dispatch(stream);
        longest = qMax(longest, p.dispatcher.longestValue());
    }
    QCOMPARE(longest, Parser::maxValueLength);
    QCOMPARE(p.link.queued().size(), 2); // nothing was taken for an answer
    QVERIFY(p.dispatcher.formsIdle());

    // The clean answer after it is recognised.
    SignalRecorder rec(&p.parts.readout());
    p.dispatcher.dispatch(answer);
    QCOMPARE(p.link.queued().size(), 1);
    if (!published.isEmpty())
        QCOMPARE(rec.count(published), 1);
}

VORTAXA_TEST_MAIN(TestBadInput)
#include "tst_bad_input.moc"

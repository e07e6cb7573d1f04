// The dispatcher on its own face toward the preset's owner (PresetAnswers):
// which answers reach the owner, with what, in which order, and when the
// impulse answer is offered at all. No session takes part: a recorder stands
// in for it, as any owner of the preset could.
#include "link/link.h"
#include "link/requests.h"
#include "parsing/answer_dispatcher.h"
#include "parsing/device_readout.h"
#include "parsing/preset_answers.h"
#include "support/test_main.h"

namespace {

// Writes down every call it gets, in order, as "name" or "name:argument".
class RecordedAnswers : public PresetAnswers {
public:
    bool copyWaits = false;
    bool captureWaits = false;
    QStringList calls;

    bool awaitsCopiedImpulse() const override { return copyWaits; }
    bool capturing() const override { return captureWaits; }
    void statusBlockRead(const QByteArray &block) override
    {
        calls << "statusBlockRead:" + QString::fromLatin1(block.left(6));
    }
    void stepAnswered() override { calls << "stepAnswered"; }
    void positionRead() override { calls << "positionRead"; }
    void impulseReported(const QString &name) override { calls << "impulseReported:" + name; }
    void impulseAnswered(const QList<QByteArray> &values) override
    {
        QStringList texts;
        for (const QByteArray &value : values)
            texts << QString::fromLatin1(value);
        calls << "impulseAnswered:" + texts.join('|');
    }
    void presetStored() override { calls << "presetStored"; }
    void revertAnswered() override { calls << "revertAnswered"; }
};

QByteArray statusAnswer(char digit)
{
    return "gs\r" + QByteArray(86, digit) + "\n";
}

enum class Waits { Nothing, Copy, Capture };

} // namespace

Q_DECLARE_METATYPE(Waits)

class TestPresetAnswers : public QObject {
    Q_OBJECT

private slots:
    void answersReachTheOwner_data();
    void answersReachTheOwner();
    void positionGoesToTheReadoutToo();
};

void TestPresetAnswers::answersReachTheOwner_data()
{
    QTest::addColumn<QByteArray>("chunk");
    QTest::addColumn<QByteArray>("head"); // the request on the wire; empty: none
    QTest::addColumn<Waits>("waits");
    QTest::addColumn<QStringList>("calls");

    const QByteArray none;
    QTest::newRow("status block") << statusAnswer('a') << none << Waits::Nothing
                                  << QStringList{"statusBlockRead:aaaaaa"};
    QTest::newRow("bank step") << QByteArray("chb 1\r05\n") << none << Waits::Nothing
                               << QStringList{"stepAnswered"};
    QTest::newRow("preset step") << QByteArray("chp 0\r03\n") << none << Waits::Nothing
                                 << QStringList{"stepAnswered"};
    QTest::newRow("position") << QByteArray("gb\r0203\n") << none << Waits::Nothing
                              << QStringList{"positionRead"};
    QTest::newRow("no impulse") << QByteArray("rn\r\n") << none << Waits::Nothing
                                << QStringList{"impulseReported:empty"};
    QTest::newRow("impulse name") << QByteArray("rn\rClosed 4x12\n") << none << Waits::Nothing
                                  << QStringList{"impulseReported:Closed 4x12"};
    QTest::newRow("revert") << QByteArray("esc\rEND\n") << none << Waits::Nothing
                            << QStringList{"revertAnswered"};
    QTest::newRow("store on the wire") << QByteArray("sp\rEND\n") << requests::storePreset
                                       << Waits::Nothing << QStringList{"presetStored"};
    QTest::newRow("store answer with another head")
        << QByteArray("sp\rEND\n") << requests::status << Waits::Nothing << QStringList{};
    QTest::newRow("impulse answer nobody waits for")
        << QByteArray("cc\rCab\n0A0B\n") << none << Waits::Nothing << QStringList{};
    QTest::newRow("impulse answer to a copy")
        << QByteArray("cc\rCab\n0A0B\n") << none << Waits::Copy
        << QStringList{"impulseAnswered:Cab|0A0B"};
    QTest::newRow("impulse answer to a capture of its own read")
        << QByteArray("cc\rCab\n0A0B\n") << requests::readImpulse << Waits::Capture
        << QStringList{"impulseAnswered:Cab|0A0B"};
    QTest::newRow("capture while another request is on the wire")
        << QByteArray("cc\rCab\n0A0B\n") << requests::status << Waits::Capture << QStringList{};
    QTest::newRow("acknowledgements carry nothing for the owner")
        << QByteArray("NX\ngsEND\nccEND\n") << none << Waits::Nothing << QStringList{};
    QTest::newRow("several answers in one chunk, in the protocol's order")
        << QByteArray("rn\rCab\n") + statusAnswer('b') + "gb\r0001\n"
        << none << Waits::Nothing
        << QStringList{"statusBlockRead:bbbbbb", "positionRead", "impulseReported:Cab"};
}

void TestPresetAnswers::answersReachTheOwner()
{
    QFETCH(QByteArray, chunk);
    QFETCH(QByteArray, head);
    QFETCH(Waits, waits);
    QFETCH(QStringList, calls);

    Link link;
    DeviceReadout readout;
    RecordedAnswers owner;
    owner.copyWaits = waits == Waits::Copy;
    owner.captureWaits = waits == Waits::Capture;
    AnswerDispatcher dispatcher(link, owner, readout);
    if (!head.isEmpty()) {
        link.send(head);
        link.followQueue(); // a capture takes only its own exchange's answer
    }

    dispatcher.dispatch(chunk);
    QCOMPARE(owner.calls, calls);
}

// The readout learns the position; the owner only hears that it came.
void TestPresetAnswers::positionGoesToTheReadoutToo()
{
    Link link;
    DeviceReadout readout;
    RecordedAnswers owner;
    AnswerDispatcher dispatcher(link, owner, readout);

    dispatcher.dispatch("gb\r0307\n");
    QCOMPARE(owner.calls, QStringList{"positionRead"});
    QCOMPARE(readout.bank(), 3);
    QCOMPARE(readout.preset(), 7);
}

VORTAXA_TEST_MAIN(TestPresetAnswers)
#include "tst_preset_answers.moc"

// Dispatch of device answers through a real pseudo-terminal: what each answer
// form publishes, in which order, and how the command queue advances.
#include "core/core.h"
#include "support/pty_core_rig.h"
#include "support/test_main.h"

#include <QSerialPort>

namespace {

// The pacing step that follows an answer with three entries left of four:
// the next head goes out.
const QStringList nextHeadSent = {"sgSetProgress(0.25)", "sgSetWait(true)", "sgReadValue(wait,1)"};
// The pacing step that follows an answer when nothing is left to send.
const QStringList wentIdle = {"sgSetWait(false)", "sgReadValue(wait,0)"};

QByteArray listAnswer(const QList<QByteArray> &names)
{
    QByteArray bytes = "rns\r";
    for (int i = 0; i < names.size(); ++i)
        bytes += names.at(i) + "\n" + (i % 2 ? "01" : "00") + "\nEND\n";
    return bytes;
}

QList<QByteArray> cabNames(int count)
{
    QList<QByteArray> names;
    for (int i = 1; i <= count; ++i)
        names << "Cab " + QByteArray::number(i);
    return names;
}

QString joined(const QStringList &items)
{
    return items.join(',') + ',';
}

QStringList flags(int count)
{
    QStringList result;
    for (int i = 0; i < count; ++i)
        result << (i % 2 ? "01" : "00");
    return result;
}

} // namespace

// Four requests in flight on a quiet link, as after a bank step; only the
// answers the test plays drive the queue.
class TestDispatch : public PtyCoreRigTest {
    Q_OBJECT

    QByteArray seen; // chunks the program read that completed no answer

    bool setUp() override;
    // Plays bytes that complete nothing and waits until they have been read.
    bool ignored(const QByteArray &bytes);

private slots:
    void acknowledgements_data();
    void acknowledgements();
    void cabinetAnswerReleasesOnlyTheCabinetRequest_data();
    void cabinetAnswerReleasesOnlyTheCabinetRequest();
    void twoFormsInOneReadRemoveOneHead();
    void answerSplitOverReads();
    void emptyNameSkipsNameForm();
    void impulseName_data();
    void impulseName();
    void nameFormWithoutValuePublishesEmpty();
    void list16WithStarSlot();
    void list100();
    void listWithOddValueCountDropsIncompletePair();
    void identification_data();
    void identification();
    void mode_data();
    void mode();
    void bankAndPreset_data();
    void bankAndPreset();
    void version();
    void failedGuardDoesNotAdvance_data();
    void failedGuardDoesNotAdvance();
    void impulseAnswerIgnoredWhileNotPending();
    void impulseAnswerWhilePending_data();
    void impulseAnswerWhilePending();
    void saveAnswerCompletesBeforeItsEnd();
    void answerWithEmptyQueueGoesIdle();
};

bool TestDispatch::setUp()
{
    QObject::connect(rig->a.port(), &QSerialPort::readyRead, rig->a.port(),
                     [this] { seen += rig->a.readBuffer(); });
    if (!rig->open())
        return false;
    rig->pty.drainFor(20);
    rig->rec.clear();
    rig->a.queue() = {"gb\r\n", "gs\r\n", "gm\r\n", "rn\r\n"};
    rig->a.commandTotal() = 4;
    return true;
}

bool TestDispatch::ignored(const QByteArray &bytes)
{
    seen.clear();
    rig->pty.write(bytes);
    return spinUntil([&] { return seen.endsWith(bytes); });
}

void TestDispatch::acknowledgements_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("published");

    const QStringList none;
    const QStringList editCleared = {"sgSetEdit(false)", "sgReadValue(preset_edit,0)"};
    QTest::newRow("NX") << QByteArray("NX\n") << none;
    QTest::newRow("RX") << QByteArray("RX 01") << none;
    QTest::newRow("gsEND") << QByteArray("gsEND\n") << none;
    QTest::newRow("ccEND") << QByteArray("ccEND\n") << none;
    QTest::newRow("dcc") << QByteArray("dcc\rEND\n") << none;
    QTest::newRow("lcc") << QByteArray("lcc\rEND\n") << none;
    QTest::newRow("esc") << QByteArray("esc\rEND\n") << none;
    QTest::newRow("preset number") << QByteArray("pc 1a\r") << none;
    QTest::newRow("save") << QByteArray("sp\rEND\n") << none;
    QTest::newRow("bank step") << QByteArray("chb 1\r03\n") << editCleared;
    QTest::newRow("preset step") << QByteArray("chp 0\r12\n") << editCleared;
}

void TestDispatch::acknowledgements()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, published);

    rig->a.presetEdit() = 1;
    QVERIFY(rig->answer(bytes, 3));
    QCOMPARE(rig->rec.lines(), published + nextHeadSent);
    QCOMPARE(rig->a.queue().first(), QByteArray("gs\r\n"));
    QCOMPARE(rig->pty.read(4), QByteArray("gs\r\n"));
    QCOMPARE(rig->a.presetEdit(), uchar(published.isEmpty() ? 1 : 0));
}

// The device answers a cabinet switch whether it was queued (paste) or
// written directly (setValue). The answer releases the queued cabinet request;
// while another request is on the wire it is not that request's answer.
void TestDispatch::cabinetAnswerReleasesOnlyTheCabinetRequest_data()
{
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<bool>("released");
    QTest::newRow("queued cabinet request") << QByteArray("ce 0\r\n") << true;
    QTest::newRow("bank read on the wire") << QByteArray("gb\r\n") << false;
    QTest::newRow("status write on the wire") << QByteArray("gs 1\r00\r") << false;
}

void TestDispatch::cabinetAnswerReleasesOnlyTheCabinetRequest()
{
    QFETCH(QByteArray, head);
    QFETCH(bool, released);

    rig->a.queue() = {head, "gs\r\n"};
    rig->a.commandTotal() = 2;
    if (released) {
        QVERIFY(rig->answer("ce 0\r", 1));
        QCOMPARE(rig->pty.read(4), QByteArray("gs\r\n"));
        return;
    }
    QVERIFY(ignored("ce 1\r"));
    QCOMPARE(rig->a.queue(), (QList<QByteArray>{head, "gs\r\n"}));
    QVERIFY(rig->rec.all().isEmpty());
    QCOMPARE(rig->pty.drainFor(50), QByteArray());
    // A real answer still releases the head.
    QVERIFY(rig->answer("gb\r0102\n", 1));
}

void TestDispatch::twoFormsInOneReadRemoveOneHead()
{
    // Mode first on the wire, yet the bank form is tried before the mode form.
    QVERIFY(rig->answer("gm\r07\ngb\r0309\n", 3));
    QCOMPARE(rig->rec.lines(), QStringList({"sgReadValue(bank,3)", "sgReadValue(preset,9)",
                                            "sgReadMode(7)", "sgReadValue(mode,7)"}) +
                                   nextHeadSent);
    QCOMPARE(rig->pty.drainFor(100), QByteArray("gs\r\n"));
    QCOMPARE(rig->a.queue().size(), 3);
}

void TestDispatch::answerSplitOverReads()
{
    QVERIFY(ignored("gb\r03"));
    QVERIFY(rig->rec.all().isEmpty());
    QVERIFY(rig->answer("09\n", 3));
    QCOMPARE(rig->rec.lines(),
             QStringList({"sgReadValue(bank,3)", "sgReadValue(preset,9)"}) + nextHeadSent);
}

void TestDispatch::emptyNameSkipsNameForm()
{
    PtyCoreRig &r = *rig;
    // Leave the name form inside a name, and the impulse form inside one too.
    r.a.copyImpulsePending() = 1;
    QVERIFY(ignored("cc\rhalf"));
    QVERIFY(ignored("rn\rab"));
    QCOMPARE(r.a.parser(answers::Form::Name)->partialValues(), QList<QByteArray>{"ab"});
    QVERIFY(!r.a.parser(answers::Form::Impulse)->isIdle());

    QVERIFY(r.answer("rn\r\n", 3));
    QCOMPARE(r.rec.lines(), QStringList{"sgReadText(impulse_name,empty)"} + nextHeadSent);
    // Fed, the name form would have completed with "abrn" CR; it was not fed
    // (the direct write of the next head has since reset it).
    QVERIFY(r.a.parser(answers::Form::Impulse)->isIdle());
    QCOMPARE(r.a.copyImpulsePending(), uchar(1));
}

void TestDispatch::impulseName_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("name");

    QTest::newRow("plain") << QByteArray("rn\rClean 1\n") << "Clean 1";
    QTest::newRow("ends at NUL") << QByteArray("rn\rCab\0junk\n", 12) << "Cab";
    QTest::newRow("UTF-8") << QByteArray("rn\rK\xc3\xa4"
                                         "fig\n")
                           << QString::fromUtf8("K\xc3\xa4"
                                                "fig");
}

void TestDispatch::impulseName()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, name);

    QVERIFY(rig->answer(bytes, 3));
    QCOMPARE(rig->rec.valuesOf("impulse_name"), QVariantList{name});
    QCOMPARE(rig->rec.all().size(), 1 + nextHeadSent.size());
}

void TestDispatch::nameFormWithoutValuePublishesEmpty()
{
    PtyCoreRig &r = *rig;
    // With nothing queued no command is written, so nothing resets the name
    // form between the reads.
    r.a.queue().clear();
    QVERIFY(ignored("rn\r"));
    r.pty.write("\n"); // completes the empty-name form only
    QVERIFY(spinUntil([&] { return r.rec.all().size() == 3; }));
    r.pty.write("\n"); // now the name form, still in its field, ends empty
    QVERIFY(spinUntil([&] { return r.rec.all().size() == 6; }));
    QCOMPARE(r.rec.lines(), QStringList{"sgReadText(impulse_name,empty)"} + wentIdle +
                                QStringList{"sgReadText(impulse_name,empty)"} + wentIdle);
}

void TestDispatch::list16WithStarSlot()
{
    rig->a.typeDev() = 2;
    QList<QByteArray> names = cabNames(16);
    names[2] = "*";
    QVERIFY(rig->answer(listAnswer(names), 3));

    QStringList expected;
    for (const QByteArray &n : names)
        expected << (n == "*" ? QString("empty") : QString::fromLatin1(n));
    QCOMPARE(rig->rec.lines(), QStringList({"sgReadText(impulse_names," + joined(expected) + ")",
                                            "sgReadText(impulse_en," + joined(flags(16)) + ")"}) +
                                   nextHeadSent);
    const QString published = rig->rec.valuesOf("impulse_names").first().toString();
    QCOMPARE(published.split(',').at(2), QString("empty"));
    QVERIFY(published.endsWith("Cab 16,"));
}

void TestDispatch::list100()
{
    QCOMPARE(rig->a.typeDev(), uchar(1)); // the large family until identified
    QVERIFY(rig->answer(listAnswer(cabNames(100)), 3));
    QStringList expected;
    for (const QByteArray &n : cabNames(100))
        expected << QString::fromLatin1(n);
    QCOMPARE(rig->rec.valuesOf("impulse_names"), QVariantList{joined(expected)});
    QCOMPARE(rig->rec.valuesOf("impulse_en"), QVariantList{joined(flags(100))});
}

void TestDispatch::listWithOddValueCountDropsIncompletePair()
{
    // The last slot has an empty name: 31 values, the lone last one dropped.
    rig->a.typeDev() = 3;
    QList<QByteArray> names = cabNames(16);
    names[15] = "";
    QVERIFY(rig->answer(listAnswer(names), 3));
    QStringList expected;
    for (int i = 0; i < 15; ++i)
        expected << QString::fromLatin1(names.at(i));
    QCOMPARE(rig->rec.valuesOf("impulse_names"), QVariantList{joined(expected)});
    QCOMPARE(rig->rec.valuesOf("impulse_en"), QVariantList{joined(flags(15))});
}

void TestDispatch::identification_data()
{
    QTest::addColumn<QByteArray>("type");
    QTest::addColumn<int>("typeDev");
    QTest::addColumn<int>("counts");
    QTest::addColumn<bool>("listInSameRead");

    // Before each row: type 2, counts 4; a 16-slot list follows in the same read.
    QTest::newRow("type 1: large family") << QByteArray("1") << 1 << 10 << false;
    QTest::newRow("type 2: small family") << QByteArray("2") << 2 << 4 << true;
    QTest::newRow("type 3: small family") << QByteArray("3") << 3 << 4 << true;
    QTest::newRow("type 4: large family") << QByteArray("4") << 4 << 10 << false;
    QTest::newRow("type 7: unknown") << QByteArray("7") << 7 << 4 << false;
    QTest::newRow("not a number") << QByteArray("x2") << 0 << 4 << false;
    QTest::newRow("258 keeps 8 bits") << QByteArray("258") << 2 << 4 << true;
}

void TestDispatch::identification()
{
    QFETCH(QByteArray, type);
    QFETCH(int, typeDev);
    QFETCH(int, counts);
    QFETCH(bool, listInSameRead);

    PtyCoreRig &r = *rig;
    r.a.typeDev() = 2;
    r.a.bankCount() = 4;
    r.a.presetCount() = 4;
    QVERIFY(r.answer("olkdev\r" + type + "\nEND\n" + listAnswer(cabNames(16)), 3));

    QStringList expected = {QString("sgReadName(%1)").arg(typeDev),
                            QString("sgReadValue(type_dev,%1)").arg(typeDev)};
    if (listInSameRead)
        expected << "sgReadText(impulse_names,Cab 1,Cab 2,Cab 3,Cab 4,Cab 5,Cab 6,Cab 7,Cab "
                    "8,Cab 9,Cab 10,Cab 11,Cab 12,Cab 13,Cab 14,Cab 15,Cab 16,)"
                 << "sgReadText(impulse_en," + joined(flags(16)) + ")";
    QCOMPARE(r.rec.lines(), expected + nextHeadSent);
    QCOMPARE(int(r.a.typeDev()), typeDev);
    QCOMPARE(int(r.a.bankCount()), counts);
    QCOMPARE(int(r.a.presetCount()), counts);
}

void TestDispatch::mode_data()
{
    QTest::addColumn<QByteArray>("digits");
    QTest::addColumn<int>("mode");

    QTest::newRow("07") << QByteArray("07") << 7;
    QTest::newRow("12") << QByteArray("12") << 12;
    QTest::newRow("not a number") << QByteArray("x7") << 0;
}

void TestDispatch::mode()
{
    QFETCH(QByteArray, digits);
    QFETCH(int, mode);

    QVERIFY(rig->answer("gm\r" + digits + "\n", 3));
    QCOMPARE(rig->rec.lines(), QStringList({QString("sgReadMode(%1)").arg(mode),
                                            QString("sgReadValue(mode,%1)").arg(mode)}) +
                                   nextHeadSent);
}

void TestDispatch::bankAndPreset_data()
{
    QTest::addColumn<QByteArray>("digits");
    QTest::addColumn<int>("bank");
    QTest::addColumn<int>("preset");

    QTest::newRow("0309") << QByteArray("0309") << 3 << 9;
    QTest::newRow("1204") << QByteArray("1204") << 12 << 4;
    QTest::newRow("bank not a number") << QByteArray("x105") << 0 << 5;
}

void TestDispatch::bankAndPreset()
{
    QFETCH(QByteArray, digits);
    QFETCH(int, bank);
    QFETCH(int, preset);

    rig->a.presetEdit() = 1;
    QVERIFY(rig->answer("gb\r" + digits + "\n", 3));
    // The edited state is cleared without telling the interface.
    QCOMPARE(rig->rec.lines(), QStringList({QString("sgReadValue(bank,%1)").arg(bank),
                                            QString("sgReadValue(preset,%1)").arg(preset)}) +
                                   nextHeadSent);
    QCOMPARE(rig->a.presetEdit(), uchar(0));
}

void TestDispatch::version()
{
    QVERIFY(rig->answer("olkver\r1.07b\n", 3));
    QCOMPARE(rig->rec.lines(), QStringList{"sgReadText(devVersion,1.07b)"} + nextHeadSent);
}

void TestDispatch::failedGuardDoesNotAdvance_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("identification without type") << QByteArray("olkdev\r\nEND\n");
    QTest::newRow("version without text") << QByteArray("olkver\r\n");
}

void TestDispatch::failedGuardDoesNotAdvance()
{
    QFETCH(QByteArray, bytes);

    QVERIFY(ignored(bytes));
    QCOMPARE(rig->a.answerReceived(), uchar(0));
    QCOMPARE(rig->a.queue().size(), 4);
    QCOMPARE(rig->a.typeDev(), uchar(1));
    QVERIFY(rig->rec.all().isEmpty());
    QVERIFY(rig->pty.drainFor(50).isEmpty());
}

void TestDispatch::impulseAnswerIgnoredWhileNotPending()
{
    rig->a.copyImpulseName() = "kept";
    QVERIFY(ignored("cc\rMy Cab\n52494646\n"));
    QCOMPARE(rig->a.queue().size(), 4);
    QCOMPARE(rig->a.copyImpulseName(), QByteArray("kept"));
    QVERIFY(rig->rec.all().isEmpty());
}

void TestDispatch::impulseAnswerWhilePending_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("data");

    QTest::newRow("name and image") << QByteArray("cc\rMy Big Cab\n5249464624000000\n")
                                    << QByteArray("My_Big_Cab") << QByteArray("5249464624000000");
    QTest::newRow("control characters cannot break the store command")
        << QByteArray("cc\rCab\r\tA\x7f\xc3\xa4\n5249\n") << QByteArray("Cab__A_\xc3\xa4")
        << QByteArray("5249");
    QTest::newRow("no image: both cleared")
        << QByteArray("cc\rMy Cab\n\n") << QByteArray() << QByteArray();
}

void TestDispatch::impulseAnswerWhilePending()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, data);

    PtyCoreRig &r = *rig;
    r.a.copyImpulsePending() = 1;
    r.a.copyImpulseName() = "old";
    r.a.copyImpulseData() = "old";
    QVERIFY(r.answer(bytes, 3));
    QCOMPARE(r.a.copyImpulseName(), name);
    QCOMPARE(r.a.copyImpulseData(), data);
    QCOMPARE(r.a.copyImpulsePending(), uchar(0));
    QCOMPARE(r.rec.lines(), nextHeadSent);
}

void TestDispatch::saveAnswerCompletesBeforeItsEnd()
{
    QVERIFY(rig->answer("sp\rEN", 3));
    QVERIFY(ignored("D\n"));
    QCOMPARE(rig->a.queue().size(), 3);
    QCOMPARE(rig->rec.lines(), nextHeadSent);
}

void TestDispatch::answerWithEmptyQueueGoesIdle()
{
    rig->a.queue().clear();
    rig->pty.write("NX\n");
    QVERIFY(spinUntil([&] { return rig->rec.all().size() == 2; }));
    QCOMPARE(rig->rec.lines(), wentIdle);
    QVERIFY(rig->pty.drainFor(50).isEmpty());
}

VORTAXA_TEST_MAIN(TestDispatch)
#include "tst_dispatch.moc"

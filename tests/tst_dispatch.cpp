// Dispatch of device answers on the in-process device, the answers played
// as the device's bytes: what each answer form publishes, in which order,
// and how the command queue advances.
#include "core/core.h"
#include "editing/kept_blocks.h"
#include "support/core_rig.h"
#include "support/test_main.h"

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

// Four requests in flight on a quiet link, as after a bank step. The line
// to the device is held, so only the answers the test plays (as bytes the
// device sends) drive the queue; the link's clock is real time, so no head
// is sent again while a test looks.
class TestDispatch : public CoreRigTest {
    Q_OBJECT

    bool setUp() override { return start(1); }
    // The rig on a device of `type`, the four requests queued, the first on
    // the held line.
    bool start(int type)
    {
        rig = std::make_unique<CoreRig>(type, 1);
        if (!rig->openIdle())
            return false;
        rig->device.holdLine(true);
        queueFour();
        return true;
    }
    void queueFour()
    {
        for (const QByteArray &request : {"gb\r\n", "gs\r\n", "gm\r\n", "rn\r\n"})
            rig->link.send(request);
        rig->link.startSending();
        rig->device.discardOutput();
        rig->rec.clear();
    }
    // A copy waiting for its impulse answer ("cc" at the head), with three
    // requests behind it.
    bool copyAwaitingImpulse()
    {
        rig->link.clearQueue();
        rig->session.copy();
        if (!answer("gs\r" + sampleStatus() + "\n", 1))
            return false;
        for (const QByteArray &request : {"gs\r\n", "gm\r\n", "rn\r\n"})
            rig->link.send(request);
        rig->device.discardOutput();
        rig->rec.clear();
        return rig->session.awaitsCopiedImpulse() && rig->link.head() == "cc\r\n";
    }
    // Marks the preset edited with a parameter write (no answer comes).
    void edit()
    {
        const uchar master = uchar(rig->session.values().live().at(7));
        rig->core.setValue(QStringLiteral("master_volume"), uchar(master + 1));
        rig->device.discardOutput();
        rig->rec.clear();
    }
    // The device sends `bytes`; waits until the queue has `left` entries.
    bool answer(const QByteArray &bytes, int left)
    {
        rig->device.inject(bytes);
        return rig->waitFor([&] { return rig->link.queued().size() == left; });
    }
    // The device sends bytes that complete nothing; waits until they were read.
    bool ignored(const QByteArray &bytes)
    {
        const int chunks = rig->linkRec.count("received");
        rig->device.inject(bytes);
        return rig->waitFor([&] { return rig->linkRec.count("received") == chunks + 1; });
    }
    // What the link wrote since the last look.
    QByteArray written()
    {
        const QByteArray bytes = rig->device.unsent();
        rig->device.discardOutput();
        return bytes;
    }

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

    edit();
    QVERIFY(answer(bytes, 3));
    QCOMPARE(rig->rec.lines(), published + nextHeadSent);
    QCOMPARE(rig->link.head(), QByteArray("gs\r\n"));
    QCOMPARE(written(), QByteArray("gs\r\n"));
    QCOMPARE(rig->session.edited(), published.isEmpty());
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

    rig->link.clearQueue();
    rig->link.send(head);
    rig->link.send("gs\r\n");
    rig->link.startSending();
    rig->device.discardOutput();
    rig->rec.clear();
    if (released) {
        QVERIFY(answer("ce 0\r", 1));
        QCOMPARE(written(), QByteArray("gs\r\n"));
        return;
    }
    QVERIFY(ignored("ce 1\r"));
    QCOMPARE(rig->link.queued(), (QList<QByteArray>{head, "gs\r\n"}));
    QVERIFY(rig->rec.all().isEmpty());
    QCOMPARE(written(), QByteArray());
    // A real answer still releases the head.
    QVERIFY(answer("gb\r0102\n", 1));
}

void TestDispatch::twoFormsInOneReadRemoveOneHead()
{
    // Mode first on the wire, yet the bank form is tried before the mode form.
    QVERIFY(answer("gm\r07\ngb\r0309\n", 3));
    QCOMPARE(rig->rec.lines(), QStringList({"sgReadValue(bank,3)", "sgReadValue(preset,9)",
                                            "sgReadMode(7)", "sgReadValue(mode,7)"}) +
                                   nextHeadSent);
    QTest::qWait(20);
    QCOMPARE(written(), QByteArray("gs\r\n"));
    QCOMPARE(rig->link.queued().size(), 3);
}

void TestDispatch::answerSplitOverReads()
{
    QVERIFY(ignored("gb\r03"));
    QVERIFY(rig->rec.all().isEmpty());
    QVERIFY(answer("09\n", 3));
    QCOMPARE(rig->rec.lines(),
             QStringList({"sgReadValue(bank,3)", "sgReadValue(preset,9)"}) + nextHeadSent);
}

void TestDispatch::emptyNameSkipsNameForm()
{
    // A copy waits for its impulse answer. Leave the name form inside a
    // name, and the impulse form inside one too.
    QVERIFY(copyAwaitingImpulse());
    QVERIFY(ignored("cc\rhalf"));
    QVERIFY(ignored("rn\rab"));

    QVERIFY(answer("rn\r\n", 3));
    // Fed, the name form would have completed with "abrn" CR; it was not fed.
    QCOMPARE(rig->rec.lines(), QStringList{"sgReadText(impulse_name,empty)"} + nextHeadSent);
    // The direct write of the next head has reset the impulse form: the rest
    // of the half answer completes nothing, and the copy still waits.
    QVERIFY(ignored("\n5249\n"));
    QVERIFY(rig->session.awaitsCopiedImpulse());
    QCOMPARE(rig->rec.lines(), QStringList{"sgReadText(impulse_name,empty)"} + nextHeadSent);
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

    QVERIFY(answer(bytes, 3));
    QCOMPARE(rig->rec.valuesOf("impulse_name"), QVariantList{name});
    QCOMPARE(rig->rec.all().size(), 1 + nextHeadSent.size());
}

void TestDispatch::nameFormWithoutValuePublishesEmpty()
{
    CoreRig &r = *rig;
    // With nothing queued no command is written, so nothing resets the name
    // form between the reads.
    r.link.clearQueue();
    QVERIFY(ignored("rn\r"));
    r.device.inject("\n"); // completes the empty-name form only
    QVERIFY(r.waitFor([&] { return r.rec.all().size() == 3; }));
    r.device.inject("\n"); // now the name form, still in its field, ends empty
    QVERIFY(r.waitFor([&] { return r.rec.all().size() == 6; }));
    QCOMPARE(r.rec.lines(), QStringList{"sgReadText(impulse_name,empty)"} + wentIdle +
                                QStringList{"sgReadText(impulse_name,empty)"} + wentIdle);
}

void TestDispatch::list16WithStarSlot()
{
    QVERIFY(start(2));
    QList<QByteArray> names = cabNames(16);
    names[2] = "*";
    QVERIFY(answer(listAnswer(names), 3));

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
    QVERIFY(answer(listAnswer(cabNames(100)), 3));
    QStringList expected;
    for (const QByteArray &n : cabNames(100))
        expected << QString::fromLatin1(n);
    QCOMPARE(rig->rec.valuesOf("impulse_names"), QVariantList{joined(expected)});
    QCOMPARE(rig->rec.valuesOf("impulse_en"), QVariantList{joined(flags(100))});
}

void TestDispatch::listWithOddValueCountDropsIncompletePair()
{
    // The last slot has an empty name: 31 values, the lone last one dropped.
    QVERIFY(start(3));
    QList<QByteArray> names = cabNames(16);
    names[15] = "";
    QVERIFY(answer(listAnswer(names), 3));
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

    QVERIFY(start(2));
    CoreRig &r = *rig;
    QCOMPARE(r.readout.walkBanks(), 4);
    QVERIFY(answer("olkdev\r" + type + "\nEND\n" + listAnswer(cabNames(16)), 3));

    QStringList expected = {QString("sgReadName(%1)").arg(typeDev),
                            QString("sgReadValue(type_dev,%1)").arg(typeDev)};
    if (listInSameRead)
        expected << "sgReadText(impulse_names,Cab 1,Cab 2,Cab 3,Cab 4,Cab 5,Cab 6,Cab 7,Cab "
                    "8,Cab 9,Cab 10,Cab 11,Cab 12,Cab 13,Cab 14,Cab 15,Cab 16,)"
                 << "sgReadText(impulse_en," + joined(flags(16)) + ")";
    QCOMPARE(r.rec.lines(), expected + nextHeadSent);
    QCOMPARE(r.readout.deviceType(), typeDev);
    QCOMPARE(r.readout.walkBanks(), counts);
    QCOMPARE(r.readout.walkPresetsPerBank(), counts);
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

    QVERIFY(answer("gm\r" + digits + "\n", 3));
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

    edit();
    QVERIFY(answer("gb\r" + digits + "\n", 3));
    // The edited state is cleared without telling the interface.
    QCOMPARE(rig->rec.lines(), QStringList({QString("sgReadValue(bank,%1)").arg(bank),
                                            QString("sgReadValue(preset,%1)").arg(preset)}) +
                                   nextHeadSent);
    QVERIFY(!rig->session.edited());
}

void TestDispatch::version()
{
    QVERIFY(answer("olkver\r1.07b\n", 3));
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
    QCOMPARE(rig->link.queued().size(), 4);
    QCOMPARE(rig->readout.deviceType(), 1);
    QVERIFY(rig->rec.all().isEmpty());
    QTest::qWait(20);
    QVERIFY(written().isEmpty());
}

void TestDispatch::impulseAnswerIgnoredWhileNotPending()
{
    // A whole copy of the current preset, taken from the device.
    rig = std::make_unique<CoreRig>(1, 1);
    QVERIFY(rig->openIdle());
    rig->session.copy();
    QVERIFY(rig->waitFor([&] { return rig->link.queueEmpty() && rig->session.hasCopy(); }));
    const QByteArray kept = rig->session.keptBlocks().copiedImpulseName();
    QVERIFY(!kept.isEmpty());
    rig->device.holdLine(true);
    queueFour();

    QVERIFY(ignored("cc\rMy Cab\n52494646\n"));
    QCOMPARE(rig->link.queued().size(), 4);
    QCOMPARE(rig->session.keptBlocks().copiedImpulseName(), kept);
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

    QVERIFY(copyAwaitingImpulse());
    QVERIFY(answer(bytes, 3));
    const KeptBlocks &kept = rig->session.keptBlocks();
    QCOMPARE(kept.copiedImpulseName(), name);
    QCOMPARE(kept.copiedImpulseImage(), data);
    QVERIFY(!rig->session.awaitsCopiedImpulse());
    QCOMPARE(rig->rec.lines(), nextHeadSent);
}

void TestDispatch::saveAnswerCompletesBeforeItsEnd()
{
    QVERIFY(answer("sp\rEN", 3));
    QVERIFY(ignored("D\n"));
    QCOMPARE(rig->link.queued().size(), 3);
    QCOMPARE(rig->rec.lines(), nextHeadSent);
}

void TestDispatch::answerWithEmptyQueueGoesIdle()
{
    rig->link.clearQueue();
    rig->device.inject("NX\n");
    QVERIFY(rig->waitFor([&] { return rig->rec.all().size() == 2; }));
    QCOMPARE(rig->rec.lines(), wentIdle);
    QTest::qWait(20);
    QVERIFY(written().isEmpty());
}

VORTAXA_TEST_MAIN(TestDispatch)
#include "tst_dispatch.moc"

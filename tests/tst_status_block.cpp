// The status block through a real pseudo-terminal: every position under its
// name and alias with its sign, the order of publication, the decoding of
// each hex pair, and the compare and copy captures.
#include "core/core.h"
#include "support/core_rig.h"
#include "support/status_names.h"
#include "support/test_main.h"

namespace {

// Aliases and names in the order the interface receives them.
const QStringList aliasOrder = {"level_MASTER",
                                "level_HPF",
                                "level_PRESENCE",
                                "level_LPF",
                                "level_PREAMP_VOLUME",
                                "level_PREAMP_LOW",
                                "level_PREAMP_MID",
                                "level_PREAMP_HIGH",
                                "level_POWERAMP_SLAVE",
                                "level_POWERAMP_VOLUME",
                                "level_EARLY",
                                "level_PARAMETRIC_Q0",
                                "level_PARAMETRIC_Q1",
                                "level_PARAMETRIC_Q2",
                                "level_PARAMETRIC_Q3",
                                "level_PARAMETRIC_Q4",
                                "level_PARAMETRIC_FREQ0",
                                "level_PARAMETRIC_FREQ1",
                                "level_PARAMETRIC_FREQ2",
                                "level_PARAMETRIC_FREQ3",
                                "level_PARAMETRIC_FREQ4",
                                "type_POWERAMP",
                                "on_HPF",
                                "on_PRESENCE",
                                "on_LPF",
                                "on_PREAMP",
                                "on_POWERAMP"};
const QStringList nameOrder = {"master_volume",
                               "early_on",
                               "early_volume",
                               "early_type",
                               "presence_on",
                               "presence_volume",
                               "lpf_on",
                               "lpf_volume",
                               "hpf_on",
                               "hpf_volume",
                               "cabinet_enable",
                               "amp_on",
                               "amp_slave",
                               "amp_volume",
                               "amp_type",
                               "preamp_on",
                               "preamp_volume",
                               "preamp_low",
                               "preamp_mid",
                               "preamp_high",
                               "compreccor_on",
                               "compreccor_sustein",
                               "compreccor_volume",
                               "gate_on",
                               "gate_threshold",
                               "gate_decay",
                               "eq_on",
                               "eq_freq1",
                               "eq_freq2",
                               "eq_freq3",
                               "eq_freq4",
                               "eq_freq5",
                               "eq_q1",
                               "eq_q2",
                               "eq_q3",
                               "eq_q4",
                               "eq_q5",
                               "eq_volume1",
                               "eq_volume2",
                               "eq_volume3",
                               "eq_volume4",
                               "eq_volume5",
                               "eq_pre"};

// Byte i is 0x80 + i: all distinct, all with the top bit set so that a
// signed position reads negative. Even positions in upper-case hex, odd in
// lower-case.
QByteArray distinctBlock()
{
    QByteArray text;
    for (int i = 0; i < 43; ++i) {
        const QByteArray pair = QByteArray::number(0x80 + i, 16);
        text += i % 2 ? pair : pair.toUpper();
    }
    return text;
}

// A block of zero bytes with the pair at `position` replaced.
QByteArray blockWith(int position, const QByteArray &pair)
{
    QByteArray text(86, '0');
    text.replace(2 * position, 2, pair);
    return text;
}

} // namespace

// A status request and one more in flight on a quiet link.
class TestStatusBlock : public CoreRigTest {
    Q_OBJECT

    bool setUp() override;
    // Plays a status answer and waits until the queue has advanced.
    bool status(const QByteArray &text)
    {
        return rig->answer("gs\r" + text + "\n", rig->a.queue().size() - 1);
    }

private slots:
    void everyPosition_data();
    void everyPosition();
    void publicationOrder();
    void pairDecoding_data();
    void pairDecoding();
    void signedAndUnsignedFF();
    void compareAndCopyCaptures_data();
    void compareAndCopyCaptures();
    void blockSplitOverReads();
};

bool TestStatusBlock::setUp()
{
    if (!rig->open())
        return false;
    rig->pty.drainFor(20);
    rig->a.queue() = {"gs\r\n", "gm\r\n"};
    rig->a.commandTotal() = 2;
    rig->rec.clear();
    return true;
}

void TestStatusBlock::everyPosition_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("alias");
    QTest::addColumn<bool>("isSigned");

    for (const statusnames::StatusName &s : statusnames::statusNames()) {
        QTest::newRow(s.name) << s.position << QString(s.name) << QString(s.alias)
                              << (s.range == statusnames::Range::Signed);
    }
}

void TestStatusBlock::everyPosition()
{
    QFETCH(int, position);
    QFETCH(QString, name);
    QFETCH(QString, alias);
    QFETCH(bool, isSigned);

    QVERIFY(status(distinctBlock()));
    const int byte = 0x80 + position;
    const int expected = isSigned ? byte - 256 : byte;
    QCOMPARE(rig->rec.valuesOf(name), QVariantList{expected});
    if (!alias.isEmpty())
        QCOMPARE(rig->rec.valuesOf(alias), QVariantList{expected});
    QCOMPARE(int(uchar(rig->a.session.values().live().at(position))), byte);
}

void TestStatusBlock::publicationOrder()
{
    rig->a.editable() = 1;
    QVERIFY(status(distinctBlock()));

    QStringList expected = {"sgSetEnabled(true)", "sgReadValue(editable,1)"};
    for (const QString &alias : aliasOrder)
        expected << "sgReadValue(" + alias + "," + rig->rec.valuesOf(alias).value(0).toString() +
                        ")";
    for (const QString &name : nameOrder)
        expected << "sgReadValue(" + name + "," + rig->rec.valuesOf(name).value(0).toString() + ")";
    // One pacing step: the next head goes out.
    expected << "sgSetProgress(0.5)"
             << "sgSetWait(true)"
             << "sgReadValue(wait,1)";
    QCOMPARE(rig->rec.lines(), expected);
    QCOMPARE(rig->pty.read(4), QByteArray("gm\r\n"));
}

void TestStatusBlock::pairDecoding_data()
{
    QTest::addColumn<QByteArray>("pair");
    QTest::addColumn<int>("value");

    QTest::newRow("lower-case") << QByteArray("ab") << 0xab;
    QTest::newRow("upper-case") << QByteArray("AB") << 0xab;
    QTest::newRow("mixed case") << QByteArray("aB") << 0xab;
    QTest::newRow("zero") << QByteArray("00") << 0;
    QTest::newRow("not hex, first") << QByteArray("G1") << 0;
    QTest::newRow("not hex, second") << QByteArray("1G") << 0;
    QTest::newRow("non-ASCII bytes") << QByteArray("\xc3\xa9") << 0;
    QTest::newRow("NUL bytes") << QByteArray("\0\0", 2) << 0;
}

void TestStatusBlock::pairDecoding()
{
    QFETCH(QByteArray, pair);
    QFETCH(int, value);

    // master_volume is position 7; cabinet_enable, position 8, follows.
    QByteArray text = blockWith(7, pair);
    text.replace(16, 2, "5c");
    QVERIFY(status(text));
    QCOMPARE(rig->rec.valuesOf("master_volume"), QVariantList{value});
    QCOMPARE(rig->rec.valuesOf("level_MASTER"), QVariantList{value});
    QCOMPARE(rig->rec.valuesOf("cabinet_enable"), QVariantList{0x5c});
    QCOMPARE(rig->rec.valuesOf("eq_pre"), QVariantList{0});
}

void TestStatusBlock::signedAndUnsignedFF()
{
    QByteArray text = blockWith(17, "FF");
    text.replace(14, 2, "FF");
    QVERIFY(status(text));
    QCOMPARE(rig->rec.valuesOf("preamp_low"), QVariantList{-1});
    QCOMPARE(rig->rec.valuesOf("level_PREAMP_LOW"), QVariantList{-1});
    QCOMPARE(rig->rec.valuesOf("master_volume"), QVariantList{255});
    QCOMPARE(rig->rec.valuesOf("level_MASTER"), QVariantList{255});
}

void TestStatusBlock::compareAndCopyCaptures_data()
{
    QTest::addColumn<int>("editable");
    QTest::addColumn<int>("compareArm");
    QTest::addColumn<int>("copyPending");
    QTest::addColumn<bool>("compareTaken");

    QTest::newRow("armed, not editable: reference taken") << 0 << 1 << 0 << true;
    QTest::newRow("armed, editable: reference kept") << 1 << 1 << 0 << false;
    QTest::newRow("not armed") << 0 << 0 << 0 << false;
    QTest::newRow("copy pending") << 1 << 0 << 1 << false;
    QTest::newRow("armed and copy pending") << 0 << 1 << 1 << true;
}

void TestStatusBlock::compareAndCopyCaptures()
{
    QFETCH(int, editable);
    QFETCH(int, compareArm);
    QFETCH(int, copyPending);
    QFETCH(bool, compareTaken);

    CoreRig &r = *rig;
    r.a.editable() = uchar(editable);
    r.a.compareArm() = uchar(compareArm);
    r.a.copyStatusPending() = uchar(copyPending);
    r.a.compareStatus() = "old reference";
    r.a.copyStatus() = "old copy";
    const QByteArray text = distinctBlock();
    QVERIFY(status(text));

    QCOMPARE(r.a.compareStatus(), compareTaken ? text : QByteArray("old reference"));
    QCOMPARE(r.a.compareArm(), uchar(0));
    QCOMPARE(r.a.copyStatus(), copyPending ? text : QByteArray("old copy"));
    QCOMPARE(r.a.copyStatusPending(), uchar(0));
    QCOMPARE(r.a.editable(), uchar(editable));
    QCOMPARE(r.rec.lines().mid(0, 2),
             QStringList({editable ? "sgSetEnabled(true)" : "sgSetEnabled(false)",
                          QString("sgReadValue(editable,%1)").arg(editable)}));
}

void TestStatusBlock::blockSplitOverReads()
{
    CoreRig &r = *rig;
    const QByteArray answer = "gs\r" + distinctBlock() + "\n";
    r.pty.write(answer.left(40));
    r.pty.drainFor(50);
    QCOMPARE(r.a.queue().size(), 2);
    QVERIFY(r.rec.all().isEmpty());
    r.pty.write(answer.mid(40));
    QVERIFY(spinUntil([&] { return r.a.queue().size() == 1; }));
    QCOMPARE(r.rec.count("sgReadValue"), 1 + 27 + 43 + 1); // editable, values, wait
    QCOMPARE(r.rec.valuesOf("eq_pre"), QVariantList{0x80 + 42});
}

VORTAXA_TEST_MAIN(TestStatusBlock)
#include "tst_status_block.moc"

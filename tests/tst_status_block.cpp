// The status block from the in-process device: every position under its
// name and alias with its sign, the order of publication, the decoding of
// each hex pair (odd answers scripted on the device), and the compare and
// copy captures of the kept blocks.
#include "core/core.h"
#include "editing/kept_blocks.h"
#include "support/core_rig.h"
#include "support/status_names.h"
#include "support/test_main.h"

#include <QRegularExpression>

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

// A status request and one more behind it, answered by the device.
class TestStatusBlock : public CoreRigTest {
    Q_OBJECT

    // The device answers "gs" with `text` (its live status when the text is
    // a whole block, else exactly that answer); "gm" is queued behind it.
    // Waits until the block was published.
    bool status(const QByteArray &text)
    {
        static const QRegularExpression whole("^[0-9a-fA-F]{86}$");
        if (whole.match(QString::fromLatin1(text)).hasMatch())
            rig->device.model().setLiveStatus(QByteArray::fromHex(text));
        else
            rig->device.answerNextWith("gs", "gs\r" + text + "\n");
        rig->link.send("gs\r\n");
        rig->link.send("gm\r\n");
        rig->link.startSending();
        rig->rec.clear(); // the send's own report
        return rig->waitFor([&] { return !rig->rec.valuesOf("eq_pre").isEmpty(); });
    }

private slots:
    void everyPosition_data();
    void everyPosition();
    void publicationOrder();
    void pairDecoding_data();
    void pairDecoding();
    void signedAndUnsignedFF();
    void keptBlocksCapture_data();
    void keptBlocksCapture();
    void notEditableWhileComparing();
    void blockSplitOverReads();
};

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
    QCOMPARE(int(uchar(rig->session.values().live().at(position))), byte);
}

void TestStatusBlock::publicationOrder()
{
    QVERIFY(!rig->session.comparing());
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
    const QStringList got = rig->rec.lines().mid(0, expected.size());
    QCOMPARE(got.join('\n'), expected.join('\n'));
    QVERIFY(rig->waitIdle());
    QCOMPARE(rig->requests(), (QList<QByteArray>{"gs", "gm"}));
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

// What compare and copy keep of a status block: compare the first block
// read with the stored preset on show after its press (an armed compare is
// used up by any block), copy the first block after it started.
void TestStatusBlock::keptBlocksCapture_data()
{
    QTest::addColumn<bool>("comparing");
    QTest::addColumn<bool>("compareArmed");
    QTest::addColumn<bool>("copying");
    QTest::addColumn<bool>("compareTaken");
    QTest::newRow("armed, stored preset on show: reference taken") << true << true << false << true;
    QTest::newRow("armed, edits on show: nothing taken") << false << true << false << false;
    QTest::newRow("not armed") << true << false << false << false;
    QTest::newRow("copy started") << false << false << true << false;
    QTest::newRow("armed and copy started") << true << true << true << true;
}

void TestStatusBlock::keptBlocksCapture()
{
    QFETCH(bool, comparing);
    QFETCH(bool, compareArmed);
    QFETCH(bool, copying);
    QFETCH(bool, compareTaken);
    KeptBlocks kept;
    if (compareArmed)
        kept.startCompare();
    if (copying)
        kept.startCopy(QString(), QString());
    const QByteArray text = distinctBlock();
    kept.statusRead(text, comparing);
    QCOMPARE(kept.compared(), compareTaken ? text : QByteArray());
    QCOMPARE(kept.copiedStatus(), copying ? text : QByteArray());
    // Both captures are used up: the next block changes neither.
    kept.statusRead(blockWith(0, "01"), true);
    QCOMPARE(kept.compared(), compareTaken ? text : QByteArray());
    QCOMPARE(kept.copiedStatus(), copying ? text : QByteArray());
}

// The status block says first whether the panel may edit: not while compare
// shows the stored preset.
void TestStatusBlock::notEditableWhileComparing()
{
    rig->core.setValue(QStringLiteral("master_volume"), 30);
    QVERIFY(rig->waitIdle());
    rig->rec.clear();
    rig->core.slCompare();
    QVERIFY(rig->waitFor([&] { return !rig->rec.valuesOf("eq_pre").isEmpty(); }));
    QVERIFY(rig->session.comparing());
    QCOMPARE(withoutPacing(rig->rec).mid(0, 2),
             QStringList({"sgSetEnabled(false)", "sgReadValue(editable,0)"}));
}

void TestStatusBlock::blockSplitOverReads()
{
    CoreRig &r = *rig;
    r.device.model().setLiveStatus(QByteArray::fromHex(distinctBlock()));
    r.device.setPieces(40, 30); // "gs\r" and 37 digits, 40 more, the rest
    r.link.send("gs\r\n");
    r.link.send("gm\r\n");
    r.link.startSending();
    QVERIFY(r.waitFor([&] { return r.linkRec.count("received") == 1; }));
    QCOMPARE(r.link.queued().size(), 2);
    QCOMPARE(withoutPacing(r.rec), QStringList());
    QVERIFY(r.waitFor([&] { return r.link.queued().size() == 1; }));
    QCOMPARE(r.rec.count("sgReadValue") - r.rec.valuesOf("wait").size(),
             1 + 27 + 43); // editable, values
    QCOMPARE(r.rec.valuesOf("eq_pre"), QVariantList{0x80 + 42});
}

VORTAXA_TEST_MAIN(TestStatusBlock)
#include "tst_status_block.moc"

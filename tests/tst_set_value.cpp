// setValue on the in-process device: every parameter name and alias, value encoding,
// the order of the edited-state signals, names that send nothing, the preset
// map sweep and the routing of the control words.
#include "editing/preset_session.h"
#include "parameters/parameter_table.h"
#include "parsing/status_layout.h"
#include "support/core_rig.h"
#include "support/status_names.h"
#include "support/test_main.h"

#include <QSet>
#include <QSignalSpy>

namespace {

// Every name setValue turns into a direct command, from the tests' own
// statement of the status positions, so that a slip in the program's table
// shows up here. `marks` is whether the name marks the preset as edited.
struct NameRow {
    QByteArray name;
    QByteArray prefix; // command up to the value
    bool marks;
};

QList<NameRow> nameRows()
{
    using namespace statusnames;
    QList<NameRow> rows;
    for (const StatusName &s : statusNames())
        rows.append({s.name, QByteArray(s.command) + ' ', true});
    for (const SettableAlias &a : settableAliases())
        rows.append({a.alias, QByteArray(statusNames().at(a.position).command) + ' ', false});
    rows.append({"mode", "gm ", false});
    return rows;
}

} // namespace

class TestSetValue : public CoreRigTest {
    Q_OBJECT

    // Marks the preset edited as the panel's "esc" word does, once the
    // device has taken it; the device's log is then cleared.
    bool markEdited()
    {
        rig->core.setValue(QStringLiteral("esc"), 0);
        const bool taken = rig->waitFor([&] { return rig->device.wire() == "esc\r\n"; });
        rig->device.clearLog();
        return taken && rig->session.edited();
    }

private slots:
    void everyNameWritesItsCommand_data();
    void everyNameWritesItsCommand();
    void everyTableNameIsCovered();
    void valueEncoding_data();
    void valueEncoding();
    void escMarksEditedAndWritesDirectly();
    void namesThatSendNothing_data();
    void namesThatSendNothing();
    void parameterWriteLeavesQueueAlone();
    void mapUpdate_data();
    void mapUpdate();
    void controlWords_data();
    void controlWords();
    void backToStoredIsClean_data();
    void backToStoredIsClean();
};

void TestSetValue::everyNameWritesItsCommand_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<bool>("marks");
    QTest::addColumn<int>("editedBefore");
    for (const NameRow &row : nameRows()) {
        const QByteArray command = row.prefix + "ab\r\n";
        for (int before : {0, 1}) {
            QTest::addRow("%s, edited %d", row.name.constData(), before)
                << QString::fromLatin1(row.name) << command << row.marks << before;
        }
    }
}

// 0xab on the wire as "ab"; primary names publish "preset_edit" 1 before
// sgSetEdit, aliases and the mode publish the flag as it was.
void TestSetValue::everyNameWritesItsCommand()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, command);
    QFETCH(bool, marks);
    QFETCH(int, editedBefore);

    if (editedBefore)
        QVERIFY(markEdited());
    SignalRecorder rec(&rig->core);
    rig->core.setValue(name, 0xab);

    const int flag = marks ? 1 : editedBefore;
    QCOMPARE(rec.lines(), QStringList({QStringLiteral("sgReadValue(preset_edit,%1)").arg(flag),
                                       QStringLiteral("sgSetEdit(true)")}));
    QCOMPARE(int(rig->session.edited()), flag);
    QVERIFY(rig->waitFor([&] { return rig->device.wire() == command; }));
}

// The hand-written rows above and the shared table name the same set.
void TestSetValue::everyTableNameIsCovered()
{
    QSet<QString> fromTable;
    for (const parameters::Parameter &p : parameters::all()) {
        fromTable.insert(QString::fromLatin1(p.name));
        if (*p.editAlias)
            fromTable.insert(QString::fromLatin1(p.editAlias));
    }
    QSet<QString> fromRows;
    for (const NameRow &row : nameRows())
        fromRows.insert(QString::fromLatin1(row.name));
    QCOMPARE(fromRows, fromTable);
}

void TestSetValue::valueEncoding_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("value");
    QTest::addColumn<QByteArray>("command");
    QTest::newRow("zero") << "master_volume" << 0 << QByteArray("mv 0\r\n");
    QTest::newRow("ten, one digit") << "master_volume" << 10 << QByteArray("mv a\r\n");
    QTest::newRow("hundred") << "master_volume" << 100 << QByteArray("mv 64\r\n");
    QTest::newRow("top") << "master_volume" << 255 << QByteArray("mv ff\r\n");
    QTest::newRow("signed -3") << "preamp_low" << 253 << QByteArray("prl fd\r\n");
    QTest::newRow("signed -12") << "level_PARAMETRIC_FREQ0" << 244 << QByteArray("eqf 0 f4\r\n");
    QTest::newRow("signed -1") << "eq_q5" << 255 << QByteArray("eqq 4 ff\r\n");
    QTest::newRow("eq_q3 is band 2") << "eq_q3" << 255 << QByteArray("eqq 2 ff\r\n");
    QTest::newRow("eq_freq1 is band 0") << "eq_freq1" << 0 << QByteArray("eqf 0 0\r\n");
    QTest::newRow("Q0 is band 0") << "level_PARAMETRIC_Q0" << 7 << QByteArray("eqq 0 7\r\n");
    QTest::newRow("mode") << "mode" << 2 << QByteArray("gm 2\r\n");
}

void TestSetValue::valueEncoding()
{
    QFETCH(QString, name);
    QFETCH(int, value);
    QFETCH(QByteArray, command);
    rig->core.setValue(name, uchar(value));
    QVERIFY(rig->waitFor([&] { return rig->device.wire() == command; }));
}

void TestSetValue::escMarksEditedAndWritesDirectly()
{
    rig->link.send("gb\r\n"); // queued, not sent yet
    SignalRecorder rec(&rig->core);
    rig->core.setValue(QStringLiteral("esc"), 7);
    QCOMPARE(rec.lines(), QStringList({"sgReadValue(preset_edit,1)", "sgSetEdit(true)"}));
    QVERIFY(rig->session.edited());
    QCOMPARE(rig->device.bytesToWrite(), qint64(5));             // "esc", written at once
    QCOMPARE(rig->link.queued(), QList<QByteArray>({"gb\r\n"})); // direct, not queued
    QVERIFY(rig->waitFor([&] { return rig->device.count("esc") == 1; }));
}

void TestSetValue::namesThatSendNothing_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("editedBefore");
    QTest::newRow("on_POWERAMP is published but not settable") << "on_POWERAMP" << 0;
    QTest::newRow("on_POWERAMP, edited") << "on_POWERAMP" << 1;
    QTest::newRow("upper-case primary") << "MASTER_VOLUME" << 0;
    QTest::newRow("one capital") << "Master_volume" << 1;
    QTest::newRow("lower-case alias") << "level_master" << 0;
    QTest::newRow("upper-case esc") << "ESC" << 0;
    QTest::newRow("capital mode") << "Mode" << 0;
    QTest::newRow("trailing space") << "master_volume " << 0;
    QTest::newRow("embedded NUL") << QString::fromLatin1("master_volume\0x", 15) << 0;
    QTest::newRow("empty") << "" << 1;
    QTest::newRow("band 6") << "eq_q6" << 0;
}

void TestSetValue::namesThatSendNothing()
{
    QFETCH(QString, name);
    QFETCH(int, editedBefore);
    if (editedBefore)
        QVERIFY(markEdited());
    rig->link.send("gb\r\n"); // queued, not sent yet

    SignalRecorder rec(&rig->core);
    rig->core.setValue(name, 100);

    QCOMPARE(rec.lines(),
             QStringList({QStringLiteral("sgReadValue(preset_edit,%1)").arg(editedBefore)}));
    QCOMPARE(int(rig->session.edited()), editedBefore);
    QCOMPARE(rig->link.queued(), QList<QByteArray>({"gb\r\n"}));
    QCOMPARE(rig->device.bytesToWrite(), qint64(0));
    QVERIFY(rig->waitIdle());
    QCOMPARE(rig->requests(), QList<QByteArray>{"gb"}); // nothing of its own
}

// A knob turned while a sequence waits for its answer: the queue keeps its
// head for the next tick, the parameter goes straight out, and input that
// had arrived (read or not) is forgotten: the head given up later reports
// no bytes received with it.
void TestSetValue::parameterWriteLeavesQueueAlone()
{
    rig->device.script("xxx"); // "gs" is never answered
    rig->link.send("gs\r\n");
    rig->link.send("rn\r\n");
    rig->link.startSending();
    QVERIFY(rig->waitFor([&] { return rig->device.count("gs") == 3; }));
    const int chunks = rig->linkRec.count("received");
    rig->device.inject("stale");
    QVERIFY(rig->waitFor([&] { return rig->linkRec.count("received") == chunks + 1; }));
    rig->device.leaveUnread("stale");
    QCOMPARE(rig->device.bytesAvailable(), qint64(5));

    rig->core.setValue(QStringLiteral("gate_decay"), 3);

    QCOMPARE(rig->link.queued(), QList<QByteArray>({"gs\r\n", "rn\r\n"}));
    QCOMPARE(rig->link.batchSize(), 2);
    QCOMPARE(rig->device.bytesAvailable(), qint64(0));
    QVERIFY(rig->waitFor([&] { return rig->device.wire().endsWith("gd 3\r\n"); }));
    QVERIFY(rig->waitFor([&] { return rig->linkRec.count("unanswered") == 1; }));
    QCOMPARE(rig->link.unansweredCommand(), QByteArray("gs\r\n"));
    QCOMPARE(rig->link.unansweredReply(), QByteArray());
}

void TestSetValue::mapUpdate_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("banks");
    QTest::addColumn<int>("presets");
    QTest::addColumn<int>("expected");
    QTest::newRow("4 x 4 device") << 2 << 4 << 4 << 80;
    QTest::newRow("10 x 10 device") << 1 << 10 << 10 << 440;
}

void TestSetValue::mapUpdate()
{
    QFETCH(int, type);
    QFETCH(int, banks);
    QFETCH(int, presets);
    QFETCH(int, expected);
    rig = std::make_unique<CoreRig>(type);
    QVERIFY(rig->openIdle());
    QCOMPARE(rig->readout.walkBanks(), banks);
    QCOMPARE(rig->readout.walkPresetsPerBank(), presets);

    SignalRecorder rec(&rig->core);
    rig->core.setValue(QStringLiteral("map_update"), 1);

    QList<QByteArray> want;
    for (int p = 0; p < presets; ++p) {
        want << "chp 1\r\n"
             << "gb\r\n"
             << "rn\r\n"
             << "gs\r\n";
        for (int b = 0; b < banks; ++b)
            want << "chb 1\r\n"
                 << "gb\r\n"
                 << "rn\r\n"
                 << "gs\r\n";
    }
    QCOMPARE(want.size(), expected);
    QCOMPARE(rig->link.queued(), want);
    QVERIFY(!rig->session.edited());
    QCOMPARE(rig->link.batchSize(), expected);
    QCOMPARE(rig->device.bytesToWrite(), qint64(7)); // "chp 1"
    QCOMPARE(rec.lines(), QStringList({"sgSetProgress(0)", "sgSetWait(true)", "sgReadValue(wait,1)",
                                       "sgReadValue(preset_edit,0)"}));
}

void TestSetValue::controlWords_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("value");
    QTest::addColumn<QList<QByteArray>>("queue");
    const QList<QByteArray> readBack = {"gb\r\n", "gs\r\n", "rn\r\n"};
    QTest::newRow("bank up") << "bank_UpDown" << 1 << (QList<QByteArray>{"chb 1\r\n"} + readBack);
    QTest::newRow("bank down") << "bank_UpDown" << 0 << (QList<QByteArray>{"chb 0\r\n"} + readBack);
    QTest::newRow("preset up, any non-zero")
        << "preset_UpDown" << 5 << (QList<QByteArray>{"chp 1\r\n"} + readBack);
    QTest::newRow("preset down") << "preset_UpDown" << 0
                                 << (QList<QByteArray>{"chp 0\r\n"} + readBack);
    QTest::newRow("preset change 99")
        << "preset_change" << 99 << (QList<QByteArray>{"pc 63\r\n"} + readBack);
    QTest::newRow("set_preset_updown 2")
        << "set_preset_updown" << 2 << (QList<QByteArray>{"chb 0\r\n"} + readBack);
    QTest::newRow("set_preset_change 10")
        << "set_preset_change" << 10 << (QList<QByteArray>{"pc a\r\n"} + readBack);
    QTest::newRow("copy") << "copy" << 0 << QList<QByteArray>{"gs\r\n", "cc\r\n"};
    QTest::newRow("compare") << "comp" << 0
                             << QList<QByteArray>{"gs\r\n", "esc\r\n", "rn\r\n", "gs\r\n"};
}

// Each control word runs its operation (first command on the wire at once)
// and publishes "preset_edit" after it; none builds a direct command.
void TestSetValue::controlWords()
{
    QFETCH(QString, name);
    QFETCH(int, value);
    QFETCH(QList<QByteArray>, queue);
    QVERIFY(!rig->session.comparing());

    SignalRecorder rec(&rig->core);
    rig->core.setValue(name, uchar(value));

    QCOMPARE(rig->link.queued(), queue);
    // The first command alone is on its way.
    QCOMPARE(rig->device.bytesToWrite(), qint64(queue.first().size()));
    QVERIFY(rec.count("sgSetEdit") == 0);
    QCOMPARE(rec.lines().last(), QStringLiteral("sgReadValue(preset_edit,0)"));
}

using Edits = QList<QPair<QString, int>>;

// The preset read as stored (sample: byte i holds i + 0x10, so master 0x17
// and gate 0x24), then edits:
// when every parameter is back to the stored value, with no impulse
// pending, "preset_edit" 0 is published last; otherwise it stays edited.
void TestSetValue::backToStoredIsClean_data()
{
    QTest::addColumn<Edits>("edits");
    QTest::addColumn<bool>("pasted");
    QTest::addColumn<bool>("clean");
    QTest::newRow("set back by hand")
        << Edits{{"master_volume", 5}, {"master_volume", 0x17}} << false << true;
    QTest::newRow("set back through an alias")
        << Edits{{"master_volume", 5}, {"level_MASTER", 0x17}} << false << true;
    QTest::newRow("another value")
        << Edits{{"master_volume", 5}, {"master_volume", 6}} << false << false;
    QTest::newRow("one of two set back")
        << Edits{{"master_volume", 5}, {"gate_on", 0}, {"master_volume", 0x17}} << false << false;
    QTest::newRow("both set back")
        << Edits{{"master_volume", 5}, {"gate_on", 0}, {"master_volume", 0x17}, {"gate_on", 0x24}}
        << false << true;
    QTest::newRow("a pasted preset")
        << Edits{{"master_volume", 5}, {"master_volume", 0x17}} << true << false;
}

void TestSetValue::backToStoredIsClean()
{
    QFETCH(Edits, edits);
    QFETCH(bool, pasted);
    QFETCH(bool, clean);
    // The device plays and stores the sample preset.
    rig = std::make_unique<CoreRig>();
    rig->device.model().setLiveStatus(QByteArray::fromHex(sampleStatus()));
    rig->device.model().storeStatus();
    QVERIFY(rig->openIdle());
    if (pasted)
        rig->core.presetSession().paste(sampleStatus(), QByteArray(), QByteArray());
    QSignalSpy edited(&rig->core, &Core::sgSetEdit);
    for (const auto &[name, value] : edits)
        rig->core.setValue(name, uchar(value));
    QCOMPARE(rig->session.edited(), !clean);
    QCOMPARE(edited.last().at(0).toBool(), !clean);
}

VORTAXA_TEST_MAIN(TestSetValue)
#include "tst_set_value.moc"

// Escape, compare, copy and paste through a pty. The dispatcher's captures
// (compareStatus, copyStatus, copyImpulseName/Data) are set by hand where a
// test needs an answer to have arrived.
//
// Paths that play a chosen impulse file again (paste of a file chosen here,
// the second compare press with a file chosen) end in the impulse decode,
// which queues the preview and starts sending; the tests check what these
// paths queue themselves and accept preview entries where the decode adds
// them.
#include "support/core_rig.h"
#include "support/test_main.h"

#include <QLoggingCategory>
#include <QRegularExpression>

namespace {

QByteArray withCabinetOff(QByteArray status)
{
    return status.replace(16, 2, "00");
}

QByteArray unitImpulsePreview()
{
    return "cc s 1\rffff7f" + QByteArray(5898, '0') + "\r";
}

// Entries the impulse decode may have queued behind a paste or compare.
bool onlyPreviews(const QList<QByteArray> &entries)
{
    for (const QByteArray &e : entries) {
        if (!e.startsWith("cc s 1\r"))
            return false;
    }
    return true;
}

// Turns the default category's debug output on for its lifetime, whatever
// the environment's logging rules say.
struct DebugLogOn {
    static inline QLoggingCategory::CategoryFilter previous = nullptr;
    static void filter(QLoggingCategory *category)
    {
        previous(category);
        if (qstrcmp(category->categoryName(), "default") == 0)
            category->setEnabled(QtDebugMsg, true);
    }
    DebugLogOn()
    {
        // Installing runs the filter at once, so `previous` must be known first.
        previous = QLoggingCategory::installFilter(nullptr);
        QLoggingCategory::installFilter(filter);
    }
    ~DebugLogOn() { QLoggingCategory::installFilter(previous); }
};

} // namespace

class TestCompareClipboard : public CoreRigTest {
    Q_OBJECT

private slots:
    void escReplacesQueue();
    void escImpulsDropsOnlyTheImpulse();
    void copyArmsCapturesAndAppends();
    void compareTwice();
    void compareTwiceWithImpulseFile();
    void compareAfterPasteRestoresTheEditedPaste_data();
    void compareAfterPasteRestoresTheEditedPaste();
    void compareWithoutKeptStatusWritesNothingBack();
    void pasteDeviceImpulse_data();
    void pasteDeviceImpulse();
    void pasteWithoutImpulse();
    void pasteImpulseFileChosenHere();
    void refusedPaste_data();
    void refusedPaste();
    void compareAfterRefusedPaste();
};

// Queued work and unread input are dropped; the revert and its read-back
// replace them.
void TestCompareClipboard::escReplacesQueue()
{
    rig->a.queue() = {"gb\r\n", "gs\r\n", "gm\r\n"};
    rig->a.presetEdit() = 1;
    rig->a.editable() = 0;
    rig->a.impulseName() = QStringLiteral("cab.wav");
    rig->a.impulseDirty() = 1;
    rig->a.holdReads();
    rig->pty.write("late answer");
    QVERIFY(spinUntil([&] { return rig->a.port()->bytesAvailable() == 11; }));

    SignalRecorder rec(&rig->core);
    rig->core.slEsc();

    QCOMPARE(rig->a.queue(), QList<QByteArray>({"esc\r\n", "gs\r\n", "rn\r\n"}));
    QCOMPARE(int(rig->a.commandTotal()), 3);
    QCOMPARE(rec.lines(),
             QStringList({"sgSetEdit(false)", "sgReadValue(preset_edit,0)", "sgSetEnabled(true)",
                          "sgReadValue(editable,1)", "sgSetProgress(0)", "sgSetWait(true)",
                          "sgReadValue(wait,1)"}));
    QCOMPARE(rig->a.port()->bytesAvailable(), qint64(0));
    QCOMPARE(rig->pty.read(5), QByteArray("esc\r\n"));
    QCOMPARE(int(rig->a.presetEdit()), 0);
    QCOMPARE(int(rig->a.editable()), 1);
    // The device dropped the tried or pasted impulse with the revert: nothing
    // of it is left for a later save to store.
    QVERIFY(rig->a.impulseName().isEmpty());
    QVERIFY(rig->a.impulsePath().isEmpty());
    QCOMPARE(int(rig->a.impulseDirty()), 0);
}

void TestCompareClipboard::escImpulsDropsOnlyTheImpulse()
{
    rig->a.queue() = {"gb\r\n", "gs\r\n"};
    rig->a.presetEdit() = 1;
    rig->a.impulseDirty() = 1;
    rig->a.impulseName() = QStringLiteral("cab.wav");
    rig->a.impulsePath() = QStringLiteral("/tmp/cab.wav");

    SignalRecorder rec(&rig->core);
    rig->core.slEscImpuls();

    QCOMPARE(rig->a.queue(), QList<QByteArray>({"lcc\r\n", "rn\r\n"}));
    QCOMPARE(rig->pty.read(5), QByteArray("lcc\r\n"));
    QVERIFY(rig->a.impulseName().isEmpty());
    QVERIFY(rig->a.impulsePath().isEmpty());
    QCOMPARE(int(rig->a.presetEdit()), 1);
    QCOMPARE(int(rig->a.impulseDirty()), 1);
    QCOMPARE(withoutPacing(rec), QStringList());
}

// Copy appends behind what is queued (the head is sent again) and announces
// nothing of its own.
void TestCompareClipboard::copyArmsCapturesAndAppends()
{
    rig->a.queue() = {"gm\r\n"};
    rig->a.impulseName() = QStringLiteral("cab.wav");
    rig->a.impulsePath() = QStringLiteral("/tmp/cab.wav");
    rig->a.presetEdit() = 1;

    SignalRecorder rec(&rig->core);
    rig->core.slCopy();

    QCOMPARE(rig->a.queue(), QList<QByteArray>({"gm\r\n", "gs\r\n", "cc\r\n"}));
    QCOMPARE(int(rig->a.commandTotal()), 3);
    QCOMPARE(rig->pty.read(4), QByteArray("gm\r\n"));
    QCOMPARE(int(rig->a.copyStatusPending()), 1);
    QCOMPARE(int(rig->a.copyImpulsePending()), 1);
    QCOMPARE(rig->a.copyImpulseFileName(), QStringLiteral("cab.wav"));
    QCOMPARE(rig->a.copyImpulsePath(), QStringLiteral("/tmp/cab.wav"));
    QCOMPARE(int(rig->a.presetEdit()), 1);
    QCOMPARE(withoutPacing(rec), QStringList());
}

// First press keeps the edited state and shows the stored one; the second
// sends the kept state back. The edited flag is not compare's to change.
void TestCompareClipboard::compareTwice()
{
    rig->a.editable() = 1;
    rig->a.presetEdit() = 1;
    rig->a.queue() = {"gm\r\n"};

    rig->core.slCompare();
    QCOMPARE(rig->a.queue(), QList<QByteArray>({"gs\r\n", "esc\r\n", "rn\r\n", "gs\r\n"}));
    QCOMPARE(int(rig->a.editable()), 0);
    QCOMPARE(int(rig->a.compareArm()), 1);
    QCOMPARE(rig->pty.read(4), QByteArray("gs\r\n"));

    // The dispatcher keeps the first status answer as the reference.
    const QByteArray edited = sampleStatus();
    rig->a.compareStatus() = edited;
    rig->a.compareArm() = 0;

    SignalRecorder rec(&rig->core);
    rig->core.slCompare();
    const QByteArray writeBack = "gs 1\r" + edited + "\r";
    QCOMPARE(rig->a.queue(), QList<QByteArray>({writeBack, "gs\r\n"}));
    QCOMPARE(int(rig->a.editable()), 1);
    QCOMPARE(rig->pty.read(writeBack.size()), writeBack);
    QCOMPARE(int(rig->a.presetEdit()), 1);
    QCOMPARE(int(rig->a.compareArm()), 0);
    QCOMPARE(withoutPacing(rec), QStringList()); // the read-back publishes editable
}

void TestCompareClipboard::compareTwiceWithImpulseFile()
{
    rig->a.editable() = 1;
    rig->a.impulseName() = QStringLiteral("My Cab.wav");
    rig->a.impulsePath() = QStringLiteral("/nonexistent/My Cab.wav");
    rig->core.slCompare();
    rig->a.compareStatus() = sampleStatus();

    SignalRecorder rec(&rig->core);
    rig->core.slCompare();

    const QList<QByteArray> q = rig->a.queue();
    QVERIFY(q.size() >= 2);
    QCOMPARE(q.first(), "gs 1\r" + sampleStatus() + "\r");
    QCOMPARE(q.last(), QByteArray("gs\r\n"));
    QVERIFY(onlyPreviews(q.mid(1, q.size() - 2)));
    QCOMPARE(rec.of("sgSetImpulsName"), QList<QVariantList>({{QStringLiteral("My Cab.wav")}}));
    QCOMPARE(rec.valuesOf(QStringLiteral("impulse_name")),
             QVariantList({QStringLiteral("My Cab.wav")}));
    QCOMPARE(int(rig->a.editable()), 1);
    QCOMPARE(rig->a.impulseName(), QStringLiteral("My Cab.wav"));
}

// After a paste the stored version is left by sending the kept reference
// (the pasted status with any edits made on top of it) and playing the
// pasted impulse again; pasting again would throw those edits away.
void TestCompareClipboard::compareAfterPasteRestoresTheEditedPaste_data()
{
    QTest::addColumn<QByteArray>("kept");
    QTest::newRow("reference kept") << QByteArray(86, '7');
    QTest::newRow("no reference: paste again") << QByteArray();
}

void TestCompareClipboard::compareAfterPasteRestoresTheEditedPaste()
{
    QFETCH(QByteArray, kept);

    rig->a.copyStatus() = sampleStatus();
    rig->a.editable() = 1;
    rig->core.slPaste();
    QCOMPARE(int(rig->a.impulseDirty()), 1);
    rig->core.slCompare(); // first press
    rig->a.compareStatus() = kept;

    SignalRecorder rec(&rig->core);
    rig->core.slCompare(); // second press

    QCOMPARE(int(rig->a.editable()), 1);
    if (kept.isEmpty()) {
        QCOMPARE(rig->a.queue(),
                 QList<QByteArray>({"gs 1\r" + withCabinetOff(sampleStatus()) + "\r", "gs\r\n",
                                    unitImpulsePreview(), "ce 0\r\n", "gs\r\n"}));
        QCOMPARE(withoutPacing(rec),
                 QStringList({"sgSetImpulsName(empty)", "sgReadText(impulse_name,empty)",
                              "sgSetEdit(true)", "sgReadValue(preset_edit,1)"}));
        return;
    }
    QCOMPARE(rig->a.queue(),
             QList<QByteArray>({"gs 1\r" + kept + "\r", unitImpulsePreview(), "gs\r\n"}));
    QCOMPARE(withoutPacing(rec),
             QStringList({"sgSetImpulsName(empty)", "sgReadText(impulse_name,empty)"}));
    QCOMPARE(int(rig->a.impulseDirty()), 1);
}

// The reference can be missing (its status answer never came): the stored
// preset then stays on the device instead of being overwritten with an
// empty status command.
void TestCompareClipboard::compareWithoutKeptStatusWritesNothingBack()
{
    rig->a.editable() = 0;
    rig->a.compareStatus().clear();
    rig->core.slCompare();
    QCOMPARE(rig->a.queue(), QList<QByteArray>({"gs\r\n"}));
    QCOMPARE(rig->pty.read(4), QByteArray("gs\r\n"));
    QCOMPARE(int(rig->a.editable()), 1);
}

void TestCompareClipboard::pasteDeviceImpulse_data()
{
    QTest::addColumn<QByteArray>("reportedName");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("dataDigits");
    QTest::addColumn<int>("payloadDigits");
    const QByteArray withNul("My_Cab\0\0", 8);
    QTest::newRow("long impulse is cut to one preview") << withNul << "My_Cab" << 88 + 7000 << 5904;
    QTest::newRow("exactly one preview") << QByteArray("c1") << "c1" << 88 + 5904 << 5904;
    QTest::newRow("short impulse") << QByteArray("c2") << "c2" << 88 + 100 << 100;
}

// The device's own impulse is previewed without its 88-digit WAV header.
void TestCompareClipboard::pasteDeviceImpulse()
{
    QFETCH(QByteArray, reportedName);
    QFETCH(QString, shown);
    QFETCH(int, dataDigits);
    QFETCH(int, payloadDigits);

    QByteArray data;
    for (int i = 0; i < dataDigits; ++i)
        data += "0123456789abcdef"[i % 16];
    rig->a.copyStatus() = sampleStatus();
    rig->a.copyImpulseName() = reportedName;
    rig->a.copyImpulseData() = data;
    rig->a.queue() = {"gm\r\n"};

    SignalRecorder rec(&rig->core);
    rig->core.slPaste();

    const QByteArray preview = "cc s 1\r" + data.mid(88, payloadDigits) + "\r";
    QCOMPARE(rig->a.queue(),
             QList<QByteArray>({"gm\r\n", "gs 1\r" + sampleStatus() + "\r", "gs\r\n", preview}));
    QCOMPARE(rig->pty.read(4), QByteArray("gm\r\n")); // appended: the head goes first
    QCOMPARE(withoutPacing(rec), QStringList({"sgSetImpulsName(" + shown + ")",
                                              "sgReadText(impulse_name," + shown + ")",
                                              "sgSetEdit(true)", "sgReadValue(preset_edit,1)"}));
    QCOMPARE(int(rig->a.impulseDirty()), 1);
    QCOMPARE(int(rig->a.presetEdit()), 1);
    QCOMPARE(rig->a.copyStatus(), sampleStatus()); // cabinet left as copied
}

// No impulse anywhere: the unit impulse, with the cabinet switched off in the
// pasted status and by command; the change stays in the clipboard.
void TestCompareClipboard::pasteWithoutImpulse()
{
    rig->a.copyStatus() = sampleStatus();
    SignalRecorder rec(&rig->core);
    rig->core.slPaste();

    const QByteArray status = "gs 1\r" + withCabinetOff(sampleStatus()) + "\r";
    const QList<QByteArray> q = rig->a.queue();
    QCOMPARE(q, QList<QByteArray>({status, "gs\r\n", unitImpulsePreview(), "ce 0\r\n"}));
    QCOMPARE(q.at(2).size(), 5912);
    QCOMPARE(rig->a.copyStatus(), withCabinetOff(sampleStatus()));
    QCOMPARE(rig->a.copyStatus().mid(14, 4), QByteArray("1700")); // only byte 8 changed
    QCOMPARE(rig->pty.read(status.size()), status);
    QCOMPARE(withoutPacing(rec),
             QStringList({"sgSetImpulsName(empty)", "sgReadText(impulse_name,empty)",
                          "sgSetEdit(true)", "sgReadValue(preset_edit,1)"}));
    QCOMPARE(int(rig->a.impulseDirty()), 1);
}

// A file chosen here before the copy is announced and decoded again; this
// path queues no pacing step itself (the decode starts sending).
void TestCompareClipboard::pasteImpulseFileChosenHere()
{
    rig->a.copyStatus() = sampleStatus();
    rig->a.copyImpulseFileName() = QStringLiteral("My Cab.wav");
    rig->a.copyImpulsePath() = QStringLiteral("/nonexistent/My Cab.wav");
    rig->a.copyImpulseName() = "device_name"; // the file takes precedence

    SignalRecorder rec(&rig->core);
    rig->core.slPaste();

    const QList<QByteArray> q = rig->a.queue();
    QVERIFY(q.size() >= 2);
    QCOMPARE(q.mid(0, 2), QList<QByteArray>({"gs 1\r" + sampleStatus() + "\r", "gs\r\n"}));
    QVERIFY(onlyPreviews(q.mid(2)));
    QCOMPARE(rec.of("sgSetImpulsName").first(), QVariantList({QStringLiteral("My Cab.wav")}));
    QCOMPARE(rec.valuesOf(QStringLiteral("impulse_name")),
             QVariantList({QStringLiteral("My Cab.wav")}));
    QCOMPARE(rec.lines().mid(rec.lines().size() - 2),
             QStringList({"sgSetEdit(true)", "sgReadValue(preset_edit,1)"}));
    QCOMPARE(int(rig->a.impulseDirty()), 1);
    QCOMPARE(int(rig->a.presetEdit()), 1);
    QCOMPARE(rig->a.copyStatus(), sampleStatus());
}

void TestCompareClipboard::refusedPaste_data()
{
    QTest::addColumn<QByteArray>("status");
    QTest::addColumn<int>("statusPending");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("deviceName");
    const QByteArray good = sampleStatus();
    QTest::newRow("never copied") << QByteArray() << 0 << QString() << QByteArray();
    QTest::newRow("never copied, device name") << QByteArray() << 0 << QString() << QByteArray("c");
    QTest::newRow("never copied, file") << QByteArray() << 0 << "a.wav" << QByteArray();
    QTest::newRow("85 characters") << good.left(85) << 0 << QString() << QByteArray();
    QTest::newRow("87 characters") << good + "0" << 0 << QString() << QByteArray();
    QTest::newRow("not hexadecimal")
        << QByteArray(good).replace(40, 1, "g") << 0 << QString() << QByteArray();
    QTest::newRow("copy still waiting for its status") << good << 1 << QString() << QByteArray("c");
}

// A paste without a complete copied status sends nothing and changes
// nothing, whichever impulse case it would have taken.
void TestCompareClipboard::refusedPaste()
{
    QFETCH(QByteArray, status);
    QFETCH(int, statusPending);
    QFETCH(QString, fileName);
    QFETCH(QByteArray, deviceName);
    rig->a.copyStatus() = status;
    rig->a.copyStatusPending() = uchar(statusPending);
    rig->a.copyImpulseFileName() = fileName;
    rig->a.copyImpulseName() = deviceName;
    rig->a.copyImpulseData() = QByteArray(200, 'a');
    rig->a.queue() = {"gm\r\n"};

    // The refusal says why in the debug log.
    DebugLogOn debugOn;
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("^slPaste refused: ")));
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("^setValue")));
    SignalRecorder rec(&rig->core);
    rig->core.setValue(QStringLiteral("past"), 0);

    QCOMPARE(rec.lines(), QStringList({"sgReadValue(preset_edit,0)"}));
    QCOMPARE(rig->a.queue(), QList<QByteArray>({"gm\r\n"}));
    QCOMPARE(rig->a.copyStatus(), status);
    QCOMPARE(int(rig->a.impulseDirty()), 0);
    QCOMPARE(int(rig->a.presetEdit()), 0);
    QCOMPARE(rig->wire(), QByteArray());
}

// The second compare press after a paste with no reference kept goes
// through paste: an empty clipboard sends no status, only the read-back.
void TestCompareClipboard::compareAfterRefusedPaste()
{
    rig->a.editable() = 0;
    rig->a.impulseDirty() = 1;
    rig->a.compareStatus().clear();
    SignalRecorder rec(&rig->core);
    rig->core.slCompare();
    QCOMPARE(rig->a.queue(), QList<QByteArray>({"gs\r\n"}));
    QCOMPARE(rig->pty.read(4), QByteArray("gs\r\n"));
    QCOMPARE(withoutPacing(rec), QStringList());
    QCOMPARE(int(rig->a.editable()), 1);
}

VORTAXA_TEST_MAIN(TestCompareClipboard)
#include "tst_compare_clipboard.moc"

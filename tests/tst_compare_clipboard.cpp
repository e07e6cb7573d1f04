// Escape, compare, copy and paste on the in-process device. Every state a
// test needs is reached as the panel reaches it: edits, files loaded,
// copies answered (or cut short) by the device, pastes and compare presses.
//
// Paths that play a chosen impulse file again (paste of a file chosen here,
// the second compare press with a file chosen) end in the impulse decode,
// which queues the preview and starts sending; the tests check what these
// paths queue themselves and accept preview entries where the decode adds
// them.
#include "editing/kept_blocks.h"
#include "editing/preset_session.h"
#include "support/core_rig.h"
#include "support/test_main.h"
#include "support/wav_writer.h"

#include <QLoggingCategory>
#include <QRegularExpression>
#include <QSignalSpy>

namespace {

const QString unfinishedCopy = QStringLiteral("The copy did not finish: copy again");

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

// The texts the back end gave under one name ("paste_refused", "copy_unfinished").
QStringList textsNamed(const SignalRecorder &rec, const char *name)
{
    QStringList texts;
    for (const QVariantList &args : rec.of("sgReadText")) {
        if (args.value(0).toString() == QLatin1String(name))
            texts.append(args.value(1).toString());
    }
    return texts;
}

QStringList pasteRefusals(const SignalRecorder &rec)
{
    return textsNamed(rec, "paste_refused");
}

} // namespace

class TestCompareClipboard : public CoreRigTest {
    Q_OBJECT

    ScratchDir dir; // also the working directory, where a store writes wav.wav

    // A usable impulse file.
    QString impulseFile(const QString &name)
    {
        return dir.file(name, wavFile({1, 1, 48000, 24, false, {}, patternSamples(300, 1, 3)}));
    }
    // The current preset plays `status` (hex text) and the device stores
    // `impulse` for it (none when its name is empty).
    void devicePlays(const QByteArray &status, const vdev::Impulse &impulse = {})
    {
        if (impulse.isEmpty())
            rig->device.model().removeImpulse();
        else
            rig->device.model().storeImpulse(impulse);
        rig->device.model().setLiveStatus(QByteArray::fromHex(status));
    }
    // A whole copy of the current preset, as the device answers it.
    bool copyWhole()
    {
        rig->core.slCopy();
        return rig->waitIdle() && rig->session.hasCopy();
    }
    // An edited preset playing a pasted impulse (the file `name` a copied
    // preset had loaded); with `compare`, compare shows the stored preset
    // and the edited block is kept.
    bool pastedFile(const QString &name, bool compare)
    {
        PresetSession &session = rig->session;
        if (!session.loadImpulse(impulseFile(name)) || !copyWhole())
            return false;
        session.revertImpulse();
        rig->core.slPaste();
        if (compare)
            rig->core.slCompare();
        return rig->waitIdle() && session.edited() && session.pendingImpulse().pasted() &&
               session.comparing() == compare &&
               session.keptBlocks().compared().isEmpty() == !compare;
    }
    // The pending file's name; empty when no file is pending.
    QString pendingFileName() const
    {
        const PendingImpulse &p = rig->session.pendingImpulse();
        return p.source() == PendingImpulse::Source::File ? QString::fromUtf8(p.name()) : QString();
    }

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
    void pendingNameEndsAtZeroByte();
    void pasteWithoutImpulse();
    void pasteImpulseFileChosenHere();
    void keptCopyRefusals_data();
    void keptCopyRefusals();
    void refusedPaste_data();
    void refusedPaste();
    void compareAfterRefusedPaste();
    void revertImpulseForgetsTriedAndPasted_data();
    void revertImpulseForgetsTriedAndPasted();
    void pasteTakesOnlyAWholeCopy_data();
    void pasteTakesOnlyAWholeCopy();
};

// Queued work and unread input are dropped; the revert and its read-back
// replace them.
void TestCompareClipboard::escReplacesQueue()
{
    QVERIFY(pastedFile("cab.wav", true));
    for (const QByteArray &request : {"gb\r\n", "gs\r\n", "gm\r\n"})
        rig->link.send(request); // waiting, not sent yet
    rig->device.leaveUnread("late answer");
    QCOMPARE(rig->device.bytesAvailable(), qint64(11));

    SignalRecorder rec(&rig->core);
    QSignalSpy comparing(&rig->session, &PresetSession::comparingChanged);
    rig->core.slEsc();

    // Compare ends at once, not only with the read-back.
    QCOMPARE(comparing.count(), 1);
    QCOMPARE(comparing.first().first().toBool(), false);
    QCOMPARE(rig->link.queued(), QList<QByteArray>({"esc\r\n", "gs\r\n", "rn\r\n"}));
    QCOMPARE(rig->link.batchSize(), 3);
    QCOMPARE(rec.lines(),
             QStringList({"sgSetEdit(false)", "sgReadValue(preset_edit,0)", "sgSetEnabled(true)",
                          "sgReadValue(editable,1)", "sgSetProgress(0)", "sgSetWait(true)",
                          "sgReadValue(wait,1)"}));
    QCOMPARE(rig->device.bytesAvailable(), qint64(0));
    QCOMPARE(rig->device.bytesToWrite(), qint64(5)); // "esc"
    QVERIFY(!rig->session.edited());
    QVERIFY(!rig->session.comparing());
    // The device dropped the tried or pasted impulse with the revert: nothing
    // of it is left for a later save to store, nor of the compared edits.
    QCOMPARE(rig->session.pendingImpulse().source(), PendingImpulse::Source::Stored);
    QVERIFY(rig->session.keptBlocks().compared().isEmpty());
    QVERIFY(rig->waitIdle());
    QCOMPARE(rig->requests().mid(rig->requests().size() - 3),
             (QList<QByteArray>{"esc", "gs", "rn"}));
}

// A pasted preset's impulse goes; its pasted status stays an edit.
void TestCompareClipboard::escImpulsDropsOnlyTheImpulse()
{
    QVERIFY(pastedFile("cab.wav", false));
    rig->link.send("gb\r\n");
    rig->link.send("gs\r\n");

    SignalRecorder rec(&rig->core);
    rig->core.slEscImpuls();

    QCOMPARE(rig->link.queued(), QList<QByteArray>({"lcc\r\n", "rn\r\n"}));
    QCOMPARE(rig->device.bytesToWrite(), qint64(5)); // "lcc"
    QCOMPARE(rig->session.pendingImpulse().source(), PendingImpulse::Source::Stored);
    QVERIFY(rig->session.edited());
    QCOMPARE(withoutPacing(rec), QStringList());
}

// Copy appends behind what is queued (the head is sent) and announces
// nothing of its own.
void TestCompareClipboard::copyArmsCapturesAndAppends()
{
    const QString path = impulseFile("cab.wav");
    QVERIFY(rig->session.loadImpulse(path));
    QVERIFY(rig->waitIdle());
    QVERIFY(rig->session.edited());
    rig->link.send("gm\r\n"); // waiting, not sent yet

    SignalRecorder rec(&rig->core);
    rig->core.slCopy();

    QCOMPARE(rig->link.queued(), QList<QByteArray>({"gm\r\n", "gs\r\n", "cc\r\n"}));
    QCOMPARE(rig->link.batchSize(), 3);
    QCOMPARE(rig->device.bytesToWrite(), qint64(4)); // "gm"
    const KeptBlocks &kept = rig->session.keptBlocks();
    QCOMPARE(kept.pasteRefusal(), unfinishedCopy); // its status still to come
    QVERIFY(kept.awaitsImpulse());
    QCOMPARE(kept.copiedFileName(), QStringLiteral("cab.wav"));
    QCOMPARE(kept.copiedFilePath(), path);
    QVERIFY(rig->session.edited());
    QCOMPARE(withoutPacing(rec), QStringList());
    QVERIFY(rig->waitIdle());
    QVERIFY(rig->session.hasCopy());
}

// First press keeps the edited state and shows the stored one; the second
// sends the kept state back. The edited flag is not compare's to change.
void TestCompareClipboard::compareTwice()
{
    rig->core.setValue(QStringLiteral("master_volume"), 90);
    QVERIFY(rig->waitIdle());
    QVERIFY(rig->session.edited());
    const QByteArray edited = rig->device.model().liveStatus().toHex();
    rig->link.send("gm\r\n");

    rig->core.slCompare();
    QCOMPARE(rig->link.queued(), QList<QByteArray>({"gs\r\n", "esc\r\n", "rn\r\n", "gs\r\n"}));
    QVERIFY(rig->session.comparing());
    QCOMPARE(rig->device.bytesToWrite(), qint64(4)); // "gs"
    // The first status answer is kept as the reference.
    QVERIFY(rig->waitIdle());
    QCOMPARE(rig->session.keptBlocks().compared(), edited);

    SignalRecorder rec(&rig->core);
    rig->core.slCompare();
    const QByteArray writeBack = "gs 1\r" + edited + "\r";
    QCOMPARE(rig->link.queued(), QList<QByteArray>({writeBack, "gs\r\n"}));
    QVERIFY(!rig->session.comparing());
    QCOMPARE(rig->device.bytesToWrite(), qint64(writeBack.size()));
    QVERIFY(rig->session.edited());
    QCOMPARE(withoutPacing(rec), QStringList()); // the read-back publishes editable
    QVERIFY(rig->waitIdle());
    QCOMPARE(rig->device.model().liveStatus().toHex(), edited);
}

void TestCompareClipboard::compareTwiceWithImpulseFile()
{
    QVERIFY(rig->session.loadImpulse(impulseFile("My Cab.wav")));
    QVERIFY(rig->waitIdle());
    rig->core.slCompare();
    QVERIFY(rig->waitIdle());
    const QByteArray kept = rig->session.keptBlocks().compared();
    QVERIFY(!kept.isEmpty());

    SignalRecorder rec(&rig->core);
    rig->core.slCompare();

    const QList<QByteArray> q = rig->link.queued();
    QVERIFY(q.size() >= 2);
    QCOMPARE(q.first(), "gs 1\r" + kept + "\r");
    QCOMPARE(q.last(), QByteArray("gs\r\n"));
    QVERIFY(onlyPreviews(q.mid(1, q.size() - 2)));
    QCOMPARE(rec.of("sgSetImpulsName"), QList<QVariantList>({{QStringLiteral("My Cab.wav")}}));
    QCOMPARE(rec.valuesOf(QStringLiteral("impulse_name")),
             QVariantList({QStringLiteral("My Cab.wav")}));
    QVERIFY(!rig->session.comparing());
    QCOMPARE(pendingFileName(), QStringLiteral("My Cab.wav"));
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

    // A whole copy of a preset without impulse, pasted.
    devicePlays(sampleStatus());
    QVERIFY(copyWhole());
    rig->core.slPaste();
    QVERIFY(rig->waitIdle());
    QVERIFY(rig->session.pendingImpulse().pasted());
    // The first press: the device plays the edits on top of the paste, or
    // its answer never comes.
    if (kept.isEmpty())
        rig->device.holdLine(true);
    else
        rig->device.model().setLiveStatus(QByteArray::fromHex(kept));
    rig->core.slCompare();
    if (!kept.isEmpty())
        QVERIFY(rig->waitIdle());
    QCOMPARE(rig->session.keptBlocks().compared(), kept);

    SignalRecorder rec(&rig->core);
    rig->core.slCompare(); // second press

    QVERIFY(!rig->session.comparing());
    if (kept.isEmpty()) {
        QCOMPARE(rig->link.queued(),
                 QList<QByteArray>({"gs 1\r" + withCabinetOff(sampleStatus()) + "\r", "gs\r\n",
                                    unitImpulsePreview(), "ce 0\r\n", "gs\r\n"}));
        QCOMPARE(withoutPacing(rec),
                 QStringList({"sgSetImpulsName(empty)", "sgReadText(impulse_name,empty)",
                              "sgSetEdit(true)", "sgReadValue(preset_edit,1)"}));
        return;
    }
    QCOMPARE(rig->link.queued(),
             QList<QByteArray>({"gs 1\r" + kept + "\r", unitImpulsePreview(), "gs\r\n"}));
    QCOMPARE(withoutPacing(rec),
             QStringList({"sgSetImpulsName(empty)", "sgReadText(impulse_name,empty)"}));
    QVERIFY(rig->session.pendingImpulse().pasted());
}

// The reference can be missing (its status answer never came): the stored
// preset then stays on the device instead of being overwritten with an
// empty status command.
void TestCompareClipboard::compareWithoutKeptStatusWritesNothingBack()
{
    rig->device.holdLine(true);
    rig->core.slCompare();
    QVERIFY(rig->session.comparing());
    QVERIFY(rig->session.keptBlocks().compared().isEmpty());
    rig->device.discardOutput();
    rig->core.slCompare();
    QCOMPARE(rig->link.queued(), QList<QByteArray>({"gs\r\n"}));
    QCOMPARE(rig->device.unsent(), QByteArray("gs\r\n"));
    QVERIFY(!rig->session.comparing());
}

void TestCompareClipboard::pasteDeviceImpulse_data()
{
    QTest::addColumn<QByteArray>("reportedName");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("dataDigits");
    QTest::addColumn<int>("payloadDigits");
    const QByteArray withNul("My_Cab\0\0", 8);
    // Zero bytes in the name become "_" where the answer is taken.
    QTest::newRow("long impulse is cut to one preview")
        << withNul << "My_Cab__" << 88 + 7000 << 5904;
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
    // A copy whose impulse answer names it so and carries that image.
    devicePlays(sampleStatus());
    rig->device.answerNextWith("cc", "cc\r" + reportedName + "\n" + data + "\n");
    QVERIFY(copyWhole());
    rig->link.send("gm\r\n"); // waiting, not sent yet

    SignalRecorder rec(&rig->core);
    rig->core.slPaste();

    const QByteArray preview = "cc s 1\r" + data.mid(88, payloadDigits) + "\r";
    QCOMPARE(rig->link.queued(),
             QList<QByteArray>({"gm\r\n", "gs 1\r" + sampleStatus() + "\r", "gs\r\n", preview}));
    QCOMPARE(rig->device.bytesToWrite(), qint64(4)); // appended: the head goes first
    QCOMPARE(withoutPacing(rec), QStringList({"sgSetImpulsName(" + shown + ")",
                                              "sgReadText(impulse_name," + shown + ")",
                                              "sgSetEdit(true)", "sgReadValue(preset_edit,1)"}));
    QVERIFY(rig->session.pendingImpulse().pasted());
    QVERIFY(rig->session.edited());
    QCOMPARE(rig->session.keptBlocks().copiedStatus(), sampleStatus()); // cabinet left as copied
}

// A device impulse's name is shown up to its first zero byte.
void TestCompareClipboard::pendingNameEndsAtZeroByte()
{
    PendingImpulse pending;
    pending.paste(QString(), QString(), QByteArray("My_Cab\0\0", 8), "5249");
    QCOMPARE(pending.shownName(), QStringLiteral("My_Cab"));
}

// No impulse anywhere: the unit impulse, with the cabinet switched off in the
// pasted status and by command; the change stays in the clipboard.
void TestCompareClipboard::pasteWithoutImpulse()
{
    devicePlays(sampleStatus());
    QVERIFY(copyWhole());
    SignalRecorder rec(&rig->core);
    rig->core.slPaste();

    const QByteArray status = "gs 1\r" + withCabinetOff(sampleStatus()) + "\r";
    const QList<QByteArray> q = rig->link.queued();
    QCOMPARE(q, QList<QByteArray>({status, "gs\r\n", unitImpulsePreview(), "ce 0\r\n"}));
    QCOMPARE(q.at(2).size(), 5912);
    const QByteArray copied = rig->session.keptBlocks().copiedStatus();
    QCOMPARE(copied, withCabinetOff(sampleStatus()));
    QCOMPARE(copied.mid(14, 4), QByteArray("1700")); // only byte 8 changed
    QCOMPARE(rig->device.bytesToWrite(), qint64(status.size()));
    QCOMPARE(withoutPacing(rec),
             QStringList({"sgSetImpulsName(empty)", "sgReadText(impulse_name,empty)",
                          "sgSetEdit(true)", "sgReadValue(preset_edit,1)"}));
    QVERIFY(rig->session.pendingImpulse().pasted());
    QVERIFY(rig->waitIdle());
    QCOMPARE(rig->device.model().liveStatus().toHex(), withCabinetOff(sampleStatus()));
}

// A file chosen here before the copy is announced and decoded again; this
// path queues no pacing step itself (the decode starts sending).
void TestCompareClipboard::pasteImpulseFileChosenHere()
{
    devicePlays(sampleStatus(), {"device_name", QByteArray(44, '\0') + "abc"});
    QVERIFY(rig->session.loadImpulse(impulseFile("My Cab.wav")));
    QVERIFY(copyWhole()); // the file takes precedence over the device's name
    rig->session.revertImpulse();
    QVERIFY(rig->waitIdle());

    SignalRecorder rec(&rig->core);
    rig->core.slPaste();

    const QList<QByteArray> q = rig->link.queued();
    QVERIFY(q.size() >= 2);
    QCOMPARE(q.mid(0, 2), QList<QByteArray>({"gs 1\r" + sampleStatus() + "\r", "gs\r\n"}));
    QVERIFY(onlyPreviews(q.mid(2)));
    QCOMPARE(rec.of("sgSetImpulsName").first(), QVariantList({QStringLiteral("My Cab.wav")}));
    QCOMPARE(rec.valuesOf(QStringLiteral("impulse_name")),
             QVariantList({QStringLiteral("My Cab.wav")}));
    QCOMPARE(rec.lines().mid(rec.lines().size() - 2),
             QStringList({"sgSetEdit(true)", "sgReadValue(preset_edit,1)"}));
    QVERIFY(rig->session.pendingImpulse().pasted());
    QVERIFY(rig->session.edited());
    QCOMPARE(rig->session.keptBlocks().copiedStatus(), sampleStatus());
}

// What the clipboard refuses to paste, and why: nothing copied, or a copy
// whose status is not a whole block.
void TestCompareClipboard::keptCopyRefusals_data()
{
    QTest::addColumn<QByteArray>("status");
    QTest::addColumn<QByteArray>("deviceName");
    QTest::addColumn<QString>("refusal");
    const QByteArray good = sampleStatus();
    const QString nothing = QStringLiteral("Nothing copied yet");
    QTest::newRow("never copied") << QByteArray() << QByteArray() << nothing;
    QTest::newRow("never copied, device name") << QByteArray() << QByteArray("c") << nothing;
    QTest::newRow("85 characters") << good.left(85) << QByteArray() << unfinishedCopy;
    QTest::newRow("87 characters") << good + "0" << QByteArray() << unfinishedCopy;
    QTest::newRow("not hexadecimal")
        << QByteArray(good).replace(40, 1, "g") << QByteArray() << unfinishedCopy;
    QTest::newRow("a whole block") << good << QByteArray("c") << QString();
}

void TestCompareClipboard::keptCopyRefusals()
{
    QFETCH(QByteArray, status);
    QFETCH(QByteArray, deviceName);
    QFETCH(QString, refusal);
    KeptBlocks kept;
    kept.setCopy(status, deviceName, QByteArray(200, 'a'));
    QCOMPARE(kept.pasteRefusal(), refusal);
}

void TestCompareClipboard::refusedPaste_data()
{
    QTest::addColumn<QString>("clipboard");
    QTest::addColumn<QByteArray>("status"); // an imported preset's
    QTest::addColumn<QString>("refusal");
    const QByteArray good = sampleStatus();
    const QString nothing = QStringLiteral("Nothing copied yet");
    QTest::newRow("never copied") << "none" << QByteArray() << nothing;
    QTest::newRow("never copied, a file loaded") << "file" << QByteArray() << nothing;
    QTest::newRow("imported without a status") << "import" << QByteArray() << nothing;
    QTest::newRow("imported, 85 characters") << "import" << good.left(85) << unfinishedCopy;
    QTest::newRow("imported, not hexadecimal")
        << "import" << QByteArray(good).replace(40, 1, "g") << unfinishedCopy;
    QTest::newRow("copy still waiting for its status") << "reading" << good << unfinishedCopy;
}

// A paste without a complete copied status sends nothing and changes
// nothing, whichever impulse case it would have taken, and says why.
void TestCompareClipboard::refusedPaste()
{
    QFETCH(QString, clipboard);
    QFETCH(QByteArray, status);
    QFETCH(QString, refusal);
    if (clipboard == "file") {
        QVERIFY(rig->session.loadImpulse(impulseFile("a.wav")));
        rig->session.revertImpulse();
    } else if (clipboard == "import") {
        rig->session.paste(status, "c", QByteArray(200, 'a')); // refused as well
    }
    QVERIFY(rig->waitIdle());
    if (clipboard == "reading") {
        rig->device.holdLine(true);
        rig->core.slCopy();
        rig->link.clearQueue(); // nothing else waits but what the test queues
    }
    const QByteArray copied = rig->session.keptBlocks().copiedStatus();
    rig->device.discardOutput();
    rig->link.send("gm\r\n");

    // The refusal says why in the debug log.
    DebugLogOn debugOn;
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("^slPaste refused: ")));
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("^setValue")));
    SignalRecorder rec(&rig->core);
    rig->core.setValue(QStringLiteral("past"), 0);

    QCOMPARE(rec.lines(), QStringList({"sgReadText(paste_refused," + refusal + ")",
                                       "sgReadValue(preset_edit,0)"}));
    QCOMPARE(rig->link.queued(), QList<QByteArray>({"gm\r\n"}));
    QCOMPARE(rig->session.keptBlocks().copiedStatus(), copied);
    QCOMPARE(rig->session.pendingImpulse().source(), PendingImpulse::Source::Stored);
    QVERIFY(!rig->session.edited());
    QCOMPARE(rig->device.unsent(), QByteArray());
    QCOMPARE(rig->device.bytesToWrite(), qint64(0));
}

// The second compare press after a paste with no reference kept goes
// through paste: a clipboard without a whole copy sends no status, only the
// read-back, and the paste's refusal says why.
void TestCompareClipboard::compareAfterRefusedPaste()
{
    // A pasted preset; then a copy cut short by the first compare press,
    // whose own reference never comes.
    devicePlays(sampleStatus());
    QVERIFY(copyWhole());
    rig->core.slPaste();
    QVERIFY(rig->waitIdle());
    rig->device.holdLine(true);
    rig->core.slCopy();
    rig->core.slCompare();
    QVERIFY(rig->session.comparing());
    QCOMPARE(rig->session.pasteRefusal(), unfinishedCopy);
    rig->device.discardOutput();

    SignalRecorder rec(&rig->core);
    rig->core.slCompare();
    QCOMPARE(rig->link.queued(), QList<QByteArray>({"gs\r\n"}));
    QCOMPARE(rig->device.unsent(), QByteArray("gs\r\n"));
    QCOMPARE(withoutPacing(rec), QStringList({"sgReadText(paste_refused," + unfinishedCopy + ")"}));
    QVERIFY(!rig->session.comparing());
}

// "Revert impulse" forgets an impulse tried or pasted here, as a revert does:
// a later save stores or deletes nothing of it. When it was the preset's only
// change, the preset is unchanged again.
void TestCompareClipboard::revertImpulseForgetsTriedAndPasted_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<bool>("editedAfter");
    QTest::newRow("file tried on an unchanged preset") << QStringList{"file"} << false;
    QTest::newRow("two files tried") << QStringList{"file", "file"} << false;
    QTest::newRow("file tried, then a knob turned") << QStringList{"file", "knob"} << true;
    QTest::newRow("knob turned, then a file tried") << QStringList{"knob", "file"} << true;
    QTest::newRow("pasted device impulse") << QStringList{"paste device"} << true;
    QTest::newRow("pasted preset without impulse") << QStringList{"paste none"} << true;
}

void TestCompareClipboard::revertImpulseForgetsTriedAndPasted()
{
    QFETCH(QStringList, steps);
    QFETCH(bool, editedAfter);
    const QString file = impulseFile(QStringLiteral("Tried.wav"));
    const uchar master = uchar(rig->device.model().liveStatus().at(7));
    for (const QString &step : steps) {
        if (step == "file")
            rig->core.setImpuls(file);
        else if (step == "knob")
            rig->core.setValue(QStringLiteral("master_volume"), uchar(master + 1));
        else if (step == "paste device")
            rig->session.paste(sampleStatus(), "Old Cab", QByteArray(88, '0') + "aa");
        else if (step == "paste none")
            rig->session.paste(sampleStatus(), QByteArray(), QByteArray());
        QVERIFY(rig->waitIdle());
    }
    QVERIFY(rig->session.edited());

    SignalRecorder rec(&rig->core);
    rig->core.slEscImpuls();
    QCOMPARE(rig->link.queued(), QList<QByteArray>({"lcc\r\n", "rn\r\n"}));
    QCOMPARE(rig->session.edited(), editedAfter);
    QCOMPARE(withoutPacing(rec),
             editedAfter ? QStringList()
                         : QStringList({"sgSetEdit(false)", "sgReadValue(preset_edit,0)"}));

    rig->core.slSaveUpDown(0);
    QCOMPARE(rig->link.queued(), QList<QByteArray>({"sp\r\n", "rn\r\n", "gs\r\n"}));
}

// A copy is whole once both its answers (status, then impulse) have come;
// paste refuses anything else, says why in plain words, and sends nothing.
// Every copy but the first row's follows a whole one of another preset.
void TestCompareClipboard::pasteTakesOnlyAWholeCopy_data()
{
    QTest::addColumn<QString>("copy");
    QTest::addColumn<QString>("refusal"); // empty: pasted
    QTest::addColumn<bool>("toldCut");    // the panel heard the copy was cut when it was
    QTest::newRow("nothing copied") << "none" << QStringLiteral("Nothing copied yet") << false;
    QTest::newRow("copy still reading") << "reading" << unfinishedCopy << false;
    QTest::newRow("impulse answer lost") << "impulse lost" << unfinishedCopy << true;
    QTest::newRow("copy cut short by a revert") << "revert" << unfinishedCopy << true;
    QTest::newRow("impulse answer without its image") << "half" << unfinishedCopy << false;
    QTest::newRow("whole copy") << "whole" << QString() << false;
    QTest::newRow("whole copy, pasted on another preset")
        << "whole, then moved" << QString() << false;
}

void TestCompareClipboard::pasteTakesOnlyAWholeCopy()
{
    QFETCH(QString, copy);
    QFETCH(QString, refusal);
    QFETCH(bool, toldCut);
    SignalRecorder whileCopying(&rig->core);
    const QByteArray copied(86, '3');
    const QByteArray image = QByteArray(88, '0') + "bbbbbb";
    if (copy != "none") {
        devicePlays(sampleStatus(), {"Old Cab", QByteArray(44, '\0') + "\xaa\xaa\xaa"});
        QVERIFY(copyWhole());
        // The preset copied next plays `copied`; its impulse answer is
        // scripted per row.
        rig->device.model().setLiveStatus(QByteArray::fromHex(copied));
        if (copy == "reading" || copy == "revert")
            rig->device.holdLine(true);
        else if (copy == "impulse lost")
            rig->device.script("axxx");
        else if (copy == "half")
            rig->device.answerNextWith("cc", "cc\rNew Cab\n\n");
        else
            rig->device.answerNextWith("cc", "cc\rNew Cab\n" + image + "\n");
        rig->core.slCopy();
    }
    if (copy == "revert")
        rig->core.slEsc();
    else if (copy != "none" && copy != "reading")
        QVERIFY(rig->waitIdle());
    if (copy == "whole, then moved") {
        rig->core.setValue(QStringLiteral("set_preset_change"), 4);
        QVERIFY(rig->waitIdle());
    }
    QCOMPARE(textsNamed(whileCopying, "copy_unfinished"),
             toldCut ? QStringList({unfinishedCopy}) : QStringList());
    const QList<QByteArray> before = rig->link.queued();
    QVERIFY(!rig->session.edited());

    SignalRecorder rec(&rig->core);
    rig->core.setValue(QStringLiteral("past"), 0);

    if (refusal.isEmpty()) {
        QCOMPARE(rig->link.queued().mid(before.size()),
                 QList<QByteArray>({"gs 1\r" + copied + "\r", "gs\r\n", "cc s 1\rbbbbbb\r"}));
        QCOMPARE(pasteRefusals(rec), QStringList());
        QVERIFY(rig->session.edited());
        QVERIFY(rig->waitIdle());
        QCOMPARE(rig->device.model().liveStatus(), QByteArray::fromHex(copied));
        return;
    }
    QCOMPARE(pasteRefusals(rec), QStringList({refusal}));
    QCOMPARE(rig->link.queued(), before);
    QVERIFY(!rig->session.edited());
}

VORTAXA_TEST_MAIN(TestCompareClipboard)
#include "tst_compare_clipboard.moc"

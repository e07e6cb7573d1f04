// Escape, compare, copy and paste through a pty. The dispatcher's captures
// (compareStatus, copyStatus, copyImpulseName/Data) are set by hand where a
// test needs an answer to have arrived.
//
// Paths that play a chosen impulse file again (paste of a file chosen here,
// the second compare press with a file chosen) end in the impulse decode,
// which queues the preview and starts sending; the tests check what these
// paths queue themselves and accept preview entries where the decode adds
// them.
#include "editing/preset_session.h"
#include "support/pty_core_rig.h"
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

QByteArray statusAnswer(const QByteArray &statusText)
{
    return "gs\r" + statusText + "\n";
}

// Port timer ticks until the device is given up on; false if it never is.
bool tickUntilGivenUp(PtyCoreRig &rig)
{
    QSignalSpy gaveUp(&rig.core, &Core::sgAnswerErrSave);
    for (int tick = 0; tick < 10 && gaveUp.isEmpty(); ++tick)
        rig.a.slPortTimer();
    return gaveUp.size() == 1;
}

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

class TestCompareClipboard : public PtyCoreRigTest {
    Q_OBJECT

    ScratchDir dir; // also the working directory, where a store writes wav.wav

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
    void revertImpulseForgetsTriedAndPasted_data();
    void revertImpulseForgetsTriedAndPasted();
    void pasteTakesOnlyAWholeCopy_data();
    void pasteTakesOnlyAWholeCopy();
};

// Queued work and unread input are dropped; the revert and its read-back
// replace them.
void TestCompareClipboard::escReplacesQueue()
{
    rig->a.queue() = {"gb\r\n", "gs\r\n", "gm\r\n"};
    rig->a.presetEdit() = 1;
    rig->a.editable() = 0;
    rig->a.pendingImpulse().paste(QStringLiteral("cab.wav"), QStringLiteral("/tmp/cab.wav"),
                                  QByteArray(), QByteArray());
    rig->a.compareStatus() = sampleStatus();
    rig->a.holdReads();
    rig->pty.write("late answer");
    QVERIFY(spinUntil([&] { return rig->a.port()->bytesAvailable() == 11; }));

    SignalRecorder rec(&rig->core);
    QSignalSpy comparing(&rig->core.presetSession(), &PresetSession::comparingChanged);
    rig->core.slEsc();

    // Compare ends at once, not only with the read-back.
    QCOMPARE(comparing.count(), 1);
    QCOMPARE(comparing.first().first().toBool(), false);
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
    // of it is left for a later save to store, nor of the compared edits.
    QCOMPARE(rig->a.pendingImpulse().source(), PendingImpulse::Source::Stored);
    QVERIFY(rig->a.compareStatus().isEmpty());
}

// A pasted preset's impulse goes; its pasted status stays an edit.
void TestCompareClipboard::escImpulsDropsOnlyTheImpulse()
{
    rig->a.queue() = {"gb\r\n", "gs\r\n"};
    rig->a.presetEdit() = 1;
    rig->a.pendingImpulse().paste(QStringLiteral("cab.wav"), QStringLiteral("/tmp/cab.wav"),
                                  QByteArray(), QByteArray());

    SignalRecorder rec(&rig->core);
    rig->core.slEscImpuls();

    QCOMPARE(rig->a.queue(), QList<QByteArray>({"lcc\r\n", "rn\r\n"}));
    QCOMPARE(rig->pty.read(5), QByteArray("lcc\r\n"));
    QCOMPARE(rig->a.pendingImpulse().source(), PendingImpulse::Source::Stored);
    QCOMPARE(int(rig->a.presetEdit()), 1);
    QCOMPARE(withoutPacing(rec), QStringList());
}

// Copy appends behind what is queued (the head is sent again) and announces
// nothing of its own.
void TestCompareClipboard::copyArmsCapturesAndAppends()
{
    rig->a.queue() = {"gm\r\n"};
    rig->a.loadFile(QStringLiteral("cab.wav"), QStringLiteral("/tmp/cab.wav"));
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
    rig->a.loadFile(QStringLiteral("My Cab.wav"), QStringLiteral("/nonexistent/My Cab.wav"));
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
    QCOMPARE(rig->a.pendingFileName(), QStringLiteral("My Cab.wav"));
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
    QVERIFY(rig->a.pendingImpulse().pasted());
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
    QVERIFY(rig->a.pendingImpulse().pasted());
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
    QVERIFY(rig->a.pendingImpulse().pasted());
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
    QVERIFY(rig->a.pendingImpulse().pasted());
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
    QVERIFY(rig->a.pendingImpulse().pasted());
    QCOMPARE(int(rig->a.presetEdit()), 1);
    QCOMPARE(rig->a.copyStatus(), sampleStatus());
}

void TestCompareClipboard::refusedPaste_data()
{
    QTest::addColumn<QByteArray>("status");
    QTest::addColumn<int>("statusPending");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("deviceName");
    QTest::addColumn<QString>("refusal");
    const QByteArray good = sampleStatus();
    const QString nothing = QStringLiteral("Nothing copied yet");
    const QString unfinished = unfinishedCopy;
    QTest::newRow("never copied") << QByteArray() << 0 << QString() << QByteArray() << nothing;
    QTest::newRow("never copied, device name")
        << QByteArray() << 0 << QString() << QByteArray("c") << nothing;
    QTest::newRow("never copied, file") << QByteArray() << 0 << "a.wav" << QByteArray() << nothing;
    QTest::newRow("85 characters") << good.left(85) << 0 << QString() << QByteArray() << unfinished;
    QTest::newRow("87 characters") << good + "0" << 0 << QString() << QByteArray() << unfinished;
    QTest::newRow("not hexadecimal")
        << QByteArray(good).replace(40, 1, "g") << 0 << QString() << QByteArray() << unfinished;
    QTest::newRow("copy still waiting for its status")
        << good << 1 << QString() << QByteArray("c") << unfinished;
}

// A paste without a complete copied status sends nothing and changes
// nothing, whichever impulse case it would have taken, and says why.
void TestCompareClipboard::refusedPaste()
{
    QFETCH(QByteArray, status);
    QFETCH(int, statusPending);
    QFETCH(QString, fileName);
    QFETCH(QByteArray, deviceName);
    QFETCH(QString, refusal);
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

    QCOMPARE(rec.lines(), QStringList({"sgReadText(paste_refused," + refusal + ")",
                                       "sgReadValue(preset_edit,0)"}));
    QCOMPARE(rig->a.queue(), QList<QByteArray>({"gm\r\n"}));
    QCOMPARE(rig->a.copyStatus(), status);
    QCOMPARE(rig->a.pendingImpulse().source(), PendingImpulse::Source::Stored);
    QCOMPARE(int(rig->a.presetEdit()), 0);
    QCOMPARE(rig->wire(), QByteArray());
}

// The second compare press after a paste with no reference kept goes
// through paste: an empty clipboard sends no status, only the read-back,
// and the paste's refusal says why.
void TestCompareClipboard::compareAfterRefusedPaste()
{
    rig->a.editable() = 0;
    rig->a.pendingImpulse().paste(QString(), QString(), QByteArray(), QByteArray());
    rig->a.compareStatus().clear();
    SignalRecorder rec(&rig->core);
    rig->core.slCompare();
    QCOMPARE(rig->a.queue(), QList<QByteArray>({"gs\r\n"}));
    QCOMPARE(rig->pty.read(4), QByteArray("gs\r\n"));
    QCOMPARE(withoutPacing(rec), QStringList({"sgReadText(paste_refused,Nothing copied yet)"}));
    QCOMPARE(int(rig->a.editable()), 1);
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
    const QString file = dir.file(QStringLiteral("Tried.wav"),
                                  wavFile({1, 1, 48000, 24, false, {}, patternSamples(300, 1, 3)}));
    for (const QString &step : steps) {
        if (step == "file")
            rig->core.setImpuls(file);
        else if (step == "knob")
            rig->core.setValue(QStringLiteral("master_volume"), 90);
        else if (step == "paste device")
            rig->core.presetSession().paste(sampleStatus(), "Old Cab", QByteArray(88, '0') + "aa");
        else if (step == "paste none")
            rig->core.presetSession().paste(sampleStatus(), QByteArray(), QByteArray());
        QVERIFY(spinUntil([&] { return !rig->a.sending(); }));
    }
    QCOMPARE(int(rig->a.presetEdit()), 1);

    SignalRecorder rec(&rig->core);
    rig->core.slEscImpuls();
    QCOMPARE(rig->a.queue(), QList<QByteArray>({"lcc\r\n", "rn\r\n"}));
    QCOMPARE(int(rig->a.presetEdit()), int(editedAfter));
    QCOMPARE(withoutPacing(rec),
             editedAfter ? QStringList()
                         : QStringList({"sgSetEdit(false)", "sgReadValue(preset_edit,0)"}));

    rig->core.slSaveUpDown(0);
    QCOMPARE(rig->a.queue(), QList<QByteArray>({"sp\r\n", "rn\r\n", "gs\r\n"}));
}

// A copy is whole once both its answers (status, then impulse) have come;
// paste refuses anything else, says why in plain words, and sends nothing.
// Every copy but the first row's follows a whole one of another preset.
void TestCompareClipboard::pasteTakesOnlyAWholeCopy_data()
{
    QTest::addColumn<QString>("copy");
    QTest::addColumn<QString>("refusal"); // empty: pasted
    QTest::addColumn<bool>("toldCut");    // the panel heard the copy was cut when it was
    const QString unfinished = QStringLiteral("The copy did not finish: copy again");
    QTest::newRow("nothing copied") << "none" << QStringLiteral("Nothing copied yet") << false;
    QTest::newRow("copy still reading") << "reading" << unfinished << false;
    QTest::newRow("impulse answer lost") << "impulse lost" << unfinished << true;
    QTest::newRow("copy cut short by a revert") << "revert" << unfinished << true;
    QTest::newRow("impulse answer without its image") << "half" << unfinished << false;
    QTest::newRow("whole copy") << "whole" << QString() << false;
    QTest::newRow("whole copy, pasted on another preset")
        << "whole, then moved" << QString() << false;
}

void TestCompareClipboard::pasteTakesOnlyAWholeCopy()
{
    QFETCH(QString, copy);
    QFETCH(QString, refusal);
    QFETCH(bool, toldCut);
    CoreAccess &a = rig->a;
    SignalRecorder whileCopying(&rig->core);
    const QByteArray copied(86, '3');
    const QByteArray image = QByteArray(88, '0') + "bbbbbb";
    if (copy != "none") {
        rig->core.slCopy();
        a.dispatch(statusAnswer(sampleStatus()));
        a.dispatch("cc\rOld Cab\n" + QByteArray(88, '0') + "aaaaaa\n");
        QVERIFY(a.queue().isEmpty());
        rig->core.slCopy();
    }
    if (copy == "revert") {
        rig->core.slEsc();
        a.dispatch("esc\rEND\n");
        a.dispatch(statusAnswer(copied)); // the revert's read-back
        a.dispatch("rn\r\n");
    } else if (copy != "none" && copy != "reading") {
        a.dispatch(statusAnswer(copied));
    }
    if (copy == "impulse lost")
        QVERIFY(tickUntilGivenUp(*rig));
    else if (copy == "half")
        a.dispatch("cc\rNew Cab\n\n");
    else if (copy.startsWith("whole"))
        a.dispatch("cc\rNew Cab\n" + image + "\n");
    if (copy == "whole, then moved")
        rig->core.setValue(QStringLiteral("set_preset_change"), 4);
    QCOMPARE(textsNamed(whileCopying, "copy_unfinished"),
             toldCut ? QStringList({unfinishedCopy}) : QStringList());
    const QList<QByteArray> before = a.queue();
    a.presetEdit() = 0;

    SignalRecorder rec(&rig->core);
    rig->core.setValue(QStringLiteral("past"), 0);

    if (refusal.isEmpty()) {
        QCOMPARE(a.queue().mid(before.size()),
                 QList<QByteArray>({"gs 1\r" + copied + "\r", "gs\r\n", "cc s 1\rbbbbbb\r"}));
        QCOMPARE(pasteRefusals(rec), QStringList());
        QCOMPARE(int(a.presetEdit()), 1);
        return;
    }
    QCOMPARE(pasteRefusals(rec), QStringList({refusal}));
    QCOMPARE(a.queue(), before);
    QCOMPARE(int(a.presetEdit()), 0);
}

VORTAXA_TEST_MAIN(TestCompareClipboard)
#include "tst_compare_clipboard.moc"

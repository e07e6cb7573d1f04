// The program against a misbehaving line: answers in pieces, stray bytes, a
// device that stops answering, one that vanishes in the middle of an upload,
// and a slow one. Every scenario ends with a fresh request sequence that
// completes and a check that no edit was lost without the user being asked.
#include "session.h"
#include "support/debug_log.h"
#include "support/status_names.h"
#include "support/test_main.h"
#include "support/wav_writer.h"

#include <QDir>
#include <QTemporaryDir>
#include <QUrl>

#include <sys/resource.h>

using namespace e2e;
using namespace statusnames;

namespace {

// What a session leaves behind: on the device and in the panel.
struct EndState {
    DeviceStore store;
    QList<QByteArray> requests;
    QHash<QString, int> values;
    QHash<QString, QString> texts;
    QByteArray live;
};

QByteArray samplesFor(int bytes)
{
    QByteArray out(bytes, '\0');
    for (int i = 0; i < bytes; ++i)
        out[i] = static_cast<char>((i * 37 + i / 7) & 0xff);
    return out;
}

// Processor time this process has used, in milliseconds.
qint64 cpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return qint64(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000;
}

template <typename V>
QString differences(const QHash<QString, V> &got, const QHash<QString, V> &expected)
{
    QStringList out;
    QSet<QString> keys;
    for (auto it = got.begin(); it != got.end(); ++it)
        keys.insert(it.key());
    for (auto it = expected.begin(); it != expected.end(); ++it)
        keys.insert(it.key());
    for (const QString &key : keys) {
        if (!got.contains(key) || !expected.contains(key) || got.value(key) != expected.value(key))
            out << QStringLiteral("%1: %2, expected %3")
                       .arg(key, QVariant(got.value(key)).toString(),
                            QVariant(expected.value(key)).toString());
    }
    return out.join(QStringLiteral("; "));
}

} // namespace

class TestE2eFaults : public QObject {
    Q_OBJECT

    QTemporaryDir work;
    bool haveBaseline = false;
    EndState baseline;

    // A whole session on a 4 x 4 device: start-up, edits, compare twice, a
    // move that saves first, an impulse file previewed and saved, copy and
    // paste onto another preset with a save, an escape, and a read-back.
    bool runSession(const QStringList &faults, EndState *end)
    {
        DeviceSetup setup;
        setup.presets = makePresets(2, 404);
        setup.faults = faults;
        Session s;
        if (!s.start(setup))
            return false;
        Core &core = s.core();
        const auto step = [&](const char *what) {
            if (s.waitIdle())
                return true;
            qWarning("session stuck after %s", what);
            return false;
        };

        core.setValue("master_volume", 77);
        core.setValue("preamp_mid", quint8(-5));
        core.setValue("cabinet_enable", 0);
        core.setValue("eq_freq4", 9);
        core.setValue("level_HPF", 33);
        if (!s.settle())
            return false;
        core.slCompare();
        if (!step("first compare"))
            return false;
        core.slCompare();
        if (!step("second compare"))
            return false;
        core.setValue("preset_UpDown", 1); // asks: unsaved edits
        if (!s.settle() || s.state().upDownQuestions != QList<uchar>{3})
            return false;
        core.setValue("save_up_down", 3);
        if (!step("save and move"))
            return false;

        const QString wav = work.filePath("Fault Cab.wav");
        writeFile(wav, wavFile({1, 1, 48000, 24, false, {}, samplesFor(2500 * 3)}));
        core.setImpuls(wav);
        if (!step("impulse preview"))
            return false;
        core.slSaveUpDown(0);
        if (!step("impulse save"))
            return false;

        core.slCopy();
        if (!step("copy"))
            return false;
        core.setValue("preset_change", 9);
        if (!step("move to the paste target"))
            return false;
        core.slPaste();
        if (!step("paste"))
            return false;
        core.slSaveUpDown(0);
        if (!step("save of the paste"))
            return false;

        core.setValue("set_preset_change", 3);
        if (!step("jump"))
            return false;
        core.setValue("gate_threshold", 12);
        core.slEsc();
        if (!step("escape"))
            return false;

        end->live = s.readLiveStatus();
        if (!s.settle())
            return false;
        end->store = s.store();
        end->requests = s.requests();
        end->values = s.state().values;
        end->texts = s.state().texts;
        end->values.remove("wait");     // last busy flips are not state
        end->texts.remove("open_port"); // a new pty each run
        if (s.deviceErrors() != 0) {
            qWarning("device errors: %s", s.deviceStderr().constData());
            return false;
        }
        return true;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(work.isValid());
        QVERIFY(QDir::setCurrent(work.path()));
    }

    // Answers in pieces and stray bytes between answers: the same requests,
    // the same device state and the same panel state as with whole answers.
    void sameEndState_data()
    {
        QTest::addColumn<QStringList>("faults");
        QTest::newRow("1-byte pieces") << QStringList{"--split", "1", "--split-max", "1"};
        QTest::newRow("random pieces") << QStringList{"--split", "8"};
        QTest::newRow("noise between answers") << QStringList{"--noise", "3"};
        QTest::newRow("noise and random pieces")
            << QStringList{"--noise", "5", "--split", "6", "--split-max", "4"};
    }
    void sameEndState()
    {
        QFETCH(QStringList, faults);
        if (!haveBaseline) {
            QVERIFY2(runSession({}, &baseline), "session with whole answers");
            haveBaseline = true;
            // The session did store things: the comparison is not between
            // two untouched devices.
            QCOMPARE(baseline.store.presets.at(1).impulseName, QByteArray("Fault_Cab.wav"));
            QVERIFY(baseline.store.presets.at(9) != makePresets(2, 404).at(9));
            QCOMPARE(baseline.store.presets.at(9).impulseName, QByteArray("Fault_Cab.wav"));
        }
        EndState end;
        QVERIFY(runSession(faults, &end));
        QCOMPARE(end.requests, baseline.requests); // nothing re-sent, nothing lost
        QVERIFY(end.store.presets == baseline.store.presets);
        QCOMPARE(end.store.bank, baseline.store.bank);
        QCOMPARE(end.store.preset, baseline.store.preset);
        QCOMPARE(hexText(end.live), hexText(baseline.live));
        QVERIFY2(end.values == baseline.values,
                 qPrintable(differences(end.values, baseline.values)));
        QVERIFY2(end.texts == baseline.texts, qPrintable(differences(end.texts, baseline.texts)));
    }

    // The device stops answering while a save that a move waits for is on
    // the wire: the program gives up after the third send, reports it, writes
    // the error report, and neither moves nor forgets the unsaved edit. Once
    // the device answers again, the next save works.
    void deviceStopsAnswering()
    {
        DeviceSetup setup;
        setup.presets = makePresets(2, 505);
        // Requests 1 to 7 are the start-up reading, 8 and 9 learn what the
        // device stores, 10 is the parameter edit; the save's "sp" comes right after.
        setup.faults = QStringList{"--mute-after", "10", "--mute-for", "3000"};
        Session s;
        QVERIFY(s.start(setup));
        Core &core = s.core();
        core.setValue("master_volume", 3);
        core.setValue("preset_UpDown", 1);
        QCOMPARE(s.state().upDownQuestions, QList<uchar>{3});
        core.setValue("save_up_down", 3);

        QVERIFY(Session::waitFor([&] { return s.state().errReports > 0; }, 6000));
        QCOMPARE(s.state().errReports, 1);
        QCOMPARE(s.state().lastErrCommand, QString("sp\r\n"));
        QCOMPARE(s.requests().count("sp\r\n"), 3);
        QVERIFY(s.waitIdle(3000));
        QCOMPARE(s.state().errReports, 1);

        // The interface hands over the file the user chose as a file URL.
        const QString report = work.filePath("report.txt");
        core.slAnswerErrSave(QUrl::fromLocalFile(report).toString());
        QCOMPARE(readFile(report), QByteArray(">>>\r\nsp\r\n<<<\r\n"));

        // The save failed: no move, and the edit is still unsaved.
        QCOMPARE(s.requests().last(), QByteArray("sp\r\n"));
        QCOMPARE(s.state().value("bank"), 0);
        QCOMPARE(s.state().value("preset"), 0);
        QCOMPARE(s.state().value("preset_edit"), 1);
        QCOMPARE(s.store().presets, setup.presets);

        // The device answers again: asking to move asks again, and saving
        // now stores the edit before the move.
        core.setValue("preset_UpDown", 1);
        QCOMPARE(s.state().upDownQuestions, (QList<uchar>{3, 3}));
        core.setValue("save_up_down", 3);
        QVERIFY(s.waitIdle());
        QCOMPARE(s.state().errReports, 1);
        QCOMPARE(quint8(s.store().presets.at(0).status.at(7)), quint8(3));
        QCOMPARE(s.state().value("preset"), 1);
        QCOMPARE(s.state().value("preset_edit"), 0);
        QVERIFY(s.settle());
        QCOMPARE(s.deviceErrors(), 0);
    }

    // The device vanishes while the program writes an impulse to it: the
    // send ends at once, nothing more is written, one close report, the port
    // closed, no crash, no busy loop. A device that comes back is opened
    // again and the panel shows what it holds.
    void vanishDuringUpload()
    {
        DeviceSetup setup;
        setup.presets = makePresets(2, 606);
        setup.preset = 2;
        Session s;
        QVERIFY(s.start(setup));
        Core &core = s.core();

        const QString wav = work.filePath("Vanish Cab.wav");
        writeFile(wav, wavFile({1, 1, 48000, 24, false, {}, samplesFor(9000 * 3)}));
        core.setImpuls(wav);
        QVERIFY(s.waitIdle());

        // Saving queues the store command (54 kB, four entries in all) and
        // sends it in pieces; the device goes away with a third of it out.
        float progress = 0;
        connect(&core, &Core::sgSetProgress, &core, [&](float value) { progress = value; });
        core.slSaveUpDown(0);
        QVERIFY(Session::waitFor([&] { return progress > 0.08f; }, 10000));
        QVERIFY(s.core().deviceLink().sendingInPieces());
        DebugLog log;
        int writesAtClose = -1;
        connect(&core, &Core::sgPortOpen, &core,
                [&] { writesAtClose = log.withLabel("send").size(); });
        QCOMPARE(s.stopDevice(), 0);
        QVERIFY(Session::waitFor([&] { return s.state().portClosedReports > 0; }, 10000));
        QVERIFY(!s.core().deviceLink().sendingInPieces());
        Session::spin(100); // a piece due after the close would be written by now
        QCOMPARE(log.withLabel("send").size(), writesAtClose);
        QVERIFY2(log.warnings().isEmpty(), qPrintable(log.warnings().join('\n')));

        const qint64 cpuBefore = cpuMs();
        Session::spin(1500);
        const qint64 cpuUsed = cpuMs() - cpuBefore;
        QVERIFY2(cpuUsed < 750,
                 qPrintable(QStringLiteral("%1 ms of processor in 1500 ms").arg(cpuUsed)));
        QCOMPARE(s.state().portClosedReports, 1);
        QCOMPARE(s.state().count("close_port"), 1);
        QCOMPARE(s.state().texts.value("close_port"), QString());
        QCOMPARE(s.state().value("type_dev"), 0);
        QVERIFY(!s.core().deviceLink().isOpen());

        // The store command never completed: the device kept what it had.
        QCOMPARE(s.store().presets, setup.presets);

        // The device is back (a new pty): opening it runs the start-up burst
        // at the next tick and the panel shows the device again.
        QVERIFY(s.restartDevice());
        const int opened = s.state().count("open_port");
        QVERIFY(s.openPort());
        QCOMPARE(s.state().count("open_port"), opened + 1);
        QVERIFY(s.waitIdle());
        // The start-up reading, then learning what the device stores.
        const QList<QByteArray> burst = {"olkdev\r\n", "olkver\r\n", "rns\r\n", "rn\r\n", "gb\r\n",
                                         "gs\r\n",     "gm\r\n",     "esc\r\n", "gs\r\n"};
        QCOMPARE(s.requests(), burst);
        QCOMPARE(s.state().value("type_dev"), 2);
        QCOMPARE(s.state().value("preset"), 2);
        const QString mismatch = s.statusMismatch(setup.presets.at(2).status);
        QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
        QCOMPARE(s.state().texts.value("impulse_name"),
                 QString::fromUtf8(setup.presets.at(2).impulseName));
        QCOMPARE(s.state().portClosedReports, 1);
        QVERIFY(s.settle());
        QCOMPARE(s.deviceErrors(), 0);
    }

    // The device stops reading for 3 s in the middle of a store, as one busy
    // writing its flash might, and a knob is turned meanwhile. The program
    // waits for the line instead of forcing bytes onto it: the port stays
    // open, the impulse arrives byte for byte and is sent once, and the
    // knob's command follows the store's last piece instead of landing
    // inside it.
    void stallDuringStore()
    {
        DeviceSetup setup;
        setup.presets = makePresets(2, 909);
        setup.faults = QStringList{"--stall-after", "20000", "--stall-for", "3000"};
        Session s;
        QVERIFY(s.start(setup));
        Core &core = s.core();

        const QByteArray samples = samplesFor(10000 * 3);
        const QString wav = work.filePath("Stall Cab.wav");
        writeFile(wav, wavFile({1, 1, 48000, 24, false, {}, samples}));
        core.setImpuls(wav); // the preview is shorter than the stall point
        QVERIFY(s.waitIdle());
        QCOMPARE(s.stats().value("stalls").toInt(), 0);

        core.slSaveUpDown(0);
        QVERIFY(Session::waitFor([&] { return s.stats().value("stalls").toInt() == 1; }, 5000));
        QVERIFY(s.core().deviceLink().sendingInPieces());
        core.setValue("master_volume", 42);
        QVERIFY(s.waitIdle(15000));

        QVERIFY(s.core().deviceLink().isOpen());
        QCOMPARE(s.state().portClosedReports, 0);
        QCOMPARE(s.state().errReports, 0);
        const StoredPreset stored = s.store().presets.at(0);
        QCOMPARE(stored.impulseName, QByteArray("Stall_Cab.wav"));
        QVERIFY(stored.wav == storedImage(samples));

        const QList<QByteArray> requests = s.requests();
        const QByteArray store = "cc Stall_Cab.wav 0\r" + storedImage(samples).toHex() + "\r";
        QCOMPARE(requests.count(store), 1);
        const int at = requests.indexOf(store);
        QVERIFY(at >= 0 && at + 2 < requests.size());
        QCOMPARE(requests.at(at + 1), QByteArray("mv 2a\r\n"));
        QCOMPARE(requests.at(at + 2), QByteArray("sp\r\n"));
        QCOMPARE(s.stats().value("stalls").toInt(), 1);
        QCOMPARE(s.deviceErrors(), 0);
    }

    // The device answers the cabinet switch, a parameter command the program
    // writes without waiting. That answer must not be taken for the answer
    // of a request queued right after it: a status read out of step would
    // become the compare reference and the second compare press would throw
    // the later edits away.
    void cabinetAnswerOutOfStep()
    {
        DeviceSetup setup;
        setup.presets = makePresets(2, 808);
        setup.faults = QStringList{"--split", "3", "--split-gap", "4"};
        Session s;
        QVERIFY(s.start(setup));
        Core &core = s.core();
        QByteArray edited = setup.presets.at(0).status;

        const quint8 cabinet = edited.at(8) ? 0 : 1;
        edited[8] = static_cast<char>(cabinet);
        core.setValue("cabinet_enable", cabinet);
        core.send("gs\r\n");
        core.slTimer();
        QVERIFY(s.waitIdle());
        edited[7] = 99;
        core.setValue("master_volume", 99);
        core.slCompare();
        QVERIFY(s.waitIdle());
        core.slCompare();
        QVERIFY(s.waitIdle());
        QVERIFY(s.settle());
        QCOMPARE(hexText(s.readLiveStatus()), hexText(edited));
        QCOMPARE(s.state().value("master_volume"), 99);
        QCOMPARE(s.deviceErrors(), 0);
    }

    // Answers that come late, yet within the wait (1000 ms for these
    // requests, the device answers after 960 ms): nothing is sent twice.
    void slowDevice()
    {
        DeviceSetup setup;
        setup.presets = makePresets(2, 707);
        setup.faults = QStringList{"--delay", "960"};
        Session s;
        QVERIFY(s.start(setup));
        s.core().setValue("gate_decay", 61);
        s.core().slSaveUpDown(0);
        QVERIFY(s.settle());
        const QList<QByteArray> expected = {
            "olkdev\r\n", "olkver\r\n", "rns\r\n",   "rn\r\n", "gb\r\n", "gs\r\n", "gm\r\n",
            "esc\r\n",    "gs\r\n",     "gd 3d\r\n", "sp\r\n", "rn\r\n", "gs\r\n", "gm\r\n"};
        QVERIFY2(s.requests() == expected,
                 s.requests().join('|').replace('\r', ' ').replace('\n', ' ').constData());
        QCOMPARE(s.state().errReports, 0);
        QByteArray saved = setup.presets.at(0).status;
        saved[22] = 61;
        QCOMPARE(hexText(s.store().presets.at(0).status), hexText(saved));
        const QString mismatch = s.statusMismatch(saved);
        QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
        QCOMPARE(s.deviceErrors(), 0);
    }
};

VORTAXA_TEST_MAIN(TestE2eFaults)
#include "tst_e2e_faults.moc"

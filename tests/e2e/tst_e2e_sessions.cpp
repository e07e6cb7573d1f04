// The sessions a guitarist has, end to end: the real Core against the virtual
// device. Each test drives Core through its invokable methods only and checks
// what the panel was told (Core's signals) against what the device holds (its
// presets file, its answers and the requests it received).
#include "editing/preset_session.h"
#include "session.h"
#include "state/device_state.h"
#include "support/signal_recorder.h"
#include "support/status_names.h"
#include "support/test_main.h"
#include "support/wav_writer.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>

using namespace e2e;
using namespace statusnames;

namespace {

// Absolute preset number from the published bank and preset in the bank.
int position(const PanelState &s, int type)
{
    return s.value(QStringLiteral("bank")) * familySize(type) + s.value(QStringLiteral("preset"));
}

QString shownName(const StoredPreset &p)
{
    return p.impulseName.isEmpty() ? QStringLiteral("empty") : QString::fromUtf8(p.impulseName);
}

QList<QByteArray> tail(const QList<QByteArray> &list, int count)
{
    return list.mid(qMax(0, list.size() - count));
}

QByteArray randomSamples(int bytes, quint32 seed)
{
    QByteArray out(bytes, '\0');
    quint32 x = seed;
    for (char &c : out) {
        x = x * 1664525u + 1013904223u;
        c = static_cast<char>(x >> 24);
    }
    return out;
}

// The preview the device should receive for `samples`: the first 984
// samples as hex, "00" where the file has none.
QByteArray previewCommand(const QByteArray &samples)
{
    QByteArray bytes = samples.left(2952);
    bytes.append(QByteArray(2952 - bytes.size(), '\0'));
    return "cc s 1\r" + bytes.toHex() + "\r";
}

} // namespace

class TestE2eSessions : public QObject {
    Q_OBJECT

    QTemporaryDir work;
    QString wavPath(const QString &name, const QByteArray &samples, quint32 rate = 48000,
                    quint16 bits = 24, quint16 channels = 1)
    {
        const QString path = work.filePath(name);
        writeFile(path, wavFile({1, channels, rate, bits, false, {}, samples}));
        return path;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(work.isValid());
        // The store path writes its copy "wav.wav" into the working folder.
        QVERIFY(QDir::setCurrent(work.path()));
    }

    void startup_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("bank");
        QTest::addColumn<int>("preset");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QByteArray>("firmware");
        QTest::newRow("type 1, 100 presets") << 1 << 2 << 3 << 7 << QByteArray("2.03");
        QTest::newRow("type 2, 16 presets") << 2 << 3 << 1 << 12 << QByteArray("3.1b");
        QTest::newRow("type 2, on a preset without impulse") << 2 << 1 << 0 << 0 << QByteArray("1");
    }
    void startup()
    {
        QFETCH(int, type);
        QFETCH(int, bank);
        QFETCH(int, preset);
        QFETCH(int, mode);
        QFETCH(QByteArray, firmware);

        DeviceSetup setup;
        setup.type = type;
        setup.presets = makePresets(type, 11);
        setup.bank = bank;
        setup.preset = preset;
        setup.mode = mode;
        setup.firmware = firmware;
        Session s;
        s.core(); // the port timer runs from here, as in the program
        QVERIFY(s.startDevice(setup));
        QVERIFY(s.openPort());
        QCOMPARE(s.state().texts.value("open_port"), s.portPath());
        // Nothing is kicked: the port timer's next tick sends the burst.
        QVERIFY2(s.waitIdle(), qPrintable(QStringLiteral("busy %1, queue %2")
                                              .arg(s.state().busy)
                                              .arg(s.core().deviceLink().queued().size())));

        // The start-up reading, then learning what the device stores (the
        // same as what plays: nothing goes back).
        const QList<QByteArray> burst = {"olkdev\r\n", "olkver\r\n", "rns\r\n", "rn\r\n", "gb\r\n",
                                         "gs\r\n",     "gm\r\n",     "esc\r\n", "gs\r\n"};
        QCOMPARE(s.requests(), burst);
        QCOMPARE(s.deviceErrors(), 0);

        const PanelState &p = s.state();
        const StoredPreset &current = setup.presets.at(bank * familySize(type) + preset);
        QCOMPARE(p.value("type_dev"), type);
        QCOMPARE(p.texts.value("devVersion"), QString::fromUtf8(firmware));
        QCOMPARE(p.value("bank"), bank);
        QCOMPARE(p.value("preset"), preset);
        QCOMPARE(p.value("mode"), mode);
        QCOMPARE(p.texts.value("impulse_name"), shownName(current));
        QString names, flags;
        for (const StoredPreset &sp : setup.presets) {
            names += shownName(sp) + ",";
            flags += sp.impulseName.isEmpty() ? "00," : "01,";
        }
        QCOMPARE(p.texts.value("impulse_names"), names);
        QCOMPARE(p.texts.value("impulse_en"), flags);
        const QString mismatch = s.statusMismatch(current.status);
        QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
        QCOMPARE(p.value("editable"), 1);
        QCOMPARE(p.values.value("preset_edit", 0), 0); // not published by the burst
        QCOMPARE(p.value("wait"), 0);
        QVERIFY(!p.busy);
    }

    // Every parameter name through several values: each reaches the device's
    // edit buffer byte for byte, and the status read back shows it.
    void liveEditing()
    {
        DeviceSetup setup;
        setup.presets = makePresets(2, 21);
        setup.preset = 2;
        Session s;
        QVERIFY(s.start(setup));
        const QByteArray stored = setup.presets.at(2).status;

        // The upper-case aliases set the parameter but leave the preset unedited.
        QByteArray expected = stored;
        QList<QByteArray> commands;
        for (const SettableAlias &alias : settableAliases()) {
            const quint8 v = valueInRange(alias.position, 3);
            s.core().setValue(QString::fromLatin1(alias.alias), v);
            expected[alias.position] = static_cast<char>(v);
            commands << parameterCommand(alias.position, v);
        }
        s.core().setValue("on_POWERAMP", 1); // published, but not a name that sets
        QVERIFY(s.settle());
        QCOMPARE(s.state().value("preset_edit"), 0);
        QCOMPARE(tail(s.requests(), commands.size() + 1), commands + QList<QByteArray>{"gm\r\n"});
        QByteArray live = s.readLiveStatus();
        QCOMPARE(hexText(live), hexText(expected));
        QString mismatch = s.statusMismatch(expected);
        QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));

        for (int variant = 0; variant < 3; ++variant) {
            commands.clear();
            for (const StatusName &name : statusNames()) {
                const quint8 v = valueInRange(name.position, variant);
                s.core().setValue(QString::fromLatin1(name.name), v);
                expected[name.position] = static_cast<char>(v);
                commands << parameterCommand(name.position, v);
            }
            QVERIFY(s.settle());
            QCOMPARE(s.state().value("preset_edit"), 1);
            QCOMPARE(tail(s.requests(), commands.size() + 1),
                     commands + QList<QByteArray>{"gm\r\n"});
            live = s.readLiveStatus();
            QCOMPARE(hexText(live), hexText(expected));
            mismatch = s.statusMismatch(expected);
            QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
        }

        s.core().setValue("mode", 42);
        QVERIFY(s.settle());
        QCOMPARE(s.state().value("mode"), 42);

        // Live edits stay in the edit buffer: nothing was stored.
        QCOMPARE(s.store().presets.at(2), setup.presets.at(2));
        QCOMPARE(s.deviceErrors(), 0);
        QCOMPARE(s.deviceWarnings(), 0);
    }

    // Steps across the ends of banks and presets and jumps by number; after
    // each move the panel shows the preset the device is on.
    void navigation_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QStringList>("moves");  // setValue name:value
        QTest::addColumn<QList<int>>("reached"); // absolute preset after each move
        QTest::addColumn<QList<QByteArray>>("sent");

        QTest::newRow("4 x 4: preset and bank steps wrap at the ends")
            << 2 << QStringList{"preset_UpDown:0", "preset_UpDown:1", "bank_UpDown:0",
                                "bank_UpDown:1",   "preset_UpDown:1", "bank_UpDown:0"}
            << QList<int>{3, 0, 12, 0, 1, 13}
            << QList<QByteArray>{"chp 0\r\n", "chp 1\r\n", "chb 0\r\n",
                                 "chb 1\r\n", "chp 1\r\n", "chb 0\r\n"};
        QTest::newRow("4 x 4: jumps by number")
            << 2 << QStringList{"preset_change:15", "preset_change:0", "preset_change:10"}
            << QList<int>{15, 0, 10} << QList<QByteArray>{"pc f\r\n", "pc 0\r\n", "pc a\r\n"};
        QTest::newRow("10 x 10: last preset, wrap, jumps")
            << 1
            << QStringList{"preset_change:99", "preset_UpDown:1", "bank_UpDown:1",
                           "preset_change:42"}
            << QList<int>{99, 90, 0, 42}
            << QList<QByteArray>{"pc 63\r\n", "chp 1\r\n", "chb 1\r\n", "pc 2a\r\n"};
    }
    void navigation()
    {
        QFETCH(int, type);
        QFETCH(QStringList, moves);
        QFETCH(QList<int>, reached);
        QFETCH(QList<QByteArray>, sent);

        DeviceSetup setup;
        setup.type = type;
        setup.presets = makePresets(type, 31);
        Session s;
        QVERIFY(s.start(setup));
        for (int i = 0; i < moves.size(); ++i) {
            const QStringList move = moves.at(i).split(':');
            s.core().setValue(move.at(0), uchar(move.at(1).toInt()));
            QVERIFY(s.waitIdle());
            QCOMPARE(tail(s.requests(), 4),
                     (QList<QByteArray>{sent.at(i), "gb\r\n", "gs\r\n", "rn\r\n"}));
            const int at = reached.at(i);
            QCOMPARE(position(s.state(), type), at);
            const QString mismatch = s.statusMismatch(setup.presets.at(at).status);
            QVERIFY2(mismatch.isEmpty(),
                     qPrintable(QStringLiteral("at %1: %2").arg(at).arg(mismatch)));
            QCOMPARE(s.state().texts.value("impulse_name"), shownName(setup.presets.at(at)));
            QCOMPARE(s.state().value("preset_edit"), 0);
            QCOMPARE(s.state().value("editable"), 1);
        }
        QVERIFY(s.state().upDownQuestions.isEmpty());
        QVERIFY(s.state().changeQuestions.isEmpty());
        QCOMPARE(s.deviceErrors(), 0);
    }

    // A move with unsaved edits asks first; each answer does what it says.
    void unsavedEdits_data()
    {
        QTest::addColumn<bool>("jump"); // by number, else one preset up
        QTest::addColumn<QString>("answer");
        for (const bool jump : {false, true}) {
            for (const char *answer : {"save", "discard", "cancel"}) {
                QTest::addRow("%s, %s", jump ? "jump" : "step", answer) << jump << answer;
            }
        }
    }
    void unsavedEdits()
    {
        QFETCH(bool, jump);
        QFETCH(QString, answer);

        DeviceSetup setup;
        setup.presets = makePresets(2, 41);
        Session s;
        QVERIFY(s.start(setup));
        const int from = 0;
        const int to = jump ? 6 : 1;
        const uchar code = 3; // preset up

        QByteArray edited = setup.presets.at(from).status;
        edited[7] = static_cast<char>((quint8(edited.at(7)) + 17) % 101);
        edited[33] = static_cast<char>(edited.at(33) == 5 ? 6 : 5);
        s.core().setValue("master_volume", quint8(edited.at(7)));
        s.core().setValue("eq_q3", quint8(edited.at(33)));
        QVERIFY(s.settle());
        QCOMPARE(s.state().value("preset_edit"), 1);
        const int before = s.requests().size();

        if (jump)
            s.core().setValue("preset_change", uchar(to));
        else
            s.core().setValue("preset_UpDown", 1);
        QVERIFY(s.settle());
        // Asked, and nothing but the settling request reached the device.
        QCOMPARE(s.state().upDownQuestions, jump ? QList<uchar>{} : QList<uchar>{code});
        QCOMPARE(s.state().changeQuestions, jump ? QList<uchar>{uchar(to)} : QList<uchar>{});
        QCOMPARE(s.requests().mid(before), QList<QByteArray>{"gm\r\n"});

        if (answer == "save") {
            s.core().setValue(jump ? "save_change" : "save_up_down", jump ? uchar(to) : code);
            QVERIFY(s.waitIdle());
            QCOMPARE(hexText(s.store().presets.at(from).status), hexText(edited));
            QCOMPARE(position(s.state(), 2), to);
            QCOMPARE(s.state().value("preset_edit"), 0);
            const QString mismatch = s.statusMismatch(setup.presets.at(to).status);
            QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
        } else if (answer == "discard") {
            s.core().setValue(jump ? "set_preset_change" : "set_preset_updown",
                              jump ? uchar(to) : code);
            QVERIFY(s.waitIdle());
            QCOMPARE(position(s.state(), 2), to);
            QCOMPARE(s.state().value("preset_edit"), 0);
            QCOMPARE(s.store().presets.at(from), setup.presets.at(from));
            // Back on the old preset, the edits are gone on the device.
            s.core().setValue("preset_change", uchar(from));
            QVERIFY(s.waitIdle());
            QCOMPARE(position(s.state(), 2), from);
            QCOMPARE(hexText(s.readLiveStatus()), hexText(setup.presets.at(from).status));
        } else {
            // Cancel: no call at all. Still on the edited preset, still edited.
            QCOMPARE(position(s.state(), 2), from);
            QCOMPARE(s.state().value("preset_edit"), 1);
            QCOMPARE(hexText(s.readLiveStatus()), hexText(edited));
            const QString mismatch = s.statusMismatch(edited);
            QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
            QCOMPARE(s.store().presets.at(from), setup.presets.at(from));
            // The next attempt asks again.
            s.core().setValue("preset_UpDown", 1);
            QVERIFY(s.settle());
            QCOMPARE(s.state().upDownQuestions.size() + s.state().changeQuestions.size(), 2);
            QCOMPARE(position(s.state(), 2), from);
        }
        QCOMPARE(s.deviceErrors(), 0);
    }

    // The panel ends without saving or sending the device back (it was
    // closed the old way, or it crashed): the device keeps playing the
    // edits. The next panel learns what the device stores, shows the edits
    // as unsaved, and leaves the device playing them.
    void unsavedChangesFoundAtConnection()
    {
        DeviceSetup setup;
        setup.presets = makePresets(2, 73);
        setup.preset = 2;
        Session s;
        QVERIFY(s.start(setup));
        const QByteArray stored = setup.presets.at(2).status;
        QByteArray edited = stored;
        edited[7] = char((quint8(stored.at(7)) + 30) % 101);
        s.core().setValue("master_volume", quint8(edited.at(7)));
        QVERIFY(s.settle());
        s.destroyCore();

        const int before = s.requests().size();
        QVERIFY(s.openPort());
        s.core().slTimer();
        QVERIFY(s.waitIdle());
        // The start-up reading, then the stored version learned and what
        // played put back.
        const QList<QByteArray> learned = s.requests().mid(before + 7);
        QCOMPARE(learned.mid(0, 2), (QList<QByteArray>{"esc\r\n", "gs\r\n"}));
        QCOMPARE(learned.value(2), "gs 1\r" + edited.toHex() + "\r");
        QCOMPARE(s.state().value("preset_edit"), 1);
        QCOMPARE(s.state().value("master_volume"), int(quint8(edited.at(7))));
        QCOMPARE(s.core().presetSession().values().stored(), stored);
        QCOMPARE(hexText(s.readLiveStatus()), hexText(edited));
        QCOMPARE(s.store().presets.at(2), setup.presets.at(2));

        // Set back by hand to what is stored, the preset is clean again.
        s.core().setValue("master_volume", quint8(stored.at(7)));
        QCOMPARE(s.state().value("preset_edit"), 0);
        QCOMPARE(s.deviceErrors(), 0);
    }

    // Quitting with Discard sends the device back to the stored preset, so
    // the next start finds it playing what it stores.
    void quitDiscardSendsTheDeviceBack()
    {
        DeviceSetup setup;
        setup.presets = makePresets(2, 74);
        Session s;
        QVERIFY(s.start(setup));
        {
            DeviceState device(s.core().deviceLink(), s.core().presetSession(),
                               s.core().deviceReadout());
            QSignalSpy agreed(device.saveQuestion(), &SaveQuestion::quitAgreed);
            s.core().setValue("gate_decay", 7);
            QVERIFY(s.settle());
            device.saveQuestion()->answer("quit", 0, "discard");
            QVERIFY(agreed.wait(5000));
            QVERIFY(s.idle());
        }
        s.destroyCore();

        QVERIFY(s.openPort());
        s.core().slTimer();
        QVERIFY(s.waitIdle());
        QVERIFY(!s.core().presetSession().edited());
        QCOMPARE(hexText(s.readLiveStatus()), hexText(setup.presets.at(0).status));
        QVERIFY2(!s.requests().last().startsWith("gs 1"), "nothing to put back");
    }

    // Compare twice puts the edited state back exactly; escape restores the
    // stored preset.
    void compareAndEscape_data()
    {
        QTest::addColumn<QString>("before"); // what the edits go on top of
        QTest::newRow("parameter edits") << "";
        QTest::newRow("parameter edits and a chosen impulse file") << "file";
        QTest::newRow("parameter edits on a pasted preset") << "paste";
    }
    void compareAndEscape()
    {
        QFETCH(QString, before);

        DeviceSetup setup;
        setup.presets = makePresets(2, 51);
        const int source = 3;
        QVERIFY(!setup.presets.at(source).impulseName.isEmpty());
        setup.preset = 1;
        Session s;
        QVERIFY(s.start(setup));
        const QByteArray stored = setup.presets.at(1).status;

        QByteArray edited = stored;
        const QByteArray samples = randomSamples(900 * 3, 5);
        QByteArray preview = previewCommand(samples);
        QString impulseShown = "Compare Cab.wav";
        if (before == "file") {
            s.core().setImpuls(wavPath("Compare Cab.wav", samples));
            QVERIFY(s.waitIdle());
        } else if (before == "paste") {
            s.core().setValue("set_preset_change", uchar(source));
            QVERIFY(s.waitIdle());
            s.core().slCopy();
            QVERIFY(s.waitIdle());
            s.core().setValue("set_preset_change", 1);
            QVERIFY(s.waitIdle());
            s.core().slPaste();
            QVERIFY(s.waitIdle());
            edited = setup.presets.at(source).status;
            const QByteArray wav = setup.presets.at(source).wav;
            preview = "cc s 1\r" + wav.mid(44, 2952).toHex() + "\r";
            impulseShown =
                QString::fromUtf8(setup.presets.at(source).impulseName).replace(' ', '_');
        }
        for (const int position : {7, 12, 17, 29, 38}) {
            const quint8 v = valueInRange(position, quint8(edited.at(position)) == 0 ? 1 : 0);
            edited[position] = static_cast<char>(v);
            s.core().setValue(QString::fromLatin1(statusNames().at(position).name), v);
        }
        QCOMPARE(hexText(s.readLiveStatus()), hexText(edited));

        s.core().slCompare();
        QVERIFY(s.waitIdle());
        QCOMPARE(s.state().value("editable"), 0);
        QString mismatch = s.statusMismatch(stored);
        QVERIFY2(mismatch.isEmpty(), qPrintable("stored version on show: " + mismatch));
        QCOMPARE(hexText(s.lastStatusAnswer()), hexText(stored));

        s.core().slCompare();
        QVERIFY(s.waitIdle());
        QCOMPARE(s.state().value("editable"), 1);
        mismatch = s.statusMismatch(edited);
        QVERIFY2(mismatch.isEmpty(), qPrintable("edited version back: " + mismatch));
        QCOMPARE(hexText(s.lastStatusAnswer()), hexText(edited));
        QCOMPARE(s.state().value("preset_edit"), 1);
        if (!before.isEmpty()) {
            // The impulse tried on the preset plays again.
            QCOMPARE(s.requests().count(preview), 2);
            QCOMPARE(s.requests().last(), QByteArray("gs\r\n"));
            QCOMPARE(s.state().texts.value("impulse_name"), impulseShown);
        }

        s.core().slEsc();
        QVERIFY(s.waitIdle());
        QCOMPARE(s.state().value("preset_edit"), 0);
        mismatch = s.statusMismatch(stored);
        QVERIFY2(mismatch.isEmpty(), qPrintable("after escape: " + mismatch));
        QCOMPARE(hexText(s.readLiveStatus()), hexText(stored));
        QCOMPARE(s.state().texts.value("impulse_name"), shownName(setup.presets.at(1)));
        QCOMPARE(s.store().presets, setup.presets);
        QCOMPARE(s.deviceErrors(), 0);
    }

    // Saving while compare shows the stored version stores the edits, not
    // the version on show: the edits are what the user is asked about.
    void saveWhileComparing_data()
    {
        QTest::addColumn<bool>("move");
        QTest::newRow("save, asked on a move") << true;
        QTest::newRow("save pressed") << false;
    }
    void saveWhileComparing()
    {
        QFETCH(bool, move);

        DeviceSetup setup;
        setup.presets = makePresets(2, 53);
        Session s;
        QVERIFY(s.start(setup));
        QByteArray edited = setup.presets.at(0).status;
        edited[12] = static_cast<char>((quint8(edited.at(12)) + 40) % 101);
        edited[31] = static_cast<char>(edited.at(31) == -7 ? -8 : -7);
        s.core().setValue("amp_volume", quint8(edited.at(12)));
        s.core().setValue("eq_q1", quint8(edited.at(31)));
        s.core().slCompare();
        QVERIFY(s.waitIdle());
        QCOMPARE(s.state().value("editable"), 0);

        if (move) {
            s.core().setValue("bank_UpDown", 1);
            QCOMPARE(s.state().upDownQuestions, QList<uchar>{1});
            s.core().setValue("save_up_down", 1);
        } else {
            s.core().slSaveUpDown(0);
        }
        QVERIFY(s.waitIdle());
        QCOMPARE(hexText(s.store().presets.at(0).status), hexText(edited));
        QCOMPARE(s.state().value("editable"), 1);
        QCOMPARE(s.state().value("preset_edit"), 0);
        if (move) {
            QCOMPARE(position(s.state(), 2), 4);
        } else {
            const QString mismatch = s.statusMismatch(edited);
            QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
        }
        QCOMPARE(s.deviceErrors(), 0);
    }

    // Escape restores the stored preset, impulse included: a save right
    // after it stores the preset as it was, whatever had been tried on it.
    void escapeThenSave_data()
    {
        QTest::addColumn<QString>("tried");
        QTest::newRow("impulse file previewed") << "file";
        QTest::newRow("preset with an impulse pasted") << "paste";
        QTest::newRow("preset without impulse pasted") << "paste none";
    }
    void escapeThenSave()
    {
        QFETCH(QString, tried);

        DeviceSetup setup;
        setup.presets = makePresets(2, 57);
        const int target = 3;
        QVERIFY(!setup.presets.at(target).impulseName.isEmpty());
        QVERIFY(setup.presets.at(4).impulseName.isEmpty());
        Session s;
        QVERIFY(s.start(setup));
        if (tried == "file") {
            s.core().setValue("set_preset_change", uchar(target));
            QVERIFY(s.waitIdle());
            s.core().setImpuls(wavPath("Tried Cab.wav", randomSamples(1200 * 3, 17)));
        } else {
            s.core().setValue("set_preset_change", uchar(tried == "paste" ? 1 : 4));
            QVERIFY(s.waitIdle());
            s.core().slCopy();
            QVERIFY(s.waitIdle());
            s.core().setValue("set_preset_change", uchar(target));
            QVERIFY(s.waitIdle());
            s.core().slPaste();
        }
        QVERIFY(s.waitIdle());
        QCOMPARE(s.state().value("preset_edit"), 1);

        s.core().slEsc();
        QVERIFY(s.waitIdle());
        QCOMPARE(s.state().value("preset_edit"), 0);
        QCOMPARE(s.state().texts.value("impulse_name"), shownName(setup.presets.at(target)));
        s.core().slSaveUpDown(0);
        QVERIFY(s.waitIdle());
        QVERIFY2(s.store().presets.at(target) == setup.presets.at(target),
                 qPrintable("stored as " + s.store().presets.at(target).impulseName));
        QCOMPARE(s.state().texts.value("impulse_name"), shownName(setup.presets.at(target)));
        QCOMPARE(s.deviceErrors(), 0);
    }

    // A real WAV file chosen, previewed and saved: the device holds its image
    // under the file's name.
    void impulse_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<int>("sampleBytes");
        QTest::addColumn<QByteArray>("storedName");
        QTest::newRow("short file with a space in its name")
            << "My Cab.wav" << 2000 * 3 << QByteArray("My_Cab.wav");
        QTest::newRow("longer than a slot holds")
            << "Big  Room.wav" << 20000 * 3 << QByteArray("Big__Room.wav");
    }
    void impulse()
    {
        QFETCH(QString, fileName);
        QFETCH(int, sampleBytes);
        QFETCH(QByteArray, storedName);

        DeviceSetup setup;
        setup.presets = makePresets(2, 61);
        setup.preset = 2;
        Session s;
        QVERIFY(s.start(setup));
        const QByteArray samples = randomSamples(sampleBytes, 9);
        const QString path = wavPath(fileName, samples);

        s.core().setImpuls(path);
        QVERIFY(s.waitIdle());
        QCOMPARE(s.state().texts.value("impulse_name"), fileName);
        QCOMPARE(s.state().value("preset_edit"), 1);
        QCOMPARE(s.requests().last(), previewCommand(samples));
        QCOMPARE(s.store().presets, setup.presets); // a preview stores nothing

        s.core().slSaveUpDown(0);
        QVERIFY(s.waitIdle());
        const QByteArray image = storedImage(samples.left(32000));
        const StoredPreset stored = s.store().presets.at(2);
        QCOMPARE(stored.impulseName, storedName);
        QCOMPARE(stored.wav.size(), image.size());
        QVERIFY(stored.wav == image);
        QCOMPARE(stored.status, setup.presets.at(2).status);
        QCOMPARE(s.state().texts.value("impulse_name"), QString::fromUtf8(storedName));
        QCOMPARE(s.state().value("preset_edit"), 0);
        QVERIFY(readFile(QDir::current().filePath("wav.wav")) == image);
        QCOMPARE(s.deviceErrors(), 0);
    }

    void unsupportedImpulse_data()
    {
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("bits");
        QTest::addColumn<int>("channels");
        QTest::newRow("44.1 kHz") << 44100 << 24 << 1;
        QTest::newRow("16-bit") << 48000 << 16 << 1;
        QTest::newRow("stereo") << 48000 << 24 << 2;
    }
    void unsupportedImpulse()
    {
        QFETCH(int, rate);
        QFETCH(int, bits);
        QFETCH(int, channels);

        DeviceSetup setup;
        setup.presets = makePresets(2, 71);
        Session s;
        QVERIFY(s.start(setup));
        const int before = s.requests().size();
        const QString path =
            wavPath("unsupported.wav", randomSamples(1000 * channels * bits / 8, 3), quint32(rate),
                    quint16(bits), quint16(channels));
        s.core().setImpuls(path);
        QCOMPARE(s.state().notSupported, 1);
        QCOMPARE(s.state().value("wait"), 0);
        QVERIFY(s.settle());
        QCOMPARE(s.requests().mid(before), QList<QByteArray>{"gm\r\n"});
        QCOMPARE(s.state().values.value("preset_edit", 0), 0);
        QCOMPARE(s.state().texts.value("impulse_name"), shownName(setup.presets.at(0)));
        QCOMPARE(s.store().presets, setup.presets);
    }

    // Copy A with its impulse, move to B, paste, save: B on the device equals A.
    void copyPaste_data()
    {
        QTest::addColumn<QString>("source");
        QTest::newRow("impulse file chosen in the panel") << "file";
        QTest::newRow("impulse reported by the device") << "device";
        QTest::newRow("no impulse") << "none";
    }
    void copyPaste()
    {
        QFETCH(QString, source);

        DeviceSetup setup;
        setup.presets = makePresets(2, 81);
        const int a = source == "none" ? 4 : 1;
        const int b = 7;
        setup.presets[4].status[8] = 1; // no impulse, yet the cabinet switched on
        QVERIFY(setup.presets.at(4).impulseName.isEmpty());
        QVERIFY(!setup.presets.at(1).impulseName.isEmpty());
        QVERIFY(!setup.presets.at(b).impulseName.isEmpty());
        Session s;
        QVERIFY(s.start(setup));

        s.core().setValue("set_preset_change", uchar(a));
        QVERIFY(s.waitIdle());
        const QByteArray fileSamples = randomSamples(1500 * 3, 13);
        if (source == "file") {
            s.core().setImpuls(wavPath("Paste Cab.wav", fileSamples));
            QVERIFY(s.waitIdle());
        }
        s.core().slCopy();
        QVERIFY(s.waitIdle());

        s.core().setValue("preset_change", uchar(b));
        QVERIFY(s.settle());
        if (source == "file") { // the preview counts as an edit: the panel asks
            QCOMPARE(s.state().changeQuestions, QList<uchar>{uchar(b)});
            s.core().setValue("set_preset_change", uchar(b));
        }
        QVERIFY(s.waitIdle());
        QCOMPARE(position(s.state(), 2), b);

        s.core().slPaste();
        QVERIFY(s.waitIdle());
        QCOMPARE(s.state().value("preset_edit"), 1);
        s.core().slSaveUpDown(0);
        QVERIFY(s.waitIdle());
        QCOMPARE(s.state().value("preset_edit"), 0);

        const DeviceStore store = s.store();
        const StoredPreset &from = setup.presets.at(a);
        const StoredPreset &to = store.presets.at(b);
        QByteArray expectedStatus = from.status;
        if (source == "none")
            expectedStatus[8] = 0; // pasted without an impulse: cabinet off
        QCOMPARE(hexText(to.status), hexText(expectedStatus));
        if (source == "file") {
            QCOMPARE(to.impulseName, QByteArray("Paste_Cab.wav"));
            QVERIFY(to.wav == storedImage(fileSamples));
        } else if (source == "device") {
            QCOMPARE(to.impulseName, QByteArray(from.impulseName).replace(' ', '_'));
            QVERIFY(to.wav == from.wav);
        } else {
            QVERIFY(to.impulseName.isEmpty());
            QVERIFY(to.wav.isEmpty());
        }
        QCOMPARE(s.state().texts.value("impulse_name"),
                 to.impulseName.isEmpty() ? QString("empty") : QString::fromUtf8(to.impulseName));
        // Only B changed.
        for (int i = 0; i < setup.presets.size(); ++i) {
            if (i != b)
                QVERIFY2(store.presets.at(i) == setup.presets.at(i),
                         qPrintable(QString::number(i)));
        }
        QCOMPARE(s.deviceErrors(), 0);
    }

    // "map_update" walks every preset; what the panel is told matches the
    // device's stored presets one for one.
    void readAllPresets_data()
    {
        QTest::addColumn<int>("type");
        QTest::newRow("16 presets") << 2;
        QTest::newRow("100 presets") << 1;
    }
    void readAllPresets()
    {
        QFETCH(int, type);
        DeviceSetup setup;
        setup.type = type;
        setup.presets = makePresets(type, 91);
        setup.answerLog = false;
        Session s;
        QVERIFY(s.start(setup));
        SignalRecorder rec(&s.core());
        const int before = s.requests().size();

        s.core().setValue("map_update", 1);
        QVERIFY(s.waitIdle(60000));
        const int n = familySize(type);
        QCOMPARE(s.requests().size() - before, n * (4 + 4 * n));

        // Group the publications by the position each "gb" answer reported.
        struct Visit {
            int at = -1;
            QHash<QString, QVariant> seen;
        };
        QList<Visit> visits;
        int bank = -1;
        for (const auto &named : rec.namedValues()) {
            if (named.first == "bank") {
                bank = named.second.toInt();
                continue;
            }
            if (named.first == "preset") {
                visits.append(Visit{bank * n + named.second.toInt(), {}});
                continue;
            }
            if (!visits.isEmpty())
                visits.last().seen.insert(named.first, named.second);
        }
        QCOMPARE(visits.size(), n * (1 + n));
        QSet<int> visited;
        for (const Visit &v : visits) {
            QVERIFY(v.at >= 0 && v.at < n * n);
            visited.insert(v.at);
            const StoredPreset &p = setup.presets.at(v.at);
            QCOMPARE(v.seen.value("impulse_name").toString(), shownName(p));
            for (const StatusName &name : statusNames()) {
                const int expected =
                    publishedValue(name.position, quint8(p.status.at(name.position)));
                QVERIFY2(v.seen.value(name.name).toInt() == expected,
                         qPrintable(QStringLiteral("preset %1, %2").arg(v.at).arg(name.name)));
            }
        }
        QCOMPARE(visited.size(), n * n);
        QCOMPARE(s.deviceErrors(), 0);
    }
};

VORTAXA_TEST_MAIN(TestE2eSessions)
#include "tst_e2e_sessions.moc"

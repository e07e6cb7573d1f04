// The panel's preset map against the virtual device: "Read all" (the
// librarian's walk) fills it with what every preset holds and returns to the
// preset it started from, also when cancelled, and after "Save" only once
// the device stored the preset; a store, a paste and a restore change the
// rows of the presets they wrote.
#include "library/librarian.h"
#include "library/preset_file.h"
#include "parsing/device_readout.h"
#include "session.h"
#include "slot_list/slot_list.h"
#include "state/device_state.h"
#include "state/save_question.h"
#include "support/test_main.h"

#include <QSignalSpy>
#include <QTemporaryDir>

using namespace e2e;

namespace {

constexpr int smallType = 2;    // 4 banks of 4 presets
constexpr int home = 2 * 4 + 1; // where the device starts: 2-1

// The map's impulse text for a preset as the device stores it.
QString shownImpulse(const StoredPreset &p)
{
    return p.impulseName.isEmpty() ? QStringLiteral("empty") : QString::fromUtf8(p.impulseName);
}

QList<QByteArray> jumps(const QList<QByteArray> &requests)
{
    QList<QByteArray> out;
    for (const QByteArray &r : requests)
        if (r.startsWith("pc "))
            out.append(r.trimmed());
    return out;
}

} // namespace

class TestE2ePresetMap : public QObject {
    Q_OBJECT

    QTemporaryDir work;

    bool startDevice(Session &s, const QVector<StoredPreset> &presets)
    {
        DeviceSetup setup;
        setup.type = smallType;
        setup.presets = presets;
        setup.bank = home / 4;
        setup.preset = home % 4;
        return s.start(setup);
    }

    // Runs readAll to its end; cancelled once `cancelAfter` presets were read (0: never).
    static bool readAll(DeviceState &device, Librarian &library, int cancelAfter, bool *ok)
    {
        bool ended = false;
        const auto finished =
            QObject::connect(&library, &Librarian::finished, [&](bool success, const QString &) {
                ended = true;
                *ok = success;
            });
        const auto advanced = QObject::connect(&library, &Librarian::advanced, [&](int done, int) {
            if (done == cancelAfter)
                library.cancel();
        });
        device.readAll();
        const bool done = Session::waitFor([&] { return ended; }, 30000);
        QObject::disconnect(finished);
        QObject::disconnect(advanced);
        return done;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(work.isValid());
        QVERIFY(QDir::setCurrent(work.path()));
    }

    void readAll_data()
    {
        QTest::addColumn<int>("cancelAfter");
        QTest::addColumn<int>("read");
        QTest::newRow("every preset") << 0 << 16;
        QTest::newRow("cancelled after the fourth") << 4 << 4;
    }
    void readAll()
    {
        QFETCH(int, cancelAfter);
        QFETCH(int, read);
        const QVector<StoredPreset> presets = makePresets(smallType, 1);
        Session s;
        QVERIFY(startDevice(s, presets));
        QVERIFY(s.waitIdle());
        Librarian library = s.librarian();
        DeviceState device(s.core().deviceLink(), s.core().presetSession(),
                           s.core().deviceReadout(), &library);
        PresetMap &map = *device.presetMap();
        QCOMPARE(map.count(), 16);
        const int before = s.requests().size();

        QSignalSpy progress(&device, &DeviceState::progressChanged);
        bool ok = false;
        QVERIFY(readAll(device, library, cancelAfter, &ok));
        QCOMPARE(ok, cancelAfter == 0);
        QVERIFY(!device.readingAll());
        QVERIFY(!progress.isEmpty());

        // one walk: each preset read once, by position, status and name
        const QList<QByteArray> sent = s.requests().mid(before);
        const QList<QByteArray> walked = jumps(sent);
        QCOMPARE(walked.size(), read + 1);
        QCOMPARE(walked.last(), QByteArray("pc ") + QByteArray::number(home, 16));
        QVERIFY(!sent.contains("cc\r\n"));
        QCOMPARE(s.core().deviceReadout().presetNumber(), home);

        for (int n = 0; n < 16; ++n) {
            const QVariantMap row = map.get(n);
            const bool known = n < read || n == home;
            QCOMPARE(row.value("known").toBool(), known);
            QCOMPARE(row.value("bank").toInt(), n / 4);
            QCOMPARE(row.value("preset").toInt(), n % 4);
            if (!known)
                continue;
            QCOMPARE(row.value("impulse").toString(), shownImpulse(presets.at(n)));
            QCOMPARE(row.value("master").toInt(), int(uchar(presets.at(n).status.at(7))));
            QCOMPARE(row.value("cabinet").toInt(), int(uchar(presets.at(n).status.at(8))));
        }
    }

    // The rows a write touched show what the device now holds.
    void writes_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("target");
        QTest::newRow("a store of the current preset") << "store" << home;
        QTest::newRow("a paste onto another preset") << "paste" << 3;
        QTest::newRow("a restore of one preset") << "restore" << 5;
    }
    void writes()
    {
        QFETCH(QString, how);
        QFETCH(int, target);
        const QVector<StoredPreset> presets = makePresets(smallType, 1);
        Session s;
        QVERIFY(startDevice(s, presets));
        QVERIFY(s.waitIdle());
        Librarian library = s.librarian();
        DeviceState device(s.core().deviceLink(), s.core().presetSession(),
                           s.core().deviceReadout(), &library);
        PresetMap &map = *device.presetMap();
        bool ok = false;
        QVERIFY(readAll(device, library, 0, &ok));
        QVERIFY(ok);
        QVERIFY(s.waitIdle());
        QCOMPARE(map.get(target).value("impulse").toString(), shownImpulse(presets.at(target)));

        int master = 0;
        QString impulse;
        if (how == "store") {
            master = 77;
            impulse = shownImpulse(presets.at(home));
            s.core().setValue(QStringLiteral("master_volume"), uchar(master));
            QVERIFY(s.settle());
            QSignalSpy ended(&device, &DeviceState::saveEnded);
            s.core().presetSession().save();
            QVERIFY(Session::waitFor([&] { return !ended.isEmpty(); }, 10000));
            QVERIFY(ended.at(0).at(0).toBool());
        } else if (how == "paste") {
            master = uchar(presets.at(home).status.at(7));
            s.core().slCopy();
            QVERIFY(s.settle());
            QVERIFY(device.hasCopy());
            s.core().presetSession().selectPreset(target);
            QVERIFY(s.settle());
            s.core().slPaste();
            // what is pasted is played, not stored: the row follows what the device reports
            impulse = map.get(target).value("impulse").toString();
        } else {
            const QVector<StoredPreset> other = makePresets(smallType, 2);
            library::PresetFile file;
            file.deviceType = smallType;
            library::familyOf(smallType, &file.banks, &file.presetsPerBank);
            file.firmware = QStringLiteral("2.03");
            file.created = QDateTime::currentDateTimeUtc();
            for (int i = 0; i < other.size(); ++i) {
                library::PresetEntry entry;
                entry.bank = i / 4;
                entry.preset = i % 4;
                entry.status = other.at(i).status.toHex();
                entry.impulseName = other.at(i).impulseName;
                entry.impulseImage = other.at(i).wav;
                file.presets.append(entry);
            }
            const QString path = work.filePath(QStringLiteral("restore.json"));
            QString error;
            QVERIFY2(library::writeFile(path, file, &error), qPrintable(error));
            master = uchar(other.at(target).status.at(7));
            bool ended = false;
            connect(&library, &Librarian::askingChanged, this, [&] {
                if (library.asking())
                    library.confirm();
            });
            connect(&library, &Librarian::finished, this, [&](bool success, const QString &) {
                ended = true;
                ok = success;
            });
            QSignalSpy written(&library, &Librarian::presetWritten);
            library.restore(path, {target});
            QVERIFY(Session::waitFor([&] { return ended; }, 60000));
            QVERIFY(ok);
            QCOMPARE(written.size(), 1);
            impulse = written.at(0).at(2).toString();
            if (impulse.isEmpty())
                impulse = QStringLiteral("empty");
            QVERIFY(impulse != shownImpulse(presets.at(target)));
        }
        QVERIFY(s.settle());
        const QVariantMap row = map.get(target);
        QCOMPARE(row.value("master").toInt(), master);
        QCOMPARE(row.value("impulse").toString(), impulse);
        QVERIFY(row.value("known").toBool());
    }
    // "Read all" asked with unsaved changes: Save stores them first and the
    // walk starts once the save's exchange is over; Don't save reads at once
    // and the changes go. Either way the slot list is asked for once, after
    // the walk, not inside it where the walk's jumps would drop it.
    void readAllAfterTheQuestion_data()
    {
        QTest::addColumn<QString>("choice");
        QTest::addColumn<bool>("stored");
        QTest::newRow("save, then read") << "save" << true;
        QTest::newRow("don't save, read") << "discard" << false;
    }
    void readAllAfterTheQuestion()
    {
        QFETCH(QString, choice);
        QFETCH(bool, stored);
        const QVector<StoredPreset> presets = makePresets(smallType, 1);
        Session s;
        QVERIFY(startDevice(s, presets));
        QVERIFY(s.waitIdle());
        Librarian library = s.librarian();
        SlotList slotList(s.core().deviceLink());
        DeviceState device(s.core().deviceLink(), s.core().presetSession(),
                           s.core().deviceReadout(), &library);
        device.setNeighbours(nullptr, &slotList, nullptr);
        const int master = 77;
        QVERIFY(uchar(presets.at(home).status.at(7)) != master);
        s.core().setValue(QStringLiteral("master_volume"), uchar(master));
        QVERIFY(s.settle());
        const int before = s.requests().size();

        bool ended = false;
        bool ok = false;
        connect(&library, &Librarian::finished, this, [&](bool success, const QString &) {
            ended = true;
            ok = success;
        });
        device.saveQuestion()->answer(QStringLiteral("sweep"), 0, choice);
        QVERIFY(Session::waitFor([&] { return ended; }, 30000));
        QVERIFY2(ok, "the walk read every preset");
        QVERIFY(s.settle());

        QList<QByteArray> sent;
        for (const QByteArray &r : s.requests().mid(before))
            sent << r.trimmed();
        const int save = sent.indexOf("sp");
        const int walk = sent.indexOf("olkdev");
        const int lastJump = sent.lastIndexOf(QByteArray("pc ") + QByteArray::number(home, 16));
        QCOMPARE(save >= 0, stored);
        QVERIFY2(walk > save, "the walk starts after the save's exchange");
        QCOMPARE(sent.count("olkdev"), 1);
        QCOMPARE(jumps(s.requests().mid(before)).size(), 16 + 1); // every preset, then back
        QCOMPARE(sent.count("rns"), 1);
        QVERIFY2(sent.indexOf("rns") > lastJump, "the slot list is asked after the walk");
        QCOMPARE(device.presetMap()->get(home).value("master").toInt(),
                 stored ? master : int(uchar(presets.at(home).status.at(7))));
        QCOMPARE(s.store().presets.at(home).status.at(7) == char(master), stored);
    }
};

VORTAXA_TEST_MAIN(TestE2ePresetMap)
#include "tst_e2e_preset_map.moc"

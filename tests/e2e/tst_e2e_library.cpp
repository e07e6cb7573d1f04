// The librarian end to end: backups, restores, exports and imports between
// the real Core and the virtual device, checked against the device's presets
// file and the requests it received.
#include "impulse/wav_image.h"
#include "library/librarian.h"
#include "library/preset_file.h"
#include "session.h"
#include "support/test_main.h"
#include "support/wav_writer.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>

using namespace e2e;

namespace {

constexpr int smallType = 2; // 4 banks of 4 presets: a whole device in seconds

// The outcome of one librarian operation, and the question a restore asked.
struct Outcome {
    bool ended = false;
    bool ok = false;
    QString message;
    QString question;
    QVariantMap plan;
};

// Waits for the operation started by `start` to finish; a restore that asks
// is confirmed.
Outcome run(Librarian &library, const std::function<void()> &start, int timeoutMs = 60000)
{
    Outcome outcome;
    const auto connection =
        QObject::connect(&library, &Librarian::finished, [&](bool ok, const QString &message) {
            outcome.ended = true;
            outcome.ok = ok;
            outcome.message = message;
        });
    const auto asked = QObject::connect(&library, &Librarian::askingChanged, [&] {
        if (!library.asking())
            return;
        outcome.question = library.question();
        outcome.plan = library.plan();
        library.confirm();
    });
    start();
    Session::waitFor([&] { return outcome.ended; }, timeoutMs);
    QObject::disconnect(connection);
    QObject::disconnect(asked);
    return outcome;
}

// The impulse stores among `requests` ("cc NAME 0\r..."), by name.
QList<QByteArray> impulseStores(const QList<QByteArray> &requests)
{
    QList<QByteArray> names;
    for (const QByteArray &r : requests) {
        if (r.startsWith("cc ") && !r.startsWith("cc s 1"))
            names.append(r.mid(3, r.indexOf(' ', 3) - 3));
    }
    return names;
}

QString described(const Outcome &o)
{
    return o.ended ? QStringLiteral("%1: %2").arg(o.ok ? "ok" : "failed", o.message)
                   : QStringLiteral("never finished");
}

// The device's presets as the librarian's file would hold them after a
// store: names as the store command carries them.
StoredPreset asStored(const StoredPreset &p)
{
    return {p.status, wav::storeName(p.impulseName), p.wav};
}

StoredPreset fromEntry(const library::PresetEntry &e)
{
    return {QByteArray::fromHex(e.status), e.impulseName, e.impulseImage};
}

library::PresetFile readBack(const QString &path)
{
    library::PresetFile file;
    QString error;
    if (!library::readFile(path, &file, &error))
        qWarning("%s: %s", qPrintable(path), qPrintable(error));
    return file;
}

// Presets that differ from makePresets(type, 1) everywhere, with impulses
// where those have none and none where those have one (rotated by one).
QVector<StoredPreset> otherPresets(int type)
{
    const QVector<StoredPreset> made = makePresets(type, 2);
    QVector<StoredPreset> rotated;
    for (int i = 0; i < made.size(); ++i)
        rotated.append(made.at((i + 1) % made.size()));
    return rotated;
}

QString presetText(const StoredPreset &p)
{
    return QStringLiteral("status %1, impulse \"%2\" (%3 bytes)")
        .arg(hexText(p.status), QString::fromUtf8(p.impulseName))
        .arg(p.wav.size());
}

} // namespace

class TestE2eLibrary : public QObject {
    Q_OBJECT

    QTemporaryDir work;

    // A device with makePresets(smallType, 1), at bank 2, preset 1.
    bool startDevice(Session &s, const QStringList &faults = {})
    {
        DeviceSetup setup;
        setup.type = smallType;
        setup.presets = makePresets(smallType, 1);
        setup.bank = 2;
        setup.preset = 1;
        setup.faults = faults;
        return s.start(setup);
    }

    // The device process replaced by one holding `presets`, at bank 1,
    // preset 3; Core reconnects.
    static bool replaceDevice(Session &s, const QVector<StoredPreset> &presets)
    {
        DeviceSetup setup;
        setup.type = smallType;
        setup.presets = presets;
        setup.bank = 1;
        setup.preset = 3;
        s.stopDevice();
        return s.start(setup);
    }

    // A valid backup of makePresets(smallType, 1) as JSON, made once.
    QJsonObject backupJson()
    {
        library::PresetFile file;
        file.deviceType = smallType;
        library::familyOf(smallType, &file.banks, &file.presetsPerBank);
        file.firmware = QStringLiteral("2.03");
        file.created = QDateTime::currentDateTimeUtc();
        const QVector<StoredPreset> presets = makePresets(smallType, 1);
        for (int i = 0; i < presets.size(); ++i) {
            library::PresetEntry entry;
            entry.bank = i / file.presetsPerBank;
            entry.preset = i % file.presetsPerBank;
            entry.status = presets.at(i).status.toHex();
            entry.impulseName = presets.at(i).impulseName;
            entry.impulseImage = presets.at(i).wav;
            file.presets.append(entry);
        }
        return QJsonDocument::fromJson(library::toJson(file)).object();
    }

    QString writeWork(const QString &name, const QByteArray &bytes)
    {
        const QString path = work.filePath(name);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            return QString();
        return path;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(work.isValid());
        QVERIFY(QDir::setCurrent(work.path())); // the store path's "wav.wav" copy lands here
    }

    // Back up, change every preset, restore, back up again: the presets come
    // back byte for byte (names as the store command carries them), the
    // safety copy holds what the device held, and the panel ends on the
    // preset it started on.
    void roundTrip_data()
    {
        QTest::addColumn<QVariantList>("chosen");
        QTest::newRow("every preset") << QVariantList();
        QTest::newRow("three presets") << QVariantList{0, 4, 15};
    }
    void roundTrip()
    {
        QFETCH(QVariantList, chosen);
        Session s;
        QVERIFY(startDevice(s));
        Librarian library = s.librarian();
        QSignalSpy progress(&library, &Librarian::advanced);
        const QVector<StoredPreset> original = makePresets(smallType, 1);
        const QString first = work.filePath(QStringLiteral("first.json"));

        Outcome o = run(library, [&] { library.backup(first); });
        QVERIFY2(o.ok, qPrintable(described(o)));
        QCOMPARE(progress.size(), original.size());
        QCOMPARE(progress.last(), (QList<QVariant>{original.size(), original.size()}));
        const library::PresetFile backup = readBack(first);
        QCOMPARE(backup.presets.size(), original.size());
        for (int i = 0; i < original.size(); ++i)
            QVERIFY2(fromEntry(backup.presets.at(i)) == original.at(i),
                     qPrintable(QString::number(i)));
        QCOMPARE(backup.firmware, QStringLiteral("2.03"));
        QCOMPARE(s.state().value("bank"), 2);
        QCOMPARE(s.state().value("preset"), 1);
        QVERIFY(!library.busy());

        const QVector<StoredPreset> changed = otherPresets(smallType);
        QVERIFY(replaceDevice(s, changed));
        o = run(library, [&] {
            chosen.isEmpty() ? library.restore(first) : library.restore(first, chosen);
        });
        QVERIFY2(o.ok, qPrintable(described(o)));
        QCOMPARE(s.deviceErrors(), 0);

        // The device holds the file's presets where chosen, the others untouched.
        const DeviceStore store = s.store();
        QCOMPARE(store.presets.size(), original.size());
        for (int i = 0; i < original.size(); ++i) {
            const bool restored = chosen.isEmpty() || chosen.contains(i);
            const StoredPreset expected = restored ? asStored(original.at(i)) : changed.at(i);
            QVERIFY2(store.presets.at(i) == expected,
                     qPrintable(QStringLiteral("preset %1: %2, expected %3")
                                    .arg(i)
                                    .arg(presetText(store.presets.at(i)), presetText(expected))));
        }

        // The safety copy holds what the restored presets held before.
        const QStringList copies =
            QDir(library.safetyFolder()).entryList({"*.json"}, QDir::Files, QDir::Time);
        QVERIFY(!copies.isEmpty());
        QVERIFY(o.message.contains(copies.first()));
        const library::PresetFile safety =
            readBack(QDir(library.safetyFolder()).filePath(copies.first()));
        QCOMPARE(safety.presets.size(), chosen.isEmpty() ? original.size() : chosen.size());
        for (const library::PresetEntry &e : safety.presets)
            QVERIFY(fromEntry(e) == changed.at(safety.number(e)));

        // A second backup reads the same presets back.
        const QString second = work.filePath(QStringLiteral("second.json"));
        o = run(library, [&] { library.backup(second); });
        QVERIFY2(o.ok, qPrintable(described(o)));
        const library::PresetFile again = readBack(second);
        for (int i = 0; i < original.size(); ++i) {
            if (chosen.isEmpty() || chosen.contains(i))
                QVERIFY(fromEntry(again.presets.at(i)) == asStored(original.at(i)));
        }
        QCOMPARE(s.state().value("bank"), 1);
        QCOMPARE(s.state().value("preset"), 3);
        QCOMPARE(s.deviceErrors(), 0);
    }

    // A backup restored onto the device it came from (impulse names with
    // spaces) stores no impulse and renames nothing; with one preset's
    // parameters changed on the device, that preset alone is written, still
    // without an impulse store.
    void restoreOntoTheSameDevice_data()
    {
        QTest::addColumn<QVariantList>("chosen");
        QTest::addColumn<int>("changedOnDevice"); // a preset whose master volume differs; -1: none
        QTest::newRow("every preset, nothing changed") << QVariantList() << -1;
        QTest::newRow("two presets, nothing changed") << QVariantList{1, 6} << -1;
        QTest::newRow("every preset, one parameter changed") << QVariantList() << 6;
    }
    void restoreOntoTheSameDevice()
    {
        QFETCH(QVariantList, chosen);
        QFETCH(int, changedOnDevice);
        Session s;
        QVERIFY(startDevice(s));
        Librarian library = s.librarian();
        const QVector<StoredPreset> original = makePresets(smallType, 1);
        QVERIFY(original.at(1).impulseName.contains(' ')); // the case at stake
        const QString path = work.filePath(QStringLiteral("same.json"));
        QVERIFY(run(library, [&] { library.backup(path); }).ok);
        if (changedOnDevice >= 0) {
            QVector<StoredPreset> device = original;
            device[changedOnDevice].status[7] = char(device[changedOnDevice].status[7] ^ 0x01);
            QVERIFY(replaceDevice(s, device));
        }
        QVERIFY(s.settle());
        const int before = s.requests().size();
        QSignalSpy writtenSpy(&library, &Librarian::presetWritten);

        const Outcome o = run(library, [&] {
            chosen.isEmpty() ? library.restore(path) : library.restore(path, chosen);
        });
        QVERIFY2(o.ok, qPrintable(described(o)));
        const QList<QByteArray> sent = s.requests().mid(before);
        QCOMPARE(impulseStores(sent), QList<QByteArray>());
        QVERIFY(!sent.contains("dcc\r\n"));
        // Every name and image as it was, spaces and all.
        const DeviceStore store = s.store();
        for (int i = 0; i < original.size(); ++i)
            QVERIFY2(
                store.presets.at(i) == original.at(i),
                qPrintable(
                    QStringLiteral("preset %1: %2").arg(i).arg(presetText(store.presets.at(i)))));
        if (changedOnDevice < 0) {
            QVERIFY(o.question.isEmpty()); // nothing to ask about
            QVERIFY2(o.message.startsWith(QLatin1String("Nothing needed restoring")),
                     qPrintable(o.message));
            QCOMPARE(writtenSpy.size(), 0);
            QVERIFY(!sent.contains("sp\r\n"));
        } else {
            QCOMPARE(o.plan.value("presets").toInt(), 1);
            QCOMPARE(o.plan.value("parameterSets").toInt(), 1);
            QCOMPARE(o.plan.value("impulses").toInt(), 0);
            QCOMPARE(o.plan.value("matching").toInt(), original.size() - 1);
            QVERIFY2(o.question.startsWith(QLatin1String("Restore 1 preset from same.json: 1 "
                                                         "parameter set, 0 impulses.")),
                     qPrintable(o.question));
            QCOMPARE(writtenSpy.size(), 1);
            QCOMPARE(writtenSpy.first().at(0).toInt(), changedOnDevice);
            QCOMPARE(writtenSpy.first().at(2).toString(),
                     QString::fromUtf8(original.at(changedOnDevice).impulseName));
            QVERIFY2(o.message.contains(QStringLiteral("15 presets already matched")),
                     qPrintable(o.message));
        }
        QCOMPARE(s.deviceErrors(), 0);
    }

    // Three presets' impulses changed on the device (two images, one name):
    // the restore stores exactly those three, says so before and after, and
    // reports what the device now holds for each.
    void restoreSendsOnlyTheChangedImpulses()
    {
        Session s;
        QVERIFY(startDevice(s));
        Librarian library = s.librarian();
        const QVector<StoredPreset> original = makePresets(smallType, 1);
        const QString path = work.filePath(QStringLiteral("three.json"));
        QVERIFY(run(library, [&] { library.backup(path); }).ok);

        QVector<StoredPreset> device = original;
        const QList<int> changed = {1, 6, 12};
        for (int i : changed)
            QVERIFY(!device.at(i).impulseName.isEmpty());
        QByteArray &last = device[1].wav;
        last[last.size() - 1] = char(last.at(last.size() - 1) ^ 0x55);
        device[6].wav[50] = char(device[6].wav.at(50) ^ 0x01);
        device[12].impulseName = "Other Cab";
        QVERIFY(replaceDevice(s, device));
        QVERIFY(s.settle());
        const int before = s.requests().size();
        QSignalSpy writtenSpy(&library, &Librarian::presetWritten);

        const Outcome o = run(library, [&] { library.restore(path); });
        QVERIFY2(o.ok, qPrintable(described(o)));
        QList<QByteArray> expectedStores;
        for (int i : changed)
            expectedStores.append(wav::storeName(original.at(i).impulseName));
        QCOMPARE(impulseStores(s.requests().mid(before)), expectedStores);
        QCOMPARE(o.plan.value("presets").toInt(), 3);
        QCOMPARE(o.plan.value("impulses").toInt(), 3);
        QCOMPARE(o.plan.value("parameterSets").toInt(), 0);
        QVERIFY2(o.question.contains(QStringLiteral("3 impulses (%1, %2, %3)")
                                         .arg(QString::fromUtf8(original.at(1).impulseName),
                                              QString::fromUtf8(original.at(6).impulseName),
                                              QString::fromUtf8(original.at(12).impulseName))),
                 qPrintable(o.question));
        QVERIFY2(o.question.contains(QLatin1String("The other 13 already match")),
                 qPrintable(o.question));
        QVERIFY2(o.message.contains(QLatin1String("3 impulse names were stored with \"_\" for "
                                                  "spaces")),
                 qPrintable(o.message));

        const DeviceStore store = s.store();
        for (int i = 0; i < original.size(); ++i) {
            const StoredPreset expected =
                changed.contains(i) ? asStored(original.at(i)) : original.at(i);
            QVERIFY2(
                store.presets.at(i) == expected,
                qPrintable(
                    QStringLiteral("preset %1: %2").arg(i).arg(presetText(store.presets.at(i)))));
        }
        QCOMPARE(writtenSpy.size(), 3);
        for (int k = 0; k < 3; ++k) {
            QCOMPARE(writtenSpy.at(k).at(0).toInt(), changed.at(k));
            QCOMPARE(writtenSpy.at(k).at(2).toString(),
                     QString::fromUtf8(wav::storeName(original.at(changed.at(k)).impulseName)));
        }
        QCOMPARE(s.deviceErrors(), 0);
    }

    // Cancel at the question: nothing is written and no safety copy is left.
    void cancelAtTheQuestion()
    {
        Session s;
        QVERIFY(startDevice(s));
        Librarian library = s.librarian();
        const QString path = work.filePath(QStringLiteral("asked.json"));
        QVERIFY(run(library, [&] { library.backup(path); }).ok);
        QVERIFY(replaceDevice(s, otherPresets(smallType)));
        QVERIFY(s.settle());
        const DeviceStore storeBefore = s.store();
        const QStringList copiesBefore = QDir(library.safetyFolder()).entryList(QDir::Files);
        QSignalSpy finished(&library, &Librarian::finished);
        library.restore(path);
        QVERIFY(Session::waitFor([&] { return library.asking(); }, 30000));
        QVERIFY(library.busy());
        QCOMPARE(s.state().value("bank"), 1); // back where it was while asking
        QCOMPARE(s.state().value("preset"), 3);
        const int before = s.requests().size();
        library.cancel();
        QCOMPARE(finished.size(), 1);
        QCOMPARE(finished.first().at(0).toBool(), false);
        QVERIFY(finished.first().at(1).toString().contains(QLatin1String("nothing was written")));
        QVERIFY(!library.busy());
        QVERIFY(s.settle());
        QCOMPARE(s.requests().mid(before), QList<QByteArray>{"gm\r\n"});
        QVERIFY(s.store().presets == storeBefore.presets);
        QCOMPARE(QDir(library.safetyFolder()).entryList(QDir::Files), copiesBefore);
    }

    // The device goes away in the middle of the writes: the outcome says
    // where the restore stopped, what was written before, and points to the
    // safety copy, which holds what the presets held.
    void deviceGoneMidRestore()
    {
        Session s;
        QVERIFY(startDevice(s));
        Librarian library = s.librarian();
        const QString path = work.filePath(QStringLiteral("gone.json"));
        QVERIFY(run(library, [&] { library.backup(path); }).ok);
        const QVector<StoredPreset> changed = otherPresets(smallType);
        DeviceSetup setup;
        setup.type = smallType;
        setup.presets = changed;
        setup.bank = 1;
        setup.preset = 3;
        // Start-up 7, identify 3, 16 reads of 4, back home 4, then the
        // writes: about two presets in.
        setup.faults = QStringList{"--vanish-after", "92"};
        s.stopDevice();
        QVERIFY(s.start(setup));

        const Outcome o = run(library, [&] { library.restore(path); });
        QVERIFY2(o.ended && !o.ok, qPrintable(described(o)));
        QCOMPARE(o.plan.value("presets").toInt(), changed.size());
        QVERIFY2(o.message.startsWith(QLatin1String("The restore stopped at Preset ")),
                 qPrintable(o.message));
        QVERIFY2(o.message.contains(QLatin1String("puts them back")), qPrintable(o.message));
        const QStringList copies =
            QDir(library.safetyFolder()).entryList({"*.json"}, QDir::Files, QDir::Time);
        QVERIFY(!copies.isEmpty());
        QVERIFY(o.message.contains(copies.first()));
        const library::PresetFile safety =
            readBack(QDir(library.safetyFolder()).filePath(copies.first()));
        QCOMPARE(safety.presets.size(), changed.size());
        for (const library::PresetEntry &e : safety.presets)
            QVERIFY(fromEntry(e) == changed.at(safety.number(e)));
        QVERIFY(!library.busy());
    }

    // A file that cannot be restored is refused with its reason before
    // anything reaches the device; the same file is refused by import.
    void badFiles_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("reason");

        const QJsonObject good = backupJson();
        const QByteArray goodText = QJsonDocument(good).toJson();
        const auto withPreset = [&](int index, const std::function<void(QJsonObject &)> &change) {
            QJsonObject json = good;
            QJsonArray presets = json.value("presets").toArray();
            QJsonObject preset = presets.at(index).toObject();
            change(preset);
            presets.replace(index, preset);
            json.insert("presets", presets);
            return QJsonDocument(json).toJson();
        };
        const auto image = [](int sampleBytes) {
            return QString::fromLatin1(storedImage(QByteArray(sampleBytes, '\x11')).toBase64());
        };

        QTest::newRow("truncated") << goodText.left(goodText.size() / 2) << "is cut short";
        QTest::newRow("empty") << QByteArray() << "This file is empty.";
        QTest::newRow("foreign JSON") << QByteArray(R"({"name": "shopping", "items": [1, 2]})")
                                      << "This is not a backup made by this panel.";
        QJsonObject bigger = good;
        bigger.insert("device", QJsonObject{{"type", 1}, {"banks", 10}, {"presetsPerBank", 10}});
        QTest::newRow("other device type") << QJsonDocument(bigger).toJson() << "10 banks of 10";
        QTest::newRow("bad hex") << withPreset(3, [](QJsonObject &p) {
            p.insert("status", QString(86, 'z'));
            p.remove("parameters");
        }) << "Preset 0-3 in this file is damaged (its parameters are not readable).";
        QTest::newRow("oversized impulse") << withPreset(5, [&](QJsonObject &p) {
            p.insert("impulse", QJsonObject{{"name", "Huge"}, {"wav", image(32001)}});
        }) << "holds 32001 bytes of samples";
    }
    void badFiles()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, reason);
        Session s;
        QVERIFY(startDevice(s));
        Librarian library = s.librarian();
        const QString path = writeWork(QStringLiteral("bad.json"), content);
        QVERIFY(!path.isEmpty());
        const QList<QByteArray> before = s.requests();
        const DeviceStore storeBefore = s.store();
        const QStringList copiesBefore = QDir(library.safetyFolder()).entryList(QDir::Files);

        Outcome o = run(
            library, [&] { library.restore(path); }, 1000);
        QVERIFY2(o.ended && !o.ok, qPrintable(described(o)));
        QVERIFY2(o.message.contains(reason), qPrintable(o.message));
        QVERIFY(!library.busy());
        o = run(
            library, [&] { library.importPreset(path); }, 1000);
        QVERIFY2(o.ended && !o.ok, qPrintable(described(o)));

        // A request sent now is answered after any the refusals let out.
        QVERIFY(s.settle());
        QCOMPARE(s.requests(), before + QList<QByteArray>{"gm\r\n"});
        QVERIFY(s.store().presets == storeBefore.presets);
        QCOMPARE(QDir(library.safetyFolder()).entryList(QDir::Files), copiesBefore);
    }

    // Cancel during the writes: the preset being written is finished, then
    // nothing more; every preset holds either what it held or the file's.
    void cancelMidRestore()
    {
        Session s;
        QVERIFY(startDevice(s));
        Librarian library = s.librarian();
        const QString path = work.filePath(QStringLiteral("cancel.json"));
        QVERIFY(run(library, [&] { library.backup(path); }).ok);
        const QVector<StoredPreset> original = makePresets(smallType, 1);
        const QVector<StoredPreset> changed = otherPresets(smallType);
        QVERIFY(replaceDevice(s, changed));

        int cancelledAt = -1;
        connect(&library, &Librarian::advanced, this, [&](int done, int) {
            if (cancelledAt < 0 && library.step().startsWith(QLatin1String("Writing")) &&
                done == 2) {
                cancelledAt = done;
                library.cancel();
            }
        });
        const Outcome o = run(library, [&] { library.restore(path); });
        QVERIFY2(o.ended && !o.ok, qPrintable(described(o)));
        QVERIFY2(o.message.contains(QLatin1String("cancelled")), qPrintable(o.message));
        QCOMPARE(cancelledAt, 2);

        const DeviceStore store = s.store();
        int restored = 0;
        while (restored < store.presets.size() &&
               store.presets.at(restored) == asStored(original.at(restored)))
            ++restored;
        QVERIFY2(restored >= 2 && restored < original.size(),
                 qPrintable(QString::number(restored)));
        for (int i = restored; i < store.presets.size(); ++i)
            QVERIFY2(
                store.presets.at(i) == changed.at(i),
                qPrintable(QStringLiteral("preset %1 is neither as it was nor as in the file: %2")
                               .arg(i)
                               .arg(presetText(store.presets.at(i)))));
        QVERIFY(o.message.contains(QStringLiteral("%1 of %2").arg(restored).arg(original.size())));
        QCOMPARE(s.state().value("bank"), 1);
        QCOMPARE(s.state().value("preset"), 3);
    }

    // Operations that would lose edits, run beside another, or write where
    // no file can go are refused before anything is sent.
    void refusals_data()
    {
        QTest::addColumn<QString>("situation");
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QString>("reason");
        QTest::newRow("backup with unsaved edits") << "edited"
                                                   << "backup"
                                                   << "unsaved changes";
        QTest::newRow("restore with unsaved edits") << "edited"
                                                    << "restore"
                                                    << "unsaved changes";
        QTest::newRow("export while comparing") << "comparing"
                                                << "export"
                                                << "Compare";
        QTest::newRow("import while comparing") << "comparing"
                                                << "import"
                                                << "Compare";
        QTest::newRow("restore beside a backup") << "backing up"
                                                 << "restore"
                                                 << "Another";
        QTest::newRow("backup without a device") << "closed"
                                                 << "backup"
                                                 << "No device";
        QTest::newRow("backup into a missing folder") << "no folder"
                                                      << "backup"
                                                      << "does not exist";
        QTest::newRow("export into a missing folder") << "no folder"
                                                      << "export"
                                                      << "does not exist";
    }
    void refusals()
    {
        QFETCH(QString, situation);
        QFETCH(QString, operation);
        QFETCH(QString, reason);
        Session s;
        QVERIFY(startDevice(s));
        Librarian library = s.librarian();
        const QString file = work.filePath(QStringLiteral("refusals.json"));
        QVERIFY(run(library, [&] { library.backup(file); }).ok);
        QVERIFY(s.settle());

        if (situation == "edited") {
            s.core().setValue(QStringLiteral("master_volume"), 42);
        } else if (situation == "comparing") {
            s.core().slCompare();
            QVERIFY(s.waitIdle());
        } else if (situation == "closed") {
            s.stopDevice();
            QVERIFY(Session::waitFor([&] { return s.state().portClosedReports > 0; }, 5000));
        }
        if (situation != "closed")
            QVERIFY(s.settle());
        const QList<QByteArray> before = s.requests();

        bool running = false;
        if (situation == "backing up") {
            library.backup(work.filePath(QStringLiteral("other.json")));
            running = library.busy();
            QVERIFY(running);
        }
        QSignalSpy finished(&library, &Librarian::finished);
        const QString target =
            work.filePath(situation == "no folder" ? "none/refused.json" : "refused.json");
        if (operation == "backup")
            library.backup(target);
        else if (operation == "restore")
            library.restore(file);
        else if (operation == "export")
            library.exportPreset(target);
        else
            library.importPreset(file);
        QCOMPARE(finished.size(), 1);
        QCOMPARE(finished.first().at(0).toBool(), false);
        QVERIFY2(finished.first().at(1).toString().contains(reason),
                 qPrintable(finished.first().at(1).toString()));
        QCOMPARE(library.busy(), running);
        QCOMPARE(library.fileFailed(), situation == "no folder");
        QVERIFY(!QFileInfo::exists(target));
        if (running) {
            // The running backup goes on to its end.
            QVERIFY(Session::waitFor([&] { return !library.busy(); }, 30000));
            QCOMPARE(finished.size(), 2);
            QVERIFY(finished.last().at(0).toBool());
        } else if (situation != "closed") {
            QVERIFY(s.settle());
            QCOMPARE(s.requests(), before + QList<QByteArray>{"gm\r\n"});
        }
    }

    // The file dialogs start in a folder that is there: without a folder
    // kept, the documents folder, made when it is missing.
    void suggestedFolder()
    {
        Session s;
        Librarian library = s.librarian();
        s.core().settingsStore().remove(QStringLiteral("LibraryFolder"));
        const QString documents =
            QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        QDir().rmdir(documents); // only when empty: the test's own home holds nothing there
        QVERIFY(QFileInfo(library.folder().toLocalFile()).isDir());
        QCOMPARE(library.folder().toLocalFile(), documents);
    }

    // Export writes the preset as it plays, edits included; import puts it on
    // another preset as an unsaved edit, and a save stores it there.
    void exportImport_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<QString>("impulse");
        QTest::newRow("stored impulse") << 3 << "stored";
        QTest::newRow("no impulse") << 4 << "none";
        QTest::newRow("impulse file loaded, not saved") << 6 << "file";
    }
    void exportImport()
    {
        QFETCH(int, from);
        QFETCH(QString, impulse);
        Session s;
        QVERIFY(startDevice(s));
        Librarian library = s.librarian();
        const QVector<StoredPreset> original = makePresets(smallType, 1);
        const int to = 13;
        const int perBank = familySize(smallType);

        s.core().setValue(QStringLiteral("set_preset_change"), uchar(from));
        QVERIFY(s.waitIdle());
        StoredPreset expected = original.at(from);
        if (impulse == "file") {
            QByteArray samples(2400 * 3, '\0');
            for (int i = 0; i < samples.size(); ++i)
                samples[i] = static_cast<char>(i * 7);
            const QString wavPath = work.filePath(QStringLiteral("Loaded Cab.wav"));
            writeFile(wavPath, wavFile({1, 1, 48000, 24, false, {}, samples}));
            s.core().setImpuls(wavPath);
            QVERIFY(s.waitIdle());
            expected.impulseName = "Loaded Cab.wav";
            expected.wav = storedImage(samples);
        }
        s.core().setValue(QStringLiteral("master_volume"), 42);
        expected.status[7] = 42;
        QVERIFY(s.settle());

        const QString path = work.filePath(QStringLiteral("shared.json"));
        Outcome o = run(library, [&] { library.exportPreset(path); });
        QVERIFY2(o.ok, qPrintable(described(o)));
        const library::PresetFile shared = readBack(path);
        QCOMPARE(shared.presets.size(), 1);
        QCOMPARE(shared.number(shared.presets.first()), from);
        QVERIFY2(fromEntry(shared.presets.first()) == expected,
                 qPrintable(presetText(fromEntry(shared.presets.first()))));
        QCOMPARE(s.state().value("preset_edit"), 1); // export keeps the edits

        s.core().setValue(QStringLiteral("set_preset_change"), uchar(to));
        QVERIFY(s.waitIdle());
        const StoredPreset untouched = s.store().presets.value(to, original.at(to));
        o = run(library, [&] { library.importPreset(path); });
        QVERIFY2(o.ok, qPrintable(described(o)));
        QVERIFY(o.message.contains(QLatin1String("not saved")));
        QCOMPARE(s.state().value("preset_edit"), 1);
        QCOMPARE(s.state().value("bank") * perBank + s.state().value("preset"), to);
        // As a paste leaves it: the cabinet goes off with no impulse at all.
        QByteArray live = expected.status;
        if (expected.impulseName.isEmpty())
            live[8] = 0;
        QCOMPARE(hexText(s.readLiveStatus()), hexText(live));
        QCOMPARE(s.store().presets.value(to, original.at(to)), untouched); // not stored yet

        s.core().slSaveUpDown(0);
        QVERIFY(s.waitIdle());
        const StoredPreset saved = s.store().presets.at(to);
        QCOMPARE(hexText(saved.status), hexText(live));
        if (!expected.impulseName.isEmpty()) {
            QCOMPARE(saved.impulseName, wav::storeName(expected.impulseName));
            QCOMPARE(saved.wav, expected.wav);
        } else {
            QVERIFY(saved.impulseName.isEmpty());
        }
        QCOMPARE(s.deviceErrors(), 0);
    }

    // An operation asked for while Core's queue is busy (here reading every
    // preset) starts once the queue has drained: none of the earlier
    // requests' answers is taken for its own. An edit made meanwhile is not
    // walked away from: the backup is refused then, with nothing sent.
    void waitsForTheQueue_data()
    {
        QTest::addColumn<bool>("editMeanwhile");
        QTest::newRow("the queue drains") << false;
        QTest::newRow("an edit while waiting") << true;
    }
    void waitsForTheQueue()
    {
        QFETCH(bool, editMeanwhile);
        Session s;
        QVERIFY(startDevice(s));
        Librarian library = s.librarian();
        const int before = s.requests().size();
        s.core().setValue(QStringLiteral("map_update"), 0);
        QVERIFY(!s.core().deviceLink().queueEmpty());
        const QString path = work.filePath(QStringLiteral("after-sweep.json"));
        QFile::remove(path);
        // The edit comes as the sweep's last answer leaves the queue idle,
        // as an impulse tried in the browser would.
        QMetaObject::Connection edit;
        if (editMeanwhile)
            edit = connect(&s.core(), &Core::sgSetWait, this, [&](bool wait) {
                if (wait)
                    return;
                disconnect(edit);
                s.core().setValue(QStringLiteral("master_volume"), 42);
            });
        const Outcome o = run(library, [&] {
            library.backup(path);
            QCOMPARE(library.step(), QStringLiteral("Waiting for the device to finish"));
        });
        disconnect(edit);
        const QList<QByteArray> sent = s.requests().mid(before);
        const int first = sent.indexOf("olkdev\r\n");
        if (editMeanwhile) {
            QVERIFY2(o.ended && !o.ok, qPrintable(described(o)));
            QVERIFY2(o.message.contains(QLatin1String("unsaved changes")), qPrintable(o.message));
            QVERIFY(s.settle());
            QCOMPARE(first, -1); // the backup never began
            QVERIFY(!QFileInfo::exists(path));
            QCOMPARE(s.state().value("preset_edit"), 1);
            return;
        }
        QVERIFY2(o.ok, qPrintable(described(o)));
        QVERIFY(first > 0);
        for (const QByteArray &request : sent.mid(first))
            QVERIFY2(!request.startsWith("chb") && !request.startsWith("chp"), request.constData());
        const library::PresetFile file = readBack(path);
        QCOMPARE(file.presets.size(), 16);
        for (int i = 0; i < file.presets.size(); ++i)
            QVERIFY(fromEntry(file.presets.at(i)) == makePresets(smallType, 1).at(i));
    }

    // A device that stops answering or goes away ends the operation with the
    // reason; a backup cut short writes no file.
    void deviceTrouble_data()
    {
        QTest::addColumn<QStringList>("faults");
        QTest::addColumn<QString>("reason");
        // The start-up burst is 7 requests; the backup's walk starts after 3 more.
        QTest::newRow("stops answering")
            << QStringList{"--mute-after", "20", "--mute-for", "20000"} << "did not answer";
        QTest::newRow("goes away") << QStringList{"--vanish-after", "20"} << "lost";
    }
    void deviceTrouble()
    {
        QFETCH(QStringList, faults);
        QFETCH(QString, reason);
        Session s;
        QVERIFY(startDevice(s, faults));
        Librarian library = s.librarian();
        const QString path = work.filePath(QStringLiteral("trouble.json"));
        QFile::remove(path);
        const Outcome o = run(
            library, [&] { library.backup(path); }, 30000);
        QVERIFY2(o.ended && !o.ok, qPrintable(described(o)));
        QVERIFY2(o.message.contains(reason), qPrintable(o.message));
        QVERIFY(o.message.contains(QLatin1String("No file was written")));
        QVERIFY(!QFileInfo::exists(path));
        QVERIFY(!library.busy());
    }
};

VORTAXA_TEST_MAIN(TestE2eLibrary)
#include "tst_e2e_library.moc"

// The librarian's file: what it writes reads back the same, every way a
// file can be unfit for the device is refused with its reason, and it is
// written only where a file belongs; the safety copies keep the newest.
#include "library/destination.h"
#include "library/preset_file.h"
#include "library/safety_copies.h"
#include "parameters/parameter_table.h"
#include "support/test_main.h"
#include "support/wav_writer.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <functional>
#include <sys/stat.h>

using library::PresetEntry;
using library::PresetFile;

namespace {

// A stored impulse image of `sampleBytes` recognisable sample bytes.
QByteArray image(int sampleBytes, quint32 rate = 48000, quint16 bits = 24, quint16 channels = 1)
{
    QByteArray samples(sampleBytes, '\0');
    for (int i = 0; i < sampleBytes; ++i)
        samples[i] = static_cast<char>(i * 13 + 5);
    return wavFile({1, channels, rate, bits, false, {}, samples});
}

// A status whose every value lies in its control's range, varied by `seed`.
QByteArray statusText(int seed)
{
    QByteArray bytes(43, '\0');
    for (const parameters::Parameter &p : parameters::all()) {
        if (!p.inPreset())
            continue;
        const int span = p.max - p.min + 1;
        bytes[p.position] = char(parameters::toByte(p.min + (p.position * 29 + seed * 7) % span));
    }
    return bytes.toHex();
}

// A small device's file: every preset, some with impulses (names with a
// space and with non-ASCII letters), some without.
PresetFile smallDevice()
{
    PresetFile file;
    file.deviceType = 2;
    file.banks = 4;
    file.presetsPerBank = 4;
    file.firmware = QStringLiteral("3.1b");
    file.created = QDateTime(QDate(2024, 5, 17), QTime(18, 30, 0), Qt::UTC);
    for (int n = 0; n < 16; ++n) {
        PresetEntry e;
        e.bank = n / 4;
        e.preset = n % 4;
        e.status = statusText(n);
        if (n % 3 != 2) {
            e.impulseName =
                n % 2 ? QByteArray("Closed 4x12 Edge") : QStringLiteral("Grün %1").arg(n).toUtf8();
            e.impulseImage = image(300 + 6 * n); // even: a writer pads an odd chunk
        }
        file.presets.append(e);
    }
    return file;
}

QJsonObject goodJson()
{
    return QJsonDocument::fromJson(library::toJson(smallDevice())).object();
}

QByteArray text(const QJsonObject &json)
{
    return QJsonDocument(json).toJson();
}

// The good file with one change to its `index`th preset entry.
QByteArray changedPreset(int index, const std::function<void(QJsonObject &)> &change)
{
    QJsonObject json = goodJson();
    QJsonArray presets = json.value("presets").toArray();
    QJsonObject preset = presets.at(index).toObject();
    change(preset);
    presets.replace(index, preset);
    json.insert("presets", presets);
    return text(json);
}

QByteArray changedTop(const std::function<void(QJsonObject &)> &change)
{
    QJsonObject json = goodJson();
    change(json);
    return text(json);
}

// The good file with preset entry 1's impulse image replaced.
QByteArray withImage(const QByteArray &bytes)
{
    return changedPreset(1, [&](QJsonObject &p) {
        p.insert("impulse", QJsonObject{{"name", "Cab"}, {"wav", QString(bytes.toBase64())}});
    });
}

QByteArray patched(QByteArray bytes, int offset, const QByteArray &with)
{
    bytes.replace(offset, with.size(), with);
    return bytes;
}

} // namespace

class TestPresetFile : public QObject {
    Q_OBJECT

private slots:
    // Written and read back, a file is the same, whatever its presets hold.
    void roundTrip()
    {
        const PresetFile written = smallDevice();
        PresetFile read;
        QString error;
        QVERIFY2(library::fromJson(library::toJson(written), &read, &error), qPrintable(error));
        QCOMPARE(read.deviceType, written.deviceType);
        QCOMPARE(read.banks, written.banks);
        QCOMPARE(read.presetsPerBank, written.presetsPerBank);
        QCOMPARE(read.firmware, written.firmware);
        QCOMPARE(read.created, written.created);
        QCOMPARE(read.presets.size(), written.presets.size());
        for (int i = 0; i < written.presets.size(); ++i) {
            const PresetEntry &a = written.presets.at(i);
            const PresetEntry &b = read.presets.at(i);
            QCOMPARE(b.bank, a.bank);
            QCOMPARE(b.preset, a.preset);
            QCOMPARE(b.status, a.status);
            QCOMPARE(b.impulseName, a.impulseName);
            QCOMPARE(b.impulseImage, a.impulseImage);
        }
    }

    // Parameters are written under their value names with the values the
    // panel shows: signed ones below zero, the rest 0 to 255.
    void parameters_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("byte");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("value");
        QTest::newRow("master at full") << 7 << "64"
                                        << "master_volume" << 100;
        QTest::newRow("preamp low below zero") << 17 << "fd"
                                               << "preamp_low" << -3;
        QTest::newRow("EQ Q offset at its lowest") << 35 << "f4"
                                                   << "eq_q5" << -12;
        QTest::newRow("EQ before the cabinet") << 42 << "01"
                                               << "eq_pre" << 1;
    }
    void parameters()
    {
        QFETCH(int, position);
        QFETCH(QString, byte);
        QFETCH(QString, name);
        QFETCH(int, value);
        PresetFile file = smallDevice();
        file.presets[0].status.replace(2 * position, 2, byte.toLatin1());
        const QJsonObject json = QJsonDocument::fromJson(library::toJson(file)).object();
        const QJsonObject parameters =
            json.value("presets").toArray().at(0).toObject().value("parameters").toObject();
        QCOMPARE(parameters.size(), 43);
        QCOMPARE(parameters.value(name).toInt(-1000), value);
        // The reader agrees with what was written, and not with another value.
        PresetFile read;
        QString error;
        QVERIFY2(library::fromJson(library::toJson(file), &read, &error), qPrintable(error));
        QVERIFY(!library::fromJson(changedPreset(0,
                                                 [&](QJsonObject &p) {
                                                     QJsonObject params =
                                                         p.value("parameters").toObject();
                                                     params.insert(name, value + 1);
                                                     p.insert("parameters", params);
                                                 }),
                                   &read, &error));
    }

    // Everything that makes a file unfit is refused, with the reason.
    void rejected_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("reason");
        const QByteArray good = text(goodJson());
        const QByteArray valid = image(600);

        QTest::newRow("empty") << QByteArray() << "This file is empty.";
        QTest::newRow("blank") << QByteArray(" \n") << "This file is empty.";
        QTest::newRow("cut short") << good.left(good.size() * 2 / 3) << "This backup is cut short";
        QTest::newRow("other text")
            << QByteArray("hello") << "This is not a backup made by this panel.";
        QTest::newRow("a list") << QByteArray("[1, 2, 3]")
                                << "This is not a backup made by this panel.";
        QTest::newRow("other format") << changedTop([](QJsonObject &j) { j.insert("format", "x"); })
                                      << "This is not a backup made by this panel.";
        QTest::newRow("no version") << changedTop([](QJsonObject &j) { j.remove("version"); })
                                    << "does not say which format version";
        QTest::newRow("newer version") << changedTop([](QJsonObject &j) { j.insert("version", 2); })
                                       << "made by a newer panel (format version 2";
        QTest::newRow("unknown device type") << changedTop([](QJsonObject &j) {
            j.insert("device", QJsonObject{{"type", 7}, {"banks", 4}, {"presetsPerBank", 4}});
        }) << "device type this panel does not know";
        QTest::newRow("counts unlike the type") << changedTop([](QJsonObject &j) {
            j.insert("device", QJsonObject{{"type", 2}, {"banks", 10}, {"presetsPerBank", 10}});
        }) << "do not fit its device type 2";
        QTest::newRow("no presets")
            << changedTop([](QJsonObject &j) { j.insert("presets", QJsonArray()); })
            << "holds no presets";
        QTest::newRow("more presets than the device") << changedTop([](QJsonObject &j) {
            QJsonArray presets = j.value("presets").toArray();
            presets.append(presets.at(0));
            j.insert("presets", presets);
        }) << "holds 17 presets, and its device has 16.";
        QTest::newRow("preset twice") << changedPreset(5, [](QJsonObject &p) {
            p.insert("bank", 0);
            p.insert("preset", 0);
        }) << "holds Preset 0-0 twice.";
        QTest::newRow("preset beyond the device")
            << changedPreset(2, [](QJsonObject &p) { p.insert("bank", 4); })
            << "Preset entry 3 in this file is for Preset 4-2, which the device does not have.";
        QTest::newRow("fractional position")
            << changedPreset(2, [](QJsonObject &p) { p.insert("preset", 1.5); })
            << "Preset entry 3 in this file does not say which preset it is.";
        QTest::newRow("status of 84 digits") << changedPreset(6, [](QJsonObject &p) {
            p.insert("status", p.value("status").toString().left(84));
        }) << "Preset 1-2 in this file is damaged (its parameters are incomplete).";
        QTest::newRow("status not hex") << changedPreset(6, [](QJsonObject &p) {
            p.insert("status", "g" + p.value("status").toString().mid(1));
        }) << "Preset 1-2 in this file is damaged (its parameters are not readable).";
        QTest::newRow("status a number")
            << changedPreset(6, [](QJsonObject &p) { p.insert("status", 12); })
            << "Preset 1-2 in this file is damaged (its parameters are incomplete).";
        QTest::newRow("parameter unlike the status") << changedPreset(0, [](QJsonObject &p) {
            QJsonObject params = p.value("parameters").toObject();
            params.insert("master_volume", params.value("master_volume").toInt() + 1);
            p.insert("parameters", params);
        }) << "(its Master is listed as";
        QTest::newRow("unknown parameter") << changedPreset(0, [](QJsonObject &p) {
            QJsonObject params = p.value("parameters").toObject();
            params.insert("level_MASTER", 3);
            p.insert("parameters", params);
        }) << "a parameter this panel does not know, \"level_MASTER\"";
        QTest::newRow("parameter as text") << changedPreset(0, [](QJsonObject &p) {
            QJsonObject params = p.value("parameters").toObject();
            params.insert("gate_on", "1");
            p.insert("parameters", params);
        }) << "its Gate is not a whole number";
        QTest::newRow("a value past its control's range") << changedPreset(0, [](QJsonObject &p) {
            QByteArray status = p.value("status").toString().toLatin1();
            status.replace(2 * 7, 2, "c8"); // master 200
            p.insert("status", QString::fromLatin1(status));
            p.remove("parameters");
        }) << "Preset 0-0 in this file holds Master 200, outside its range of 0 to 100.";
        QTest::newRow("impulse without a name") << changedPreset(1, [&](QJsonObject &p) {
            p.insert("impulse", QJsonObject{{"wav", QString(valid.toBase64())}});
        }) << "its impulse has no name";
        QTest::newRow("impulse named *") << changedPreset(1, [&](QJsonObject &p) {
            p.insert("impulse", QJsonObject{{"name", "*"}, {"wav", QString(valid.toBase64())}});
        }) << "not one the device keeps";
        QTest::newRow("impulse name of 256 bytes") << changedPreset(1, [&](QJsonObject &p) {
            p.insert("impulse",
                     QJsonObject{{"name", QString(256, 'n')}, {"wav", QString(valid.toBase64())}});
        }) << "not one the device keeps";
        QTest::newRow("impulse without an image") << changedPreset(1, [](QJsonObject &p) {
            p.insert("impulse", QJsonObject{{"name", "Cab"}});
        }) << "its impulse has no sound";
        QTest::newRow("image not base64") << changedPreset(1, [](QJsonObject &p) {
            p.insert("impulse", QJsonObject{{"name", "Cab"}, {"wav", "UklG*RiQ="}});
        }) << "the sound of its impulse is not readable";
        QTest::newRow("impulse a number")
            << changedPreset(1, [](QJsonObject &p) { p.insert("impulse", 5); })
            << "its impulse is not readable";
        QTest::newRow("image at 44.1 kHz") << withImage(image(600, 44100)) << "44100 Hz";
        QTest::newRow("image of 16-bit samples") << withImage(image(600, 48000, 16)) << "16-bit";
        QTest::newRow("image in stereo") << withImage(image(600, 48000, 24, 2)) << "2 channels";
        QTest::newRow("image over the device's size")
            << withImage(image(32002)) << "32002 bytes of samples; the device takes at most 32000";
        QTest::newRow("image without samples") << withImage(image(0)) << "holds no samples";
        QTest::newRow("image cut short")
            << withImage(valid.left(valid.size() - 5)) << "sizes do not match";
        QTest::newRow("image shorter than a header")
            << withImage(valid.left(30)) << "shorter than a WAV header";
        QTest::newRow("image not RIFF")
            << withImage(patched(valid, 0, "RIFX")) << "not a plain PCM";
        QTest::newRow("image of float samples")
            << withImage(patched(valid, 20, QByteArray("\x03\x00", 2))) << "not a plain PCM";
        QTest::newRow("image with a chunk before its data")
            << withImage(wavFile(
                   {1, 1, 48000, 24, false, riffChunk("LIST", "abcd"), QByteArray(30, 'x')}))
            << "not a plain PCM";
    }
    void rejected()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, reason);
        PresetFile file;
        file.firmware = QStringLiteral("untouched");
        QString error;
        QVERIFY(!library::fromJson(content, &file, &error));
        QVERIFY2(error.contains(reason), qPrintable(error));
        QCOMPARE(file.firmware, QStringLiteral("untouched")); // nothing half-read is handed out
    }

    // Reading and writing files: a file too large is not read at all, a
    // missing one says so, and a write goes to the path whole.
    void files()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        PresetFile read;
        QString error;

        QVERIFY(!library::readFile(dir.filePath("missing.json"), &read, &error));
        QVERIFY2(error.contains("This file cannot be read"), qPrintable(error));

        QFile big(dir.filePath("big.json"));
        QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(library::maxFileBytes + 1));
        big.close();
        QVERIFY(!library::readFile(big.fileName(), &read, &error));
        QVERIFY2(error.contains("too large"), qPrintable(error));

        const QString path = dir.filePath("whole.json");
        QVERIFY(writeFile(path, "an older file"));
        QVERIFY2(library::writeFile(path, smallDevice(), &error), qPrintable(error));
        QVERIFY2(library::readFile(path, &read, &error), qPrintable(error));
        QCOMPARE(read.presets.size(), 16);
        QVERIFY(!library::writeFile(dir.filePath("no/such/folder/x.json"), smallDevice(), &error));
        QVERIFY(!error.isEmpty());
    }

    // Where a file may go: a new or existing file in a folder that exists,
    // or standard output; anything else that exists is refused and left as
    // it is, before anything is written.
    void destinations_data()
    {
        QTest::addColumn<QString>("target");  // in a fresh folder: "file", "new", "fifo", ...
        QTest::addColumn<QString>("refusal"); // empty: taken
        QTest::newRow("an existing file") << "file"
                                          << "";
        QTest::newRow("a new file") << "new"
                                    << "";
        QTest::newRow("standard output") << "-"
                                         << "";
        QTest::newRow("a FIFO") << "fifo"
                                << "is a pipe (FIFO), not a file";
        QTest::newRow("a folder") << "folder"
                                  << "is a folder, not a file";
        QTest::newRow("a device") << "/dev/null"
                                  << "is a device, not a file";
        QTest::newRow("a missing folder") << "missing"
                                          << "does not exist";
    }
    void destinations()
    {
        QFETCH(QString, target);
        QFETCH(QString, refusal);
        QTemporaryDir dir;
        QString path = target.startsWith('/') || target == "-" ? target : dir.filePath(target);
        if (target == "file")
            QVERIFY(writeFile(path, "older"));
        else if (target == "fifo")
            QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        else if (target == "folder")
            QVERIFY(QDir().mkpath(path));
        else if (target == "missing")
            path = dir.filePath("missing/x.json");
        const QString problem = library::destinationProblem(path);
        QVERIFY2(refusal.isEmpty() ? problem.isEmpty() : problem.contains(refusal),
                 qPrintable(problem));
        if (refusal.isEmpty() || target == "/dev/null")
            return;
        QString error;
        QVERIFY(!library::writeFile(path, smallDevice(), &error));
        QVERIFY(error.contains(refusal));
        struct stat info = {};
        const bool exists = stat(QFile::encodeName(path).constData(), &info) == 0;
        QCOMPARE(exists, target != "missing");
        QVERIFY(!exists || !S_ISREG(info.st_mode)); // still what it was
    }

    // A new safety copy removes the oldest beyond the newest twenty; other
    // files in the folder stay.
    void safetyCopiesPruned()
    {
        QTemporaryDir dir;
        const QDateTime start = QDateTime::currentDateTime().addDays(-1);
        for (int i = 0; i < safetyCopies::kept + 3; ++i) {
            QFile copy(dir.filePath(
                QStringLiteral("before-restore-%1.json").arg(i, 2, 10, QLatin1Char('0'))));
            QVERIFY(copy.open(QIODevice::WriteOnly));
            // Named in the opposite order of their times: the time decides.
            QVERIFY(copy.setFileTime(start.addSecs(-i * 60), QFileDevice::FileModificationTime));
        }
        QVERIFY(writeFile(dir.filePath("notes.txt"), "mine"));
        safetyCopies::prune(dir.path());
        QStringList left = QDir(dir.path()).entryList(QDir::Files, QDir::Name);
        QCOMPARE(left.size(), safetyCopies::kept + 1);
        QVERIFY(left.contains("notes.txt"));
        for (int i = safetyCopies::kept; i < safetyCopies::kept + 3; ++i) // the three oldest
            QVERIFY(!left.contains(QStringLiteral("before-restore-%1.json").arg(i)));
    }
};

VORTAXA_TEST_MAIN(TestPresetFile)
#include "tst_preset_file.moc"

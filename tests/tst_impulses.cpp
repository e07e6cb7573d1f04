// `_impulses`: which files go to Core as they are and which are converted
// (into the cache folder, under the file's own name), what reaches the
// device over a real serial line, the refusal of unusable files with their
// reason, the two settings, and the description of the current impulse.
#include "audio/audio_file.h"
#include "audio/device_impulse.h"
#include "browser/impulses.h"
#include "impulse/wav_image.h"
#include "support/impulses_rig.h"
#include "support/sox.h"
#include "support/test_main.h"
#include "support/wav_writer.h"

#include <QStandardPaths>
#include <QUrl>
#include <cmath>
#include <limits>
#include <sndfile.h>

namespace {

QByteArray le(quint32 value, int bytes)
{
    QByteArray out;
    for (int i = 0; i < bytes; ++i)
        out.append(char((value >> (8 * i)) & 0xff));
    return out;
}

// The preview command the device receives for these 24-bit samples.
QByteArray previewOf(const QByteArray &samples)
{
    return "cc s 1\r" + wav::previewPayload(samples) + "\r";
}

// Samples of `bits` (8, 16, 24 little-endian integer) widened to 24 bits.
QByteArray widened(const QByteArray &data, int bits, int channels)
{
    const int width = bits / 8;
    QByteArray out;
    for (int at = 0; at + width * channels <= data.size(); at += width * channels) {
        if (width == 1)
            out += QByteArray(2, '\0') + char(uchar(data[at]) ^ 0x80);
        else
            out += QByteArray(3 - width, '\0') + data.mid(at, width);
    }
    return out;
}

QString cacheFile(const QString &name)
{
    return QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + "/impulses/" + name;
}

// `seconds` of pink noise (and brown noise in a second channel) made by sox.
QString soxNoise(const QString &path, int rate, const QStringList &encoding, int channels,
                 double seconds)
{
    QStringList args = {"-R", "-n", "-r", QString::number(rate), "-c", QString::number(channels)};
    args << encoding << path << "synth" << QString::number(seconds) << "pinknoise";
    if (channels > 1)
        args << "brownnoise";
    args << "gain"
         << "-8";
    sox(args);
    return path;
}

// The first channel of a file as sox reads it, in 24-bit samples.
QByteArray soxFirstChannel(const QString &path)
{
    return sox({path, "-t", "raw", "-b", "24", "-e", "signed-integer", "-", "remix", "1"});
}

} // namespace

using Rig = ImpulsesRig;

class TestImpulses : public QObject {
    Q_OBJECT

    ScratchDir dir;

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QVERIFY2(soxAvailable(), "sox makes the test files (Debian package sox)");
    }

    void init()
    {
        // Every test starts with the default settings.
        Core core;
        core.settingsStore().remove("ImpulseMixChannels");
        core.settingsStore().remove("ImpulseNormalise");
    }

    // Files that cannot be used: false, `failed` with the path and a reason
    // naming the file and what is wrong, and nothing reaches Core or the device.
    void refused_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes"); // empty name of a sox-made file below
        QTest::addColumn<QStringList>("words");

        const auto wav = [](quint16 format, quint16 channels, quint32 rate, quint16 bits,
                            int frames) {
            return wavFile({format,
                            channels,
                            rate,
                            bits,
                            false,
                            {},
                            patternSamples(frames, channels ? channels : 1, 3)});
        };
        const QStringList header = {"damaged header", "Save it again as a WAV file"};
        QTest::newRow("text file") << "notes.txt" << QByteArray("Closed 4x12, mic at the cap\n")
                                   << QStringList{"not an audio file"};
        QTest::newRow("text named .wav")
            << "fake.wav" << QByteArray("RIFF is not enough\n") << QStringList{"not an audio file"};
        QTest::newRow("empty") << "empty.wav" << QByteArray() << QStringList{"is empty"};
        QTest::newRow("WAV cut short")
            << "short.wav" << wav(1, 1, 48000, 24, 3000).left(44 + 3000)
            << QStringList{"cut short", "copied or downloaded completely"};
        QTest::newRow("WAV cut inside its header")
            << "stub.wav" << wav(1, 1, 48000, 24, 3000).left(30) << header;
        QTest::newRow("no samples")
            << "silent.wav" << wav(1, 1, 48000, 24, 0) << QStringList{"holds no sound"};
        QTest::newRow("no channels") << "ch0.wav" << wav(1, 0, 48000, 24, 100) << header;
        QTest::newRow("1000 channels")
            << "ch1000.wav" << wav(1, 1000, 48000, 24, 1) << QStringList{"1000 channels"};
        QTest::newRow("sample rate 0") << "rate0.wav" << wav(1, 1, 0, 24, 100) << header;
        QTest::newRow("sample rate 1 Hz")
            << "rate1.wav" << wav(1, 1, 1, 24, 100) << QStringList{"sample rate is 1 Hz"};
        QTest::newRow("sample rate 2^32 - 1")
            << "rateMax.wav" << wav(1, 1, 0xFFFFFFFF, 24, 100) << header;
        QTest::newRow("0 bits per sample") << "bits0.wav" << wav(1, 1, 48000, 0, 100) << header;
        QTest::newRow("unknown format tag") << "tag99.wav" << wav(99, 1, 48000, 24, 100) << header;
        QByteArray floats;
        for (float v : {0.5f, -0.25f, std::numeric_limits<float>::quiet_NaN(), 0.125f})
            floats.append(reinterpret_cast<const char *>(&v), 4);
        QTest::newRow("float samples that are not numbers")
            << "nan.wav" << wavFile({3, 1, 48000, 32, false, {}, floats})
            << QStringList{"damaged", "not numbers"};
        QTest::newRow("AIFF cut short") << "short.aiff" << QByteArray() << QStringList{"cut short"};
        QTest::newRow("FLAC cut short") << "short.flac" << QByteArray() << QStringList{"cut short"};
        QTest::newRow("a folder") << "folder.wav" << QByteArray() << QStringList{"is a folder"};
        QTest::newRow("no such file")
            << "missing.wav" << QByteArray() << QStringList{"cannot be found"};
    }
    void refused()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, words);
        QString path = dir.filePath(name);
        QFile::remove(path);
        if (name.startsWith("short.")) { // a sox-made file losing its second half
            const QString whole = dir.filePath("whole." + QFileInfo(name).suffix());
            soxNoise(whole, 44100, {"-b", "16"}, 2, 1.0);
            const QByteArray all = readFile(whole);
            QVERIFY(writeFile(path, all.left(all.size() / 2)));
        } else if (name == "folder.wav") {
            QDir(dir.path()).mkpath(name);
        } else if (name != "missing.wav") {
            QVERIFY(writeFile(path, bytes));
        }

        Rig rig;
        QVERIFY(!rig.impulses.load(path));
        QCOMPARE(rig.events.count("failed"), 1);
        const QVariantList failed = rig.events.of("failed").first();
        QCOMPARE(failed[0].toString(), path);
        const QString reason = failed[1].toString();
        QVERIFY2(reason.contains(name), qPrintable(reason));
        for (const QString &w : words)
            QVERIFY2(reason.contains(w), qPrintable(reason));
        // the panel's own words, never the library's
        SF_INFO sf{};
        if (SNDFILE *opened = sf_open(QFile::encodeName(path).constData(), SFM_READ, &sf))
            sf_close(opened);
        else
            QVERIFY2(!reason.contains(QString::fromUtf8(sf_strerror(nullptr)).trimmed()),
                     qPrintable(reason));

        QTest::qWait(20);
        QCOMPARE(rig.device.wire(), QByteArray()); // Core was not called
        QVERIFY(rig.link.queueEmpty());
        QVERIFY(withoutPacing(rig.rec).isEmpty());
        QVERIFY(!rig.impulses.hasCurrent());
        QCOMPARE(rig.events.count("currentChanged"), 0);

        const QVariantMap info = rig.impulses.info(path);
        QCOMPARE(info["ok"].toBool(), false);
        QCOMPARE(info["reason"].toString(), reason);
    }

    // A file Core reads exactly as it is goes unchanged; every other one is
    // converted into the cache folder under its base name. At 48 kHz no
    // resampling happens, so the device receives exactly the first channel.
    void handedOver_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("unchanged");
        QTest::addColumn<QByteArray>("samples"); // what the device plays, 24-bit

        const QByteArray s24 = patternSamples(3000, 1, 3);
        QTest::newRow("48 kHz 24-bit mono")
            << "Room 2x12.wav" << wavFile({1, 1, 48000, 24, false, {}, s24}) << true << s24;
        QTest::newRow("48 kHz 24-bit mono, extensible")
            << "Ext.wav" << wavFile({1, 1, 48000, 24, true, {}, s24}) << true << s24;
        const QByteArray note = riffChunk("LIST", "INFOICMT" + le(12, 4) + "data inside");
        QTest::newRow("a note holding \"data\" before the samples")
            << "Noted.wav" << wavFile({1, 1, 48000, 24, false, note, s24}) << false << s24;
        const QByteArray s300 = patternSamples(300, 1, 3);
        QByteArray trailing = wavFile({1, 1, 48000, 24, false, {}, s300}) + note;
        trailing.replace(4, 4, le(quint32(trailing.size() - 8), 4));
        QTest::newRow("a chunk after short samples") << "Trailer.wav" << trailing << false << s300;
        const QByteArray s16 = patternSamples(2000, 1, 2);
        QTest::newRow("48 kHz 16-bit mono")
            << "Sixteen.wav" << wavFile({1, 1, 48000, 16, false, {}, s16}) << false
            << widened(s16, 16, 1);
        const QByteArray s8 = patternSamples(2000, 1, 1);
        QTest::newRow("48 kHz 8-bit mono")
            << "Eight.WAV" << wavFile({1, 1, 48000, 8, false, {}, s8}) << false
            << widened(s8, 8, 1);
        const QByteArray st = patternSamples(2000, 2, 3);
        QTest::newRow("48 kHz 24-bit stereo: the left")
            << "Stereo.wav" << wavFile({1, 2, 48000, 24, false, {}, st}) << false
            << widened(st, 24, 2);
    }
    void handedOver()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, unchanged);
        QFETCH(QByteArray, samples);
        const QString path = dir.file(name, bytes);
        const QString deviceName = QFileInfo(name).completeBaseName() + ".wav";
        QFile::remove(cacheFile(deviceName));

        Rig rig;
        // A file: URL as a drop or the dialog gives it.
        QVERIFY(rig.impulses.load(QUrl::fromLocalFile(path).toString()));
        QVERIFY(rig.events.of("failed").isEmpty());
        QCOMPARE(rig.pendingFilePath(), unchanged ? path : cacheFile(deviceName));
        QCOMPARE(rig.rec.of("sgSetImpulsName"),
                 QList<QVariantList>({{unchanged ? name : deviceName}}));
        QCOMPARE(QFile::exists(cacheFile(deviceName)), !unchanged);
        if (!unchanged)
            QCOMPARE(readFile(cacheFile(deviceName)), wav::deviceImage(samples));
        QCOMPARE(rig.nextPreview(), previewOf(samples));
        QCOMPARE(rig.impulses.currentPath(), path);
        QCOMPARE(rig.impulses.sourceText().endsWith(", converted"), !unchanged);
    }

    // Saving stores the impulse under the file's own name, spaces as "_".
    void storedUnderItsOwnName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("encoding");
        QTest::addColumn<QByteArray>("stored");
        QTest::newRow("AIFF with a space")
            << "My Cab.aiff" << QStringList{"-b", "24"} << QByteArray("My_Cab.wav");
        QTest::newRow("FLAC with dots")
            << "v1.2 Bright.flac" << QStringList{"-b", "16"} << QByteArray("v1.2_Bright.wav");
        QTest::newRow("WAV already for the device")
            << "Ready.wav" << QStringList{"-b", "24"} << QByteArray("Ready.wav");
    }
    void storedUnderItsOwnName()
    {
        QFETCH(QString, name);
        QFETCH(QStringList, encoding);
        QFETCH(QByteArray, stored);
        const QString path = soxNoise(dir.filePath(name), 48000, encoding, 1, 0.006);
        const QByteArray samples = soxFirstChannel(path);
        QCOMPARE(samples.size(), 288 * 3);

        Rig rig;
        QVERIFY(rig.impulses.load(path));
        QCOMPARE(rig.nextPreview(), previewOf(samples));
        QVERIFY(rig.waitIdle());
        rig.core.slSaveUpDown(0);
        QVERIFY(rig.waitIdle());
        const QByteArray store = "cc " + stored + " 0\r" + wav::deviceImage(samples).toHex() + "\r";
        QVERIFY(rig.device.rawRequests().contains(store));
        QCOMPARE(rig.device.model().storedCurrent().impulse.name, stored);
        QCOMPARE(rig.device.model().storedCurrent().impulse.wav, wav::deviceImage(samples));
    }

    // Both settings live in the settings store and shape the next conversion.
    void settings_data()
    {
        QTest::addColumn<bool>("mix");
        QTest::addColumn<bool>("normalise");
        QTest::newRow("first channel as it is") << false << false;
        QTest::newRow("channels mixed") << true << false;
        QTest::newRow("first channel normalised") << false << true;
        QTest::newRow("mixed and normalised") << true << true;
    }
    void settings()
    {
        QFETCH(bool, mix);
        QFETCH(bool, normalise);
        // Left and right as 24-bit integers whose mean and scaled values are known.
        QByteArray data;
        std::vector<double> left, right;
        for (int i = 0; i < 1500; ++i) {
            left.push_back(std::round(0.25 * std::sin(0.02 * i) * 8388608) / 8388608);
            right.push_back(std::round(0.125 * std::cos(0.05 * i) * 8388608) / 8388608);
            data += audio::pack24({audio::round24(left.back()), audio::round24(right.back())});
        }
        const QString path = dir.file("LR.wav", wavFile({1, 2, 48000, 24, false, {}, data}));
        {
            Rig rig;
            rig.impulses.setMixChannels(mix);
            rig.impulses.setNormalise(normalise);
            QCOMPARE(rig.events.count("settingsChanged"), int(mix) + int(normalise));
            QCOMPARE(rig.core.settingsStore().value("ImpulseMixChannels", false).toBool(), mix);
            QCOMPARE(rig.core.settingsStore().value("ImpulseNormalise", false).toBool(), normalise);
        }

        Rig rig; // a new object reads the stored settings
        QCOMPARE(rig.impulses.mixChannels(), mix);
        QCOMPARE(rig.impulses.normalise(), normalise);
        QVERIFY(rig.impulses.load(path));
        std::vector<double> want(left);
        if (mix)
            for (size_t i = 0; i < want.size(); ++i)
                want[i] = (left[i] + right[i]) / 2;
        double peak = 0;
        for (double v : want)
            peak = std::max(peak, std::fabs(v));
        const double gain = normalise ? std::pow(10.0, -1.0 / 20) / peak : 1.0;
        const auto got = audio::unpack24(rig.previewSamples());
        QCOMPARE(int(got.size()), 984);
        for (size_t i = 0; i < got.size(); ++i)
            QVERIFY2(std::abs(got[i] - std::lround(want[i] * gain * 8388608)) <= 1,
                     qPrintable(QString("sample %1: %2").arg(i).arg(got[i])));
    }

    // What the panel shows of the current impulse, and when it ends.
    void current_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("rate");
        QTest::addColumn<QStringList>("encoding");
        QTest::addColumn<int>("channels");
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("kept");
        QTest::newRow("long FLAC, converted and cut")
            << "Long Cab.flac" << 44100 << QStringList{"-b", "16"} << 2 << 1.4
            << "44.1 kHz, 16-bit, stereo, converted"
            << "kept 222 ms of 1.4 s";
        QTest::newRow("short float AIFF-C")
            << "Float.aifc" << 96000 << QStringList{"-e", "floating-point", "-b", "32"} << 1 << 0.1
            << "96 kHz, 32-bit float, mono, converted" << QString();
        QTest::newRow("long WAV for the device: cut, not converted")
            << "Plain.wav" << 48000 << QStringList{"-b", "24"} << 1 << 1.0 << "48 kHz, 24-bit, mono"
            << "kept 222 ms of 1.0 s";
    }
    void current()
    {
        QFETCH(QString, name);
        QFETCH(int, rate);
        QFETCH(QStringList, encoding);
        QFETCH(int, channels);
        QFETCH(double, seconds);
        QFETCH(QString, source);
        QFETCH(QString, kept);
        const QString path = soxNoise(dir.filePath(name), rate, encoding, channels, seconds);

        Rig rig;
        QVERIFY(rig.impulses.load(path));
        QCOMPARE(rig.events.count("currentChanged"), 1);
        QVERIFY(rig.impulses.hasCurrent());
        QCOMPARE(rig.impulses.sourceText(), source);
        QCOMPARE(rig.impulses.keptText(), kept);

        // The analysis is of exactly what the device plays.
        const QString played = rig.pendingFilePath();
        const audio::Reading r = audio::readFile(played, 1.0);
        QVERIFY(r.ok());
        const auto keptFrames = std::min<size_t>(r.samples.size(), 10666);
        QCOMPARE(rig.impulses.waveform().size(), 2 * int(std::min<size_t>(keptFrames, 500)));
        double peak = 0;
        for (size_t i = 0; i < keptFrames; ++i)
            peak = std::max(peak, std::fabs(r.samples[i]));
        QVERIFY(std::fabs(rig.impulses.peakDb() - 20 * std::log10(peak)) < 1e-6);
        double lowest = 0, highest = 0;
        for (const QVariant &v : rig.impulses.waveform()) {
            lowest = std::min(lowest, v.toDouble());
            highest = std::max(highest, v.toDouble());
        }
        QVERIFY(std::fabs(std::max(-lowest, highest) - peak) < 1e-6);
        QCOMPARE(rig.impulses.response().size(), rig.impulses.responseFrequencies().size());
        QVERIFY(rig.impulses.response().size() >= 256);
        QCOMPARE(rig.impulses.responseFrequencies().first().toDouble(), 20.0);
        QCOMPARE(qRound(rig.impulses.responseFrequencies().last().toDouble()), 20000);
    }

    // The device names the impulse it plays after every change: another
    // name ends the current impulse; its own name (also as stored) keeps it.
    void currentEnds_data()
    {
        QTest::addColumn<QString>("announced");
        QTest::addColumn<bool>("ends");
        QTest::newRow("another impulse") << "Closed 4x12 Center" << true;
        QTest::newRow("no impulse") << "empty" << true;
        QTest::newRow("its own name") << "Open Back.wav" << false;
        QTest::newRow("its stored name") << "Open_Back.wav" << false;
    }
    void currentEnds()
    {
        QFETCH(QString, announced);
        QFETCH(bool, ends);
        const QString path = soxNoise(dir.filePath("Open Back.flac"), 44100, {"-b", "16"}, 1, 0.05);
        Rig rig;
        QVERIFY(rig.impulses.load(path));
        rig.events.clear();
        // The device holds an impulse under that name (or none) and names
        // it when asked ("rn").
        QVERIFY(rig.waitIdle());
        if (announced == "empty")
            rig.device.model().removeImpulse();
        else
            rig.device.model().storeImpulse(
                {announced.toUtf8(), wav::deviceImage(QByteArray(3, 0))});
        rig.core.send("rn\r\n");
        rig.link.startSending();
        QVERIFY(rig.waitIdle());
        QCOMPARE(rig.impulses.hasCurrent(), !ends);
        QCOMPARE(rig.events.count("currentChanged"), int(ends));
        QCOMPARE(rig.impulses.waveform().isEmpty(), ends);
        QCOMPARE(rig.impulses.sourceText().isEmpty(), ends);
    }

    // info() describes a file without loading it.
    void info_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("rate");
        QTest::addColumn<QStringList>("encoding");
        QTest::addColumn<int>("channels");
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QVariantMap>("expected");
        QTest::newRow("long stereo FLAC")
            << "a.flac" << 44100 << QStringList{"-b", "16"} << 2 << 1.4
            << QVariantMap{{"format", "FLAC"},  {"rate", 44100},
                           {"bits", 16},        {"floating", false},
                           {"channels", 2},     {"lengthMs", 1400.0},
                           {"converted", true}, {"keptMs", 10666 / 48.0},
                           {"cut", true},       {"description", "44.1 kHz, 16-bit, stereo"}};
        QTest::newRow("short WAV for the device")
            << "b.wav" << 48000 << QStringList{"-b", "24"} << 1 << 0.1
            << QVariantMap{{"format", "WAV"},    {"rate", 48000},   {"bits", 24},
                           {"floating", false},  {"channels", 1},   {"lengthMs", 100.0},
                           {"converted", false}, {"keptMs", 100.0}, {"cut", false}};
        QTest::newRow("88.2 kHz float AIFF-C")
            << "c.aifc" << 88200 << QStringList{"-e", "floating-point", "-b", "32"} << 1 << 0.05
            << QVariantMap{{"format", "AIFF"},  {"rate", 88200},  {"bits", 32},  {"floating", true},
                           {"converted", true}, {"keptMs", 50.0}, {"cut", false}};
    }
    void info()
    {
        QFETCH(QString, name);
        QFETCH(int, rate);
        QFETCH(QStringList, encoding);
        QFETCH(int, channels);
        QFETCH(double, seconds);
        QFETCH(QVariantMap, expected);
        const QString path = soxNoise(dir.filePath(name), rate, encoding, channels, seconds);
        Rig rig;
        const QVariantMap info = rig.impulses.info(path);
        QCOMPARE(info["ok"].toBool(), true);
        for (auto it = expected.begin(); it != expected.end(); ++it) {
            if (it.value().type() == QVariant::Double)
                QVERIFY2(std::fabs(info[it.key()].toDouble() - it.value().toDouble()) < 0.05,
                         qPrintable(it.key() + ": " + info[it.key()].toString()));
            else
                QCOMPARE(info[it.key()], it.value());
        }
        QTest::qWait(20);
        QCOMPARE(rig.device.wire(), QByteArray());
        QVERIFY(withoutPacing(rig.rec).isEmpty());
        QVERIFY(!rig.impulses.hasCurrent());
    }

    // Compressed files load too; they have no sample depth to show.
    void compressed_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("rate");
        QTest::addColumn<QString>("source");
        QTest::newRow("MP3") << "Lead.mp3" << int(SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III)
                             << 44100 << "44.1 kHz, stereo, converted";
        QTest::newRow("Ogg Vorbis") << "Lead.ogg" << int(SF_FORMAT_OGG | SF_FORMAT_VORBIS) << 44100
                                    << "44.1 kHz, stereo, converted";
        QTest::newRow("Ogg Opus") << "Lead.opus" << int(SF_FORMAT_OGG | SF_FORMAT_OPUS) << 48000
                                  << "48 kHz, stereo, converted";
    }
    void compressed()
    {
        QFETCH(QString, name);
        QFETCH(int, format);
        QFETCH(int, rate);
        QFETCH(QString, source);
        // Written with the same library that reads it: sox cannot write these here.
        const QString path = dir.filePath(name);
        SF_INFO info{};
        info.samplerate = rate;
        info.channels = 2;
        info.format = format;
        SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
        QVERIFY2(file, sf_strerror(nullptr));
        std::vector<double> frames(2 * size_t(rate) / 2);
        for (size_t i = 0; i < frames.size(); ++i)
            frames[i] = 0.3 * std::sin(0.01 * double(i / 2)) * std::exp(-double(i) / rate);
        sf_writef_double(file, frames.data(), sf_count_t(frames.size() / 2));
        sf_close(file);

        Rig rig;
        QVERIFY(rig.impulses.load(path));
        QCOMPARE(rig.impulses.sourceText(), source);
        QCOMPARE(rig.nextPreview().size(), 5912);
    }

    // Without the device nothing can be loaded; the reason says so.
    void notConnected()
    {
        const QString path = soxNoise(dir.filePath("Any.flac"), 44100, {"-b", "16"}, 1, 0.05);
        Rig rig(false);
        QVERIFY(!rig.impulses.load(path));
        QCOMPARE(rig.events.count("failed"), 1);
        QVERIFY(rig.events.of("failed").first()[1].toString().contains("not connected"));
        QVERIFY(rig.link.queueEmpty());
        QCOMPARE(rig.device.wire(), QByteArray());
        QVERIFY(!rig.impulses.hasCurrent());
    }
};

VORTAXA_TEST_MAIN(TestImpulses)
#include "tst_impulses.moc"

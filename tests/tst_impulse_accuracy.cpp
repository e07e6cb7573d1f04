// Accuracy against an independent reference: files of every shape guitarists
// bring (44.1, 88.2 and 96 kHz; 8, 16, 24, 32-bit integer and 32-bit float;
// mono and stereo; WAV, AIFF and FLAC), made by sox, loaded through
// `_impulses`. The samples the device receives in the preview, and the whole
// converted impulse, must match sox's own conversion (very-high quality
// rate, first channel, 24-bit, no dither) within -50 dB error energy
// relative to the signal; a careless resampler lands near -30 dB.
#include "audio/device_impulse.h"
#include "support/impulses_rig.h"
#include "support/sox.h"
#include "support/test_main.h"
#include "support/wav_writer.h"

#include <QMap>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>

namespace {

constexpr double limitDb = -50.0;

// Error energy of `got` against `reference` over their first `count`
// samples (missing ones count as 0), relative to the reference, in dB.
double errorDb(const std::vector<qint32> &got, const std::vector<qint32> &reference, size_t count)
{
    double err = 0, sig = 0;
    for (size_t i = 0; i < count; ++i) {
        const double g = i < got.size() ? got[i] : 0.0;
        const double r = i < reference.size() ? reference[i] : 0.0;
        err += (g - r) * (g - r);
        sig += r * r;
    }
    return 10.0 * std::log10(err / sig);
}

// Test impulses: noise, whose energy up to the top of the band shows a
// resampler's quality (a low-quality one lands near -20 dB on it, a good
// one near -60 dB); a resonant decaying burst like a cabinet's; a sweep up
// to 20 kHz. A second channel carries another signal, so a wrong channel
// shows.
struct Signal {
    const char *name;
    QStringList mono;   // synth arguments for one channel
    QStringList stereo; // for two
    QStringList effects;
};
const QList<Signal> &testSignals()
{
    static const QList<Signal> list = {
        {"noise", {"pinknoise"}, {"pinknoise", "brownnoise"}, {"gain", "-8"}},
        {"burst",
         {"whitenoise"},
         {"whitenoise", "pinknoise"},
         {"bandpass", "2500", "1q", "lowpass", "6000", "fade", "l", "0", "0.3", "0.3", "norm",
          "-3"}},
        {"sweep", {"sine", "20:20000"}, {"sine", "20:20000", "sine", "5000"}, {"gain", "-6"}},
    };
    return list;
}

struct Figures {
    QVector<double> preview, kept;
};

QString summary(const QString &label, QVector<double> v)
{
    std::sort(v.begin(), v.end());
    const double median =
        v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
    return QString("%1: worst %2 dB, median %3 dB (%4 files)")
        .arg(label, -30)
        .arg(v.last(), 0, 'f', 1)
        .arg(median, 0, 'f', 1)
        .arg(v.size());
}

} // namespace

class TestImpulseAccuracy : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QMap<QString, Figures> byGroup; // "rate 44.1 kHz", "FLAC", ... and "all"

    void record(const QStringList &groups, double preview, double kept)
    {
        for (const QString &g : groups) {
            byGroup[g].preview << preview;
            byGroup[g].kept << kept;
        }
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QVERIFY2(soxAvailable(), "sox makes the files and the reference (Debian package sox)");
    }

    void cleanupTestCase()
    {
        for (auto it = byGroup.begin(); it != byGroup.end(); ++it) {
            qInfo("%s", qPrintable(summary("preview, " + it.key(), it.value().preview)));
            qInfo("%s", qPrintable(summary("kept part, " + it.key(), it.value().kept)));
        }
    }

    void matchesSox_data()
    {
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<int>("rate");
        QTest::addColumn<QStringList>("encoding");
        QTest::addColumn<int>("channels");
        QTest::addColumn<QStringList>("signalNames");
        struct Depth {
            const char *name;
            QStringList args;
        };
        const QList<Depth> depths = {{"8-bit", {"-b", "8"}},
                                     {"16-bit", {"-b", "16"}},
                                     {"24-bit", {"-b", "24"}},
                                     {"32-bit", {"-b", "32"}},
                                     {"float", {"-e", "floating-point", "-b", "32"}}};
        // Every shape gets the noise; every third also the burst, every third the sweep.
        int row = 0;
        for (const char *container : {"wav", "aiff", "flac"}) {
            for (int rate : {44100, 88200, 96000}) {
                for (const Depth &d : depths) {
                    QString suffix = container;
                    const bool floating = d.args.contains("floating-point");
                    if (suffix == "flac" && (floating || d.args.contains("32")))
                        continue; // FLAC holds integers up to 24 bits
                    if (suffix == "aiff" && floating)
                        suffix = "aifc"; // float AIFF is AIFF-C
                    for (int channels : {1, 2}) {
                        QTest::addRow("%s %.1f kHz %s %s", qPrintable(suffix.toUpper()),
                                      rate / 1000.0, d.name, channels == 1 ? "mono" : "stereo")
                            << suffix << rate << d.args << channels
                            << (row % 3 == 0   ? QStringList{"noise"}
                                : row % 3 == 1 ? QStringList{"noise", "burst"}
                                               : QStringList{"noise", "sweep"});
                        ++row;
                    }
                }
            }
        }
    }
    void matchesSox()
    {
        QFETCH(QString, suffix);
        QFETCH(int, rate);
        QFETCH(QStringList, encoding);
        QFETCH(int, channels);
        QFETCH(QStringList, signalNames);

        for (const Signal &s : testSignals()) {
            if (!signalNames.contains(s.name))
                continue;
            const QString path =
                dir.filePath(QString("%1 %2.%3").arg(s.name, QTest::currentDataTag(), suffix));
            QStringList make = {
                "-R", "-n", "-r", QString::number(rate), "-c", QString::number(channels)};
            make << encoding << path << "synth"
                 << "0.3" << (channels == 1 ? s.mono : s.stereo) << s.effects;
            sox(make);
            const std::vector<qint32> reference =
                audio::unpack24(sox({"-D", path, "-t", "raw", "-b", "24", "-e", "signed-integer",
                                     "-", "remix", "1", "rate", "-v", "48000"}));
            QVERIFY(reference.size() > 10666);

            ImpulsesRig rig;
            QVERIFY(rig.impulses.load(path));
            const std::vector<qint32> preview = audio::unpack24(rig.previewSamples());
            QCOMPARE(int(preview.size()), 984);
            const double previewDb = errorDb(preview, reference, 984);

            // The whole converted impulse, up to the fade that ends it.
            QFile converted(rig.pendingFilePath());
            QVERIFY(converted.open(QIODevice::ReadOnly));
            const std::vector<qint32> kept = audio::unpack24(converted.readAll().mid(44));
            QCOMPARE(int(kept.size()), 10666);
            const double keptDb = errorDb(kept, reference, 10666 - audio::fadeSamples);

            qInfo("%s, %s: preview %.1f dB, kept part %.1f dB", QTest::currentDataTag(), s.name,
                  previewDb, keptDb);
            record({"all", QString("rate %1 kHz").arg(rate / 1000.0),
                    QString("depth %1").arg(encoding.join(' ')), "container " + suffix,
                    channels == 1 ? "mono" : "stereo", QString("signal ") + s.name},
                   previewDb, keptDb);
            QVERIFY2(previewDb <= limitDb,
                     qPrintable(QString("%1: %2 dB").arg(s.name).arg(previewDb)));
            QVERIFY2(keptDb <= limitDb, qPrintable(QString("%1: %2 dB").arg(s.name).arg(keptDb)));
        }
    }
};

VORTAXA_TEST_MAIN(TestImpulseAccuracy)
#include "tst_impulse_accuracy.moc"

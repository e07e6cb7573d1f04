// The cabinet lab's sound against what the user was promised, on files made
// by sox at 48 kHz, 24-bit, mono (so no resampling enters): the blend
// against the formula computed here from the samples libsndfile reads;
// auto align on a copy of A moved and halved by sox; the cuts, the minimum
// phase and the length and fade measured on the saved files with an FFT of
// the test's own.
#include "lab/lab.h"
#include "support/sox.h"
#include "support/test_main.h"
#include "support/wav_writer.h"

#include <QSignalSpy>
#include <cmath>
#include <complex>
#include <fftw3.h>
#include <sndfile.h>

namespace {

constexpr int rate = 48000;
constexpr double lsb = 1.0 / 8388608.0;

// A 48 kHz, 24-bit, mono file made by sox from `effects` (sox's own
// repeatable noise).
QString soxFile(const QString &path, const QStringList &synth)
{
    sox(QStringList{"-R", "-D", "-n", "-r", QString::number(rate), "-b", "24", "-c", "1", path} +
        synth);
    return path;
}

// Every sample of a file, as libsndfile reads it (first channel).
std::vector<double> samplesOf(const QString &path)
{
    SF_INFO info{};
    SNDFILE *f = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!f)
        return {};
    std::vector<double> frames(size_t(info.frames) * size_t(info.channels));
    sf_readf_double(f, frames.data(), info.frames);
    sf_close(f);
    std::vector<double> mono(size_t(info.frames));
    for (size_t i = 0; i < mono.size(); ++i)
        mono[i] = frames[i * size_t(info.channels)];
    return mono;
}

// Power spectrum of `x` zero-padded to 65536 points (0.73 Hz per bin).
std::vector<double> power(const std::vector<double> &x)
{
    const int n = 65536;
    std::vector<double> in(n, 0.0);
    std::copy_n(x.begin(), std::min(x.size(), size_t(n)), in.begin());
    std::vector<std::complex<double>> out(n / 2 + 1);
    fftw_plan plan = fftw_plan_dft_r2c_1d(
        n, in.data(), reinterpret_cast<fftw_complex *>(out.data()), FFTW_ESTIMATE);
    fftw_execute(plan);
    fftw_destroy_plan(plan);
    std::vector<double> p(out.size());
    for (size_t k = 0; k < p.size(); ++k)
        p[k] = std::norm(out[k]);
    return p;
}

// Mean power in dB over `octaves` around `hz`.
double bandDb(const std::vector<double> &p, double hz, double octaves)
{
    const double binHz = double(rate) / 65536.0;
    const double half = std::pow(2.0, octaves / 2.0);
    const auto first = size_t(std::ceil(hz / half / binHz));
    const auto last = std::min(size_t(std::floor(hz * half / binHz)), p.size() - 1);
    double sum = 0.0;
    for (size_t k = first; k <= last; ++k)
        sum += p[k];
    return 10.0 * std::log10(sum / double(last - first + 1) + 1e-30);
}

double energy(const std::vector<double> &x, size_t count)
{
    double e = 0.0;
    for (size_t i = 0; i < std::min(count, x.size()); ++i)
        e += x[i] * x[i];
    return e;
}

// A lab with nothing but the blend: no cuts, no shaping, no normalising.
void plain(Lab &lab)
{
    lab.setLowCut(0);
    lab.setHighCut(0);
    lab.setMinimumPhase(false);
    lab.setLengthMs(lab::maxLengthMs);
    lab.setFadeMs(0);
    lab.setNormalise(false);
}

} // namespace

class TestLabAccuracy : public QObject {
    Q_OBJECT

    ScratchDir dir;
    QString a, b;

    // The lab's result saved and read back as a file.
    std::vector<double> saved(Lab &lab, const QString &name)
    {
        const QString path = dir.filePath(name + ".wav");
        if (!lab.save(path))
            return {};
        return samplesOf(path);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QVERIFY2(soxAvailable(), "sox makes the test files (Debian package sox)");
        // Two different cabinet-like impulses: decaying noise bursts.
        a = soxFile(dir.filePath("A.wav"),
                    {"synth", "0.12", "pinknoise", "fade", "q", "0", "0.12", "0.11", "gain", "-3"});
        b = soxFile(dir.filePath("B.wav"), {"synth", "0.09", "whitenoise", "fade", "q", "0", "0.09",
                                            "0.08", "gain", "-8"});
    }

    // Every saved sample is within 1 LSB of
    // (1 - mix/100) A[n] + (mix/100) (invert ? -1 : 1) B[n - offset].
    void blend_data()
    {
        QTest::addColumn<int>("mix");
        QTest::addColumn<int>("offset");
        QTest::addColumn<bool>("invert");
        for (int mix : {0, 30, 50, 100})
            for (int offset : {-37, 0, 53})
                for (bool invert : {false, true})
                    QTest::addRow("mix %d, offset %d%s", mix, offset, invert ? ", B inverted" : "")
                        << mix << offset << invert;
    }
    void blend()
    {
        QFETCH(int, mix);
        QFETCH(int, offset);
        QFETCH(bool, invert);
        Lab lab(nullptr);
        QVERIFY(lab.setSource(0, a));
        QVERIFY(lab.setSource(1, b));
        plain(lab);
        lab.setMix(mix);
        lab.setOffset(offset);
        lab.setInvertB(invert);

        const std::vector<double> A = samplesOf(a), B = samplesOf(b);
        const std::vector<double> r = saved(lab, "blend");
        QCOMPARE(int(r.size()), lab::maxLengthMs * 48);
        const double m = mix / 100.0;
        double worst = 0.0;
        for (int n = 0; n < int(r.size()); ++n) {
            const double an = n < int(A.size()) ? A[size_t(n)] : 0.0;
            const int from = n - offset;
            const double bn = from >= 0 && from < int(B.size()) ? B[size_t(from)] : 0.0;
            const double expected = (1.0 - m) * an + m * (invert ? -1.0 : 1.0) * bn;
            worst = std::max(worst, std::fabs(r[size_t(n)] - expected) / lsb);
        }
        QVERIFY2(worst <= 1.0, qPrintable(QString("worst error %1 LSB").arg(worst)));
    }

    // B is A delayed by k samples and halved: B plays k samples earlier to line up.
    void autoAlign_data()
    {
        QTest::addColumn<int>("k");
        for (int k : {-200, -37, 0, 53, 200})
            QTest::addRow("B delayed by %d", k) << k;
    }
    void autoAlign()
    {
        QFETCH(int, k);
        const QString moved = dir.filePath(QString("moved %1.wav").arg(k));
        QStringList effect = k >= 0 ? QStringList{"pad", QString("%1s").arg(k)}
                                    : QStringList{"trim", QString("%1s").arg(-k)};
        sox(QStringList{"-D", a, "-b", "24", moved} + effect + QStringList{"vol", "0.5"});
        Lab lab(nullptr);
        QVERIFY(lab.setSource(0, a));
        QVERIFY(lab.setSource(1, moved));
        lab.setOffset(111); // somewhere else first
        QSignalSpy changed(&lab, &Lab::settingsChanged);
        QCOMPARE(lab.autoAlign(), -k);
        QCOMPARE(lab.offset(), -k);
        QCOMPARE(changed.count(), 1);
    }

    // 2nd-order cuts: an octave beyond the cut at least 10 dB down, two
    // octaves inside within 1 dB of the result without the cut.
    void cuts_data()
    {
        QTest::addColumn<QString>("cut");
        QTest::addColumn<int>("hz");
        QTest::addColumn<double>("stopHz");
        QTest::addColumn<double>("passHz");
        QTest::newRow("low cut at 80 Hz") << "low" << 80 << 40.0 << 320.0;
        QTest::newRow("low cut at 200 Hz") << "low" << 200 << 100.0 << 800.0;
        QTest::newRow("high cut at 8 kHz") << "high" << 8000 << 16000.0 << 4000.0;
        QTest::newRow("high cut at 5 kHz") << "high" << 5000 << 10000.0 << 2500.0;
    }
    void cuts()
    {
        QFETCH(QString, cut);
        QFETCH(int, hz);
        QFETCH(double, stopHz);
        QFETCH(double, passHz);
        Lab lab(nullptr);
        QVERIFY(lab.setSource(0, b)); // white: energy everywhere
        plain(lab);
        const std::vector<double> open = power(saved(lab, "open"));
        if (cut == "low")
            lab.setLowCut(hz);
        else
            lab.setHighCut(hz);
        const std::vector<double> cutP = power(saved(lab, "cut"));
        const double stop = bandDb(cutP, stopHz, 1.0 / 6) - bandDb(open, stopHz, 1.0 / 6);
        const double pass = bandDb(cutP, passHz, 1.0 / 6) - bandDb(open, passHz, 1.0 / 6);
        QVERIFY2(stop <= -10.0, qPrintable(QString("%1 Hz: %2 dB").arg(stopHz).arg(stop)));
        QVERIFY2(std::fabs(pass) <= 1.0, qPrintable(QString("%1 Hz: %2 dB").arg(passHz).arg(pass)));
    }

    // The minimum-phase result keeps the magnitude response (1/6 octave,
    // 50 Hz to 16 kHz, within 0.5 dB) and has at least as much energy in
    // its first 2 ms as the input.
    void minimumPhase_data()
    {
        QTest::addColumn<QStringList>("synth");
        QTest::newRow("pink noise burst") << QStringList{
            "synth", "0.1", "pinknoise", "fade", "q", "0", "0.1", "0.09", "gain", "-20"};
        QTest::newRow("noise burst 3 ms late")
            << QStringList{"synth", "0.08", "whitenoise", "fade",  "q",    "0.002",
                           "0.08",  "0.07", "pad",        "0.003", "gain", "-30"};
        QTest::newRow("two decaying tones")
            << QStringList{"synth", "0.15", "sine", "110",  "sine", "2500", "remix", "1,2",
                           "fade",  "q",    "0",    "0.15", "0.15", "gain", "-6"};
    }
    void minimumPhase()
    {
        QFETCH(QStringList, synth);
        const QString input =
            soxFile(dir.filePath(QString(QTest::currentDataTag()) + ".wav"), synth);
        Lab lab(nullptr);
        QVERIFY(lab.setSource(0, input));
        plain(lab);
        lab.setMinimumPhase(true);
        const std::vector<double> x = samplesOf(input);
        const std::vector<double> y = saved(lab, "minimum");
        QCOMPARE(lab.loweredDb(), 0.0); // the level as it was: the spectra compare as they are
        QVERIFY(!y.empty());
        const std::vector<double> px = power(x), py = power(y);
        double worst = 0.0, worstHz = 0.0;
        for (double hz = 50.0; hz <= 16000.0; hz *= std::pow(2.0, 1.0 / 12)) {
            const double d = std::fabs(bandDb(py, hz, 1.0 / 6) - bandDb(px, hz, 1.0 / 6));
            if (d > worst) {
                worst = d;
                worstHz = hz;
            }
        }
        QVERIFY2(worst <= 0.5, qPrintable(QString("%1 dB at %2 Hz").arg(worst).arg(worstHz)));
        const size_t twoMs = 2 * rate / 1000;
        QVERIFY2(
            energy(y, twoMs) >= energy(x, twoMs),
            qPrintable(
                QString("first 2 ms: %1 against %2").arg(energy(y, twoMs)).arg(energy(x, twoMs))));
    }

    // Exactly lengthMs x 48 samples; the fade ends at 0.
    void lengthAndFade_data()
    {
        QTest::addColumn<int>("lengthMs");
        QTest::addColumn<int>("fadeMs");
        for (int length : {10, 37, 100, 222})
            for (int fade : {0, 5, 50})
                QTest::addRow("%d ms, fade %d ms", length, fade) << length << fade;
    }
    void lengthAndFade()
    {
        QFETCH(int, lengthMs);
        QFETCH(int, fadeMs);
        Lab lab(nullptr);
        QVERIFY(lab.setSource(0, a)); // 120 ms: cut by some, padded by others
        QVERIFY(lab.setSource(1, b));
        plain(lab);
        lab.setOffset(-480); // B's far end is in reach of every length
        lab.setLengthMs(lengthMs);
        lab.setFadeMs(fadeMs);
        const std::vector<double> r = saved(lab, "length");
        QCOMPARE(int(r.size()), lengthMs * 48);
        QCOMPARE(lab.resultSamples(), lengthMs * 48);
        if (fadeMs > 0)
            QCOMPARE(r.back(), 0.0);
        else if (lengthMs < 100)
            QVERIFY(r.back() != 0.0); // cut inside the sound, not faded
    }

    // Normalising brings the peak to -1 dBFS after everything else; so
    // does a result that would clip (a loud noise burst made minimum phase
    // piles its energy into the first samples), which says by how much.
    void level_data()
    {
        QTest::addColumn<bool>("normalise");
        QTest::addColumn<bool>("loud");
        QTest::newRow("normalised") << true << false;
        QTest::newRow("normalised, would clip") << true << true;
        QTest::newRow("would clip") << false << true;
    }
    void level()
    {
        QFETCH(bool, normalise);
        QFETCH(bool, loud);
        const QString loudFile =
            soxFile(dir.filePath("loud.wav"), {"synth", "0.1", "whitenoise", "gain", "-3"});
        Lab lab(nullptr);
        QVERIFY(lab.setSource(0, loud ? loudFile : a));
        QVERIFY(lab.setSource(1, b));
        lab.setLowCut(120);
        lab.setMinimumPhase(loud);
        lab.setNormalise(normalise);
        QCOMPARE(lab.loweredDb() < -6.0, loud && !normalise);
        const std::vector<double> r = saved(lab, "normalised");
        double peak = 0.0;
        for (double s : r)
            peak = std::max(peak, std::fabs(s));
        QVERIFY2(std::fabs(20.0 * std::log10(peak) + 1.0) < 0.001,
                 qPrintable(QString::number(20.0 * std::log10(peak))));
        QCOMPARE(lab.peakDb(), 20.0 * std::log10(peak));
    }
};

VORTAXA_TEST_MAIN(TestLabAccuracy)
#include "tst_lab_accuracy.moc"

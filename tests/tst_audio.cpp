// The audio pieces on their own: the conversion for the device (channel
// choice, resampling, length, cut and fade, normalisation, rounding), the
// analysis the panel draws, and the texts that describe a source.
#include "audio/analysis.h"
#include "audio/audio_file.h"
#include "audio/device_impulse.h"
#include "support/test_main.h"

#include <cmath>
#include <functional>

namespace {

constexpr double pi = 3.14159265358979323846;

// `count` interleaved frames of `channels`, channel c of frame i = f(i, c).
std::vector<double> frames(int count, int channels, const std::function<double(int, int)> &f)
{
    std::vector<double> out;
    for (int i = 0; i < count; ++i)
        for (int c = 0; c < channels; ++c)
            out.push_back(f(i, c));
    return out;
}

double toDb(double ratio)
{
    return 20.0 * std::log10(ratio);
}

// Error energy of `got` against `want` over [from, to), relative to `want`, in dB.
double errorDb(const std::vector<double> &got, const std::vector<double> &want, size_t from,
               size_t to)
{
    double err = 0, sig = 0;
    for (size_t i = from; i < to; ++i) {
        err += (got[i] - want[i]) * (got[i] - want[i]);
        sig += want[i] * want[i];
    }
    return 10.0 * std::log10(err / sig);
}

std::vector<double> toUnit(const std::vector<qint32> &s)
{
    std::vector<double> out;
    for (qint32 v : s)
        out.push_back(v / audio::fullScale24);
    return out;
}

} // namespace

using Signal = std::function<double(int, int)>;
using Curve = std::function<double(double)>; // dB at a frequency
Q_DECLARE_METATYPE(std::vector<qint32>)
Q_DECLARE_METATYPE(Curve)

class TestAudio : public QObject {
    Q_OBJECT

private slots:
    // At 48 kHz nothing is resampled: the samples are the chosen channel (or
    // the mean of all), rounded.
    void channelChoice_data()
    {
        QTest::addColumn<int>("channels");
        QTest::addColumn<bool>("mix");
        QTest::newRow("stereo, first") << 2 << false;
        QTest::newRow("stereo, mixed") << 2 << true;
        QTest::newRow("three channels, first") << 3 << false;
        QTest::newRow("three channels, mixed") << 3 << true;
        QTest::newRow("mono, mixed is the channel") << 1 << true;
    }
    void channelChoice()
    {
        QFETCH(int, channels);
        QFETCH(bool, mix);
        const Signal f = [](int i, int c) {
            return std::sin(0.01 * i * (c + 1)) * (0.9 - 0.3 * c);
        };
        const auto in = frames(500, channels, f);
        audio::ConvertOptions options;
        options.mixChannels = mix;
        const auto out = audio::convert(in, channels, 48000, 500, options);
        QCOMPARE(int(out.samples.size()), 500);
        QVERIFY(!out.cut);
        for (int i = 0; i < 500; ++i) {
            double want = f(i, 0);
            if (mix) {
                want = 0;
                for (int c = 0; c < channels; ++c)
                    want += f(i, c) / channels;
            }
            QCOMPARE(out.samples[size_t(i)], qint32(std::round(want * 8388608.0)));
        }
    }

    // Rounding to 24 bits, no dither; the ends of the range clip.
    void rounding_data()
    {
        QTest::addColumn<double>("lsb"); // the input in 24-bit steps
        QTest::addColumn<qint32>("out");
        QTest::newRow("0.4 step rounds down") << 0.4 << 0;
        QTest::newRow("0.6 step rounds up") << 0.6 << 1;
        QTest::newRow("-0.6 step") << -0.6 << -1;
        QTest::newRow("1000.49") << 1000.49 << 1000;
        QTest::newRow("full scale clips to the largest") << 8388608.0 << 8388607;
        QTest::newRow("negative full scale") << -8388608.0 << -8388608;
        QTest::newRow("over full scale") << 1.5 * 8388608.0 << 8388607;
        QTest::newRow("under negative full scale") << -1.5 * 8388608.0 << -8388608;
        QTest::newRow("not a number") << std::nan("") << 0;
    }
    void rounding()
    {
        QFETCH(double, lsb);
        QFETCH(qint32, out);
        QCOMPARE(audio::round24(lsb / 8388608.0), out);
        const auto converted = audio::convert({lsb / 8388608.0}, 1, 48000, 1, {});
        QCOMPARE(converted.samples, std::vector<qint32>({out}));
    }

    // How many samples the device gets, and whether the source was cut.
    void length_data()
    {
        QTest::addColumn<int>("rate");
        QTest::addColumn<qint64>("totalFrames");
        QTest::newRow("48 kHz, short") << 48000 << qint64(3000);
        QTest::newRow("48 kHz, exactly what is kept") << 48000 << qint64(10666);
        QTest::newRow("48 kHz, one more") << 48000 << qint64(10667);
        QTest::newRow("44.1 kHz, short") << 44100 << qint64(2205);
        QTest::newRow("44.1 kHz, 1.4 s") << 44100 << qint64(61740);
        QTest::newRow("96 kHz, 100 ms") << 96000 << qint64(9600);
        QTest::newRow("88.2 kHz, 1 s") << 88200 << qint64(88200);
        QTest::newRow("22.05 kHz, 0.4 s") << 22050 << qint64(8820);
    }
    void length()
    {
        QFETCH(int, rate);
        QFETCH(qint64, totalFrames);
        const qint64 read = std::min(totalFrames, qint64(std::ceil(audio::readSeconds * rate)));
        const auto in = frames(int(read), 1, [](int i, int) { return 0.3 * std::sin(0.05 * i); });
        const auto out = audio::convert(in, 1, rate, totalFrames, {});
        const qint64 whole = qRound64(double(totalFrames) * 48000 / rate);
        QCOMPARE(qint64(out.samples.size()), std::min(whole, qint64(10666)));
        QCOMPARE(out.cut, whole > 10666);
    }

    // A cut impulse ends in a fade of 5 ms down to silence; the rest stays.
    void cutAndFade_data()
    {
        QTest::addColumn<qint64>("totalFrames");
        QTest::addColumn<bool>("faded");
        QTest::newRow("longer than kept: faded") << qint64(48000) << true;
        QTest::newRow("as long as kept: untouched") << qint64(10666) << false;
    }
    void cutAndFade()
    {
        QFETCH(qint64, totalFrames);
        QFETCH(bool, faded);
        const int read = int(std::min<qint64>(totalFrames, 15000));
        const auto out =
            audio::convert(std::vector<double>(size_t(read), 0.5), 1, 48000, totalFrames, {});
        QCOMPARE(int(out.samples.size()), 10666);
        const qint32 level = audio::round24(0.5);
        const int fadeStart = 10666 - 240;
        for (int i = 0; i < fadeStart; ++i)
            QCOMPARE(out.samples[size_t(i)], level);
        if (!faded) {
            QCOMPARE(out.samples.back(), level);
            return;
        }
        QCOMPARE(out.samples.back(), 0);
        for (int i = fadeStart; i < 10666; ++i) {
            QVERIFY(out.samples[size_t(i)] < (i == fadeStart ? level : out.samples[size_t(i - 1)]));
            QVERIFY(out.samples[size_t(i)] >= 0);
        }
    }

    // Normalising brings the peak to -1 dBFS, whichever its sign; silence and
    // an impulse left alone keep their level.
    void normalise_data()
    {
        QTest::addColumn<double>("positivePeak");
        QTest::addColumn<double>("negativePeak");
        QTest::addColumn<bool>("normalise");
        QTest::newRow("off: level kept") << 0.25 << -0.1 << false;
        QTest::newRow("quiet impulse") << 0.25 << -0.1 << true;
        QTest::newRow("negative peak") << 0.1 << -0.5 << true;
        QTest::newRow("hot impulse comes down") << 0.99 << -0.2 << true;
        QTest::newRow("silence stays silent") << 0.0 << 0.0 << true;
    }
    void normalise()
    {
        QFETCH(double, positivePeak);
        QFETCH(double, negativePeak);
        QFETCH(bool, normalise);
        std::vector<double> in(2000, 0.0);
        in[10] = positivePeak;
        in[700] = negativePeak;
        in[1500] = negativePeak / 2;
        audio::ConvertOptions options;
        options.normalise = normalise;
        const auto out = audio::convert(in, 1, 48000, 2000, options);

        const double peak = std::max(positivePeak, -negativePeak);
        const double gain = normalise && peak > 0 ? std::pow(10.0, -1.0 / 20) / peak : 1.0;
        for (size_t i : {size_t(10), size_t(700), size_t(1500), size_t(11)})
            QCOMPARE(out.samples[i], audio::round24(in[i] * gain));
        if (normalise && peak > 0) {
            qint32 loudest = 0;
            for (qint32 s : out.samples)
                loudest = std::max(loudest, std::abs(s));
            QVERIFY(std::fabs(toDb(loudest / 8388608.0) - (-1.0)) < 1e-4);
        }
    }

    // Resampled to 48 kHz, a tone stays the same tone, in time and level:
    // compared with the ideal 48 kHz tone away from its abrupt start and the
    // fade, where only the 24-bit rounding (about -140 dB) and the filter's
    // ripple near the band edge remain.
    void resampledTone_data()
    {
        QTest::addColumn<int>("rate");
        QTest::addColumn<double>("hz");
        QTest::newRow("44.1 kHz, 1 kHz") << 44100 << 1000.0;
        QTest::newRow("44.1 kHz, 15 kHz") << 44100 << 15000.0;
        QTest::newRow("88.2 kHz, 3 kHz") << 88200 << 3000.0;
        QTest::newRow("96 kHz, 440 Hz") << 96000 << 440.0;
        QTest::newRow("22.05 kHz, 5 kHz") << 22050 << 5000.0;
    }
    void resampledTone()
    {
        QFETCH(int, rate);
        QFETCH(double, hz);
        const qint64 total = rate; // 1 s, so the device's part is cut
        const int read = int(std::ceil(audio::readSeconds * rate));
        const Signal tone = [&](int i, int) { return 0.5 * std::sin(2 * pi * hz * i / rate); };
        const auto out = audio::convert(frames(read, 1, tone), 1, rate, total, {});
        QCOMPARE(int(out.samples.size()), 10666);
        std::vector<double> ideal(10666);
        for (int i = 0; i < 10666; ++i)
            ideal[size_t(i)] = 0.5 * std::sin(2 * pi * hz * i / 48000);
        const double db = errorDb(toUnit(out.samples), ideal, 1000, 10666 - 240);
        QVERIFY2(db < -95, qPrintable(QString("error %1 dB").arg(db)));
    }

    void pack24RoundTrip()
    {
        const std::vector<qint32> values = {0, 1, -1, 8388607, -8388608, 0x123456, -0x123456};
        const QByteArray bytes = audio::pack24(values);
        QCOMPARE(bytes.size(), int(values.size()) * 3);
        QCOMPARE(bytes.mid(3, 6).toHex(), QByteArray("010000ffffff"));
        QCOMPARE(audio::unpack24(bytes), values);
        QCOMPARE(audio::unpack24(bytes + "\x01\x02"), values); // a partial sample is dropped
    }

    // ---- analysis -------------------------------------------------------

    // The response of impulses whose response is known, within the light
    // smoothing.
    void response_data()
    {
        QTest::addColumn<std::vector<qint32>>("samples");
        QTest::addColumn<Curve>("expectedDb");
        QTest::addColumn<double>("toleranceDb");

        std::vector<qint32> unit(10666, 0);
        unit[0] = 8388607;
        QTest::newRow("unit impulse: flat 0 dB")
            << unit << Curve([](double) { return toDb(8388607 / 8388608.0); }) << 0.01;
        std::vector<qint32> half(3000, 0);
        half[100] = 4194304;
        QTest::newRow("half, delayed: flat -6 dB")
            << half << Curve([](double) { return toDb(0.5); }) << 0.01;
        std::vector<qint32> average(984, 0);
        average[0] = average[1] = 4194304;
        QTest::newRow("two-point average: cosine")
            << average
            << Curve([](double hz) { return toDb(std::fabs(std::cos(pi * hz / 48000))); }) << 0.2;
    }
    void response()
    {
        QFETCH(std::vector<qint32>, samples);
        QFETCH(Curve, expectedDb);
        QFETCH(double, toleranceDb);
        const audio::Analysis a = audio::analyse(samples);
        const auto &hz = audio::responseFrequencies();
        QCOMPARE(a.responseDb.size(), hz.size());
        for (size_t i = 0; i < hz.size(); ++i) {
            const double want = expectedDb(hz[i]);
            QVERIFY2(std::fabs(a.responseDb[i] - want) < toleranceDb,
                     qPrintable(QString("%1 Hz: %2 dB, expected %3 dB")
                                    .arg(hz[i])
                                    .arg(a.responseDb[i])
                                    .arg(want)));
        }
    }

    // A resonance shows as the response's highest point at its frequency.
    void resonance_data()
    {
        QTest::addColumn<double>("hz");
        QTest::newRow("80 Hz") << 80.0;
        QTest::newRow("1 kHz") << 1000.0;
        QTest::newRow("4.5 kHz") << 4500.0;
        QTest::newRow("12 kHz") << 12000.0;
    }
    void resonance()
    {
        QFETCH(double, hz);
        std::vector<qint32> ring(10666);
        for (int i = 0; i < 10666; ++i)
            ring[size_t(i)] =
                audio::round24(0.8 * std::exp(-i / 2000.0) * std::sin(2 * pi * hz * i / 48000));
        const audio::Analysis a = audio::analyse(ring);
        const auto top = std::max_element(a.responseDb.begin(), a.responseDb.end());
        const double found = audio::responseFrequencies()[size_t(top - a.responseDb.begin())];
        QVERIFY2(std::fabs(std::log2(found / hz)) < 1.0 / 24,
                 qPrintable(QString("highest at %1 Hz").arg(found)));
    }

    void responseAxis()
    {
        const auto &hz = audio::responseFrequencies();
        QVERIFY(hz.size() >= 256);
        QCOMPARE(hz.front(), 20.0f);
        QVERIFY(std::fabs(hz.back() - 20000.0f) < 0.01f);
        const double step = hz[1] / hz[0];
        for (size_t i = 1; i < hz.size(); ++i)
            QVERIFY(std::fabs(hz[i] / hz[i - 1] - step) < 1e-4); // evenly spaced on a log axis
    }

    // The waveform keeps every extreme: each span's min and max, about 500 of them.
    void waveform_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("spike"); // where a lone negative spike sits
        QTest::addColumn<int>("pairs");
        QTest::newRow("whole device impulse") << 10666 << 7777 << 500;
        QTest::newRow("short impulse") << 2000 << 3 << 500;
        QTest::newRow("fewer samples than points") << 120 << 119 << 120;
    }
    void waveform()
    {
        QFETCH(int, length);
        QFETCH(int, spike);
        QFETCH(int, pairs);
        std::vector<qint32> s(static_cast<size_t>(length));
        for (int i = 0; i < length; ++i)
            s[size_t(i)] = audio::round24(0.2 * std::sin(0.3 * i));
        s[size_t(spike)] = audio::round24(-0.9);
        const audio::Analysis a = audio::analyse(s);
        QCOMPARE(int(a.waveform.size()), 2 * pairs);
        const int holder = int(qint64(spike) * pairs / length);
        for (int p = 0; p < pairs; ++p) {
            const float lo = a.waveform[size_t(2 * p)];
            const float hi = a.waveform[size_t(2 * p + 1)];
            QVERIFY(lo <= hi);
            QCOMPARE(lo < -0.5f, p == holder);
        }
        QVERIFY(std::fabs(a.waveform[size_t(2 * holder)] - s[size_t(spike)] / 8388608.0) < 1e-6);
        QVERIFY(std::fabs(toDb(0.9) - a.peakDb) < 1e-3);
    }

    void peak_data()
    {
        QTest::addColumn<qint32>("sample");
        QTest::addColumn<double>("db");
        QTest::newRow("half scale") << qint32(4194304) << toDb(0.5);
        QTest::newRow("negative full scale") << qint32(-8388608) << 0.0;
        QTest::newRow("one step") << qint32(1) << toDb(1 / 8388608.0);
        QTest::newRow("silence") << qint32(0) << audio::silenceDb;
    }
    void peak()
    {
        QFETCH(qint32, sample);
        QFETCH(double, db);
        std::vector<qint32> s(500, 0);
        s[250] = sample;
        QVERIFY(std::fabs(audio::analyse(s).peakDb - db) < 1e-9);
    }

    // ---- texts ------------------------------------------------------------

    void describe_data()
    {
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("bits");
        QTest::addColumn<bool>("floating");
        QTest::addColumn<int>("channels");
        QTest::addColumn<QString>("text");
        QTest::newRow("44.1 kHz 16-bit stereo")
            << 44100 << 16 << false << 2 << "44.1 kHz, 16-bit, stereo";
        QTest::newRow("48 kHz 24-bit mono") << 48000 << 24 << false << 1 << "48 kHz, 24-bit, mono";
        QTest::newRow("96 kHz float, 6 channels")
            << 96000 << 32 << true << 6 << "96 kHz, 32-bit float, 6 channels";
        QTest::newRow("22.05 kHz 8-bit") << 22050 << 8 << false << 1 << "22.05 kHz, 8-bit, mono";
        QTest::newRow("compressed: no depth") << 44100 << 0 << false << 2 << "44.1 kHz, stereo";
    }
    void describe()
    {
        QFETCH(int, rate);
        QFETCH(int, bits);
        QFETCH(bool, floating);
        QFETCH(int, channels);
        QFETCH(QString, text);
        audio::SourceInfo info;
        info.rate = rate;
        info.bits = bits;
        info.floating = floating;
        info.pcm = !floating && bits > 0;
        info.channels = channels;
        QCOMPARE(audio::describe(info), text);
    }

    void lengthText_data()
    {
        QTest::addColumn<double>("ms");
        QTest::addColumn<QString>("text");
        QTest::newRow("what the device keeps") << 10666 / 48.0 << "222 ms";
        QTest::newRow("1.4 s") << 1400.0 << "1.4 s";
        QTest::newRow("12 s") << 12345.0 << "12 s";
        QTest::newRow("minutes") << 125000.0 << "2 min 5 s";
    }
    void lengthText()
    {
        QFETCH(double, ms);
        QFETCH(QString, text);
        QCOMPARE(audio::lengthText(ms), text);
    }
};

VORTAXA_TEST_MAIN(TestAudio)
#include "tst_audio.moc"

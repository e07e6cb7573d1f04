// Impulse files for the device: converting a typical file (1 s, 44.1 kHz,
// 24-bit stereo: read, resample, cut, write the device file) and analysing
// what the device keeps (waveform, response, peak). Both run inline when the
// user loads a file, so they must stay far below what the eye notices.
#include "audio/analysis.h"
#include "browser/impulse_file.h"
#include "support/wav_writer.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cmath>

namespace {

// A decaying noise burst, as a cabinet impulse looks, in signed 24-bit samples.
QByteArray burst(int frames, int channels, int rate)
{
    std::vector<qint32> samples;
    quint32 noise = 1;
    for (int i = 0; i < frames; ++i) {
        for (int c = 0; c < channels; ++c) {
            noise = noise * 1664525u + 1013904223u;
            const double v = (double(noise >> 8) / double(1 << 24) * 2.0 - 1.0) *
                             std::exp(-30.0 * i / rate) * 0.7;
            samples.push_back(audio::round24(v));
        }
    }
    return audio::pack24(samples);
}

} // namespace

static void BM_ConvertImpulseFile(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString source = dir.filePath("Cab 44k.wav");
    writeFile(source, wavFile({1, 2, 44100, 24, true, {}, burst(44100, 2, 44100)}));
    for (auto _ : state) {
        const PreparedImpulse p = prepareImpulse(source, {});
        QString error;
        const QString written = writeDeviceFile(dir.filePath("cache"), source, p, error);
        if (!p.converted || written.isEmpty())
            state.SkipWithError("the file was not converted");
        benchmark::DoNotOptimize(written.constData());
    }
}
BENCHMARK(BM_ConvertImpulseFile)->Unit(benchmark::kMillisecond);

static void BM_AnalyseImpulse(benchmark::State &state)
{
    const std::vector<qint32> samples = audio::unpack24(burst(audio::deviceSamples, 1, 48000));
    for (auto _ : state) {
        const audio::Analysis a = audio::analyse(samples);
        benchmark::DoNotOptimize(a.responseDb.data());
    }
}
BENCHMARK(BM_AnalyseImpulse)->Unit(benchmark::kMillisecond);

// The cabinet lab. A full recompute of the result from two 1 s impulses
// (blend, both cuts, minimum phase, length and fade, the analysis the page
// draws), which runs inline on every knob step. And a change to the last
// byte of the result's preview on the wire, on an idle link: the recompute,
// the preview file written, its load and the 12 pieces with their pauses.
#include "browser/impulses.h"
#include "browser/lab_preview.h"
#include "core/core.h"
#include "editing/preset_session.h"
#include "lab/lab.h"
#include "link/link.h"
#include "support/pty.h"
#include "support/wav_writer.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cmath>

namespace {

constexpr int previewBytes = 5912; // "cc s 1\r", 5904 hex digits, "\r"

// 1 s of a decaying noise burst at 44.1 kHz, 24-bit stereo: converted as a
// load converts it.
QString cabinetFile(const QTemporaryDir &dir, const QString &name, quint32 seed)
{
    std::vector<qint32> samples;
    for (int i = 0; i < 44100; ++i)
        for (int c = 0; c < 2; ++c) {
            seed = seed * 1664525u + 1013904223u;
            samples.push_back(audio::round24((double(seed >> 8) / double(1 << 24) * 2.0 - 1.0) *
                                             std::exp(-30.0 * i / 44100) * 0.5));
        }
    const QString path = dir.filePath(name);
    writeFile(path, wavFile({1, 2, 44100, 24, false, {}, audio::pack24(samples)}));
    return path;
}

// Every stage of the chain switched on.
void everything(Lab &lab)
{
    lab.setLowCut(80);
    lab.setHighCut(8000);
    lab.setMinimumPhase(true);
    lab.setLengthMs(200);
    lab.setFadeMs(10);
    lab.setOffset(37);
}

} // namespace

static void BM_LabRecompute(benchmark::State &state)
{
    QTemporaryDir dir;
    Lab lab(nullptr);
    if (!lab.setSource(0, cabinetFile(dir, "Close.wav", 1)) ||
        !lab.setSource(1, cabinetFile(dir, "Room.wav", 2))) {
        state.SkipWithError("the sources were not taken");
        return;
    }
    everything(lab);
    int mix = 30;
    for (auto _ : state) {
        mix = mix == 30 ? 31 : 30;
        lab.setMix(mix); // the whole result and its analysis, made again
        benchmark::DoNotOptimize(lab.result().data());
    }
}
BENCHMARK(BM_LabRecompute)->Unit(benchmark::kMillisecond);

// The result auditioned, then each mix step timed from the call to the pty
// holding the last byte of the new result's preview; the device's answer
// and the queue running dry are outside the timing.
static void BM_LabChangeToLastByte(benchmark::State &state)
{
    QTemporaryDir dir;
    Pty pty;
    Core core;
    Impulses impulses(core.deviceLink(), core.presetSession(), core.settingsStore());
    LabPreview target(core.deviceLink(), core.presetSession(), impulses);
    Lab lab(&target);
    if (!core.openPort(pty.slavePath())) {
        state.SkipWithError("cannot open the pty");
        return;
    }
    core.deviceLink().clearQueue();
    if (!lab.setSource(0, cabinetFile(dir, "Close.wav", 1)) ||
        !lab.setSource(1, cabinetFile(dir, "Room.wav", 2))) {
        state.SkipWithError("the sources were not taken");
        return;
    }
    everything(lab);
    const auto answered = [&] {
        pty.write("ccEND\n");
        return spinUntil([&] { return core.deviceLink().queueEmpty() && !lab.waiting(); }, 3000);
    };
    if (!lab.audition("result") || pty.read(previewBytes, 5000).size() != previewBytes ||
        !answered()) {
        state.SkipWithError("the first preview did not go out");
        return;
    }
    int mix = 30;
    for (auto _ : state) {
        mix = mix == 30 ? 31 : 30;
        QElapsedTimer clock;
        clock.start();
        lab.setMix(mix);
        const QByteArray sent = pty.read(previewBytes, 5000);
        const double seconds = double(clock.nsecsElapsed()) / 1e9;
        if (sent.size() != previewBytes || !sent.startsWith("cc s 1\r")) {
            state.SkipWithError("the preview did not go out whole");
            break;
        }
        state.SetIterationTime(seconds);
        if (!answered()) {
            state.SkipWithError("the answer did not release the preview");
            break;
        }
    }
}
BENCHMARK(BM_LabChangeToLastByte)->UseManualTime()->Iterations(8)->Unit(benchmark::kMillisecond);

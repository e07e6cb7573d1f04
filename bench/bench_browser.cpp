// The impulse browser. A key press auditions the next file: from the step to
// the last byte of its preview on the wire (read, conversion, and the 12
// pieces of the preview with their pauses), on an idle link. And a folder of
// 500 impulse files: from choosing it to the first screen of the list with
// every row's details, and to the details of all of them.
#include "browser/impulses.h"
#include "core/core_seam.h"
#include "support/core_access.h"
#include "support/pty.h"
#include "support/smoke.h"
#include "support/wav_writer.h"

#include <QElapsedTimer>
#include <QSettings>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cmath>
#include <sndfile.h>

namespace {

constexpr int previewBytes = 5912; // "cc s 1\r", 5904 hex digits, "\r"
constexpr int folderFiles = 500;
constexpr int firstScreenRows = 40; // more rows than the list shows in a tall window

// A decaying noise burst, as a cabinet impulse looks: interleaved frames.
std::vector<double> burst(int frames, int channels, int rate, quint32 seed)
{
    std::vector<double> out;
    out.reserve(size_t(frames) * size_t(channels));
    for (int i = 0; i < frames; ++i) {
        for (int c = 0; c < channels; ++c) {
            seed = seed * 1664525u + 1013904223u;
            out.push_back((double(seed >> 8) / double(1 << 24) * 2.0 - 1.0) *
                          std::exp(-30.0 * i / rate) * 0.7);
        }
    }
    return out;
}

// An audio file written by the library that reads it.
bool writeAudio(const QString &path, int format, int rate, int channels, double seconds,
                quint32 seed)
{
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    if (!file)
        return false;
    const int frames = int(seconds * rate);
    const std::vector<double> samples = burst(frames, channels, rate, seed);
    const bool written = sf_writef_double(file, samples.data(), frames) == frames;
    return sf_close(file) == 0 && written;
}

} // namespace

// Steps back and forth between two typical cabinet files (1 s, 44.1 kHz,
// 24-bit stereo: converted on every load). Each step is timed from the call
// to the pty holding the preview's last byte; the device's answer and the
// queue running dry are outside the timing.
static void BM_BrowserStepToLastByte(benchmark::State &state)
{
    QTemporaryDir dir;
    for (int n = 0; n < 2; ++n)
        if (!writeAudio(dir.filePath(QString("Cab %1.wav").arg(n)),
                        SF_FORMAT_WAV | SF_FORMAT_PCM_24, 44100, 2, 1.0, 7u + n)) {
            state.SkipWithError("cannot write the impulse files");
            return;
        }
    Pty pty;
    Core core;
    CoreAccess a{core};
    a.holdTimer();
    Impulses impulses(core);
    if (!core.openPort(pty.slavePath())) {
        state.SkipWithError("cannot open the pty");
        return;
    }
    a.queue().clear();
    impulses.setFolder(dir.path());
    impulses.files()->setActive(true);
    if (!spinUntil([&] { return impulses.files()->pending() == 0; }, 10000)) {
        state.SkipWithError("the folder was not read");
        return;
    }
    impulses.files()->setSelectedRow(0); // highlighted, not loaded
    int direction = 1;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        impulses.step(direction);
        const QByteArray sent = pty.read(previewBytes, 5000);
        const double seconds = double(clock.nsecsElapsed()) / 1e9;
        if (sent.size() != previewBytes || !sent.startsWith("cc s 1\r")) {
            state.SkipWithError("the preview did not go out whole");
            break;
        }
        state.SetIterationTime(seconds);
        // The device answers; the link is idle again before the next step.
        pty.write("ccEND\n");
        if (!spinUntil([&] { return CoreSeam::of(core).queueEmpty(); }, 3000)) {
            state.SkipWithError("the answer did not release the preview");
            break;
        }
        direction = -direction;
    }
}
BENCHMARK(BM_BrowserStepToLastByte)
    ->UseManualTime()
    ->Iterations(smoke::count(8))
    ->Unit(benchmark::kMillisecond);

// 500 files as a collection holds them (WAV of several shapes, every fifth
// one FLAC, 0.3 s each), listed by a new list each time so nothing read
// before is reused. Timed from choosing the folder to the first 40 rows
// showing their details; the counter gives the time to every file's.
static void BM_BrowserListFolder(benchmark::State &state)
{
    QTemporaryDir dir;
    const int shapes[][3] = {{SF_FORMAT_WAV | SF_FORMAT_PCM_24, 44100, 1},
                             {SF_FORMAT_WAV | SF_FORMAT_PCM_16, 48000, 2},
                             {SF_FORMAT_WAV | SF_FORMAT_PCM_24, 48000, 1},
                             {SF_FORMAT_WAV | SF_FORMAT_FLOAT, 96000, 1},
                             {SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100, 2}};
    for (int n = 0; n < folderFiles; ++n) {
        const auto &shape = shapes[n % 5];
        const QString name = QString("Cab %1 %2.%3")
                                 .arg(n % 7 == 0 ? "Open" : "Closed")
                                 .arg(n)
                                 .arg(n % 5 == 4 ? "flac" : "wav");
        if (!writeAudio(dir.filePath(name), shape[0], shape[1], shape[2], 0.3, quint32(n))) {
            state.SkipWithError("cannot write the impulse files");
            return;
        }
    }
    QTemporaryDir settingsDir;
    QSettings settings(settingsDir.filePath("settings.ini"), QSettings::IniFormat);

    double allMs = 0;
    for (auto _ : state) {
        ImpulseFiles files(settings);
        const auto firstScreenKnown = [&] {
            if (files.rowCount() < firstScreenRows)
                return false;
            for (int row = 0; row < firstScreenRows; ++row)
                if (!files.data(files.index(row), ImpulseFiles::ReadyRole).toBool())
                    return false;
            return true;
        };
        QElapsedTimer clock;
        clock.start();
        files.setActive(true);
        files.setFolder(dir.path());
        if (!spinUntil(firstScreenKnown, 10000)) {
            state.SkipWithError("the first screen did not fill");
            break;
        }
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
        if (!spinUntil([&] { return files.pending() == 0; }, 30000) ||
            files.rowCount() != folderFiles) {
            state.SkipWithError("the folder was not read whole");
            break;
        }
        allMs = double(clock.nsecsElapsed()) / 1e6;
        state.counters["all_ms"] = allMs;
    }
}
BENCHMARK(BM_BrowserListFolder)
    ->UseManualTime()
    ->Iterations(smoke::count(5))
    ->Unit(benchmark::kMillisecond);

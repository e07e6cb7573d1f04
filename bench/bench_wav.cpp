// Decoding a full-size 24-bit WAV file (32044 bytes read) and building the
// store command that carries it: the pure pieces, and Core's whole store path.
#include "core/core.h"
#include "editing/preset_session.h"
#include "impulse/wav_format.h"
#include "impulse/wav_image.h"
#include "link/link.h"
#include "link/requests.h"
#include "support/impulse_file.h"

#include <QDir>
#include <benchmark/benchmark.h>

// Read, decode, image, hex text, command.
static void BM_DecodeAndStoreCommand(benchmark::State &state)
{
    FullSizeFile file;
    for (auto _ : state) {
        const QByteArray bytes = wav::readHead(file.path);
        const wav::Decoded decoded = wav::decode(bytes.constData(), bytes.size());
        const QByteArray image = wav::deviceImage(decoded.samples);
        const QByteArray command = requests::storeImpulse(
            wav::storeName(QStringLiteral("Full Cab.wav")).toUtf8(), wav::hexText(image));
        benchmark::DoNotOptimize(command.constData());
    }
}
BENCHMARK(BM_DecodeAndStoreCommand)->Unit(benchmark::kMicrosecond);

// A save of a file loaded for the preset, on Core without a port: the store
// check, the decode, the wav.wav copy and the queued commands. Nothing is
// transmitted on the closed port.
static void BM_CoreStorePath(benchmark::State &state)
{
    FullSizeFile file;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(file.dir.path()); // wav.wav is written here
    Core core;
    PresetSession &session = core.presetSession();
    if (!session.loadImpulse(file.path)) {
        state.SkipWithError("the file was not taken");
        return;
    }
    for (auto _ : state) {
        session.save();
        benchmark::DoNotOptimize(core.deviceLink().head().constData());
    }
    QDir::setCurrent(previous);
}
BENCHMARK(BM_CoreStorePath)->Unit(benchmark::kMicrosecond);

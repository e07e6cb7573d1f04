// Decoding a full-size 24-bit WAV file (32044 bytes read) and building the
// store command that carries it: the pure pieces, and Core's whole store path.
#include "impulse/wav_format.h"
#include "impulse/wav_image.h"
#include "link/requests.h"
#include "support/core_access.h"
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

// decodeWav(path, true) on Core: the store check, the decode, the wav.wav
// copy and the queued commands. The pacing step gives up at once instead of
// writing to the closed port, so no transmission is measured.
static void BM_CoreStorePath(benchmark::State &state)
{
    FullSizeFile file;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(file.dir.path()); // wav.wav is written here
    Core core;
    CoreAccess a{core};
    a.holdTimer();
    for (auto _ : state) {
        a.loadFile(QStringLiteral("Full Cab.wav"), file.path);
        a.sendCount() = 3;
        a.answerReceived() = 0;
        a.decodeWav(file.path, true);
        benchmark::DoNotOptimize(a.lastErrCommand().constData());
    }
    QDir::setCurrent(previous);
}
BENCHMARK(BM_CoreStorePath)->Unit(benchmark::kMicrosecond);

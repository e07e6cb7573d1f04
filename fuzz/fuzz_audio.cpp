// libFuzzer target for impulse files: any bytes as a whole file, read,
// checked, converted for the device and analysed as a load does. The reader
// is libsndfile; what is ours is everything around it, so the checks below
// stop on an impulse the device cannot hold or an analysis of the wrong size.
#include "audio/analysis.h"
#include "browser/impulse_file.h"

#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir;
    const QString path = dir.filePath("input");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        abort();
    file.write(reinterpret_cast<const char *>(data), qint64(size));
    file.close();

    audio::ConvertOptions options;
    options.mixChannels = size % 2;
    options.normalise = size % 3 == 0;
    const PreparedImpulse p = prepareImpulse(path, options);
    if (!p.error.isEmpty())
        return 0;
    if (p.impulse.samples.empty() || p.impulse.samples.size() > size_t(audio::deviceSamples))
        abort();
    for (qint32 s : p.impulse.samples) {
        if (s < -8388608 || s > 8388607)
            abort();
    }
    const audio::Analysis a = audio::analyse(p.impulse.samples);
    if (a.responseDb.size() != audio::responseFrequencies().size() || a.waveform.empty() ||
        a.waveform.size() > 2 * size_t(audio::waveformPoints) || !std::isfinite(a.peakDb))
        abort();
    for (float db : a.responseDb) {
        if (!std::isfinite(db))
            abort();
    }
    return 0;
}

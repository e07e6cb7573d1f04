// libFuzzer target for WAV decoding: any bytes as the first bytes of a file.
// libFuzzer hands over exactly `size` bytes, so a read past them is caught
// by the address sanitizer; the checks below catch wrong lengths.
#include "impulse/wav_format.h"
#include "impulse/wav_image.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const int n = int(std::min<size_t>(size, wav::readLimit));
    const char *bytes = reinterpret_cast<const char *>(data);

    const wav::Decoded d = wav::decode(bytes, n);
    const int width = d.bitsPerSample >> 3;
    if (d.samples.size() > 3 * n)
        abort();
    if (width >= 3 && width <= 4 && d.samples.size() > n)
        abort(); // 3 and 4 byte samples never grow

    if (wav::previewPayload(d.samples).size() != 2 * wav::previewBytes)
        abort();
    const int stored = std::min(d.samples.size(), wav::maxSampleBytes);
    if (wav::deviceImage(d.samples).size() != wav::headerSize + stored)
        abort();

    // The stored name never carries a space or a control character.
    const QString name = wav::storeName(QString::fromUtf8(bytes, std::min(n, 64)));
    for (const QChar c : name) {
        if (c.unicode() <= 0x20 || c.unicode() == 0x7f)
            abort();
    }
    return 0;
}

// Turning any impulse into what the device plays: one channel at 48 kHz in
// 24-bit samples, at most as many as the device stores. Pure functions over
// sample buffers.
#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <vector>

namespace audio {

constexpr int deviceRate = 48000;
// The device stores 32000 sample bytes: 10666 whole 24-bit samples (222 ms).
constexpr int deviceSamples = 32000 / 3;
// A cut impulse ends in a fade this long (5 ms), so it stops without a click.
constexpr int fadeSamples = deviceRate / 200;
// Full scale of a 24-bit sample.
constexpr double fullScale24 = 8388608.0;

struct ConvertOptions {
    bool mixChannels = false; // average every channel instead of taking the first
    bool normalise = false;   // bring the peak to normaliseDb
};
// The peak level a normalised impulse gets.
constexpr double normaliseDb = -1.0;

// How much of a file makes the part the device keeps, with enough beyond it
// that the resampler sees the signal go on (its filter looks about 4 ms ahead).
constexpr double readSeconds = double(deviceSamples) / deviceRate + 0.1;

// How many device samples a source of `frames` frames at `rate` makes.
qint64 deviceLength(qint64 frames, int rate);

// What the device plays of a source.
struct DeviceImpulse {
    std::vector<qint32> samples; // signed 24-bit values, at most deviceSamples
    bool cut = false;            // the source was longer than the device keeps
};

// Converts `frames` (interleaved, `channels` per frame, full scale +-1) of a
// source at `rate` whose whole length is `totalFrames`: one channel (the
// first, or the mix), resampled to 48 kHz at the best quality, cut to what
// the device keeps with a fade at the end, optionally normalised, rounded
// to 24 bits without dither.
DeviceImpulse convert(const std::vector<double> &frames, int channels, int rate, qint64 totalFrames,
                      const ConvertOptions &options);

// One channel of `frames` (interleaved, `channels` per frame, full scale
// +-1) at 48 kHz: the first channel, or the mean of all with `mixChannels`,
// resampled at the best quality when `rate` differs. The first step of
// `convert`, for callers that keep working on the samples.
std::vector<double> toDeviceRate(const std::vector<double> &frames, int channels, int rate,
                                 bool mixChannels);

// A half cosine from 1 down to 0 over the last `count` samples (all of them
// when there are fewer), so the impulse stops without a click.
void fadeOut(std::vector<double> &samples, size_t count);

// Scales the samples so their peak is at normaliseDb; silence stays silence.
void normalise(std::vector<double> &samples);

// A full-scale +-1 sample rounded to signed 24 bits (no dither), clipped; a
// value that is not a number gives 0.
qint32 round24(double sample);

// Signed 24-bit values as little-endian bytes, 3 per sample.
QByteArray pack24(const std::vector<qint32> &samples);
// Little-endian 24-bit samples back to values; a trailing partial sample is dropped.
std::vector<qint32> unpack24(const QByteArray &bytes);

} // namespace audio

// Conversion for the device: channel choice, libsoxr at its very-high
// quality, the cut with its fade, the optional normalisation and the
// rounding to 24 bits.
#include "audio/device_impulse.h"

#include "base/log_categories.h"

#include <algorithm>
#include <cmath>
#include <soxr.h>

namespace audio {
namespace {

constexpr double pi = 3.14159265358979323846;

std::vector<double> oneChannel(const std::vector<double> &frames, int channels, bool mix)
{
    const size_t n = channels > 0 ? frames.size() / size_t(channels) : 0;
    std::vector<double> mono(n);
    for (size_t i = 0; i < n; ++i) {
        const double *frame = frames.data() + i * size_t(channels);
        if (!mix) {
            mono[i] = frame[0];
            continue;
        }
        double sum = 0.0;
        for (int c = 0; c < channels; ++c)
            sum += frame[c];
        mono[i] = sum / channels;
    }
    return mono;
}

// All of `in` at `rate` to 48 kHz; the output holds every sample the input
// makes, the filter's tail included.
std::vector<double> resample(const std::vector<double> &in, int rate)
{
    std::vector<double> out(size_t(deviceLength(qint64(in.size()), rate)));
    if (in.empty() || out.empty())
        return {};
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT64_I, SOXR_FLOAT64_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_VHQ, 0);
    size_t done = 0;
    const soxr_error_t error = soxr_oneshot(rate, deviceRate, 1, in.data(), in.size(), nullptr,
                                            out.data(), out.size(), &done, &io, &quality, nullptr);
    if (error) {
        qCWarning(audioLog) << "resampling failed:" << error;
        return {};
    }
    out.resize(done);
    return out;
}

} // namespace

void fadeOut(std::vector<double> &samples, size_t count)
{
    const size_t n = std::min(samples.size(), count);
    const size_t start = samples.size() - n;
    for (size_t i = 0; i < n; ++i)
        samples[start + i] *= 0.5 * (1.0 + std::cos(pi * double(i + 1) / double(n)));
}

void normalise(std::vector<double> &samples)
{
    double peak = 0.0;
    for (double s : samples)
        peak = std::max(peak, std::fabs(s));
    if (peak <= 0.0)
        return; // silence stays silence
    const double gain = std::pow(10.0, normaliseDb / 20.0) / peak;
    for (double &s : samples)
        s *= gain;
}

std::vector<double> toDeviceRate(const std::vector<double> &frames, int channels, int rate,
                                 bool mixChannels)
{
    std::vector<double> mono = oneChannel(frames, channels, mixChannels);
    return rate != deviceRate ? resample(mono, rate) : mono;
}

qint32 round24(double sample)
{
    if (std::isnan(sample))
        return 0;
    const double v = std::round(sample * fullScale24);
    return qint32(std::clamp(v, -fullScale24, fullScale24 - 1.0));
}

qint64 deviceLength(qint64 frames, int rate)
{
    return rate > 0 ? qint64(std::llround(double(frames) * deviceRate / rate)) : 0;
}

DeviceImpulse convert(const std::vector<double> &frames, int channels, int rate, qint64 totalFrames,
                      const ConvertOptions &options)
{
    std::vector<double> mono = toDeviceRate(frames, channels, rate, options.mixChannels);

    DeviceImpulse result;
    result.cut = deviceLength(totalFrames, rate) > deviceSamples;
    if (mono.size() > size_t(deviceSamples))
        mono.resize(size_t(deviceSamples));
    if (result.cut)
        fadeOut(mono, size_t(fadeSamples));
    if (options.normalise)
        normalise(mono);

    result.samples.reserve(mono.size());
    for (double s : mono)
        result.samples.push_back(round24(s));
    return result;
}

QByteArray pack24(const std::vector<qint32> &samples)
{
    QByteArray bytes;
    bytes.reserve(int(samples.size() * 3));
    for (qint32 s : samples) {
        const quint32 u = quint32(s);
        bytes.append(char(u & 0xff));
        bytes.append(char((u >> 8) & 0xff));
        bytes.append(char((u >> 16) & 0xff));
    }
    return bytes;
}

std::vector<qint32> unpack24(const QByteArray &bytes)
{
    std::vector<qint32> samples(size_t(bytes.size() / 3));
    const auto *b = reinterpret_cast<const uchar *>(bytes.constData());
    for (size_t i = 0; i < samples.size(); ++i) {
        const quint32 u =
            quint32(b[3 * i]) | quint32(b[3 * i + 1]) << 8 | quint32(b[3 * i + 2]) << 16;
        samples[i] = qint32(u << 8) >> 8; // sign from bit 23
    }
    return samples;
}

} // namespace audio

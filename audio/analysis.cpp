// The waveform, the magnitude response (FFTW) and the peak of an impulse.
#include "audio/analysis.h"

#include "audio/device_impulse.h"

#include <algorithm>
#include <cmath>
#include <fftw3.h>
#include <memory>

namespace audio {
namespace {

// The transform length: the longest impulse the device keeps, zero-padded
// to a power of two (2.9 Hz per bin at 48 kHz).
constexpr int fftSize = 16384;
static_assert(fftSize >= deviceSamples, "the whole impulse fits the transform");

struct FftwFree {
    void operator()(void *p) const { fftw_free(p); }
};

std::vector<float> waveform(const std::vector<double> &x)
{
    const size_t n = x.size();
    const size_t points = std::min(n, size_t(waveformPoints));
    std::vector<float> pairs;
    pairs.reserve(points * 2);
    for (size_t p = 0; p < points; ++p) {
        const auto first = x.begin() + std::ptrdiff_t(p * n / points);
        const auto last = x.begin() + std::ptrdiff_t((p + 1) * n / points);
        const auto [lo, hi] = std::minmax_element(first, last);
        pairs.push_back(float(*lo));
        pairs.push_back(float(*hi));
    }
    return pairs;
}

// Power per bin, 0 to fftSize / 2.
std::vector<double> powerSpectrum(const std::vector<double> &x)
{
    std::unique_ptr<double, FftwFree> in(fftw_alloc_real(fftSize));
    std::unique_ptr<fftw_complex, FftwFree> out(fftw_alloc_complex(fftSize / 2 + 1));
    const fftw_plan plan = fftw_plan_dft_r2c_1d(fftSize, in.get(), out.get(), FFTW_ESTIMATE);
    std::fill(in.get(), in.get() + fftSize, 0.0);
    std::copy_n(x.begin(), std::min(x.size(), size_t(fftSize)), in.get());
    fftw_execute(plan);
    fftw_destroy_plan(plan);

    std::vector<double> power(fftSize / 2 + 1);
    for (size_t k = 0; k < power.size(); ++k)
        power[k] = out.get()[k][0] * out.get()[k][0] + out.get()[k][1] * out.get()[k][1];
    return power;
}

double toDb(double power)
{
    return power > 0.0 ? std::max(silenceDb, 10.0 * std::log10(power)) : silenceDb;
}

// Mean power over the band of `smoothingOctaves` around `hz`; where the band
// is narrower than a bin, the power between the two nearest bins.
double bandPower(const std::vector<double> &power, double hz)
{
    const double binHz = double(deviceRate) / fftSize;
    const double half = std::pow(2.0, smoothingOctaves / 2.0);
    const auto first = size_t(std::ceil(hz / half / binHz));
    const auto last = std::min(size_t(std::floor(hz * half / binHz)), power.size() - 1);
    if (last > first) {
        double sum = 0.0;
        for (size_t k = first; k <= last; ++k)
            sum += power[k];
        return sum / double(last - first + 1);
    }
    const double at = hz / binHz;
    const auto k = std::min(size_t(at), power.size() - 2);
    const double t = at - double(k);
    return power[k] * (1.0 - t) + power[k + 1] * t;
}

} // namespace

const std::vector<float> &responseFrequencies()
{
    static const std::vector<float> hz = [] {
        std::vector<float> f(responsePoints);
        const double ratio = responseHighHz / responseLowHz;
        for (int i = 0; i < responsePoints; ++i)
            f[size_t(i)] = float(responseLowHz * std::pow(ratio, double(i) / (responsePoints - 1)));
        return f;
    }();
    return hz;
}

Analysis analyse(const std::vector<qint32> &samples)
{
    std::vector<double> x(samples.size());
    double peak = 0.0;
    for (size_t i = 0; i < samples.size(); ++i) {
        x[i] = samples[i] / fullScale24;
        peak = std::max(peak, std::fabs(x[i]));
    }

    Analysis a;
    a.waveform = waveform(x);
    a.peakDb = peak > 0.0 ? 20.0 * std::log10(peak) : silenceDb;
    const std::vector<double> power = powerSpectrum(x);
    a.responseDb.reserve(responsePoints);
    for (float hz : responseFrequencies())
        a.responseDb.push_back(float(toDb(bandPower(power, hz))));
    return a;
}

QVariantList graphPoints(const std::vector<float> &values)
{
    QVariantList list;
    list.reserve(int(values.size()));
    for (float v : values)
        list.append(double(v));
    return list;
}

} // namespace audio

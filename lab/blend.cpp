// Blending, cuts, minimum phase, length and alignment (FFTW for the
// transforms; the fade, normalising and rounding are the device form's own).
#include "lab/blend.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <fftw3.h>
#include <map>
#include <memory>

namespace lab {
namespace {

constexpr double pi = 3.14159265358979323846;

struct FftwFree {
    void operator()(void *p) const { fftw_free(p); }
};
using RealBuffer = std::unique_ptr<double, FftwFree>;
using ComplexBuffer = std::unique_ptr<fftw_complex, FftwFree>;

size_t powerOfTwoAtLeast(size_t n)
{
    size_t p = 1;
    while (p < n)
        p <<= 1;
    return p;
}

// One real transform of `size` points each way, on buffers it owns.
class RealFft {
public:
    explicit RealFft(size_t size)
        : n(size), time(fftw_alloc_real(size)), freq(fftw_alloc_complex(size / 2 + 1))
    {
        forwardPlan = fftw_plan_dft_r2c_1d(int(n), time.get(), freq.get(), FFTW_ESTIMATE);
        inversePlan = fftw_plan_dft_c2r_1d(int(n), freq.get(), time.get(), FFTW_ESTIMATE);
    }
    ~RealFft()
    {
        fftw_destroy_plan(forwardPlan);
        fftw_destroy_plan(inversePlan);
    }
    RealFft(const RealFft &) = delete;
    RealFft &operator=(const RealFft &) = delete;

    double *t() { return time.get(); }
    fftw_complex *f() { return freq.get(); }
    size_t bins() const { return n / 2 + 1; }
    size_t size() const { return n; }

    // Loads `x` zero-padded and transforms it.
    void forward(const std::vector<double> &x)
    {
        std::fill(t(), t() + n, 0.0);
        std::copy_n(x.begin(), std::min(x.size(), n), t());
        fftw_execute(forwardPlan);
    }
    void forward() { fftw_execute(forwardPlan); }
    // The time signal of the bins, scaled back (FFTW leaves a factor n).
    void inverse()
    {
        fftw_execute(inversePlan);
        const double scale = 1.0 / double(n);
        for (size_t i = 0; i < n; ++i)
            t()[i] *= scale;
    }

private:
    size_t n;
    RealBuffer time;
    ComplexBuffer freq;
    fftw_plan forwardPlan;
    fftw_plan inversePlan;
};

// The transform of that size, planned once per thread and kept: planning
// computes the twiddle factors, which costs as much as the transform.
RealFft &fftOfSize(size_t size)
{
    thread_local std::map<size_t, std::unique_ptr<RealFft>> kept;
    std::unique_ptr<RealFft> &fft = kept[size];
    if (!fft)
        fft = std::make_unique<RealFft>(size);
    return *fft;
}

struct Biquad {
    double b0, b1, b2, a1, a2; // normalised by a0

    void run(std::vector<double> &x) const
    {
        double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
        for (double &s : x) {
            const double y = b0 * s + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
            x2 = x1;
            x1 = s;
            y2 = y1;
            y1 = y;
            s = y;
        }
    }
};

// Butterworth (Q = 1/sqrt 2) by the bilinear transform with the cutoff
// pre-warped, so it lies exactly at `hz` (-3 dB).
Biquad butterworth(double hz, bool highPass)
{
    const double w0 = 2.0 * pi * hz / audio::deviceRate;
    const double cosW = std::cos(w0);
    const double alpha = std::sin(w0) / (2.0 * std::sqrt(0.5));
    const double a0 = 1.0 + alpha;
    const double edge = highPass ? (1.0 + cosW) / 2.0 : (1.0 - cosW) / 2.0;
    Biquad q;
    q.b0 = edge / a0;
    q.b1 = (highPass ? -2.0 * edge : 2.0 * edge) / a0;
    q.b2 = edge / a0;
    q.a1 = -2.0 * cosW / a0;
    q.a2 = (1.0 - alpha) / a0;
    return q;
}

} // namespace

std::vector<double> blend(const std::vector<double> &a, const std::vector<double> &b, int mix,
                          int offset, bool invertB)
{
    if (b.empty())
        return a;
    const double share = std::clamp(mix, 0, 100) / 100.0;
    const double gainA = 1.0 - share;
    const double gainB = invertB ? -share : share;
    const long long movedEnd = (long long)(b.size()) + offset;
    const size_t n = size_t(std::max<long long>((long long)(a.size()), std::max(0LL, movedEnd)));
    std::vector<double> r(n, 0.0);
    for (size_t i = 0; i < a.size(); ++i)
        r[i] = gainA * a[i];
    for (size_t i = 0; i < n; ++i) {
        const long long from = (long long)(i)-offset;
        if (from >= 0 && from < (long long)(b.size()))
            r[i] += gainB * b[size_t(from)];
    }
    return r;
}

void lowCut(std::vector<double> &x, double hz)
{
    butterworth(hz, true).run(x);
}

void highCut(std::vector<double> &x, double hz)
{
    butterworth(hz, false).run(x);
}

std::vector<double> minimumPhase(const std::vector<double> &x)
{
    if (x.empty())
        return {};
    RealFft &fft = fftOfSize(powerOfTwoAtLeast(8 * x.size()));
    const size_t n = fft.size();
    const size_t bins = fft.bins();

    // log |X| (half the log of the power), with a floor far below anything
    // audible, so a zero in the spectrum does not run off to minus infinity.
    fft.forward(x);
    double peak = 0.0;
    for (size_t k = 0; k < bins; ++k)
        peak = std::max(peak, fft.f()[k][0] * fft.f()[k][0] + fft.f()[k][1] * fft.f()[k][1]);
    if (peak <= 0.0)
        return std::vector<double>(x.size(), 0.0);
    const double floor = peak * 1e-18; // -180 dB
    for (size_t k = 0; k < bins; ++k) {
        const double power = fft.f()[k][0] * fft.f()[k][0] + fft.f()[k][1] * fft.f()[k][1];
        fft.f()[k][0] = 0.5 * std::log(std::max(floor, power));
        fft.f()[k][1] = 0.0;
    }

    // The real cepstrum, folded onto positive quefrencies: the causal part
    // of the log spectrum, whose exponential is the minimum-phase spectrum.
    fft.inverse();
    double *c = fft.t();
    for (size_t i = 1; i < n / 2; ++i)
        c[i] *= 2.0;
    std::fill(c + n / 2 + 1, c + n, 0.0);
    fft.forward();
    for (size_t k = 0; k < bins; ++k) {
        const std::complex<double> z = std::exp(std::complex<double>(fft.f()[k][0], fft.f()[k][1]));
        fft.f()[k][0] = z.real();
        fft.f()[k][1] = z.imag();
    }
    fft.inverse();
    return std::vector<double>(fft.t(), fft.t() + x.size());
}

void setLength(std::vector<double> &x, size_t samples, size_t fadeSamples)
{
    x.resize(samples, 0.0);
    if (fadeSamples > 0)
        audio::fadeOut(x, fadeSamples);
}

Rendered render(const std::vector<double> &a, const std::vector<double> &b, const Shape &shape)
{
    const size_t length = size_t(std::clamp(shape.lengthMs, minLengthMs, maxLengthMs)) *
                          size_t(audio::deviceRate / 1000);
    const size_t fade = std::min(length, size_t(std::clamp(shape.fadeMs, 0, maxFadeMs)) *
                                             size_t(audio::deviceRate / 1000));

    std::vector<double> r =
        blend(a, b, shape.mix, std::clamp(shape.offset, -maxOffset, maxOffset), shape.invertB);
    // The filters' and the minimum phase's tails stay within the result.
    if (r.size() < length)
        r.resize(length, 0.0);
    if (shape.lowCutHz > 0)
        lowCut(r, clampCut(shape.lowCutHz, lowCutMinHz, lowCutMaxHz));
    if (shape.highCutHz > 0)
        highCut(r, clampCut(shape.highCutHz, highCutMinHz, highCutMaxHz));
    if (shape.minimumPhase)
        r = minimumPhase(r);
    setLength(r, length, fade);
    Rendered out;
    double peak = 0.0;
    for (double s : r)
        peak = std::max(peak, std::fabs(s));
    // Clipping would spoil the sound: a result past full scale is brought
    // to the normalised level instead.
    if (shape.normalise || peak >= 1.0)
        audio::normalise(r);
    if (!shape.normalise && peak >= 1.0)
        out.loweredDb = audio::normaliseDb - 20.0 * std::log10(peak);

    out.samples.reserve(r.size());
    for (double s : r)
        out.samples.push_back(audio::round24(s));
    return out;
}

int bestOffset(const std::vector<double> &a, const std::vector<double> &b, int maxLag)
{
    if (a.empty() || b.empty())
        return 0;
    // c[d] = sum over n of a[n] b[n - d]: the spectrum A conj(B), transformed
    // back; padded so that no lag within reach wraps onto another.
    const size_t size = powerOfTwoAtLeast(a.size() + b.size() + size_t(maxLag));
    RealFft fa(size);
    RealFft fb(size);
    fa.forward(a);
    fb.forward(b);
    for (size_t k = 0; k < fa.bins(); ++k) {
        const std::complex<double> product =
            std::complex<double>(fa.f()[k][0], fa.f()[k][1]) *
            std::conj(std::complex<double>(fb.f()[k][0], fb.f()[k][1]));
        fa.f()[k][0] = product.real();
        fa.f()[k][1] = product.imag();
    }
    fa.inverse();
    const size_t n = fa.size();
    int best = 0;
    double bestValue = fa.t()[0];
    for (int d = -maxLag; d <= maxLag; ++d) {
        const double value = fa.t()[d >= 0 ? size_t(d) : n - size_t(-d)];
        // The nearer lag wins a tie, so silence gives no offset.
        if (value > bestValue || (value == bestValue && std::abs(d) < std::abs(best))) {
            best = d;
            bestValue = value;
        }
    }
    return best;
}

int clampCut(int hz, int minHz, int maxHz)
{
    return hz <= 0 ? 0 : std::clamp(hz, minHz, maxHz);
}

} // namespace lab

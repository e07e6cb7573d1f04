// The cabinet lab's sound work: two impulses blended (B moved in time and
// maybe inverted), cut below and above, made minimum phase, shortened with a
// fade, normalised and rounded to 24 bits; and the lag at which B lines up
// with A. Pure functions over 48 kHz buffers of doubles, full scale +-1.
#pragma once

#include "audio/device_impulse.h"

#include <QtGlobal>
#include <vector>

namespace lab {

// How far B may be moved either way, in samples at 48 kHz (10 ms).
constexpr int maxOffset = 480;
// What a source keeps: what the device stores and the furthest B can be
// moved earlier, so a moved B still fills the whole result.
constexpr int sourceSamples = audio::deviceSamples + maxOffset;

constexpr int minLengthMs = 10;
constexpr int maxLengthMs = audio::deviceSamples * 1000 / audio::deviceRate; // 222
constexpr int maxFadeMs = 50;
constexpr int lowCutMinHz = 20;
constexpr int lowCutMaxHz = 500;
constexpr int highCutMinHz = 2000;
constexpr int highCutMaxHz = 20000;

// Everything that shapes the result; the ranges are the lab's properties'.
struct Shape {
    int mix = 50;         // B's share, per cent
    int offset = 0;       // B's delay in samples; negative plays B earlier
    bool invertB = false; // B's polarity turned over
    int lowCutHz = 0;     // 0: off
    int highCutHz = 0;    // 0: off
    int lengthMs = maxLengthMs;
    int fadeMs = 5;         // raised-cosine fade at the end
    bool normalise = false; // peak at audio::normaliseDb
    bool minimumPhase = false;
};

// r[n] = (1 - mix/100) A[n] + (mix/100) (invertB ? -1 : 1) B[n - offset],
// as long as the longer of A and the moved B. An empty B leaves A as it is.
std::vector<double> blend(const std::vector<double> &a, const std::vector<double> &b, int mix,
                          int offset, bool invertB);

// 2nd-order Butterworth sections (12 dB per octave), causal, in place: the
// low cut a high-pass at `hz`, the high cut a low-pass at `hz`.
void lowCut(std::vector<double> &x, double hz);
void highCut(std::vector<double> &x, double hz);

// The minimum-phase impulse with the magnitude response of `x` (cepstral
// method, over a transform at least 8 times as long), as long as `x`.
std::vector<double> minimumPhase(const std::vector<double> &x);

// Cuts or pads `x` to `samples`, the last `fadeSamples` of them under a
// raised-cosine fade that ends at 0.
void setLength(std::vector<double> &x, size_t samples, size_t fadeSamples);

// The result of the whole chain.
struct Rendered {
    std::vector<qint32> samples; // signed 24-bit
    // Negative when the result would have gone past full scale (a minimum
    // phase or a cut can raise the peak) and was brought down to
    // audio::normaliseDb instead of clipping; 0 otherwise.
    double loweredDb = 0.0;
};

// The whole chain in its order: blend, low and high cut, minimum phase,
// length and fade, normalising, 24-bit rounding.
Rendered render(const std::vector<double> &a, const std::vector<double> &b, const Shape &shape);

// The offset (within +-maxLag) at which `b` lines up best with `a`: the
// peak of their cross-correlation. A `b` that is `a` delayed by k samples
// gives -k.
int bestOffset(const std::vector<double> &a, const std::vector<double> &b, int maxLag);

// A cut frequency in its range: 0 (or less) stays off, anything else is
// clamped to minHz..maxHz.
int clampCut(int hz, int minHz, int maxHz);

} // namespace lab

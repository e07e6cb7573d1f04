// What the panel draws of an impulse: its waveform as min/max pairs, its
// magnitude response on a log-frequency axis, and its peak level. Pure
// functions over the device's 24-bit samples.
#pragma once

#include <QVariantList>
#include <QtGlobal>
#include <vector>

namespace audio {

constexpr int waveformPoints = 500;
constexpr int responsePoints = 320; // 32 per octave from 20 Hz to 20 kHz
constexpr double responseLowHz = 20.0;
constexpr double responseHighHz = 20000.0;
// Each response point is the mean power over this fraction of an octave.
constexpr double smoothingOctaves = 1.0 / 12.0;
// What silence reads as, in dB: below anything 24 bits can hold.
constexpr double silenceDb = -150.0;

struct Analysis {
    // Pairs (min, max) of the samples in each of up to waveformPoints equal
    // spans, full scale +-1; one pair per sample when there are fewer.
    std::vector<float> waveform;
    // Gain in dB (a unit impulse reads 0 dB) at responseFrequencies().
    std::vector<float> responseDb;
    double peakDb = silenceDb; // dBFS
};

// The log-spaced frequencies of the response, responseLowHz to responseHighHz.
const std::vector<float> &responseFrequencies();

// The analysis of signed 24-bit samples at the device's rate.
Analysis analyse(const std::vector<qint32> &samples);

// Values as the document's graphs take them.
QVariantList graphPoints(const std::vector<float> &values);

} // namespace audio

// Reading audio files with libsndfile: what a file is (container, rate,
// depth, channels, length) and its first samples, or why it cannot be used,
// in words for the user.
#pragma once

#include <QString>
#include <vector>

namespace audio {

// What a file holds, as its header and the reader describe it.
struct SourceInfo {
    QString format;        // container: "WAV", "AIFF", "FLAC", ...
    bool wav = false;      // a RIFF WAVE file (plain or extensible)
    bool pcm = false;      // integer samples
    bool floating = false; // floating-point samples
    int bits = 0;          // bits per sample; 0 for encodings without a fixed width
    int rate = 0;          // frames per second
    int channels = 0;
    qint64 frames = 0; // per channel

    double lengthMs() const { return rate > 0 ? frames * 1000.0 / rate : 0.0; }
};

// A file read: its description and its first frames, or the reason it
// cannot be used.
struct Reading {
    QString error; // a sentence for the user; empty when the file is usable
    SourceInfo info;
    std::vector<double> samples; // interleaved frames, full scale +-1

    bool ok() const { return error.isEmpty(); }
    qint64 framesRead() const
    {
        return info.channels > 0 ? qint64(samples.size()) / info.channels : 0;
    }
};

// Sample rates outside this range only come from a damaged header.
constexpr int minRate = 4000;
constexpr int maxRate = 768000;
// More channels than this only come from a damaged header.
constexpr int maxChannels = 64;

// Opens `path` and checks that it is a whole, believable audio file; reads
// at most its first `seconds` (nothing with 0). A file that ends before the
// sound its header announces is refused as cut short, one whose samples read
// are not all numbers as damaged.
Reading readFile(const QString &path, double seconds);

// "44.1 kHz, 16-bit, stereo"; "96 kHz, 32-bit float, 6 channels".
QString describe(const SourceInfo &info);

// A length for people: "222 ms", "1.4 s", "12 s", "2 min 5 s".
QString lengthText(double ms);

} // namespace audio

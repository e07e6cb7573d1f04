// Reading a WAV file's bytes: the fixed-offset header fields, the first
// "data" tag, and the conversion of the samples to 24-bit little-endian mono.
// Apart from readHead, pure functions over the bytes read; nothing here looks
// past `size`.
#pragma once

#include <QByteArray>
#include <QString>

// The first 44 bytes of a WAV file, read at fixed offsets (no chunk walk).
struct WavHeader {
    quint16 numChannels = 0;
    quint32 sampleRate = 0;
    quint16 bitPerSample = 0;
    bool complete = false; // false when fewer than 44 bytes could be read
};

namespace wav {

constexpr int headerSize = 44;
constexpr int maxSampleBytes = 32000;
constexpr int readLimit = headerSize + maxSampleBytes; // a file without "data": its bytes read

// Fixed header offsets (the canonical 44-byte layout; chunks are not walked).
constexpr int channelsOffset = 22;
constexpr int sampleRateOffset = 24;
constexpr int bitsOffset = 34;

// What a decode reads of a file: its header and, from the first "data" tag
// on (however much metadata stands before it), the tag, its size field and
// at most maxSampleBytes sample bytes; the header and the rest of the first
// readLimit bytes when no "data" is found. Empty when it cannot be opened.
QByteArray readHead(const QString &path);

// Little-endian fields; 0 where the field does not lie wholly within `size`.
quint16 le16(const char *bytes, int size, int offset);
quint32 le32(const char *bytes, int size, int offset);

// One sample as 24-bit little-endian: 1 byte (unsigned) becomes 00 00 b0^0x80,
// 2 bytes 00 b0 b1, 3 bytes are kept, 4 bytes lose their lowest byte. A
// slice shorter than `bytesPerSample` (the end of the data) is copied as it
// is. Widths other than 1 to 4 give nothing.
QByteArray convertSample(const char *sample, int size, int bytesPerSample);

// The first channel of every frame, converted sample by sample. A frame is
// `channels` x `bytesPerSample` bytes; a step of 0 (no channels or no whole
// byte per sample) converts nothing.
QByteArray convertData(const char *data, int size, uchar bytesPerSample, uchar channels);

// What a decode takes from the bytes read.
struct Decoded {
    uchar channels = 0;      // low byte of the channel count
    uchar bitsPerSample = 0; // low byte of the sample width
    int dataOffset = -1;     // first sample byte; -1 when nothing is converted
    QByteArray samples;      // converted samples
};

// Decodes the bytes read from a file: the width and channel count from the
// header, the samples from 8 bytes past the first "data" up to `size`. Fewer
// than 44 bytes, no "data", no channels or under 8 bits: no samples.
Decoded decode(const char *bytes, int size);

} // namespace wav

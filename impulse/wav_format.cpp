// WAV bytes to 24-bit mono samples: header fields, "data" search, conversion.
#include "impulse/wav_format.h"

#include <QFile>

#include <algorithm>

namespace wav {

namespace {

// Appends one converted sample to `out` (see convertSample).
void appendSample(QByteArray &out, const char *sample, int size, int bytesPerSample)
{
    if (bytesPerSample < 1 || bytesPerSample > 4 || size <= 0)
        return;
    if (size < bytesPerSample) {
        out.append(sample, size); // trailing partial sample, kept as it is
        return;
    }
    switch (bytesPerSample) {
    case 1:
        out.append('\0');
        out.append('\0');
        out.append(static_cast<char>(static_cast<uchar>(sample[0]) ^ 0x80));
        break;
    case 2:
        out.append('\0');
        out.append(sample, 2);
        break;
    case 3:
        out.append(sample, 3);
        break;
    case 4:
        out.append(sample + 1, 3);
        break;
    }
}

// The offset of the first "data" in the file, or -1; read a block at a time.
qint64 findData(QFile &file)
{
    constexpr int blockSize = 1 << 16;
    QByteArray carry; // the last bytes of the block before, for a tag across two
    qint64 carryAt = 0;
    for (;;) {
        const QByteArray block = file.read(blockSize);
        if (block.isEmpty())
            return -1;
        const QByteArray window = carry + block;
        const int at = window.indexOf("data");
        if (at >= 0)
            return carryAt + at;
        carry = window.right(3);
        carryAt += window.size() - carry.size();
    }
}

} // namespace

QByteArray readHead(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const qint64 data = findData(file);
    file.seek(0);
    if (data < 0)
        return file.read(readLimit);
    const qint64 end = data + 8 + maxSampleBytes;
    if (data < headerSize)
        return file.read(end);
    // The header, then the samples; the metadata between them is left out.
    // No earlier "data" can arise at the seam: the tag is the first in the
    // file, and its own first byte ends any match begun in the header.
    QByteArray bytes = file.read(headerSize);
    file.seek(data);
    bytes += file.read(end - data);
    return bytes;
}

quint16 le16(const char *bytes, int size, int offset)
{
    if (offset < 0 || offset + 2 > size)
        return 0;
    const auto *b = reinterpret_cast<const uchar *>(bytes + offset);
    return static_cast<quint16>(b[0] | (b[1] << 8));
}

quint32 le32(const char *bytes, int size, int offset)
{
    if (offset < 0 || offset + 4 > size)
        return 0;
    const auto *b = reinterpret_cast<const uchar *>(bytes + offset);
    return quint32(b[0]) | (quint32(b[1]) << 8) | (quint32(b[2]) << 16) | (quint32(b[3]) << 24);
}

QByteArray convertSample(const char *sample, int size, int bytesPerSample)
{
    QByteArray out;
    appendSample(out, sample, size, bytesPerSample);
    return out;
}

QByteArray convertData(const char *data, int size, uchar bytesPerSample, uchar channels)
{
    const int step = int(channels) * int(bytesPerSample);
    QByteArray out;
    if (size <= 0 || step == 0 || bytesPerSample > 4)
        return out;
    out.reserve((size / step + 1) * 3);
    for (int pos = 0; pos < size; pos += step)
        appendSample(out, data + pos, std::min<int>(bytesPerSample, size - pos), bytesPerSample);
    return out;
}

Decoded decode(const char *bytes, int size)
{
    Decoded d;
    d.channels = static_cast<uchar>(le16(bytes, size, channelsOffset) & 0xff);
    d.bitsPerSample = static_cast<uchar>(le16(bytes, size, bitsOffset) & 0xff);
    if (size < headerSize || d.channels == 0 || d.bitsPerSample < 8)
        return d;

    // The first "data" anywhere in the bytes read; its size field is not
    // trusted, so everything after it up to the read limit counts as samples.
    static const char tag[] = {'d', 'a', 't', 'a'};
    const char *found = std::search(bytes, bytes + size, tag, tag + 4);
    if (found == bytes + size)
        return d;
    d.dataOffset = std::min<int>(int(found - bytes) + 8, size);
    d.samples =
        convertData(bytes + d.dataOffset, size - d.dataOffset, d.bitsPerSample >> 3, d.channels);
    return d;
}

} // namespace wav

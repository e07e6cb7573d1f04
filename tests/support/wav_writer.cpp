// Test WAV writer.
#include "support/wav_writer.h"

#include <QDir>
#include <QFile>

namespace {
QByteArray le(quint32 value, int bytes)
{
    QByteArray out;
    for (int i = 0; i < bytes; ++i)
        out.append(static_cast<char>((value >> (8 * i)) & 0xff));
    return out;
}
} // namespace

QByteArray riffChunk(const QByteArray &id, const QByteArray &body)
{
    QByteArray chunk = id.left(4) + le(quint32(body.size()), 4) + body;
    if (body.size() % 2)
        chunk.append('\0');
    return chunk;
}

QByteArray wavFile(const WavShape &s)
{
    const quint16 blockAlign = quint16(s.channels * (s.bits / 8));
    QByteArray fmt = le(s.extensible ? 0xFFFE : s.format, 2) + le(s.channels, 2) + le(s.rate, 4) +
                     le(s.rate * blockAlign, 4) + le(blockAlign, 2) + le(s.bits, 2);
    if (s.extensible) {
        // cbSize, valid bits, channel mask, then the sub-format GUID whose
        // first two bytes carry the format tag.
        fmt += le(22, 2) + le(s.bits, 2) + le(s.channels == 1 ? 0x4 : 0x3, 4) + le(s.format, 2) +
               QByteArray::fromHex("000000001000800000aa00389b71");
    }
    const QByteArray body =
        QByteArray("WAVE") + riffChunk("fmt ", fmt) + s.chunkBeforeData + riffChunk("data", s.data);
    return QByteArray("RIFF") + le(quint32(body.size()), 4) + body;
}

QByteArray patternSamples(int frames, int channels, int bytesPerSample)
{
    QByteArray out;
    const int total = frames * channels * bytesPerSample;
    out.reserve(total);
    for (int i = 0; i < total; ++i)
        out.append(static_cast<char>((i * 7 + i / 251) & 0xff));
    return out;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

ScratchDir::ScratchDir() : previous(QDir::currentPath())
{
    if (dir.isValid())
        QDir::setCurrent(dir.path());
}

ScratchDir::~ScratchDir()
{
    QDir::setCurrent(previous);
}

QString ScratchDir::file(const QString &name, const QByteArray &bytes) const
{
    const QString path = dir.filePath(name);
    writeFile(path, bytes);
    return path;
}

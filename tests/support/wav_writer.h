// A small WAV writer for tests: real files in the shapes users bring
// (canonical PCM, WAVE_FORMAT_EXTENSIBLE, extra chunks, any width and rate).
#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

struct WavShape {
    quint16 format = 1; // 1 PCM, 3 IEEE float
    quint16 channels = 1;
    quint32 rate = 48000;
    quint16 bits = 24;
    bool extensible = false;    // 40-byte fmt chunk, format tag 0xFFFE
    QByteArray chunkBeforeData; // a whole chunk (id, size, body), e.g. LIST
    QByteArray data;            // the sample bytes, interleaved
};

// The complete file.
QByteArray wavFile(const WavShape &shape);

// A whole RIFF chunk: id, little-endian size, body, pad byte when odd.
QByteArray riffChunk(const QByteArray &id, const QByteArray &body);

// `frames` frames of `channels` x `bytesPerSample` bytes whose every byte
// differs from its neighbours, so a misplaced byte shows.
QByteArray patternSamples(int frames, int channels, int bytesPerSample);

// Writes `bytes` to `path`, replacing any file there.
bool writeFile(const QString &path, const QByteArray &bytes);

// A temporary folder that is the working directory while it lives, since the
// impulse store writes "wav.wav" into the working directory.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    bool isValid() const { return dir.isValid(); }
    QString path() const { return dir.path(); }
    QString filePath(const QString &name) const { return dir.filePath(name); }
    // Writes `bytes` to a file of that name in the folder; returns its path.
    QString file(const QString &name, const QByteArray &bytes) const;

private:
    QTemporaryDir dir;
    QString previous;
};
QByteArray readFile(const QString &path);

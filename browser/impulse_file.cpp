// Making one impulse file ready for the device.
#include "browser/impulse_file.h"

#include "impulse/wav_format.h"
#include "impulse/wav_image.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <algorithm>

namespace {

// Core reads a WAV file's header at fixed offsets and at most 32000 sample
// bytes from the first "data" on. A file goes to it unchanged only when that
// reading gives exactly the file's own 48 kHz, 24-bit, mono samples: all of
// them, or as many as the read takes. Returns how many whole samples Core
// takes, or -1 when the file must be converted.
int samplesTakenUnchanged(const QString &path, const audio::Reading &r)
{
    const audio::SourceInfo &i = r.info;
    if (!i.wav || !i.pcm || i.bits != 24 || i.channels != 1 || i.rate != audio::deviceRate)
        return -1;
    const QByteArray head = wav::readHead(path);
    const char *b = head.constData();
    if (wav::le32(b, head.size(), wav::sampleRateOffset) != quint32(audio::deviceRate) ||
        wav::le16(b, head.size(), wav::bitsOffset) != 24 ||
        wav::le16(b, head.size(), wav::channelsOffset) != 1)
        return -1;

    std::vector<qint32> own;
    const size_t frames = std::min(r.samples.size(), size_t(audio::deviceSamples + 1));
    for (size_t k = 0; k < frames; ++k)
        own.push_back(audio::round24(r.samples[k]));
    const QByteArray ownBytes = audio::pack24(own);
    const QByteArray taken = wav::decode(b, head.size()).samples;
    const bool exact = ownBytes.startsWith(taken) &&
                       (taken.size() == ownBytes.size() || taken.size() == wav::maxSampleBytes);
    return exact ? taken.size() / 3 : -1;
}

} // namespace

PreparedImpulse prepareImpulse(const QString &path, const audio::ConvertOptions &options)
{
    PreparedImpulse p;
    const audio::Reading r = audio::readFile(path, audio::readSeconds);
    p.error = r.error;
    p.info = r.info;
    if (!r.ok())
        return p;

    const int taken = samplesTakenUnchanged(path, r);
    p.converted = taken < 0;
    if (p.converted) {
        p.impulse = audio::convert(r.samples, r.info.channels, r.info.rate, r.info.frames, options);
        if (p.impulse.samples.empty())
            p.error = QStringLiteral("\u201c%1\u201d could not be converted for the device.")
                          .arg(QFileInfo(path).fileName());
    } else {
        // The device plays the samples Core takes, as they are.
        for (int k = 0; k < taken; ++k)
            p.impulse.samples.push_back(audio::round24(r.samples[size_t(k)]));
        p.impulse.cut = r.info.frames > taken;
    }
    return p;
}

ImpulseSummary summariseImpulse(const QString &path)
{
    ImpulseSummary s;
    audio::Reading r = audio::readFile(path, 0);
    s.error = r.error;
    s.info = r.info;
    if (!r.ok())
        return s;
    const audio::SourceInfo &i = r.info;
    // Only a 48 kHz, 24-bit, mono PCM WAV file can go as it is, and only when
    // Core reads exactly its samples; that takes its first samples.
    s.converted =
        !i.wav || !i.pcm || i.bits != 24 || i.channels != 1 || i.rate != audio::deviceRate;
    if (!s.converted) {
        r = audio::readFile(path, audio::readSeconds);
        s.error = r.error;
        s.converted = r.ok() && samplesTakenUnchanged(path, r) < 0;
    }
    return s;
}

QString writeDeviceFile(const QString &folder, const QString &source, const PreparedImpulse &p,
                        QString &error)
{
    QString base = QFileInfo(source).completeBaseName();
    if (base.isEmpty())
        base = QStringLiteral("impulse");
    const QString target = folder + '/' + base + ".wav";

    QSaveFile file(target);
    if (!QDir().mkpath(folder) || !file.open(QIODevice::WriteOnly) ||
        file.write(wav::deviceImage(audio::pack24(p.impulse.samples))) < 0 || !file.commit()) {
        error = QStringLiteral("The converted impulse cannot be written to the folder %1 (%2).")
                    .arg(QDir::toNativeSeparators(folder), file.errorString());
        return QString();
    }
    return target;
}

QString deviceFileFor(const QString &source, const PreparedImpulse &p, QString &error)
{
    if (!p.converted)
        return source;
    return writeDeviceFile(QStandardPaths::writableLocation(QStandardPaths::CacheLocation) +
                               QStringLiteral("/impulses"),
                           source, p, error);
}

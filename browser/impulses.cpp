// Loading impulse files for the device: read, decide, convert into the cache
// folder, hand to Core, and describe what the device plays.
#include "browser/impulses.h"

#include "audio/audio_file.h"
#include "audio/device_impulse.h"
#include "core/core.h"
#include "core/core_seam.h"
#include "core/log_categories.h"
#include "impulse/wav_format.h"
#include "impulse/wav_image.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>
#include <QUrl>

namespace {

const char *const keyMixChannels = "ImpulseMixChannels";
const char *const keyNormalise = "ImpulseNormalise";

QString localPath(const QString &pathOrUrl)
{
    if (pathOrUrl.startsWith(QLatin1String("file:"), Qt::CaseInsensitive))
        return QUrl(pathOrUrl).toLocalFile();
    return pathOrUrl;
}

// Core reads a WAV file's header at fixed offsets and at most its first 32044
// bytes, taking the samples from the first "data" on. A file goes to it
// unchanged only when that reading gives exactly the file's own 48 kHz,
// 24-bit, mono samples: all of them, or as many as the read takes. Returns
// how many whole samples Core takes, or -1 when the file must be converted.
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
                       (taken.size() == ownBytes.size() || head.size() == wav::readLimit);
    return exact ? taken.size() / 3 : -1;
}

QVariantList toList(const std::vector<float> &values)
{
    QVariantList list;
    list.reserve(int(values.size()));
    for (float v : values)
        list.append(double(v));
    return list;
}

} // namespace

struct Impulses::Prepared {
    QString error;
    audio::SourceInfo info;
    bool converted = false;
    audio::DeviceImpulse impulse; // what the device plays
};

Impulses::Impulses(Core &core, QObject *parent)
    : QObject(parent), m_core(core), m_seam(CoreSeam::of(core))
{
    connect(&core, &Core::sgSetImpulsName, this, &Impulses::impulseNamed);
    connect(&core, &Core::sgReadText, this, [this](const QString &name, const QString &value) {
        if (name == QLatin1String("impulse_name"))
            impulseNamed(value);
    });
}

Impulses::Prepared Impulses::prepare(const QString &path) const
{
    Prepared p;
    const audio::Reading r = audio::readFile(path, audio::readSeconds);
    p.error = r.error;
    p.info = r.info;
    if (!r.ok())
        return p;

    const int taken = samplesTakenUnchanged(path, r);
    p.converted = taken < 0;
    if (p.converted) {
        audio::ConvertOptions options;
        options.mixChannels = mixChannels();
        options.normalise = normalise();
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

// The converted file goes into the cache folder under the source's own base
// name, which is the name the device is told.
QString Impulses::writeConverted(const QString &source, const Prepared &p, QString &error) const
{
    const QString folder =
        QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + "/impulses";
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

bool Impulses::load(const QString &pathOrUrl)
{
    const QString path = localPath(pathOrUrl);
    const Prepared p = prepare(path);
    if (!p.error.isEmpty())
        return fail(path, p.error);
    if (!m_seam.portOpen())
        return fail(path, QStringLiteral("The device is not connected. Connect it and load the "
                                         "impulse again."));

    QString target = path;
    if (p.converted) {
        QString error;
        target = writeConverted(path, p, error);
        if (target.isEmpty())
            return fail(path, error);
    }

    // Core refuses, with sgNotSupport, anything it cannot play.
    bool refused = false;
    const auto watch = connect(&m_core, &Core::sgNotSupport, this, [&refused] { refused = true; });
    m_handingOver = true;
    m_core.setImpuls(target);
    m_handingOver = false;
    disconnect(watch);
    if (refused)
        return fail(path,
                    QStringLiteral("The device did not take the impulse made from \u201c%1\u201d.")
                        .arg(QFileInfo(path).fileName()));

    qCDebug(browserLog) << "loaded" << path << (p.converted ? "converted to" : "as") << target;
    setCurrent(path, QFileInfo(target).fileName(), p);
    return true;
}

QVariantMap Impulses::info(const QString &pathOrUrl)
{
    const QString path = localPath(pathOrUrl);
    const Prepared p = prepare(path);
    QVariantMap map;
    map["ok"] = p.error.isEmpty();
    if (!p.error.isEmpty()) {
        map["reason"] = p.error;
        return map;
    }
    map["format"] = p.info.format;
    map["rate"] = p.info.rate;
    map["bits"] = p.info.bits;
    map["floating"] = p.info.floating;
    map["channels"] = p.info.channels;
    map["lengthMs"] = p.info.lengthMs();
    map["description"] = audio::describe(p.info);
    map["converted"] = p.converted;
    map["keptMs"] = p.impulse.samples.size() * 1000.0 / audio::deviceRate;
    map["cut"] = p.impulse.cut;
    return map;
}

bool Impulses::fail(const QString &path, const QString &reason)
{
    qCDebug(browserLog) << "refused" << path << reason;
    emit failed(path, reason);
    return false;
}

void Impulses::setCurrent(const QString &path, const QString &deviceName, const Prepared &p)
{
    const audio::Analysis a = audio::analyse(p.impulse.samples);
    m_currentPath = path;
    m_currentName = deviceName;
    m_sourceText = audio::describe(p.info) + (p.converted ? QStringLiteral(", converted") : "");
    m_keptText =
        p.impulse.cut
            ? QStringLiteral("kept %1 of %2")
                  .arg(audio::lengthText(p.impulse.samples.size() * 1000.0 / audio::deviceRate),
                       audio::lengthText(p.info.lengthMs()))
            : QString();
    m_waveform = toList(a.waveform);
    m_response = toList(a.responseDb);
    m_peakDb = a.peakDb;
    emit currentChanged();
}

void Impulses::clearCurrent()
{
    if (!hasCurrent())
        return;
    m_currentPath.clear();
    m_currentName.clear();
    m_sourceText.clear();
    m_keptText.clear();
    m_waveform.clear();
    m_response.clear();
    m_peakDb = audio::silenceDb;
    emit currentChanged();
}

// The device names the impulse it plays after every change: one that is not
// ours (as loaded, or as stored under its store name) ends the current one.
void Impulses::impulseNamed(const QString &name)
{
    if (m_handingOver || !hasCurrent())
        return;
    if (name != m_currentName && name != wav::storeName(m_currentName))
        clearCurrent();
}

QVariantList Impulses::responseFrequencies() const
{
    return toList(audio::responseFrequencies());
}

bool Impulses::mixChannels() const
{
    return m_seam.settings().value(keyMixChannels, false).toBool();
}

void Impulses::setMixChannels(bool on)
{
    if (on == mixChannels())
        return;
    m_seam.settings().setValue(keyMixChannels, on);
    m_seam.settings().sync();
    emit settingsChanged();
}

bool Impulses::normalise() const
{
    return m_seam.settings().value(keyNormalise, false).toBool();
}

void Impulses::setNormalise(bool on)
{
    if (on == normalise())
        return;
    m_seam.settings().setValue(keyNormalise, on);
    m_seam.settings().sync();
    emit settingsChanged();
}

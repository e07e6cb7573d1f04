// Loading impulse files for the device: read, decide, convert into the cache
// folder, hand to Core, and describe what the device plays.
#include "browser/impulses.h"

#include "browser/impulse_file.h"
#include "core/core.h"
#include "core/core_seam.h"
#include "core/log_categories.h"
#include "impulse/wav_image.h"

#include <QFileInfo>
#include <QSerialPort>
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

QVariantList toList(const std::vector<float> &values)
{
    QVariantList list;
    list.reserve(int(values.size()));
    for (float v : values)
        list.append(double(v));
    return list;
}

} // namespace

Impulses::Impulses(Core &core, QObject *parent)
    : QObject(parent), m_core(core), m_seam(CoreSeam::of(core))
{
    connect(&core, &Core::sgSetImpulsName, this, &Impulses::impulseNamed);
    connect(&core, &Core::sgReadText, this, [this](const QString &name, const QString &value) {
        if (name == QLatin1String("impulse_name"))
            impulseNamed(value);
    });
}

PreparedImpulse Impulses::prepare(const QString &path) const
{
    audio::ConvertOptions options;
    options.mixChannels = mixChannels();
    options.normalise = normalise();
    return prepareImpulse(path, options);
}

bool Impulses::load(const QString &pathOrUrl)
{
    const QString path = localPath(pathOrUrl);
    const PreparedImpulse p = prepare(path);
    if (!p.error.isEmpty())
        return fail(path, p.error);
    if (!m_seam.port().isOpen())
        return fail(path, QStringLiteral("The device is not connected. Connect it and load the "
                                         "impulse again."));

    QString target = path;
    if (p.converted) {
        QString error;
        target = writeDeviceFile(QStandardPaths::writableLocation(QStandardPaths::CacheLocation) +
                                     "/impulses",
                                 path, p, error);
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
    const PreparedImpulse p = prepare(path);
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
    map["keptMs"] = p.keptMs();
    map["cut"] = p.impulse.cut;
    return map;
}

bool Impulses::fail(const QString &path, const QString &reason)
{
    qCDebug(browserLog) << "refused" << path << reason;
    emit failed(path, reason);
    return false;
}

void Impulses::setCurrent(const QString &path, const QString &deviceName, const PreparedImpulse &p)
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

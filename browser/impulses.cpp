// Loading impulse files for the device: read, decide, convert into the cache
// folder, hand to Core, and describe what the device plays.
#include "browser/impulses.h"

#include "browser/impulse_file.h"
#include "core/core.h"
#include "core/core_seam.h"
#include "core/local_path.h"
#include "core/log_categories.h"
#include "impulse/wav_image.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPort>
#include <QSettings>
#include <QStandardPaths>
#include <QUrl>

namespace {

const char *const keyMixChannels = "ImpulseMixChannels";
const char *const keyNormalise = "ImpulseNormalise";

QVariantList toList(const std::vector<float> &values)
{
    QVariantList list;
    list.reserve(int(values.size()));
    for (float v : values)
        list.append(double(v));
    return list;
}

// Stores a yes/no setting (absent means no) at once; false when it already
// had that value.
bool storeFlag(QSettings &settings, const char *key, bool on)
{
    if (on == settings.value(key, false).toBool())
        return false;
    settings.setValue(key, on);
    settings.sync();
    return true;
}

} // namespace

Impulses::Impulses(Core &core, QObject *parent)
    : QObject(parent), m_core(core), m_seam(CoreSeam::of(core)),
      m_files(new ImpulseFiles(m_seam.settings(), this))
{
    connect(&core, &Core::sgSetImpulsName, this, &Impulses::impulseNamed);
    connect(&core, &Core::sgReadText, this, [this](const QString &name, const QString &value) {
        if (name == QLatin1String("impulse_name"))
            impulseNamed(value);
        else if (name == QLatin1String("close_port"))
            setWaiting(QString()); // meant for a device that is gone
    });

    // The waiting selection goes out once Core's queue has run dry: the
    // device has answered the preview before it (or it was given up). Not
    // from inside Core's idle step, which still has signals to emit.
    connect(&core, &Core::sgSetWait, this, [this](bool wait) {
        if (!wait && !m_waiting.isEmpty())
            QMetaObject::invokeMethod(this, &Impulses::releaseWaiting, Qt::QueuedConnection);
    });
    // Another preset, a revert or a new connection: a selection made before
    // it is not meant for what the device now plays.
    connect(&m_seam, &CoreSeam::presetReplaced, this, [this] {
        if (!m_handingOver)
            setWaiting(QString());
    });

    if (!m_files->setFolder(localPath(m_core.getLastPath())))
        m_files->setFolder(QDir::homePath());
    connect(m_files, &ImpulseFiles::folderChanged, this, &Impulses::folderShown);
}

// ---- the browser -------------------------------------------------------------

void Impulses::setFolder(const QString &pathOrUrl)
{
    const QString path = localPath(pathOrUrl);
    if (!m_files->setFolder(path))
        qCDebug(browserLog) << "not a folder:" << pathOrUrl;
}

void Impulses::folderShown()
{
    // The setting holds the folder as a file: URL, as the file dialog gives it.
    if (localPath(m_core.getLastPath()) != m_files->folder())
        m_core.setLastPath(QUrl::fromLocalFile(m_files->folder()).toString());
    emit folderChanged();
}

bool Impulses::canGoUp() const
{
    return !m_files->folder().isEmpty() && !QDir(m_files->folder()).isRoot();
}

bool Impulses::up()
{
    return canGoUp() && m_files->setFolder(QFileInfo(m_files->folder()).path());
}

bool Impulses::enter(int row)
{
    return m_files->isFolder(row) && m_files->setFolder(m_files->pathAt(row));
}

bool Impulses::select(int row)
{
    const QString path = m_files->pathAt(row);
    if (path.isEmpty())
        return false;
    m_files->setSelectedRow(row);
    if (m_files->isFolder(row) || m_files->knownUnusable(row))
        return false;
    return audition(path);
}

QString Impulses::step(int delta)
{
    const int row = m_files->stepTarget(delta);
    if (row < 0)
        return QString();
    if (row != m_files->selectedRow())
        select(row);
    return m_files->pathAt(row);
}

// One preview on the wire at a time: a selection made while Core's queue
// holds anything waits, and a newer one takes its place.
bool Impulses::audition(const QString &path)
{
    if (!m_seam.port().isOpen() || (m_seam.queueEmpty() && m_waiting.isEmpty()))
        return loadNow(path);
    qCDebug(browserLog) << "waits for the wire:" << path;
    setWaiting(path);
    return true;
}

void Impulses::setWaiting(const QString &path)
{
    if (path == m_waiting)
        return;
    m_waiting = path;
    emit waitingChanged();
}

void Impulses::releaseWaiting()
{
    if (m_waiting.isEmpty() || !m_seam.queueEmpty())
        return;
    const QString path = m_waiting;
    setWaiting(QString());
    // Stepped back to the file the device has just taken: it plays already.
    if (path != m_currentPath)
        loadNow(path);
}

// ---- loading -----------------------------------------------------------------

PreparedImpulse Impulses::prepare(const QString &path) const
{
    audio::ConvertOptions options;
    options.mixChannels = mixChannels();
    options.normalise = normalise();
    return prepareImpulse(path, options);
}

bool Impulses::load(const QString &pathOrUrl)
{
    setWaiting(QString()); // this load comes after any waiting selection
    return loadNow(localPath(pathOrUrl));
}

bool Impulses::loadNow(const QString &path)
{
    const PreparedImpulse p = prepare(path);
    if (!p.error.isEmpty()) {
        m_files->markUnusable(path, p.error);
        return fail(path, p.error);
    }
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
    if (m_handingOver)
        return;
    // Not our own preview: the name of the impulse the preset holds.
    m_files->setStoredName(name);
    if (!hasCurrent())
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
    if (storeFlag(m_seam.settings(), keyMixChannels, on))
        emit settingsChanged();
}

bool Impulses::normalise() const
{
    return m_seam.settings().value(keyNormalise, false).toBool();
}

void Impulses::setNormalise(bool on)
{
    if (storeFlag(m_seam.settings(), keyNormalise, on))
        emit settingsChanged();
}

// Loading impulse files for the device: read, decide, convert into the cache
// folder, hand to the preset session, and describe what the device plays.
#include "browser/impulses.h"

#include "audio/analysis.h"
#include "base/local_path.h"
#include "base/log_categories.h"
#include "base/panel_settings.h"
#include "browser/impulse_file.h"
#include "editing/preset_session.h"
#include "impulse/wav_image.h"
#include "link/link.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPort>
#include <QSettings>
#include <QUrl>

namespace {

const char *const keyMixChannels = "ImpulseMixChannels";
const char *const keyNormalise = "ImpulseNormalise";

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

Impulses::Impulses(Link &link, PresetSession &session, QSettings &settings, QObject *parent)
    : QObject(parent), m_link(link), m_session(session), m_settings(settings),
      m_files(new ImpulseFiles(settings, this))
{
    connect(&session, &PresetSession::impulseShown, this, &Impulses::impulseNamed);
    // A waiting selection was meant for a device that is gone.
    connect(&link, &Link::closedAfterError, this, [this] { setWaiting(QString()); });
    connect(&link, &Link::openRefused, this, [this] { setWaiting(QString()); });

    // The waiting selection goes out once the link's queue has run dry: the
    // device has answered the preview before it (or it was given up). Not
    // from inside the link's idle step, which still has signals to emit.
    connect(&link, &Link::idle, this, [this] {
        if (!m_waiting.isEmpty())
            QMetaObject::invokeMethod(this, &Impulses::releaseWaiting, Qt::QueuedConnection);
    });
    // Another preset, a revert or a new connection: a selection made before
    // it is not meant for what the device now plays.
    connect(&session, &PresetSession::replaced, this, [this] {
        if (!m_handingOver)
            setWaiting(QString());
    });

    if (!m_files->setFolder(localPath(panelSettings::lastImpulseFolder(m_settings))))
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
    if (localPath(panelSettings::lastImpulseFolder(m_settings)) != m_files->folder())
        panelSettings::setLastImpulseFolder(m_settings,
                                            QUrl::fromLocalFile(m_files->folder()).toString());
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

// One preview on the wire at a time: a selection made while the link's queue
// holds anything waits, and a newer one takes its place.
bool Impulses::audition(const QString &path)
{
    if (!m_link.isOpen() || (m_link.queueEmpty() && m_waiting.isEmpty()))
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
    if (m_waiting.isEmpty() || !m_link.queueEmpty())
        return;
    const QString path = m_waiting;
    setWaiting(QString());
    // Stepped back to the file the device has just taken: it plays already.
    if (path != m_currentPath)
        loadNow(path);
}

// ---- loading -----------------------------------------------------------------

audio::ConvertOptions Impulses::convertOptions(const QSettings &settings)
{
    audio::ConvertOptions options;
    options.mixChannels = settings.value(keyMixChannels, false).toBool();
    options.normalise = settings.value(keyNormalise, false).toBool();
    return options;
}

PreparedImpulse Impulses::prepare(const QString &path) const
{
    return prepareImpulse(path, convertOptions(m_settings));
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
    if (!m_link.isOpen())
        return fail(path, QStringLiteral("The device is not connected. Connect it and load the "
                                         "impulse again."));

    QString error;
    const QString target = deviceFileFor(path, p, error);
    if (target.isEmpty())
        return fail(path, error);

    // The session refuses anything the device cannot play.
    m_handingOver = true;
    const bool taken = m_session.loadImpulse(target);
    m_handingOver = false;
    if (!taken)
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
    m_waveform = audio::graphPoints(a.waveform);
    m_response = audio::graphPoints(a.responseDb);
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
    return audio::graphPoints(audio::responseFrequencies());
}

bool Impulses::mixChannels() const
{
    return convertOptions(m_settings).mixChannels;
}

void Impulses::setMixChannels(bool on)
{
    if (storeFlag(m_settings, keyMixChannels, on))
        emit settingsChanged();
}

bool Impulses::normalise() const
{
    return convertOptions(m_settings).normalise;
}

void Impulses::setNormalise(bool on)
{
    if (storeFlag(m_settings, keyNormalise, on))
        emit settingsChanged();
}

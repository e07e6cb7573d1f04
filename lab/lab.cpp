// The cabinet lab: sources, settings, the result and its description, and
// auditioning on the device through a PreviewTarget with one waiting
// preview at most.
#include "lab/lab.h"

#include "audio/analysis.h"
#include "audio/audio_file.h"
#include "base/local_path.h"
#include "impulse/wav_image.h"
#include "lab/preview_target.h"

#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSaveFile>
#include <QStandardPaths>
#include <algorithm>

// Debug lines under "vortaxa.lab", off until a logging rule switches them on.
Q_LOGGING_CATEGORY(labLog, "vortaxa.lab", QtInfoMsg)

namespace {

const char *const defaultResultName = "Lab blend";

std::vector<qint32> rounded(const std::vector<double> &samples)
{
    std::vector<qint32> out;
    out.reserve(samples.size());
    for (double s : samples)
        out.push_back(audio::round24(s));
    return out;
}

// A source as the device would play it alone: what it keeps, faded at the
// cut as a loaded file is.
std::vector<qint32> deviceForm(std::vector<double> samples)
{
    if (samples.size() > size_t(audio::deviceSamples)) {
        samples.resize(size_t(audio::deviceSamples));
        audio::fadeOut(samples, size_t(audio::fadeSamples));
    }
    return rounded(samples);
}

// Writes `samples` as the device's 48 kHz, 24-bit, mono WAV file.
bool writeDeviceWav(const QString &path, const std::vector<qint32> &samples, QString &reason)
{
    QSaveFile file(path);
    if (!QDir().mkpath(QFileInfo(path).absolutePath()) || !file.open(QIODevice::WriteOnly) ||
        file.write(wav::deviceImage(audio::pack24(samples))) < 0 || !file.commit()) {
        reason = QStringLiteral("The impulse cannot be written to %1 (%2). Choose another folder "
                                "or free some space.")
                     .arg(QDir::toNativeSeparators(path), file.errorString());
        return false;
    }
    return true;
}

} // namespace

Lab::Lab(lab::PreviewTarget *target, QObject *parent)
    : QObject(parent), m_target(target), m_resultName(QString::fromLatin1(defaultResultName))
{
    if (!target)
        return;
    // The target reports idle from inside the link's own step: go on from
    // the event loop.
    connect(target, &lab::PreviewTarget::becameIdle, this, &Lab::linkIdle, Qt::QueuedConnection);
    connect(target, &lab::PreviewTarget::replaced, this, &Lab::targetReplaced);
}

Lab::~Lab() = default;

// ---- sources -----------------------------------------------------------------

bool Lab::setSource(int slot, const QString &pathOrUrl)
{
    if (slot < 0 || slot > 1)
        return false;
    const QString path = localPath(pathOrUrl);
    Source &source = m_sources[slot];
    if (path.isEmpty()) {
        if (source.path.isEmpty())
            return true;
        source = Source();
    } else {
        const audio::Reading r = audio::readFile(path, audio::readSeconds);
        if (!r.ok())
            return fail(path, r.error);
        const bool mix = m_target && m_target->mixChannels();
        std::vector<double> samples =
            audio::toDeviceRate(r.samples, r.info.channels, r.info.rate, mix);
        if (samples.empty())
            return fail(path, QStringLiteral("\u201c%1\u201d could not be converted to 48 kHz. "
                                             "Try another file.")
                                  .arg(QFileInfo(path).fileName()));
        if (samples.size() > size_t(lab::sourceSamples))
            samples.resize(size_t(lab::sourceSamples));
        source.path = path;
        source.text = audio::describe(r.info);
        source.samples = std::move(samples);
        source.response = audio::graphPoints(audio::analyse(rounded(source.samples)).responseDb);
    }
    qCDebug(labLog) << "lab source" << slot << path;
    emit sourcesChanged();
    recompute();
    // What the device heard from the lab has changed with the source.
    const QString which = slot == 0 ? QStringLiteral("a") : QStringLiteral("b");
    if (m_auditioned == QLatin1String("result"))
        sendOrWait(hasResult() ? m_auditioned : QString());
    else if (m_auditioned == which)
        sendOrWait(source.samples.empty() ? QString() : which);
    return true;
}

int Lab::autoAlign()
{
    const std::vector<double> &a = m_sources[0].samples;
    std::vector<double> b = m_sources[1].samples;
    if (a.empty() || b.empty())
        return m_shape.offset;
    // B is lined up as it will sound: turned over when it is inverted.
    if (m_shape.invertB)
        for (double &s : b)
            s = -s;
    const int lag = lab::bestOffset(a, b, lab::maxOffset);
    setOffset(lag);
    return lag;
}

// ---- settings ----------------------------------------------------------------

void Lab::setMix(int percent)
{
    lab::Shape s = m_shape;
    s.mix = std::clamp(percent, 0, 100);
    changeShape(s);
}

void Lab::setOffset(int samples)
{
    lab::Shape s = m_shape;
    s.offset = std::clamp(samples, -lab::maxOffset, lab::maxOffset);
    changeShape(s);
}

void Lab::setInvertB(bool on)
{
    lab::Shape s = m_shape;
    s.invertB = on;
    changeShape(s);
}

void Lab::setLowCut(int hz)
{
    lab::Shape s = m_shape;
    s.lowCutHz = lab::clampCut(hz, lab::lowCutMinHz, lab::lowCutMaxHz);
    changeShape(s);
}

void Lab::setHighCut(int hz)
{
    lab::Shape s = m_shape;
    s.highCutHz = lab::clampCut(hz, lab::highCutMinHz, lab::highCutMaxHz);
    changeShape(s);
}

void Lab::setLengthMs(int ms)
{
    lab::Shape s = m_shape;
    s.lengthMs = std::clamp(ms, lab::minLengthMs, lab::maxLengthMs);
    changeShape(s);
}

void Lab::setFadeMs(int ms)
{
    lab::Shape s = m_shape;
    s.fadeMs = std::clamp(ms, 0, lab::maxFadeMs);
    changeShape(s);
}

void Lab::setNormalise(bool on)
{
    lab::Shape s = m_shape;
    s.normalise = on;
    changeShape(s);
}

void Lab::setMinimumPhase(bool on)
{
    lab::Shape s = m_shape;
    s.minimumPhase = on;
    changeShape(s);
}

void Lab::changeShape(const lab::Shape &shape)
{
    const lab::Shape &o = m_shape;
    if (shape.mix == o.mix && shape.offset == o.offset && shape.invertB == o.invertB &&
        shape.lowCutHz == o.lowCutHz && shape.highCutHz == o.highCutHz &&
        shape.lengthMs == o.lengthMs && shape.fadeMs == o.fadeMs &&
        shape.normalise == o.normalise && shape.minimumPhase == o.minimumPhase)
        return;
    m_shape = shape;
    emit settingsChanged();
    recompute();
    if (m_auditioned == QLatin1String("result"))
        sendOrWait(m_auditioned);
}

// ---- the result ----------------------------------------------------------------

void Lab::recompute()
{
    if (m_sources[0].samples.empty()) {
        if (m_result.empty())
            return;
        m_result.clear();
        m_waveform.clear();
        m_response.clear();
        m_peakDb = audio::silenceDb;
        m_loweredDb = 0.0;
        emit resultChanged();
        return;
    }
    lab::Rendered rendered = lab::render(m_sources[0].samples, m_sources[1].samples, m_shape);
    m_result = std::move(rendered.samples);
    m_loweredDb = rendered.loweredDb;
    const audio::Analysis a = audio::analyse(m_result);
    m_waveform = audio::graphPoints(a.waveform);
    m_response = audio::graphPoints(a.responseDb);
    m_peakDb = a.peakDb;
    emit resultChanged();
}

QVariantList Lab::responseFrequencies() const
{
    return audio::graphPoints(audio::responseFrequencies());
}

bool Lab::save(const QString &pathOrUrl)
{
    QString path = localPath(pathOrUrl);
    if (!hasResult())
        return fail(path, QStringLiteral("There is nothing to save yet. Choose impulse A first."));
    if (path.isEmpty())
        return fail(path, QStringLiteral("Choose a file name to save the impulse under."));
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".wav");
    QString reason;
    if (!writeDeviceWav(path, m_result, reason))
        return fail(path, reason);
    const QString name = QFileInfo(path).completeBaseName();
    if (name != m_resultName) {
        m_resultName = name;
        emit resultNameChanged();
    }
    return true;
}

bool Lab::use()
{
    if (!hasResult())
        return fail(QString(), QStringLiteral("There is no result yet. Choose impulse A first."));
    if (!m_target)
        return fail(QString(), QStringLiteral("The device is not connected."));
    // Kept in the data folder: the preset's save reads the file again.
    const QString path = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
                         QStringLiteral("/lab/") + m_resultName + QStringLiteral(".wav");
    QString reason;
    if (!writeDeviceWav(path, m_result, reason) || !m_target->take(path, reason))
        return fail(path, reason);
    setAuditioned(QStringLiteral("result"), QString());
    return true;
}

// ---- auditioning -----------------------------------------------------------------

bool Lab::audition(const QString &which)
{
    const bool known = which == QLatin1String("a") || which == QLatin1String("b") ||
                       which == QLatin1String("result");
    if (!known)
        return false;
    if (!m_target)
        return fail(QString(), QStringLiteral("The device is not connected."));
    if ((which == QLatin1String("b") && m_sources[1].samples.empty()) || !hasResult())
        return fail(QString(), which == QLatin1String("b")
                                   ? QStringLiteral("Impulse B is empty. Choose a file for it.")
                                   : QStringLiteral("Impulse A is empty. Choose a file for it."));
    if (m_target->idle() && m_waiting.isEmpty())
        return sendNow(which);
    setAuditioned(which, which);
    return true;
}

// After a change: the newest goes out now when the link is free, else it
// waits in the place of whatever waited before.
void Lab::sendOrWait(const QString &which)
{
    if (which.isEmpty()) {
        setAuditioned(QString(), QString());
        return;
    }
    if (m_target && m_target->idle() && m_waiting.isEmpty())
        sendNow(which);
    else
        setAuditioned(which, which);
}

bool Lab::sendNow(const QString &which)
{
    QString reason;
    const QString path = writePreviewFile(which, reason);
    if (path.isEmpty() || !m_target->preview(path, reason)) {
        setAuditioned(QString(), QString());
        return fail(path, reason);
    }
    qCDebug(labLog) << "lab preview" << which << path;
    setAuditioned(which, QString());
    return true;
}

void Lab::linkIdle()
{
    if (m_waiting.isEmpty() || !m_target || !m_target->idle())
        return;
    sendNow(m_waiting);
}

void Lab::targetReplaced()
{
    setAuditioned(QString(), QString());
}

void Lab::setAuditioned(const QString &which, const QString &waiting)
{
    if (which == m_auditioned && waiting == m_waiting)
        return;
    m_auditioned = which;
    m_waiting = waiting;
    emit auditionChanged();
}

QString Lab::writePreviewFile(const QString &which, QString &reason) const
{
    const bool result = which == QLatin1String("result");
    const Source &source = m_sources[which == QLatin1String("b") ? 1 : 0];
    const QString name = result ? m_resultName : QFileInfo(source.path).completeBaseName();
    const QString path = QStandardPaths::writableLocation(QStandardPaths::CacheLocation) +
                         QStringLiteral("/lab/") + which + QLatin1Char('/') + name +
                         QStringLiteral(".wav");
    if (!writeDeviceWav(path, result ? m_result : deviceForm(source.samples), reason))
        return QString();
    return path;
}

bool Lab::fail(const QString &path, const QString &reason)
{
    qCDebug(labLog) << "lab refused" << path << reason;
    emit failed(path, reason);
    return false;
}

// Impulses: the panel's way of loading impulse files, published to the
// document as `_impulses` beside `_core`.
//
// It takes the audio files guitarists have (any rate, depth, channel count,
// WAV, AIFF, FLAC and whatever else the reader knows), converts those the
// device cannot play as they are, and hands the result to Core's own
// impulse path, which previews it and later stores it with the preset. It
// describes what the device then plays (source format, what was kept, the
// waveform, the response and the peak) for the panel to draw, and says in
// plain words why a file cannot be used.
//
// It is also the impulse browser: a folder's files (`files`), each loaded
// onto the device with one call (`select`, `step`). Stepping faster than
// previews can go out builds no backlog: while a preview is on the wire
// only the newest selection waits, and it goes out once the device has
// taken the one before.
#pragma once

#include "audio/analysis.h"
#include "audio/device_impulse.h"
#include "browser/impulse_files.h"

#include <QObject>
#include <QString>
#include <QVariantList>
#include <QVariantMap>

class Link;
class PresetSession;
class QSettings;
struct PreparedImpulse;

class Impulses : public QObject {
    Q_OBJECT

    // Settings: mix every channel instead of taking the first; bring the
    // peak of a converted impulse to -1 dBFS.
    Q_PROPERTY(bool mixChannels READ mixChannels WRITE setMixChannels NOTIFY settingsChanged)
    Q_PROPERTY(bool normalise READ normalise WRITE setNormalise NOTIFY settingsChanged)

    // The impulse the device plays since the latest load; gone when the
    // device announces another one (a preset change, a revert).
    Q_PROPERTY(bool hasCurrent READ hasCurrent NOTIFY currentChanged)
    Q_PROPERTY(QString currentPath READ currentPath NOTIFY currentChanged)
    // "44.1 kHz, 16-bit, stereo, converted"
    Q_PROPERTY(QString sourceText READ sourceText NOTIFY currentChanged)
    // "kept 222 ms of 1.4 s" when the file is longer than the device keeps
    Q_PROPERTY(QString keptText READ keptText NOTIFY currentChanged)
    // min, max, min, max, ... of about 500 spans, full scale +-1
    Q_PROPERTY(QVariantList waveform READ waveform NOTIFY currentChanged)
    // dB at each of responseFrequencies (20 Hz to 20 kHz, log-spaced)
    Q_PROPERTY(QVariantList response READ response NOTIFY currentChanged)
    Q_PROPERTY(QVariantList responseFrequencies READ responseFrequencies CONSTANT)
    Q_PROPERTY(qreal peakDb READ peakDb NOTIFY currentChanged)

    // The browser's folder, a local path; the folder the file dialog starts
    // in too (setting "ImpulsPath"), which changing it here updates. Set it
    // to a local path or a file: URL.
    Q_PROPERTY(QString folder READ folder WRITE setFolder NOTIFY folderChanged)
    Q_PROPERTY(bool canGoUp READ canGoUp NOTIFY folderChanged)
    Q_PROPERTY(ImpulseFiles *files READ files CONSTANT)
    // The selection waiting for the wire to be free; empty when none waits.
    Q_PROPERTY(QString waitingPath READ waitingPath NOTIFY waitingChanged)

public:
    Impulses(Link &link, PresetSession &session, QSettings &settings, QObject *parent = nullptr);

    // Loads a local path or a file: URL as the impulse of the current
    // preset. True when it went to the device; otherwise `failed` says why
    // and nothing is sent.
    Q_INVOKABLE bool load(const QString &path);

    // What a file is and what the device would get of it: "ok", and
    // "reason" when it cannot be used; "format", "rate", "bits",
    // "floating", "channels", "lengthMs", "description"; "converted",
    // "keptMs", "cut".
    Q_INVOKABLE QVariantMap info(const QString &path);

    // Highlights that row of `files`; a file on it is loaded (through
    // `load`) at once, or as soon as the preview before it is out. False for
    // a folder, a file known to be unusable, or a load that failed.
    Q_INVOKABLE bool select(int row);
    // Selects the next (delta > 0) or previous file, or folder, past files
    // known to be unusable, and returns its path; at either end it stays.
    Q_INVOKABLE QString step(int delta);
    // Shows the subfolder on that row, or the folder above.
    Q_INVOKABLE bool enter(int row);
    Q_INVOKABLE bool up();

    QString folder() const { return m_files->folder(); }
    void setFolder(const QString &pathOrUrl);
    bool canGoUp() const;
    ImpulseFiles *files() const { return m_files; }
    QString waitingPath() const { return m_waiting; }

    // The conversion the panel's settings ask for (mix the channels,
    // normalise), as every load and the command line's conversion use it.
    static audio::ConvertOptions convertOptions(const QSettings &settings);
    bool mixChannels() const;
    void setMixChannels(bool on);
    bool normalise() const;
    void setNormalise(bool on);

    bool hasCurrent() const { return !m_currentPath.isEmpty(); }
    QString currentPath() const { return m_currentPath; }
    QString sourceText() const { return m_sourceText; }
    QString keptText() const { return m_keptText; }
    QVariantList waveform() const { return m_waveform; }
    QVariantList response() const { return m_response; }
    QVariantList responseFrequencies() const;
    qreal peakDb() const { return m_peakDb; }

signals:
    void failed(QString path, QString reason);
    void currentChanged();
    void settingsChanged();
    void folderChanged();
    void waitingChanged();

private:
    bool loadNow(const QString &path);
    bool audition(const QString &path);
    void setWaiting(const QString &path);
    void releaseWaiting();
    void folderShown();
    PreparedImpulse prepare(const QString &path) const; // with the settings
    bool fail(const QString &path, const QString &reason);
    void setCurrent(const QString &path, const QString &deviceName, const PreparedImpulse &p);
    void clearCurrent();
    void impulseNamed(const QString &name);

    Link &m_link;
    PresetSession &m_session;
    QSettings &m_settings;
    bool m_handingOver = false; // the session is taking a file from us
    ImpulseFiles *m_files = nullptr;
    QString m_waiting; // the newest selection, until the wire is free

    QString m_currentPath;
    QString m_currentName; // the name the device was told
    QString m_sourceText;
    QString m_keptText;
    QVariantList m_waveform;
    QVariantList m_response;
    qreal m_peakDb = audio::silenceDb;
};

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
#pragma once

#include "audio/analysis.h"

#include <QObject>
#include <QString>
#include <QVariantList>
#include <QVariantMap>

class Core;
class CoreSeam;
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

public:
    explicit Impulses(Core &core, QObject *parent = nullptr);

    // Loads a local path or a file: URL as the impulse of the current
    // preset. True when it went to the device; otherwise `failed` says why
    // and nothing is sent.
    Q_INVOKABLE bool load(const QString &path);

    // What a file is and what the device would get of it: "ok", and
    // "reason" when it cannot be used; "format", "rate", "bits",
    // "floating", "channels", "lengthMs", "description"; "converted",
    // "keptMs", "cut".
    Q_INVOKABLE QVariantMap info(const QString &path);

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

private:
    PreparedImpulse prepare(const QString &path) const; // with the settings
    bool fail(const QString &path, const QString &reason);
    void setCurrent(const QString &path, const QString &deviceName, const PreparedImpulse &p);
    void clearCurrent();
    void impulseNamed(const QString &name);

    Core &m_core;
    CoreSeam &m_seam;
    bool m_handingOver = false; // Core is taking a file from us

    QString m_currentPath;
    QString m_currentName; // the name the device was told
    QString m_sourceText;
    QString m_keptText;
    QVariantList m_waveform;
    QVariantList m_response;
    qreal m_peakDb = audio::silenceDb;
};

// Lab: the cabinet lab, published to the document as `_lab` beside `_core`.
//
// It holds two source impulses (A, and B which may stay empty), converted
// as impulse loads convert files but kept in double precision, and the
// settings that make one impulse of them (lab/blend.h). Every change makes
// the result again at once and describes it for the panel (waveform and
// response, the sources' responses to lay over it). The device hears A, B
// or the result through a PreviewTarget; while the result is what it last
// heard, every change sends the result again, and quick changes put at most
// the newest on the wire: one waits while the link is busy, a newer one
// takes its place.
#pragma once

#include "audio/analysis.h"
#include "lab/blend.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantList>
#include <vector>

namespace lab {
class PreviewTarget;
}

class Lab : public QObject {
    Q_OBJECT

    Q_PROPERTY(int mix READ mix WRITE setMix NOTIFY settingsChanged)
    Q_PROPERTY(int offset READ offset WRITE setOffset NOTIFY settingsChanged)
    Q_PROPERTY(bool invertB READ invertB WRITE setInvertB NOTIFY settingsChanged)
    Q_PROPERTY(int lowCut READ lowCut WRITE setLowCut NOTIFY settingsChanged)
    Q_PROPERTY(int highCut READ highCut WRITE setHighCut NOTIFY settingsChanged)
    Q_PROPERTY(int lengthMs READ lengthMs WRITE setLengthMs NOTIFY settingsChanged)
    Q_PROPERTY(int fadeMs READ fadeMs WRITE setFadeMs NOTIFY settingsChanged)
    Q_PROPERTY(bool normalise READ normalise WRITE setNormalise NOTIFY settingsChanged)
    Q_PROPERTY(bool minimumPhase READ minimumPhase WRITE setMinimumPhase NOTIFY settingsChanged)

    // The sources' files (local paths, empty when none) and what they are:
    // "44.1 kHz, 16-bit, stereo".
    Q_PROPERTY(QString sourceA READ sourceA NOTIFY sourcesChanged)
    Q_PROPERTY(QString sourceB READ sourceB NOTIFY sourcesChanged)
    Q_PROPERTY(QString sourceAText READ sourceAText NOTIFY sourcesChanged)
    Q_PROPERTY(QString sourceBText READ sourceBText NOTIFY sourcesChanged)

    // The result (there is one once A is set), in the form of `_impulses`:
    // min, max pairs; dB at responseFrequencies; the peak in dBFS.
    Q_PROPERTY(bool hasResult READ hasResult NOTIFY resultChanged)
    Q_PROPERTY(QVariantList waveform READ waveform NOTIFY resultChanged)
    Q_PROPERTY(QVariantList response READ response NOTIFY resultChanged)
    Q_PROPERTY(qreal peakDb READ peakDb NOTIFY resultChanged)
    Q_PROPERTY(int resultSamples READ resultSamples NOTIFY resultChanged)
    // Below 0 when the result was brought down by that many dB so that it
    // does not clip.
    Q_PROPERTY(qreal loweredDb READ loweredDb NOTIFY resultChanged)
    Q_PROPERTY(QVariantList responseA READ responseA NOTIFY sourcesChanged)
    Q_PROPERTY(QVariantList responseB READ responseB NOTIFY sourcesChanged)
    Q_PROPERTY(QVariantList responseFrequencies READ responseFrequencies CONSTANT)

    // What the device heard last from the lab: "a", "b", "result", or ""
    // (nothing, or something else has played since). `waiting`: a preview
    // waits for the link to be free.
    Q_PROPERTY(QString auditioned READ auditioned NOTIFY auditionChanged)
    Q_PROPERTY(bool waiting READ waiting NOTIFY auditionChanged)
    // The name the result goes to the device under: the file last saved,
    // else "Lab blend".
    Q_PROPERTY(QString resultName READ resultName NOTIFY resultNameChanged)

public:
    // `target` may be null: the lab then works without a device.
    explicit Lab(lab::PreviewTarget *target, QObject *parent = nullptr);
    ~Lab() override;

    // Slot 0 is A, slot 1 is B; a local path or a file: URL, or empty to
    // clear the slot. False, with `failed`, for a file that cannot be used.
    Q_INVOKABLE bool setSource(int slot, const QString &path);
    // Sets `offset` to where B lines up best with A and returns it.
    Q_INVOKABLE int autoAlign();
    // "a", "b" or "result" to the device as a preview.
    Q_INVOKABLE bool audition(const QString &which);
    // Writes the result as a 48 kHz, 24-bit, mono WAV file.
    Q_INVOKABLE bool save(const QString &path);
    // The result becomes the current preset's impulse, as a loaded file
    // does, under resultName; it is stored with the next save.
    Q_INVOKABLE bool use();

    // The result's samples, signed 24-bit.
    const std::vector<qint32> &result() const { return m_result; }
    const lab::Shape &shape() const { return m_shape; }

    int mix() const { return m_shape.mix; }
    void setMix(int percent);
    int offset() const { return m_shape.offset; }
    void setOffset(int samples);
    bool invertB() const { return m_shape.invertB; }
    void setInvertB(bool on);
    int lowCut() const { return m_shape.lowCutHz; }
    void setLowCut(int hz);
    int highCut() const { return m_shape.highCutHz; }
    void setHighCut(int hz);
    int lengthMs() const { return m_shape.lengthMs; }
    void setLengthMs(int ms);
    int fadeMs() const { return m_shape.fadeMs; }
    void setFadeMs(int ms);
    bool normalise() const { return m_shape.normalise; }
    void setNormalise(bool on);
    bool minimumPhase() const { return m_shape.minimumPhase; }
    void setMinimumPhase(bool on);

    QString sourceA() const { return m_sources[0].path; }
    QString sourceB() const { return m_sources[1].path; }
    QString sourceAText() const { return m_sources[0].text; }
    QString sourceBText() const { return m_sources[1].text; }
    QVariantList responseA() const { return m_sources[0].response; }
    QVariantList responseB() const { return m_sources[1].response; }
    QVariantList responseFrequencies() const;

    bool hasResult() const { return !m_result.empty(); }
    QVariantList waveform() const { return m_waveform; }
    QVariantList response() const { return m_response; }
    qreal peakDb() const { return m_peakDb; }
    int resultSamples() const { return int(m_result.size()); }
    qreal loweredDb() const { return m_loweredDb; }

    QString auditioned() const { return m_auditioned; }
    bool waiting() const { return !m_waiting.isEmpty(); }
    QString resultName() const { return m_resultName; }

signals:
    void failed(QString path, QString reason);
    void settingsChanged();
    void sourcesChanged();
    void resultChanged();
    void auditionChanged();
    void resultNameChanged();

private:
    struct Source {
        QString path;
        QString text;
        std::vector<double> samples; // 48 kHz, at most lab::sourceSamples
        QVariantList response;
    };

    // A setting changed: the result is made again and, when the device
    // last heard it, sent again.
    void changeShape(const lab::Shape &shape);
    void recompute();
    void sendOrWait(const QString &which);
    bool sendNow(const QString &which);
    void linkIdle();
    void targetReplaced();
    void setAuditioned(const QString &which, const QString &waiting);
    // The device's form of "a", "b" or "result" written to the cache folder.
    QString writePreviewFile(const QString &which, QString &reason) const;
    bool fail(const QString &path, const QString &reason);

    QPointer<lab::PreviewTarget> m_target;
    lab::Shape m_shape;
    Source m_sources[2];
    std::vector<qint32> m_result;
    QVariantList m_waveform;
    QVariantList m_response;
    qreal m_peakDb = audio::silenceDb;
    qreal m_loweredDb = 0.0;
    QString m_auditioned;
    QString m_waiting; // what goes out once the link is free
    QString m_resultName;
};

// EditHistory: undo and redo of the current preset's parameter edits,
// published to the document as `_history` beside `_core`.
//
// The panel sends every parameter edit through setValue, which records it and
// passes it on to the preset session. A step remembers the value before the
// edit, as the session holds it (what the device plays). Edits
// of one control less than mergeWindowMs apart make one step, so a slider
// drag is undone at once. Undo and redo send the restored value through
// the session's setValue, so the device follows and the preset counts as edited.
//
// The history belongs to the preset being edited: whatever replaces the
// preset's content as a whole (the session tells) starts a fresh
// one. Saving keeps it; the panel learns here when a save went through. While the stored preset is
// on show (compare) nothing is undone or redone.
#pragma once

#include "parameters/parameter_table.h"

#include <QObject>
#include <QString>
#include <QVector>
#include <functional>

class PresetSession;

class EditHistory : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool canUndo READ canUndo NOTIFY changed)
    Q_PROPERTY(bool canRedo READ canRedo NOTIFY changed)
    Q_PROPERTY(QString undoText READ undoText NOTIFY changed)
    Q_PROPERTY(QString redoText READ redoText NOTIFY changed)

public:
    // Milliseconds on a steady clock; tests hand in their own.
    using Clock = std::function<qint64()>;

    static constexpr qint64 mergeWindowMs = 500;
    static constexpr int maxSteps = 1000; // the oldest steps go beyond this

    explicit EditHistory(PresetSession &session, QObject *parent = nullptr);

    void setClock(Clock clock);

    // Records the edit of a parameter, then hands it to the session's setValue.
    // Names that are not preset parameters are passed on unrecorded.
    Q_INVOKABLE void setValue(QString name, int value);
    Q_INVOKABLE void undo();
    Q_INVOKABLE void redo();

    bool canUndo() const;
    bool canRedo() const;
    QString undoText() const;
    QString redoText() const;

signals:
    void changed();
    // The device has stored the preset being edited: a save went through.
    void stored();

private:
    struct Step {
        int position; // status byte of the parameter
        int before;
        int after;
        qint64 at; // clock time of the latest edit merged into the step
    };

    bool record(const parameters::Parameter &parameter, int after);
    void onComparing(bool comparing);
    void clear();
    void restore(const Step &step, int value);
    // Moves the newest step of `from` to `to` and restores its value on that side.
    void travel(QVector<Step> &from, QVector<Step> &to, bool forward);
    QString describe(const Step &step) const;

    PresetSession &session;
    Clock clock;
    QVector<Step> undoSteps; // oldest first
    QVector<Step> redoSteps; // the next to redo last
    bool mergeOpen = false;  // the top undo step may still take edits
    bool editable = true;    // false while compare shows the stored preset
};

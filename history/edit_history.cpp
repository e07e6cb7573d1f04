// Recording, merging, undoing and redoing parameter edits.
#include "history/edit_history.h"

#include "base/log_categories.h"
#include "editing/preset_session.h"
#include "parameters/parameter_text.h"

#include <QElapsedTimer>

namespace {

// The preset parameter the session's setValue takes under this name (its
// value name or an alias it accepts), or nullptr.
const parameters::Parameter *settableParameter(const QString &name)
{
    parameters::Match how = parameters::Match::None;
    const parameters::Parameter *p = parameters::find(name, &how);
    const bool settable = how == parameters::Match::Name || how == parameters::Match::EditAlias;
    return settable && p->inPreset() ? p : nullptr;
}

} // namespace

EditHistory::EditHistory(PresetSession &session, QObject *parent)
    : QObject(parent), session(session)
{
    auto steady = std::make_shared<QElapsedTimer>();
    steady->start();
    clock = [steady] { return steady->elapsed(); };

    connect(&session, &PresetSession::comparingChanged, this, &EditHistory::onComparing);
    connect(&session, &PresetSession::replaced, this, &EditHistory::clear);
    connect(&session, &PresetSession::stored, this, &EditHistory::stored);
}

void EditHistory::setClock(Clock c)
{
    clock = std::move(c);
}

void EditHistory::setValue(QString name, int value)
{
    if (const parameters::Parameter *parameter = settableParameter(name)) {
        // While compare shows the stored preset an edit is no step of the
        // edited preset: compare puts the edited one back afterwards.
        const int after = parameters::fromByte(*parameter, parameters::toByte(value));
        if (editable && record(*parameter, after))
            emit changed();
    }
    session.setValue(name, parameters::toByte(value));
}

// Adds the edit to the history: merged into the step still open for the same
// control, or as a new step from the value the preset has before it.
// Returns whether the history changed.
bool EditHistory::record(const parameters::Parameter &parameter, int after)
{
    const int position = parameter.position;
    const qint64 now = clock();
    if (mergeOpen && !undoSteps.isEmpty() && undoSteps.last().position == position &&
        now - undoSteps.last().at < mergeWindowMs) {
        Step &step = undoSteps.last();
        step.after = after;
        step.at = now;
        if (step.after == step.before) {
            undoSteps.removeLast(); // dragged back to where it started
            mergeOpen = false;
        }
        return true;
    }
    // Without a value before the edit there is nothing to go back to.
    const PresetValues &values = session.values();
    if (!values.known() || values.value(parameter) == after)
        return false;
    undoSteps.append({position, values.value(parameter), after, now});
    if (undoSteps.size() > maxSteps)
        undoSteps.removeFirst();
    redoSteps.clear();
    mergeOpen = true;
    return true;
}

void EditHistory::undo()
{
    if (canUndo())
        travel(undoSteps, redoSteps, false);
}

void EditHistory::redo()
{
    if (canRedo())
        travel(redoSteps, undoSteps, true);
}

void EditHistory::travel(QVector<Step> &from, QVector<Step> &to, bool forward)
{
    const Step step = from.takeLast();
    to.append(step);
    const int was = forward ? step.before : step.after;
    const int value = forward ? step.after : step.before;
    qCDebug(historyLog) << (forward ? "redo" : "undo") << parameters::atPosition(step.position).name
                        << was << "->" << value;
    restore(step, value);
}

// Sends one value of a step to the device under the parameter's own name, so
// that the preset counts as edited again (after a save, too); the session's
// values, and the controls bound to them, follow.
void EditHistory::restore(const Step &step, int value)
{
    mergeOpen = false;
    const QString name = QString::fromLatin1(parameters::atPosition(step.position).name);
    session.setValue(name, parameters::toByte(value));
    emit changed();
}

void EditHistory::onComparing(bool comparing)
{
    if (editable == !comparing)
        return;
    editable = !comparing;
    emit changed();
}

void EditHistory::clear()
{
    mergeOpen = false;
    if (undoSteps.isEmpty() && redoSteps.isEmpty())
        return;
    qCDebug(historyLog) << "fresh history; dropped" << undoSteps.size() << "undo and"
                        << redoSteps.size() << "redo steps";
    undoSteps.clear();
    redoSteps.clear();
    emit changed();
}

bool EditHistory::canUndo() const
{
    return editable && !undoSteps.isEmpty();
}

bool EditHistory::canRedo() const
{
    return editable && !redoSteps.isEmpty();
}

QString EditHistory::undoText() const
{
    return undoSteps.isEmpty() ? QString() : describe(undoSteps.last());
}

QString EditHistory::redoText() const
{
    return redoSteps.isEmpty() ? QString() : describe(redoSteps.last());
}

// "Master 74 → 80": the control, its value before and after the step.
QString EditHistory::describe(const Step &step) const
{
    const parameters::Parameter &p = parameters::atPosition(step.position);
    return tr("%1 %2 \u2192 %3")
        .arg(parameters::fullLabel(p), parameters::text(p, step.before),
             parameters::text(p, step.after));
}

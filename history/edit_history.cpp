// Recording, merging, undoing and redoing parameter edits.
#include "history/edit_history.h"

#include "core/log_categories.h"
#include "editing/preset_session.h"
#include "parsing/device_readout.h"

#include <QElapsedTimer>

namespace {

// A value as the status block publishes it: a signed parameter as -128..127,
// any other as 0..255, whichever form the caller used.
int asPublished(const status::Parameter &parameter, int value)
{
    const int byte = value & 0xff;
    return parameter.isSigned ? int(static_cast<signed char>(byte)) : byte;
}

// The parameter Core's setValue takes under this name (its lower-case name or
// an alias it accepts), or nullptr. The lookup takes a C string: a name with
// an embedded NUL must not match the name it starts with.
const status::Parameter *settableParameter(const QString &name)
{
    const QByteArray key = name.toUtf8();
    return key.contains('\0') ? nullptr : status::findByName(key.constData());
}

} // namespace

EditHistory::EditHistory(PresetSession &session, DeviceReadout &readout, QObject *parent)
    : QObject(parent), session(session)
{
    auto steady = std::make_shared<QElapsedTimer>();
    steady->start();
    clock = [steady] { return steady->elapsed(); };

    connect(&session, &PresetSession::comparingChanged, this, &EditHistory::onComparing);
    connect(&readout, &DeviceReadout::statusRead, this, &EditHistory::onStatusRead);
    connect(&session, &PresetSession::replaced, this, &EditHistory::clear);
    connect(&session, &PresetSession::stored, this, &EditHistory::stored);
}

void EditHistory::setClock(Clock c)
{
    clock = std::move(c);
}

void EditHistory::setValue(QString name, int value)
{
    if (const status::Parameter *parameter = settableParameter(name)) {
        const int after = asPublished(*parameter, value);
        // While compare shows the stored preset an edit is no step of the
        // edited preset: compare puts the edited one back afterwards.
        const bool recorded = editable && record(parameter->position, after);
        known[parameter->position] = after;
        isKnown[parameter->position] = true;
        if (recorded)
            emit changed();
    }
    session.setValue(name, static_cast<uchar>(value));
}

// Adds the edit to the history: merged into the step still open for the same
// control, or as a new step from the value known before it. Returns whether
// the history changed.
bool EditHistory::record(int position, int after)
{
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
    if (!isKnown[position] || known[position] == after)
        return false;
    undoSteps.append({position, known[position], after, now});
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
    qCDebug(historyLog) << (forward ? "redo" : "undo") << status::parameters()[step.position].name
                        << was << "->" << value;
    restore(step, value);
}

// Sends one value of a step to the device under the parameter's own name, so
// that the preset counts as edited again (after a save, too).
void EditHistory::restore(const Step &step, int value)
{
    mergeOpen = false;
    known[step.position] = value;
    isKnown[step.position] = true;
    const QString name = QString::fromLatin1(status::parameters()[step.position].name);
    session.setValue(name, static_cast<uchar>(value));
    emit valueRestored(name, value);
    emit changed();
}

void EditHistory::onComparing(bool comparing)
{
    if (editable == !comparing)
        return;
    editable = !comparing;
    emit changed();
}

// Every parameter's value as the device reported it.
void EditHistory::onStatusRead(const QByteArray &block)
{
    const QByteArray bytes = QByteArray::fromHex(block);
    for (const status::Parameter &parameter : status::parameters()) {
        if (parameter.position >= bytes.size())
            continue;
        known[parameter.position] = asPublished(parameter, uchar(bytes.at(parameter.position)));
        isKnown[parameter.position] = true;
    }
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

void EditHistory::setLabels(const QVariantMap &map)
{
    labels.clear();
    for (auto it = map.constBegin(); it != map.constEnd(); ++it) {
        const status::Parameter *parameter = settableParameter(it.key());
        if (!parameter)
            continue;
        const QVariantMap entry = it.value().toMap();
        labels.insert(parameter->position, {entry.value(QStringLiteral("label")).toString(),
                                            entry.value(QStringLiteral("min")).toInt(),
                                            entry.value(QStringLiteral("texts")).toStringList()});
    }
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
    const auto it = labels.constFind(step.position);
    const QString label = it != labels.constEnd() && !it->text.isEmpty()
                              ? it->text
                              : QString::fromLatin1(status::parameters()[step.position].name);
    return QStringLiteral("%1 %2 \u2192 %3")
        .arg(label, valueText(step.position, step.before), valueText(step.position, step.after));
}

QString EditHistory::valueText(int position, int value) const
{
    const auto it = labels.constFind(position);
    if (it != labels.constEnd()) {
        const int index = value - it->min;
        if (index >= 0 && index < it->texts.size())
            return it->texts.at(index);
    }
    return QString::number(value);
}

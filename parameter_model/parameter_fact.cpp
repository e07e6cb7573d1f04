// One parameter's description and values for the panel.
#include "parameter_model/parameter_fact.h"

#include "parameters/parameter_text.h"

ParameterFact::ParameterFact(const parameters::Parameter &parameter, QObject *parent)
    : QObject(parent), p(parameter), current(parameters::clamp(parameter, 0)), stored(current)
{
}

QString ParameterFact::label() const
{
    return parameters::label(p);
}

QString ParameterFact::fullLabel() const
{
    return parameters::fullLabel(p);
}

QString ParameterFact::kind() const
{
    using parameters::Kind;
    switch (p.kind) {
    case Kind::Switch:
        return QStringLiteral("switch");
    case Kind::Choice:
        return QStringLiteral("choice");
    case Kind::Gain:
        return QStringLiteral("gain");
    case Kind::Shift:
        return QStringLiteral("shift");
    case Kind::Level:
        break;
    }
    return QStringLiteral("level");
}

QStringList ParameterFact::choices() const
{
    return parameters::choiceNames(p);
}

QString ParameterFact::rangeText() const
{
    return parameters::rangeText(p);
}

int ParameterFact::origin() const
{
    if (p.kind == parameters::Kind::Gain)
        return p.centre;
    return p.min < 0 && p.max > 0 ? 0 : p.min;
}

QString ParameterFact::spokenText() const
{
    return parameters::spokenText(p, current);
}

QString ParameterFact::description() const
{
    return parameters::describe(p, current);
}

QString ParameterFact::textOf(int value) const
{
    return parameters::text(p, value);
}

QString ParameterFact::editText() const
{
    return parameters::editText(p, current);
}

QVariant ParameterFact::parse(const QString &typed) const
{
    int value = 0;
    if (!parameters::parseTyped(p, typed, &value))
        return QVariant();
    return parameters::clamp(p, value);
}

QString ParameterFact::limitNote(const QString &typed) const
{
    return parameters::limitNote(p, typed);
}

int ParameterFact::clamp(int value) const
{
    return parameters::clamp(p, value);
}

void ParameterFact::setValues(int value, int storedValue)
{
    const bool wasEdited = edited();
    const bool valueMoved = value != current;
    const bool storedMoved = storedValue != stored;
    current = value;
    stored = storedValue;
    if (valueMoved)
        emit valueChanged();
    if (storedMoved)
        emit storedValueChanged();
    if (edited() != wasEdited)
        emit editedChanged();
}

// ParameterFact: one parameter of the current preset as the panel binds to
// it: what the table says of it (label, range, unit, choices) and its value
// as the device plays it and stores it, with the value in words. The cards'
// controls bind to these; a change of value is announced once, whatever
// caused it (a status read, an edit, undo, a save).
#pragma once

#include "parameters/parameter_table.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>

class ParameterFact : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString name READ name CONSTANT)
    Q_PROPERTY(QString label READ label CONSTANT)
    Q_PROPERTY(QString fullLabel READ fullLabel CONSTANT)
    Q_PROPERTY(QString group READ group CONSTANT)
    Q_PROPERTY(int band READ band CONSTANT)
    // "level", "switch", "choice", "gain" or "shift".
    Q_PROPERTY(QString kind READ kind CONSTANT)
    Q_PROPERTY(int min READ min CONSTANT)
    Q_PROPERTY(int max READ max CONSTANT)
    Q_PROPERTY(int step READ step CONSTANT)
    Q_PROPERTY(QString unit READ unit CONSTANT)
    Q_PROPERTY(bool isSigned READ isSigned CONSTANT)
    Q_PROPERTY(QStringList choices READ choices CONSTANT)
    Q_PROPERTY(QString rangeText READ rangeText CONSTANT)
    // Where a slider's fill starts: 0 dB of a gain, zero of a signed range,
    // else the minimum.
    Q_PROPERTY(int origin READ origin CONSTANT)

    // As the device plays it (what the screen shows), and as it stores it.
    Q_PROPERTY(int value READ value NOTIFY valueChanged)
    Q_PROPERTY(int storedValue READ storedValue NOTIFY storedValueChanged)
    // It differs from what the device stores.
    Q_PROPERTY(bool edited READ edited NOTIFY editedChanged)
    // "+3 dB", "On", "Type 2"; as a screen reader says it; as a tooltip
    // describes it.
    Q_PROPERTY(QString text READ text NOTIFY valueChanged)
    Q_PROPERTY(QString spokenText READ spokenText NOTIFY valueChanged)
    Q_PROPERTY(QString description READ description NOTIFY valueChanged)

public:
    ParameterFact(const parameters::Parameter &parameter, QObject *parent = nullptr);

    const parameters::Parameter &parameter() const { return p; }

    QString name() const { return QString::fromLatin1(p.name); }
    QString label() const;
    QString fullLabel() const;
    QString group() const { return QString::fromLatin1(p.group); }
    int band() const { return p.band; }
    QString kind() const;
    int min() const { return p.min; }
    int max() const { return p.max; }
    int step() const { return p.step; }
    QString unit() const { return QString::fromLatin1(p.unit); }
    bool isSigned() const { return p.isSigned; }
    QStringList choices() const;
    QString rangeText() const;
    int origin() const;

    int value() const { return current; }
    int storedValue() const { return stored; }
    bool edited() const { return current != stored; }
    QString text() const { return textOf(current); }
    QString spokenText() const;
    QString description() const;

    // Any value in words, as `text` writes the current one.
    Q_INVOKABLE QString textOf(int value) const;
    // The value as the user types it.
    Q_INVOKABLE QString editText() const;
    // A typed value brought into the range; undefined when it is no number.
    Q_INVOKABLE QVariant parse(const QString &typed) const;
    // What to say when the range limited a typed value; empty when it did not.
    Q_INVOKABLE QString limitNote(const QString &typed) const;
    Q_INVOKABLE int clamp(int value) const;

    // Set by the model from the session and the readout.
    void setValues(int value, int storedValue);

signals:
    void valueChanged();
    void storedValueChanged();
    void editedChanged();

private:
    const parameters::Parameter &p;
    int current = 0;
    int stored = 0;
};

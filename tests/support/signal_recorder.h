// Records every signal an object emits, with its arguments, in emission
// order, so tests can assert the order across different signals.
#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QVariantList>

struct Emission {
    QByteArray signal; // name without parameters, e.g. "sgReadValue"
    QVariantList args;
};

class SignalRecorder : public QObject {
public:
    // Records the signals `object`'s own class declares (not QObject's).
    explicit SignalRecorder(QObject *object);

    const QList<Emission> &all() const { return emissions; }
    void clear() { emissions.clear(); }

    // Emissions of one signal, in order.
    QList<QVariantList> of(const QByteArray &signal) const;
    int count(const QByteArray &signal) const { return of(signal).size(); }

    // (name, value) of every sgReadValue / sgReadText, in order.
    QList<QPair<QString, QVariant>> namedValues() const;
    // The values published under one name through sgReadValue/sgReadText.
    QVariantList valuesOf(const QString &name) const;

    // One line per emission, for failure messages and order checks:
    // "sgReadValue(preset_edit,1)".
    QStringList lines() const;

    int qt_metacall(QMetaObject::Call call, int id, void **args) override;

private:
    QList<int> signalIndexes; // method index of each recorded signal
    QList<Emission> emissions;
    const QMetaObject *meta = nullptr;
};

// Generic signal recorder built on the meta-object system.
#include "support/signal_recorder.h"

#include <QMetaMethod>

SignalRecorder::SignalRecorder(QObject *object) : meta(object->metaObject())
{
    const int slotBase = QObject::staticMetaObject.methodCount();
    for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
        const QMetaMethod method = meta->method(i);
        if (method.methodType() != QMetaMethod::Signal)
            continue;
        const int slot = slotBase + signalIndexes.size();
        signalIndexes.append(i);
        QMetaObject::connect(object, i, this, slot, Qt::DirectConnection);
    }
}

int SignalRecorder::qt_metacall(QMetaObject::Call call, int id, void **args)
{
    id = QObject::qt_metacall(call, id, args);
    if (id < 0 || call != QMetaObject::InvokeMetaMethod)
        return id;
    if (id < signalIndexes.size()) {
        const QMetaMethod method = meta->method(signalIndexes.at(id));
        Emission e;
        e.signal = method.name();
        for (int p = 0; p < method.parameterCount(); ++p)
            e.args.append(QVariant(method.parameterType(p), args[p + 1]));
        emissions.append(e);
    }
    return id - signalIndexes.size();
}

QList<QVariantList> SignalRecorder::of(const QByteArray &signal) const
{
    QList<QVariantList> result;
    for (const Emission &e : emissions) {
        if (e.signal == signal)
            result.append(e.args);
    }
    return result;
}

QList<QPair<QString, QVariant>> SignalRecorder::namedValues() const
{
    QList<QPair<QString, QVariant>> result;
    for (const Emission &e : emissions) {
        if (e.signal == "sgReadValue" || e.signal == "sgReadText")
            result.append({e.args.at(0).toString(), e.args.at(1)});
    }
    return result;
}

QVariantList SignalRecorder::valuesOf(const QString &name) const
{
    QVariantList result;
    for (const auto &nv : namedValues()) {
        if (nv.first == name)
            result.append(nv.second);
    }
    return result;
}

QStringList SignalRecorder::lines() const
{
    QStringList result;
    for (const Emission &e : emissions) {
        QStringList args;
        for (const QVariant &v : e.args) {
            if (v.userType() == QMetaType::UChar)
                args.append(QString::number(v.value<uchar>()));
            else
                args.append(v.toString());
        }
        result.append(QString::fromLatin1(e.signal) + "(" + args.join(",") + ")");
    }
    return result;
}

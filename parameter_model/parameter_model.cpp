// The panel's model of the current preset's parameters.
#include "parameter_model/parameter_model.h"

#include "editing/preset_session.h"
#include "parameter_model/parameter_fact.h"
#include "parameters/parameter_text.h"
#include "parsing/device_readout.h"

ParameterModel::ParameterModel(const PresetSession &session, const DeviceReadout &readout,
                               QObject *parent)
    : QAbstractListModel(parent), session(session)
{
    // The document receives facts from fact(): their type must be known.
    qRegisterMetaType<ParameterFact *>();
    for (const parameters::Parameter &p : parameters::all()) {
        auto *fact = new ParameterFact(p, this);
        facts.append(fact);
        if (!p.inPreset())
            modeFact = fact;
    }
    connect(&session, &PresetSession::valuesChanged, this, &ParameterModel::refresh);
    connect(&session, &PresetSession::modeWritten, this, &ParameterModel::modeRead);
    connect(&readout, &DeviceReadout::modeRead, this, &ParameterModel::modeRead);
    refresh();
}

int ParameterModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : facts.size();
}

QVariant ParameterModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= facts.size())
        return QVariant();
    ParameterFact *fact = facts.at(index.row());
    switch (role) {
    case FactRole:
        return QVariant::fromValue(fact);
    case Qt::DisplayRole:
    case NameRole:
        return fact->name();
    case GroupRole:
        return fact->group();
    case KindRole:
        return fact->kind();
    }
    return QVariant();
}

QHash<int, QByteArray> ParameterModel::roleNames() const
{
    return {{FactRole, "fact"}, {NameRole, "name"}, {GroupRole, "group"}, {KindRole, "kind"}};
}

QVariantList ParameterModel::groups() const
{
    QVariantList list;
    for (const parameters::Group &g : parameters::groups())
        list.append(group(QString::fromLatin1(g.id)));
    return list;
}

QVariantList ParameterModel::factList() const
{
    QVariantList list;
    for (ParameterFact *fact : facts)
        list.append(QVariant::fromValue(fact));
    return list;
}

ParameterFact *ParameterModel::fact(const QString &name) const
{
    const parameters::Parameter *p = parameters::find(name);
    if (!p)
        return nullptr;
    for (ParameterFact *fact : facts)
        if (&fact->parameter() == p)
            return fact;
    return nullptr;
}

QStringList ParameterModel::controlsOf(const QString &groupId) const
{
    const QByteArray id = groupId.toUtf8();
    const parameters::Group *g = parameters::group(id.constData());
    QStringList names;
    for (const parameters::Parameter &p : parameters::all())
        if (id == p.group && !(g && qstrcmp(g->onSwitch, p.name) == 0))
            names.append(QString::fromLatin1(p.name));
    return names;
}

QVariantMap ParameterModel::group(const QString &groupId) const
{
    const parameters::Group *g = parameters::group(groupId.toUtf8().constData());
    if (!g)
        return QVariantMap();
    return {{QStringLiteral("id"), QString::fromLatin1(g->id)},
            {QStringLiteral("title"), parameters::groupTitle(*g)},
            {QStringLiteral("on"), QString::fromLatin1(g->onSwitch)}};
}

void ParameterModel::refresh()
{
    const PresetValues &values = session.values();
    for (ParameterFact *fact : facts) {
        const parameters::Parameter &p = fact->parameter();
        if (p.inPreset() && values.known())
            fact->setValues(values.value(p),
                            values.storedKnown() ? values.storedValue(p) : values.value(p));
    }
}

void ParameterModel::modeRead(int mode)
{
    if (modeFact && mode >= 0)
        modeFact->setValues(mode, mode);
}

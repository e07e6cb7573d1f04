// ParameterModel: the current preset's parameters for the panel, published
// as `_parameters`: one ParameterFact per parameter of the table, in the
// panel's order, with the modules they form. The values come from the
// preset session (as the device plays and stores them) and, for the mode,
// from the device readout; the model holds no copy of its own.
#pragma once

#include <QAbstractListModel>
#include <QHash>
#include <QVariantList>
#include <QVector>

class DeviceReadout;
class ParameterFact;
class PresetSession;

class ParameterModel : public QAbstractListModel {
    Q_OBJECT
    // The modules in the order of the signal chain: {id, title, on}.
    Q_PROPERTY(QVariantList groups READ groups CONSTANT)
    // Every parameter's fact, in the panel's order.
    Q_PROPERTY(QVariantList facts READ factList CONSTANT)

public:
    enum Role { FactRole = Qt::UserRole + 1, NameRole, GroupRole, KindRole };

    ParameterModel(const PresetSession &session, const DeviceReadout &readout,
                   QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    QVariantList groups() const;
    QVariantList factList() const;
    // The parameter named `name` (its value name or an alias); null for none.
    Q_INVOKABLE ParameterFact *fact(const QString &name) const;
    // A module's parameters other than its on/off switch, in the panel's order.
    Q_INVOKABLE QStringList controlsOf(const QString &groupId) const;
    // A module as {id, title, on}; empty for an unknown id.
    Q_INVOKABLE QVariantMap group(const QString &groupId) const;

private:
    void refresh();
    void modeRead(int mode);

    const PresetSession &session;
    QVector<ParameterFact *> facts;
    ParameterFact *modeFact = nullptr;
};

// PresetMap: one row per preset of the connected device's family, in the
// order of their numbers (bank * presets per bank + preset), with what the
// panel's map shows of each: the impulse name as the device reports it
// ("empty" for none, "" while unread), whether its parameters were read, the
// master volume, the cabinet switch, and the modules switched on.
//
// It is filled from the device readout: a status block or an impulse name
// belongs to the position the device reported last (a value read before any
// position waits for it, as the start-up read asks for the name first).
// Every walk through the presets ("Read all", the librarian's backup and
// restore checks) reads each preset's position, status and impulse that way,
// and what a restore wrote is taken from the librarian's presetWritten.
#pragma once

#include <QAbstractListModel>
#include <QByteArray>
#include <QString>
#include <QVariantMap>
#include <QVector>

class DeviceReadout;
class PresetSession;

class PresetMap : public QAbstractListModel {
    Q_OBJECT
    Q_PROPERTY(int count READ count NOTIFY countChanged)

public:
    enum Role {
        BankRole = Qt::UserRole + 1,
        PresetRole,
        ImpulseRole,
        KnownRole,
        MasterRole,
        CabinetRole,
        ModulesRole
    };

    // The modules shown as lit marks, bit 0 first.
    static const char *const moduleNames[5];

    PresetMap(DeviceReadout &readout, const PresetSession &session, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;
    int count() const { return cells.size(); }
    // The row's roles by name, for the document ({} outside the map).
    Q_INVOKABLE QVariantMap get(int number) const;

    // What preset `number` holds now, as the device reported it after a
    // write: its status text (86 hex digits; others leave the values alone)
    // and its impulse name ("" for none).
    void presetWritten(int number, const QByteArray &statusText, const QString &impulseName);

signals:
    void countChanged();

private:
    struct Cell {
        int bank = 0;
        int preset = 0;
        QString impulse;
        bool known = false;
        int master = 0;
        int cabinet = 0;
        int modules = 0;
    };

    void resize(int banks, int presetsPerBank);
    void placeStatus(int number, const QByteArray &statusText);
    void placeImpulse(int number, const QString &name);
    int cursor() const;

    DeviceReadout &readout;
    QVector<Cell> cells;
    int perBank = 0;
    // Read before any position: they belong to the position that follows.
    QByteArray unplacedStatus;
    QString unplacedImpulse;
    bool hasUnplacedImpulse = false;
};

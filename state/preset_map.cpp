// The preset map model, filled from the device readout's typed events and
// the status blocks the session reads.
#include "state/preset_map.h"

#include "editing/preset_session.h"
#include "parameters/parameter_table.h"
#include "parsing/device_readout.h"
#include "parsing/status_layout.h"

const char *const PresetMap::moduleNames[5] = {"preamp_on", "amp_on", "compreccor_on", "gate_on",
                                               "eq_on"};

namespace {

int valueAt(const QByteArray &bytes, const char *name)
{
    const parameters::Parameter *parameter = parameters::find(QLatin1String(name));
    return parameter && parameter->inPreset() ? uchar(bytes.at(parameter->position)) : 0;
}

} // namespace

PresetMap::PresetMap(DeviceReadout &readout, const PresetSession &session, QObject *parent)
    : QAbstractListModel(parent), readout(readout)
{
    const presets::Family family = readout.family();
    resize(family.banks != 0 ? family.banks : 10, family.banks != 0 ? family.presetsPerBank : 10);

    connect(&readout, &DeviceReadout::identifiedChanged, this, [this](int type) {
        const presets::Family family = presets::familyOf(type);
        if (family.banks != 0)
            resize(family.banks, family.presetsPerBank);
    });
    connect(&readout, &DeviceReadout::positionRead, this, [this] {
        const int number = cursor();
        if (number < 0)
            return;
        if (!unplacedStatus.isEmpty())
            placeStatus(number, unplacedStatus);
        if (hasUnplacedImpulse)
            placeImpulse(number, unplacedImpulse);
        unplacedStatus.clear();
        hasUnplacedImpulse = false;
    });
    connect(&session, &PresetSession::statusShown, this, [this](const QByteArray &block) {
        const int number = cursor();
        if (number >= 0)
            placeStatus(number, block);
        else
            unplacedStatus = block;
    });
    connect(&readout, &DeviceReadout::impulseNameRead, this, [this](const QString &name) {
        const int number = cursor();
        if (number >= 0) {
            placeImpulse(number, name);
        } else {
            unplacedImpulse = name;
            hasUnplacedImpulse = true;
        }
    });
    // The map stays as it was read; a new connection reads the position again.
    connect(&readout, &DeviceReadout::forgotten, this, [this] {
        unplacedStatus.clear();
        hasUnplacedImpulse = false;
    });
}

int PresetMap::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : cells.size();
}

QVariant PresetMap::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= cells.size())
        return QVariant();
    const Cell &cell = cells.at(index.row());
    switch (role) {
    case BankRole:
        return cell.bank;
    case PresetRole:
        return cell.preset;
    case ImpulseRole:
        return cell.impulse;
    case KnownRole:
        return cell.known;
    case MasterRole:
        return cell.master;
    case CabinetRole:
        return cell.cabinet;
    case ModulesRole:
        return cell.modules;
    }
    return QVariant();
}

QHash<int, QByteArray> PresetMap::roleNames() const
{
    return {{BankRole, "bank"},      {PresetRole, "preset"}, {ImpulseRole, "impulse"},
            {KnownRole, "known"},    {MasterRole, "master"}, {CabinetRole, "cabinet"},
            {ModulesRole, "modules"}};
}

QVariantMap PresetMap::get(int number) const
{
    QVariantMap row;
    if (number < 0 || number >= cells.size())
        return row;
    const QHash<int, QByteArray> names = roleNames();
    for (auto it = names.constBegin(); it != names.constEnd(); ++it)
        row.insert(QString::fromLatin1(it.value()), data(index(number), it.key()));
    return row;
}

void PresetMap::presetWritten(int number, const QByteArray &statusText, const QString &impulseName)
{
    if (number < 0 || number >= cells.size())
        return;
    placeStatus(number, statusText);
    placeImpulse(number, impulseName.isEmpty() ? QStringLiteral("empty") : impulseName);
}

void PresetMap::resize(int banks, int presetsPerBank)
{
    if (banks * presetsPerBank == cells.size() && presetsPerBank == perBank)
        return;
    beginResetModel();
    perBank = presetsPerBank;
    cells.clear();
    for (int b = 0; b < banks; ++b) {
        for (int p = 0; p < presetsPerBank; ++p) {
            Cell cell;
            cell.bank = b;
            cell.preset = p;
            cells.append(cell);
        }
    }
    endResetModel();
    emit countChanged();
}

void PresetMap::placeStatus(int number, const QByteArray &statusText)
{
    if (!status::isStatusText(statusText))
        return;
    const QByteArray bytes = QByteArray::fromHex(statusText);
    Cell &cell = cells[number];
    cell.known = true;
    cell.master = valueAt(bytes, "master_volume");
    cell.cabinet = valueAt(bytes, "cabinet_enable");
    cell.modules = 0;
    for (int bit = 0; bit < 5; ++bit)
        if (valueAt(bytes, moduleNames[bit]) != 0)
            cell.modules |= 1 << bit;
    emit dataChanged(index(number), index(number));
}

void PresetMap::placeImpulse(int number, const QString &name)
{
    cells[number].impulse = name;
    emit dataChanged(index(number), index(number), {ImpulseRole});
}

int PresetMap::cursor() const
{
    const int bank = readout.bank();
    const int preset = readout.preset();
    if (bank < 0 || preset < 0 || preset >= perBank || bank * perBank + preset >= cells.size())
        return -1;
    return bank * perBank + preset;
}

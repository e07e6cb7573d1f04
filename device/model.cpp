// Device state: moves, edit buffer, storing, and the JSON form kept across runs.
#include "model.h"

#include "protocol.h"

#include <QJsonArray>

namespace vdev {

DeviceModel::DeviceModel(int type, const QByteArray &firmware)
    : deviceType(type), firmwareText(firmware)
{
    const bool small = type == 2 || type == 3;
    banks = small ? 4 : 10;
    presetsPerBank = small ? 4 : 10;
    presets.resize(slotCount());
    for (Preset &p : presets)
        p.status = QByteArray(kStatusBytes, '\0');
    live = presets.at(0).status;
}

void DeviceModel::select(int index)
{
    currentBank = index / presetsPerBank;
    currentPreset = index % presetsPerBank;
    revert();
}

void DeviceModel::stepBank(bool up)
{
    currentBank = (currentBank + (up ? 1 : banks - 1)) % banks;
    revert();
}

void DeviceModel::stepPreset(bool up)
{
    currentPreset = (currentPreset + (up ? 1 : presetsPerBank - 1)) % presetsPerBank;
    revert();
}

void DeviceModel::revert()
{
    live = presets.at(current()).status;
    preview.clear();
}

void DeviceModel::storeStatus()
{
    presets[current()].status = live;
}

void DeviceModel::storeImpulse(const Impulse &impulse)
{
    presets[current()].impulse = impulse;
    preview.clear();
}

void DeviceModel::removeImpulse()
{
    presets[current()].impulse = Impulse();
    preview.clear();
}

QJsonObject DeviceModel::toJson() const
{
    QJsonArray list;
    for (const Preset &p : presets) {
        QJsonObject entry;
        entry[QStringLiteral("status")] = QString::fromLatin1(toHex(p.status));
        if (p.impulse.isEmpty()) {
            entry[QStringLiteral("impulse")] = QJsonValue::Null;
        } else {
            QJsonObject impulse;
            impulse[QStringLiteral("name")] = QString::fromUtf8(p.impulse.name);
            impulse[QStringLiteral("wav")] = QString::fromLatin1(toHex(p.impulse.wav));
            entry[QStringLiteral("impulse")] = impulse;
        }
        list.append(entry);
    }
    QJsonObject json;
    json[QStringLiteral("format")] = 1;
    json[QStringLiteral("type")] = deviceType;
    json[QStringLiteral("bank")] = currentBank;
    json[QStringLiteral("preset")] = currentPreset;
    json[QStringLiteral("mode")] = currentMode;
    json[QStringLiteral("presets")] = list;
    return json;
}

QString DeviceModel::fromJson(const QJsonObject &json)
{
    if (json.value(QStringLiteral("format")).toInt() != 1)
        return QStringLiteral("unknown format");
    const int type = json.value(QStringLiteral("type")).toInt();
    if (type != deviceType)
        return QStringLiteral("holds presets of type %1, not %2").arg(type).arg(deviceType);
    const QJsonArray list = json.value(QStringLiteral("presets")).toArray();
    if (list.size() != slotCount())
        return QStringLiteral("holds %1 presets, not %2").arg(list.size()).arg(slotCount());
    const int bank = json.value(QStringLiteral("bank")).toInt(-1);
    const int preset = json.value(QStringLiteral("preset")).toInt(-1);
    const int mode = json.value(QStringLiteral("mode")).toInt(-1);
    if (bank < 0 || bank >= banks || preset < 0 || preset >= presetsPerBank)
        return QStringLiteral("bank or preset out of range");
    if (mode < 0 || mode > kMaxMode)
        return QStringLiteral("mode out of range");

    QVector<Preset> loaded(list.size());
    for (int i = 0; i < list.size(); ++i) {
        const QJsonObject entry = list.at(i).toObject();
        QByteArray status;
        if (!fromHex(entry.value(QStringLiteral("status")).toString().toLatin1(), &status) ||
            status.size() != kStatusBytes)
            return QStringLiteral("preset %1: status is not %2 hex characters")
                .arg(i)
                .arg(kStatusHexChars);
        loaded[i].status = status;
        const QJsonValue impulse = entry.value(QStringLiteral("impulse"));
        if (impulse.isNull() || impulse.isUndefined())
            continue;
        const QJsonObject object = impulse.toObject();
        Impulse stored;
        stored.name = object.value(QStringLiteral("name")).toString().toUtf8();
        if (stored.name.isEmpty() || stored.name == "*")
            return QStringLiteral("preset %1: impulse has no usable name").arg(i);
        if (!fromHex(object.value(QStringLiteral("wav")).toString().toLatin1(), &stored.wav))
            return QStringLiteral("preset %1: impulse image is not hex text").arg(i);
        const QString problem = wavImageProblem(stored.wav);
        if (!problem.isEmpty())
            return QStringLiteral("preset %1: %2").arg(i).arg(problem);
        loaded[i].impulse = stored;
    }
    presets = loaded;
    currentBank = bank;
    currentPreset = preset;
    currentMode = mode;
    revert();
    return QString();
}

} // namespace vdev

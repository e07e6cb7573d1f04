// The device family table and the written forms of a preset's place.
#include "presets/preset_place.h"

#include <QtGlobal>

namespace presets {

Family familyOf(int deviceType)
{
    switch (deviceType) {
    case 1:
    case 4:
        return {10, 10, 100};
    case 2:
    case 3:
        return {4, 4, 16};
    default:
        return {};
    }
}

bool isKnownType(int deviceType)
{
    return familyOf(deviceType).banks != 0;
}

QString shortName(int bank, int preset)
{
    return QStringLiteral("%1-%2").arg(bank).arg(preset);
}

QString longName(int bank, int preset)
{
    return QStringLiteral("Preset %1").arg(shortName(bank, preset));
}

QString shortNameOf(int number, int presetsPerBank)
{
    const int perBank = qMax(1, presetsPerBank);
    return shortName(number / perBank, number % perBank);
}

QString longNameOf(int number, int presetsPerBank)
{
    const int perBank = qMax(1, presetsPerBank);
    return longName(number / perBank, number % perBank);
}

} // namespace presets

// The typed readout of the device, set by the dispatcher as answers arrive.
#include "parsing/device_readout.h"

int DeviceReadout::presetNumber() const
{
    if (currentBank < 0 || currentPreset < 0)
        return -1;
    return currentBank * family().presetsPerBank + currentPreset;
}

void DeviceReadout::setDeviceType(int code)
{
    type = code;
    if (const presets::Family known = family(); known.banks != 0) {
        walkBankCount = static_cast<uchar>(known.banks);
        walkPresetCount = static_cast<uchar>(known.presetsPerBank);
    }
    emit identifiedChanged(type);
}

void DeviceReadout::setFirmware(const QString &text)
{
    firmwareText = text;
    emit firmwareRead(firmwareText);
}

void DeviceReadout::setMode(int mode)
{
    currentMode = mode;
    emit modeRead(currentMode);
}

void DeviceReadout::setPosition(int bank, int preset)
{
    currentBank = bank;
    currentPreset = preset;
    emit positionRead(bank, preset);
}

void DeviceReadout::setImpulseName(const QString &name)
{
    impulse = name;
    impulsePresent = true;
    emit impulseNameRead(impulse);
}

void DeviceReadout::setNoImpulse()
{
    impulse = QStringLiteral("empty");
    impulsePresent = false;
    emit impulseNameRead(impulse);
}

void DeviceReadout::setSlots(const QStringList &slotNames, const QStringList &slotFlags)
{
    names = slotNames;
    flags = slotFlags;
    emit slotsRead(names, flags);
}

void DeviceReadout::forget()
{
    type = 0;
    firmwareText.clear();
    currentMode = -1;
    currentBank = -1;
    currentPreset = -1;
    impulse.clear();
    impulsePresent = false;
    names.clear();
    flags.clear();
    emit forgotten();
}

// The moves the panel asks the preset session for, by name.
#include "state/device_state.h"

#include "editing/preset_session.h"
#include "editing/step_code.h"
#include "parsing/device_readout.h"

void DeviceState::stepPreset(bool up)
{
    const int b = readout.bank();
    const int p = readout.preset();
    const bool atEdge = deviceType() != 0 && b >= 0 && p >= 0 && (up ? p == perBank - 1 : p == 0);
    if (!atEdge) {
        session.requestStep(up ? steps::PresetUp : steps::PresetDown);
        return;
    }
    const int total = banks * perBank;
    jumpTo((b * perBank + p + (up ? 1 : total - 1)) % total);
}

void DeviceState::stepBank(bool up)
{
    session.requestStep(up ? steps::BankUp : steps::BankDown);
}

void DeviceState::jumpTo(int number)
{
    if (number >= 0 && number < banks * perBank)
        session.requestJump(static_cast<uchar>(number));
}

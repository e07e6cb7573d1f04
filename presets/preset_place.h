// Where a preset sits on the device, stated once for the whole program: the
// device family (banks × presets and impulse slots by the identification
// answer's type code) and the two written forms of a preset's place, short
// ("2-3", for tiles, the Go field and the command line) and long ("Preset 2-3",
// for messages, toasts, tooltips and file names).
#pragma once

#include <QString>

namespace presets {

struct Family {
    int banks = 0;
    int presetsPerBank = 0;
    int impulseSlots = 0;
    int presetCount() const { return banks * presetsPerBank; }
};

// The family of a device type code: 1 and 4 hold 10 banks of 10 presets and
// 100 impulse slots, 2 and 3 hold 4 banks of 4 and 16 slots. Any other code
// is unknown: banks and presets 0.
Family familyOf(int deviceType);
bool isKnownType(int deviceType);

// The written forms of the preset at `bank`, `preset` (both counted from 0,
// as the device counts them).
QString shortName(int bank, int preset);
QString longName(int bank, int preset);

// The same for preset number `number` (bank * perBank + preset).
QString shortNameOf(int number, int presetsPerBank);
QString longNameOf(int number, int presetsPerBank);

} // namespace presets

// A preset as one argument names it: a number ("23": bank x presets per
// bank + preset) or a place ("2-3": bank 2, preset 3), both counted from 0.
// Its form is checked before the device is reached, its range once the
// device has said how many presets it has.
#pragma once

#include "presets/preset_place.h"

#include <QString>
#include <QVector>

namespace cli {

struct PresetArgument {
    bool valid = false; // the text has one of the two forms
    bool place = false; // given as "bank-preset"
    qint64 number = -1; // as a number (any size)
    int bank = -1;      // as a place
    int preset = -1;

    // The preset number on a device of `family`; -1 when it has no such preset.
    int numberOn(const presets::Family &family) const;
};

PresetArgument parsePresetArgument(const QString &text);
// Why `text` is not a preset argument, as a usage error.
QString notAPreset(const QString &text);

// "Presets go from 0-0 to 9-9 on this device."
QString presetRange(const presets::Family &family);

// "0-9,23" as preset numbers, ascending, without repeats; false when the
// text is not such a list.
bool parsePresetList(const QString &text, QVector<int> *numbers);

} // namespace cli

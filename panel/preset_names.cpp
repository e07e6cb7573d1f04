// The preset's written forms for the panel, taken from presets/preset_place.h.
#include "panel/preset_names.h"

#include "presets/preset_place.h"

#include <QRegularExpression>

QString PresetNames::shortName(int bank, int preset) const
{
    return presets::shortName(bank, preset);
}

QString PresetNames::longName(int bank, int preset) const
{
    return presets::longName(bank, preset);
}

QString PresetNames::shortNameOf(int number, int presetsPerBank) const
{
    return presets::shortNameOf(number, presetsPerBank);
}

QString PresetNames::longNameOf(int number, int presetsPerBank) const
{
    return presets::longNameOf(number, presetsPerBank);
}

int PresetNames::numberOf(const QString &typed, int banks, int presetsPerBank) const
{
    static const QRegularExpression form(QStringLiteral("^\\s*(\\d{1,3})\\s*-\\s*(\\d{1,3})\\s*$"));
    const QRegularExpressionMatch match = form.match(typed);
    if (!match.hasMatch())
        return -1;
    const int bank = match.captured(1).toInt();
    const int preset = match.captured(2).toInt();
    if (bank >= banks || preset >= presetsPerBank)
        return -1;
    return bank * presetsPerBank + preset;
}

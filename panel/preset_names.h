// The written forms of a preset's place for the panel document: short
// ("2-3") and long ("Preset 2-3"), as presets/preset_place.h states them, and
// the reading of a short form typed by the user. Published to the document
// as the context property `_presetNames`, beside the back end's objects (a
// context property, not a registered module: the document then needs no
// import that no package provides).
#pragma once

#include <QObject>
#include <QString>

class PresetNames : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    Q_INVOKABLE QString shortName(int bank, int preset) const;
    Q_INVOKABLE QString longName(int bank, int preset) const;
    // The same for preset number `number` (bank * presetsPerBank + preset).
    Q_INVOKABLE QString shortNameOf(int number, int presetsPerBank) const;
    Q_INVOKABLE QString longNameOf(int number, int presetsPerBank) const;

    // The preset number of a typed short form ("2-3", spaces allowed around
    // the parts) on a device of `banks` × `presetsPerBank`; -1 when the text
    // is not a short form or names a place the device does not have.
    Q_INVOKABLE int numberOf(const QString &typed, int banks, int presetsPerBank) const;
};

// DeviceReadout: what the device has said about itself, typed, as the
// answers arrive: its type and family, firmware, the current bank and
// preset, the impulse the preset plays and the impulse slots. (The preset's
// parameters are the preset session's.) The dispatcher fills it; the objects beside Core read it
// and listen to its signals instead of picking values out of Core's named-value signals.
#pragma once

#include "presets/preset_place.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

class DeviceReadout : public QObject {
    Q_OBJECT

public:
    explicit DeviceReadout(QObject *parent = nullptr) : QObject(parent) {}

    // 0 until the device has said which type it is, and again once it is gone.
    int deviceType() const { return type; }
    bool identified() const { return type != 0; }
    presets::Family family() const { return presets::familyOf(type); }
    // The family walks over every preset follow: the last one identified,
    // 10 × 10 until then, kept when the device goes.
    int walkBanks() const { return walkBankCount; }
    int walkPresetsPerBank() const { return walkPresetCount; }
    QString firmware() const { return firmwareText; }
    // The device's mode as last reported; -1 until then.
    int mode() const { return currentMode; }
    // The current place, -1 until reported.
    int bank() const { return currentBank; }
    int preset() const { return currentPreset; }
    // bank * presets per bank + preset; -1 until reported.
    int presetNumber() const;
    // The name of the impulse the device reported for the current preset
    // ("empty" for none).
    QString impulseName() const { return impulse; }
    // The device named an impulse for the current preset: false after its
    // answer for none (whatever a stored impulse may be called) and until
    // it reported one.
    bool hasImpulse() const { return impulsePresent; }
    QStringList slotNames() const { return names; }
    QStringList slotFlags() const { return flags; }

    // ---- filled by the dispatcher ------------------------------------------
    void setDeviceType(int code);
    void setFirmware(const QString &text);
    void setMode(int mode);
    void setPosition(int bank, int preset);
    void setImpulseName(const QString &name);
    // The answer for no impulse: the name "empty", and hasImpulse() false.
    void setNoImpulse();
    void setSlots(const QStringList &slotNames, const QStringList &slotFlags);
    // The port closed: nothing of this is known any more.
    void forget();

signals:
    // The identification answer came (or, with 0, the device is gone).
    void identifiedChanged(int deviceType);
    void firmwareRead(const QString &firmware);
    void modeRead(int mode);
    void positionRead(int bank, int preset);
    void impulseNameRead(const QString &name);
    void slotsRead(const QStringList &names, const QStringList &flags);
    void forgotten();

private:
    friend struct PartsAccess; // tests set a family up directly

    int type = 0;
    uchar walkBankCount = 10;
    uchar walkPresetCount = 10;
    QString firmwareText;
    int currentMode = -1;
    int currentBank = -1;
    int currentPreset = -1;
    QString impulse;
    bool impulsePresent = false;
    QStringList names;
    QStringList flags;
};

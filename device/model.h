// The virtual device's state: its type, firmware text and mode, the stored
// presets (43-byte status and impulse each), the current bank and preset, and
// the edit buffer of the current preset (live status and previewed impulse).
#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QVector>

namespace vdev {

struct Impulse {
    QByteArray name; // as it arrived on the wire; empty: the slot holds none
    QByteArray wav;  // the stored image: 44-byte header, then the samples

    bool isEmpty() const { return name.isEmpty(); }
};

struct Preset {
    QByteArray status; // kStatusBytes bytes
    Impulse impulse;
};

class DeviceModel {
public:
    // Types 1 and 4: 10 banks of 10 presets; types 2 and 3: 4 banks of 4.
    DeviceModel(int type, const QByteArray &firmware);

    static bool validType(int type) { return type >= 1 && type <= 4; }

    int type() const { return deviceType; }
    QByteArray firmware() const { return firmwareText; }
    int bankCount() const { return banks; }
    int presetCount() const { return presetsPerBank; }
    int slotCount() const { return banks * presetsPerBank; }

    int bank() const { return currentBank; }
    int preset() const { return currentPreset; }
    int current() const { return currentBank * presetsPerBank + currentPreset; }
    int mode() const { return currentMode; }
    void setMode(int mode) { currentMode = mode; }

    const Preset &stored(int index) const { return presets.at(index); }
    const Preset &storedCurrent() const { return presets.at(current()); }

    // Edit buffer.
    QByteArray liveStatus() const { return live; }
    bool hasPreview() const { return !preview.isEmpty(); }
    QByteArray previewSamples() const { return preview; }

    // Moves: each reloads the edit buffer from the stored preset and drops
    // the preview. Steps wrap at both ends; a preset step stays in its bank.
    void select(int index);
    void stepBank(bool up);
    void stepPreset(bool up);

    void setLiveByte(int position, quint8 value) { live[position] = static_cast<char>(value); }
    void setLiveStatus(const QByteArray &status) { live = status; }
    void setPreview(const QByteArray &samples) { preview = samples; }
    void dropPreview() { preview.clear(); }
    // Edit buffer back to the stored preset, preview dropped.
    void revert();
    // Live status becomes the stored status (the preview keeps playing).
    void storeStatus();
    // The current preset's impulse is replaced or removed; either way it is
    // what plays from now on, so the preview is dropped.
    void storeImpulse(const Impulse &impulse);
    void removeImpulse();

    // Varied, plausible presets and impulses for every slot.
    void loadFactory();

    QJsonObject toJson() const;
    // Replaces presets, position and mode from `json`; on failure leaves the
    // model untouched and returns what is wrong.
    QString fromJson(const QJsonObject &json);

private:
    int deviceType;
    QByteArray firmwareText;
    int banks;
    int presetsPerBank;
    int currentBank = 0;
    int currentPreset = 0;
    int currentMode = 0;
    QVector<Preset> presets;
    QByteArray live;
    QByteArray preview;
};

} // namespace vdev

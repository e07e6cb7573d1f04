// The file the librarian keeps presets in: a whole device's backup, or one
// preset to share. JSON, with a format name and version, the device it came
// from, and per preset its position, the status text, every parameter by its
// value name, and the impulse (its name and its WAV image as base64).
//
// Reading checks the whole file before anything uses it; writing goes to a
// checked destination (library/destination.h), so a file is either whole or
// left as it was, and "-" is standard output.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QVector>

namespace library {

inline const QString formatName = QStringLiteral("vortaxa-presets");
constexpr int formatVersion = 1;
constexpr qint64 maxFileBytes = 16 * 1024 * 1024; // a full backup is about 5 MB at most

struct PresetEntry {
    int bank = 0;            // from 0
    int preset = 0;          // in the bank, from 0
    QByteArray status;       // 86 lowercase hex digits
    QByteArray impulseName;  // as the device reported it (UTF-8); empty with no impulse
    QByteArray impulseImage; // the WAV image; empty: the preset has no impulse

    bool hasImpulse() const { return !impulseImage.isEmpty(); }
};

struct PresetFile {
    int deviceType = 0;
    int banks = 0;
    int presetsPerBank = 0;
    QString firmware;
    QDateTime created;
    QVector<PresetEntry> presets;

    int number(const PresetEntry &entry) const
    {
        return entry.bank * presetsPerBank + entry.preset;
    }
};

// Banks and presets per bank of a device type; false for an unknown type.
bool familyOf(int deviceType, int *banks, int *presetsPerBank);

QByteArray toJson(const PresetFile &file);

// Checks everything: the format and version, the device, and for every
// preset its position, its status text, its parameters (they must agree with
// the status text) and its impulse (a name and an image the device stores).
// On failure returns false with the reason as a whole sentence in plain words
// ("This file is empty.", "Preset 2-3 in this file is damaged (...).").
bool fromJson(const QByteArray &json, PresetFile *file, QString *error);

bool readFile(const QString &path, PresetFile *file, QString *error);
bool writeFile(const QString &path, const PresetFile &file, QString *error);

} // namespace library

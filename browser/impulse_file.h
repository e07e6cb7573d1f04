// One impulse file made ready for the device: read it, decide whether Core
// can take it as it is, otherwise convert it, and write the converted file.
// Functions over files and buffers; the QObject that uses them is Impulses.
#pragma once

#include "audio/audio_file.h"
#include "audio/device_impulse.h"

#include <QString>

struct PreparedImpulse {
    QString error; // why the file cannot be used, for the user; empty when it can
    audio::SourceInfo info;
    bool converted = false;       // false: Core takes the file as it is
    audio::DeviceImpulse impulse; // what the device plays

    double keptMs() const { return impulse.samples.size() * 1000.0 / audio::deviceRate; }
};

// Reads `path` and works out what the device gets of it.
PreparedImpulse prepareImpulse(const QString &path, const audio::ConvertOptions &options);

// What a list of files shows of one, without converting it: whether it can
// be used (and why not), what it is, and whether a load converts it. Safe
// to run on a worker thread.
struct ImpulseSummary {
    QString error; // as PreparedImpulse::error
    audio::SourceInfo info;
    bool converted = false;
};
ImpulseSummary summariseImpulse(const QString &path);

// Writes the converted impulse of `source` into `folder` as a 48 kHz, 24-bit,
// mono WAV file named after the source's base name (the name the device is
// told). Returns its path, or an empty string with `error` set.
QString writeDeviceFile(const QString &folder, const QString &source,
                        const PreparedImpulse &prepared, QString &error);

// The file the preset session is handed for `source`: the file itself when
// the device takes it as it is, else its converted copy written into the
// cache's impulse folder. Empty with `error` set when that cannot be written.
QString deviceFileFor(const QString &source, const PreparedImpulse &prepared, QString &error);

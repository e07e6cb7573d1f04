// A full-size impulse file for the benchmarks: 24-bit mono 48 kHz, exactly
// 32044 bytes, in a temporary folder that goes away with it.
#pragma once

#include "support/wav_writer.h"

#include <QTemporaryDir>

struct FullSizeFile {
    QTemporaryDir dir;
    QString path = dir.filePath("Full Cab.wav");
    FullSizeFile()
    {
        writeFile(path, wavFile({1, 1, 48000, 24, false, {}, patternSamples(32000, 1, 1)}));
    }
};

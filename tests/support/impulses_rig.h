// `_impulses` on a Core whose port is a pty playing the device, with every
// signal of both recorded; the port timer is held, so only what a test
// causes reaches the device.
#pragma once

#include "browser/impulses.h"
#include "support/core_rig.h"

struct ImpulsesRig : CoreRig {
    Impulses impulses{core.deviceLink(), core.presetSession(), core.settingsStore()};
    SignalRecorder events{&impulses}; // the core's own signals are in `rec`

    explicit ImpulsesRig(bool connected = true)
    {
        if (connected)
            QVERIFY(open());
        a.queue() = {"gs\r\n"}; // what was waiting before a load
        rec.clear();
    }

    // The 24-bit samples of the next preview the device receives.
    QByteArray previewSamples() { return QByteArray::fromHex(pty.read(5912).mid(7, 5904)); }
};

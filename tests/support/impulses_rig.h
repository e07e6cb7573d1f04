// `_impulses` on a Core whose port is a pty playing the device, with every
// signal of both recorded; the port timer is held, so only what a test
// causes reaches the device.
#pragma once

#include "browser/impulses.h"
#include "support/core_access.h"
#include "support/pty.h"
#include "support/signal_recorder.h"

#include <QtTest>

struct ImpulsesRig {
    Pty pty; // before Core: the port closes first
    Core core;
    CoreAccess a{core};
    Impulses impulses{core};
    SignalRecorder coreSignals{&core};
    SignalRecorder events{&impulses};

    explicit ImpulsesRig(bool connected = true)
    {
        a.holdTimer();
        if (connected)
            QVERIFY(core.openPort(pty.slavePath()));
        a.queue() = {"gs\r\n"}; // what was waiting before a load
        coreSignals.clear();
    }

    // The 24-bit samples of the next preview the device receives.
    QByteArray previewSamples() { return QByteArray::fromHex(pty.read(5912).mid(7, 5904)); }
};

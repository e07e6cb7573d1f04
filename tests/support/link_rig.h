// LinkRig: the device's parts (DeviceParts: the link, readout, session and
// dispatcher) on the in-process device, wired to a connection's start and
// loss as the program wires them, with the link's clock sped up so that
// answer waits and paced pieces take a fraction of real time. The port timer
// runs: tests drive the link through its public face and wait for what the
// device received, the link's signals and its public state.
#pragma once

#include "core/device_parts.h"
#include "link/link.h"
#include "support/in_process_device.h"
#include "support/signal_recorder.h"

#include <QByteArray>
#include <QList>
#include <functional>

struct LinkRig {
    // The clock `speedUp` times faster than real time.
    explicit LinkRig(int speedUp = 20);

    InProcessDevice &device;
    DeviceParts parts;
    Link &link;
    SignalRecorder rec{&link}; // every signal of the link since the rig was made (or cleared)

    // Opens the link on the device; `burst`: the start-up requests are
    // queued, as a program does on an open.
    bool open(bool burst = true);
    // Opens and lets the start-up burst run to its end; the device's log is
    // then cleared.
    bool openIdle();

    // Queues `requests` and starts sending (the head goes out at once).
    void queue(const QList<QByteArray> &requests);
    // Runs the event loop until `condition` holds (false after `timeoutMs`).
    static bool waitFor(const std::function<bool()> &condition, int timeoutMs = 3000);
    // Runs the event loop until the link has gone idle with an empty queue.
    bool waitIdle(int timeoutMs = 3000);
};

// The first line of each request ("gs", "cc s 1"), as the device logs them.
QList<QByteArray> firstLines(const QList<QByteArray> &requests);

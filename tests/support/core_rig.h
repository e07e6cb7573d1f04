// CoreRig: the program's Core on the in-process device, with the link's
// clock sped up. The port timer runs as in the program: a test calls Core
// (or the parts it publishes) and waits for what the device received, the
// device's model, Core's signals and the parts' public queries.
//
// CoreRigTest gives every test function of a test object a fresh rig.
#pragma once

#include "core/core.h"
#include "editing/preset_session.h"
#include "link/link.h"
#include "parsing/device_readout.h"
#include "support/in_process_device.h"
#include "support/link_rig.h"
#include "support/signal_recorder.h"

#include <QObject>
#include <QStringList>
#include <QtTest>
#include <functional>
#include <memory>

struct CoreRig {
    // A device of `type` (1 to 4); the clock `speedUp` times faster than
    // real time.
    explicit CoreRig(int type = 1, int speedUp = 20);

    InProcessDevice &device; // the link owns it
    Core core;
    Link &link;
    PresetSession &session;
    DeviceReadout &readout;
    SignalRecorder rec{&core};     // every signal of Core since the rig was made (or cleared)
    SignalRecorder linkRec{&link}; // and of its link

    // Opens the port on the device: the start-up reading is queued and runs.
    bool open();
    // Opens, lets the start-up reading and the learning of the stored preset
    // run to their end, then clears the device's log and the recordings.
    bool openIdle();
    // Runs the event loop until the link has gone idle with an empty queue.
    bool waitIdle(int timeoutMs = 3000);
    // Runs the event loop until `condition` holds (false after `timeoutMs`).
    static bool waitFor(const std::function<bool()> &condition, int timeoutMs = 3000);
    // The first line of every request the device received, in order.
    QList<QByteArray> requests() const;
    // The port is lost: the device vanishes and the link closes on its error.
    void losePort() { device.vanish(); }
};

// A test object whose every test function starts from a fresh rig, set up by
// setUp (by default opened and idle) and gone after the function.
class CoreRigTest : public QObject {
    Q_OBJECT

protected:
    std::unique_ptr<CoreRig> rig;
    virtual bool setUp() { return rig->openIdle(); }

private slots:
    void init()
    {
        rig = std::make_unique<CoreRig>();
        QVERIFY(setUp());
    }
    void cleanup() { rig.reset(); }
};

// The recorded lines without the pacing step's own signals.
QStringList withoutPacing(const SignalRecorder &rec);

// An 86-character status text whose byte i is i + 0x10, so that every
// position, and the cabinet switch at characters 16 and 17, is recognisable.
QByteArray sampleStatus();

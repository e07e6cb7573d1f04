// The old test rig for Core on a pseudo-terminal (being replaced by
// CoreRig on the in-process device): the program's real Core
// opens the slave end as its device port, the test holds the master and
// plays the device. The port timer is held from the start, so nothing but
// what the test does (and the answers it plays) drives a pacing step.
//
// PtyCoreRigTest gives every test function of a test object a fresh rig.
#pragma once

#include "support/core_access.h"
#include "support/core_rig.h"
#include "support/pty.h"
#include "support/signal_recorder.h"

#include <QObject>
#include <QStringList>
#include <QtTest>
#include <memory>

struct PtyCoreRig {
    Pty pty; // declared first: outlives the port (see Pty)
    Core core;
    CoreAccess a{core};
    SignalRecorder rec{&core}; // every signal since the rig was made (or cleared)

    PtyCoreRig() { a.holdTimer(); }

    // Opens the port on the pty. The start-up burst is queued, nothing sent.
    bool open() { return pty.isValid() && core.openPort(pty.slavePath()); }

    // Opens the port and leaves a quiet, idle link. answerReceived starts at
    // 1, as after an answered command, so re-sends never hit the retry limit.
    bool openIdle();

    // Everything the program wrote: at least `atLeast` bytes, then whatever
    // else comes within a short grace period.
    QByteArray wire(int atLeast = 0);

    // What the dispatcher does when an answer completes: retire the head and
    // run a pacing step.
    void answerHead();
    // The same without the pacing step, for a test that runs it itself.
    void releaseHead();

    // Plays device bytes and waits until the queue has `left` entries.
    bool answer(const QByteArray &bytes, int left);
};

// A test object whose every test function starts from a fresh rig, set up by
// setUp (by default an idle link) and gone after the function.
class PtyCoreRigTest : public QObject {
    Q_OBJECT

protected:
    std::unique_ptr<PtyCoreRig> rig;
    virtual bool setUp() { return rig->openIdle(); }

private slots:
    void init()
    {
        rig = std::make_unique<PtyCoreRig>();
        QVERIFY(setUp());
    }
    void cleanup() { rig.reset(); }
};

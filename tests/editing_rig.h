// Shared set-up for the editing tests: a Core with its port open on a pty,
// the port timer held so the test runs every pacing step itself, and the
// queue emptied of the start-up burst.
#pragma once

#include "support/core_access.h"
#include "support/pty.h"
#include "support/signal_recorder.h"

#include <QtTest>

struct EditingRig {
    Pty pty; // outlives the port: see Pty
    Core core;
    CoreAccess a{core};

    // Opens the port and leaves a quiet, idle link. answerReceived starts at
    // 1, as after an answered command, so re-sends never hit the retry limit.
    bool open()
    {
        a.holdTimer();
        if (!pty.isValid() || !core.openPort(pty.slavePath()))
            return false;
        a.queue().clear();
        a.commandTotal() = 0;
        a.answerReceived() = 1;
        return true;
    }

    // What the dispatcher does when an answer completes: retire the head and
    // run a pacing step.
    void answerHead()
    {
        if (!a.queue().isEmpty())
            a.queue().removeFirst();
        a.answerReceived() = 1;
        core.slTimer();
    }

    // Everything the program wrote to the device within `ms`.
    QByteArray wire(int ms = 50) { return pty.drainFor(ms); }
};

// The signals the pacing step emits when it sends a head.
inline bool isPacingSignal(const Emission &e)
{
    if (e.signal == "sgSetProgress" || e.signal == "sgSetWait" || e.signal == "sgEndCommands")
        return true;
    return e.signal == "sgReadValue" && e.args.value(0).toString() == QLatin1String("wait");
}

// The recorded lines without the pacing step's own signals.
inline QStringList withoutPacing(const SignalRecorder &rec)
{
    QStringList lines;
    const QStringList all = rec.lines();
    for (int i = 0; i < rec.all().size(); ++i) {
        if (!isPacingSignal(rec.all().at(i)))
            lines.append(all.at(i));
    }
    return lines;
}

// An 86-character status text whose byte i is i + 0x10, so that every
// position, and the cabinet switch at characters 16 and 17, is recognisable.
inline QByteArray sampleStatus()
{
    QByteArray text;
    for (int i = 0; i < 43; ++i)
        text += QByteArray::number(i + 0x10, 16);
    return text;
}

// `_impulses` on a Core connected to the in-process device, with every
// signal of both recorded (the core's own in `rec`).
#pragma once

#include "browser/impulses.h"
#include "support/core_rig.h"

struct ImpulsesRig : CoreRig {
    Impulses impulses{core.deviceLink(), core.presetSession(), core.settingsStore()};
    SignalRecorder events{&impulses};

    explicit ImpulsesRig(bool connected = true)
    {
        if (connected)
            QVERIFY(openIdle());
        rec.clear();
    }

    // The next impulse preview the device receives, as it arrived ("cc s 1\r
    // <hex>\r"); empty if none comes.
    QByteArray nextPreview(int timeoutMs = 3000)
    {
        QByteArray found;
        waitFor(
            [&] {
                const QList<QByteArray> raw = device.rawRequests();
                for (int i = previewsSeen; i < raw.size(); ++i) {
                    ++previewsSeen;
                    if (raw.at(i).startsWith("cc s 1\r")) {
                        found = raw.at(i);
                        return true;
                    }
                }
                return false;
            },
            timeoutMs);
        return found;
    }
    // The 24-bit samples of the next preview the device receives.
    QByteArray previewSamples() { return QByteArray::fromHex(nextPreview().mid(7, 5904)); }

    // The file the current preset plays, as the session keeps it; empty
    // when no file is pending.
    QString pendingFilePath() const
    {
        const PendingImpulse &pending = session.pendingImpulse();
        return pending.source() == PendingImpulse::Source::File ? pending.path() : QString();
    }

private:
    int previewsSeen = 0; // raw requests looked at by nextPreview
};

// Compare with the stored preset, revert, and copy and paste whole presets.
//
// These work by queuing device commands. What compare and copy keep of the
// device's answers, and when that is valid, is KeptBlocks' (`kept`); the
// impulse a paste brings is the pending impulse's (`pendingImpulse`).
#include "editing/preset_session.h"
#include "link/link.h"
#include "link/requests.h"

#include <QDebug>

void PresetSession::revert()
{
    link.drain();
    emit replaced();
    // The device goes back to the stored preset and drops any preview, so
    // an impulse tried or pasted here is no longer pending: a later save
    // must not store it (or delete the stored one for a pasted "none").
    pending.drop();
    kept.forgetCompared();
    markEdited(false);
    editable = 1;
    emit editableShown(true);
    emit editableReported(true);
    emit comparingChanged(false);
    link.send(requests::revert);
    link.send(requests::status);
    link.send(requests::impulseName);
    link.pacingStep();
}

void PresetSession::revertImpulse()
{
    link.drain();
    // The device goes back to the preset's stored impulse: the one tried or
    // pasted here is forgotten, and with it the preset's change when it was
    // the only one.
    const bool onlyChange = pending.onlyChange();
    pending.drop();
    if (onlyChange)
        markEdited(false);
    link.send(requests::revertImpulse);
    link.send(requests::impulseName);
    link.pacingStep();
}

void PresetSession::copy()
{
    // A file loaded for the preset goes with the copy: the device would
    // report the impulse it has stored instead.
    const bool file = pending.source() == PendingImpulse::Source::File;
    kept.startCopy(file ? QString::fromUtf8(pending.name()) : QString(),
                   file ? pending.path() : QString());
    link.send(requests::status);
    link.send(requests::readImpulse);
    link.startSending();
}

// Tells the interface which impulse the current preset now plays.
void PresetSession::announceImpulseName(const QString &name)
{
    emit impulseAnnounced(name);
    emit impulseShown(name);
}

void PresetSession::pasteCopy()
{
    const QString refusal = kept.pasteRefusal();
    if (!refusal.isEmpty()) {
        qDebug() << "slPaste"
                 << "refused:" << refusal;
        emit pasteRefused(refusal);
        return;
    }

    using Source = PendingImpulse::Source;
    pending.paste(kept.copiedFileName(), kept.copiedFilePath(), kept.copiedImpulseName(),
                  kept.copiedImpulseImage());
    announcePendingImpulse();
    const bool none = pending.source() == Source::None;
    if (none) // a unit impulse with the cabinet switched off
        kept.switchCabinetOff();
    link.send(requests::writeStatus(kept.copiedStatus()));
    link.send(requests::status);
    previewPendingImpulse();
    if (none)
        link.send(requests::cabinetOff);
    if (pending.source() != Source::File) // a file's preview has started sending
        link.startSending();

    emit replaced();
    markEdited(true);
}

void PresetSession::compare()
{
    link.drain();
    if (editable == 1) {
        // Keep the edited state (first status answer), then show the stored one.
        kept.startCompare();
        link.send(requests::status);
        link.send(requests::revert);
        link.send(requests::impulseName);
    } else if (pending.pasted() && kept.compared().isEmpty()) {
        pasteCopy(); // the edit was a paste and nothing was kept: paste it again
    } else {
        // The kept edited state goes back whole: after a paste it holds the
        // pasted status together with every edit made on top of it, which
        // pasting again would throw away.
        const QByteArray edited = kept.compared();
        if (!edited.isEmpty()) {
            link.send(requests::writeStatus(edited));
        } else {
            qDebug() << "slCompare"
                     << "no complete edited status kept, not written back";
        }
        // The impulse tried or pasted plays again.
        if (pending.pasted()) {
            announcePendingImpulse();
            previewPendingImpulse();
        } else if (pending.source() == PendingImpulse::Source::File) {
            previewPendingImpulse();
            announcePendingImpulse();
        }
    }
    link.send(requests::status);
    editable = editable ? 0 : 1; // published by the read-back status answer
    link.pacingStep();
}

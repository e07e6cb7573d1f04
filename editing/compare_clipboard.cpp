// Compare with the stored preset, revert, and copy and paste whole presets.
//
// These work by queuing device commands. What compare and copy keep of the
// device's answers, and when that is valid, is KeptBlocks' (`kept`); the
// impulse a paste brings is the pending impulse's (`pendingImpulse`).
#include "core/core.h"
#include "editing/preset_session.h"
#include "link/link.h"
#include "link/requests.h"

#include <QDebug>

void Core::slEsc()
{
    link->drain();
    emit session->replaced();
    // The device goes back to the stored preset and drops any preview, so
    // an impulse tried or pasted here is no longer pending: a later save
    // must not store it (or delete the stored one for a pasted "none").
    session->pending.drop();
    session->kept.forgetCompared();
    setPresetEdited(false);
    session->editable = 1;
    emit sgSetEnabled(true);
    emit sgReadValue(QStringLiteral("editable"), 1);
    link->send(requests::revert);
    link->send(requests::status);
    link->send(requests::impulseName);
    link->pacingStep();
}

void Core::slEscImpuls()
{
    link->drain();
    // The device goes back to the preset's stored impulse: the one tried or
    // pasted here is forgotten, and with it the preset's change when it was
    // the only one.
    const bool onlyChange = session->pending.onlyChange();
    session->pending.drop();
    if (onlyChange)
        setPresetEdited(false);
    link->send(requests::revertImpulse);
    link->send(requests::impulseName);
    link->pacingStep();
}

void Core::slCopy()
{
    // A file loaded for the preset goes with the copy: the device would
    // report the impulse it has stored instead.
    const bool file = session->pending.source() == PendingImpulse::Source::File;
    session->kept.startCopy(file ? QString::fromUtf8(session->pending.name()) : QString(),
                            file ? session->pending.path() : QString());
    link->send(requests::status);
    link->send(requests::readImpulse);
    link->startSending();
}

// Tells the interface which impulse the current preset now plays.
void Core::announceImpulseName(const QString &name)
{
    emit sgSetImpulsName(name);
    emit sgReadText(QStringLiteral("impulse_name"), name);
    emit session->impulseShown(name);
}

void Core::slPaste()
{
    const QString refusal = session->kept.pasteRefusal();
    if (!refusal.isEmpty()) {
        qDebug() << "slPaste"
                 << "refused:" << refusal;
        emit sgReadText(QStringLiteral("paste_refused"), refusal);
        return;
    }

    using Source = PendingImpulse::Source;
    session->pending.paste(session->kept.copiedFileName(), session->kept.copiedFilePath(),
                           session->kept.copiedImpulseName(), session->kept.copiedImpulseImage());
    announcePendingImpulse();
    const bool none = session->pending.source() == Source::None;
    if (none) // a unit impulse with the cabinet switched off
        session->kept.switchCabinetOff();
    link->send(requests::writeStatus(session->kept.copiedStatus()));
    link->send(requests::status);
    previewPendingImpulse();
    if (none)
        link->send(requests::cabinetOff);
    if (session->pending.source() != Source::File) // a file's preview has started sending
        link->startSending();

    emit session->replaced();
    setPresetEdited(true);
}

void Core::slCompare()
{
    link->drain();
    if (session->editable == 1) {
        // Keep the edited state (first status answer), then show the stored one.
        session->kept.startCompare();
        link->send(requests::status);
        link->send(requests::revert);
        link->send(requests::impulseName);
    } else if (session->pending.pasted() && session->kept.compared().isEmpty()) {
        slPaste(); // the edit was a paste and nothing was kept: paste it again
    } else {
        // The kept edited state goes back whole: after a paste it holds the
        // pasted status together with every edit made on top of it, which
        // pasting again would throw away.
        const QByteArray edited = session->kept.compared();
        if (!edited.isEmpty()) {
            link->send(requests::writeStatus(edited));
        } else {
            qDebug() << "slCompare"
                     << "no complete edited status kept, not written back";
        }
        // The impulse tried or pasted plays again.
        if (session->pending.pasted()) {
            announcePendingImpulse();
            previewPendingImpulse();
        } else if (session->pending.source() == PendingImpulse::Source::File) {
            previewPendingImpulse();
            announcePendingImpulse();
        }
    }
    link->send(requests::status);
    session->editable = session->editable ? 0 : 1; // published by the read-back status answer
    link->pacingStep();
}

// Saving the current preset with the impulse it must carry, then letting a
// move that waited for the save happen once the device has answered.
#include "editing/preset_session.h"
#include "link/link.h"
#include "link/requests.h"

#include <QDebug>

void PresetSession::saveThenStep(uchar upDown)
{
    pendingUpDown = upDown;
    saveSequence();
}

void PresetSession::saveThenJump(uchar preset)
{
    pendingPreset = static_cast<signed char>(preset); // 128 to 255: no jump
    saveSequence();
}

void PresetSession::saveSequence()
{
    link.drain();
    beginSave();
    pending.saveStarted();
    // While compare shows the stored version the edits live only in the
    // block the compare press on show kept: they go back to the device
    // first, so that what is stored is the edited preset the user was asked
    // about. Without that block the device's current state is stored.
    const QByteArray edited = editable == 0 ? kept.compared() : QByteArray();
    kept.forgetCompared();
    if (!edited.isEmpty())
        link.send(requests::writeStatus(edited));
    markEdited(false);

    // The impulse goes with the preset; it stays pending until the device
    // has acknowledged the preset's store, so a save given up on keeps it.
    using Source = PendingImpulse::Source;
    const Source source = pending.source();
    if (source == Source::File && pending.pasted()) {
        // A pasted preset with a pending file: store that file with it.
        qDebug() << "save1" << pending.path();
        decodeWav(pending.path(), true);
        link.send(requests::storePreset);
        link.send(requests::impulseName);
    } else if (source == Source::File) {
        // A file loaded for this preset and so far only previewed.
        emit waitShown(true);
        qDebug() << "save3" << pending.path();
        qDebug() << "file" << QString::fromUtf8(pending.name());
        decodeWav(pending.path(), true);
        emit waitReported(true);
    } else if (source == Source::Stored) {
        link.send(requests::storePreset);
        link.send(requests::impulseName);
        link.send(requests::status);
        link.pacingStep();
        qDebug() << "save4";
    } else {
        // A pasted preset: the impulse the device reported goes back as it
        // was received; for one without impulse the stored one is deleted.
        if (source == Source::Copied)
            qDebug() << "save2" << pending.name();
        link.send(pending.storeCommand());
        pending.storeQueued();
        link.send(requests::storePreset);
        link.send(requests::impulseName);
        link.pacingStep();
    }

    // A file that could not be decoded queued no store: the save ends here.
    if (!link.queueContains(requests::storePreset))
        endSave(false);

    editable = 1;
    emit editableShown(true);
    emit editableReported(true);
    emit comparingChanged(false);
}

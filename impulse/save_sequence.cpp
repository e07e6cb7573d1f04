// Saving the current preset with the impulse it must carry, then letting a
// move that waited for the save happen once the device has answered.
#include "core/core.h"
#include "link/requests.h"
#include "parsing/status_layout.h"

#include <QDebug>

void Core::slSaveUpDown(uchar upDown)
{
    pendingUpDown = upDown;
    saveSequence();
}

void Core::saveChangeSequence(uchar preset)
{
    pendingPreset = static_cast<signed char>(preset); // 128 to 255: no jump
    saveSequence();
}

void Core::saveSequence()
{
    drain();
    // While compare shows the stored version the edits live only in the
    // kept reference: they go back to the device first, so that what is
    // stored is the edited preset the user was asked about.
    if (editable == 0 && compareStatus.size() == status::byteCount * 2)
        send(requests::writeStatus(compareStatus));
    setPresetEdited(false);

    if (impulseDirty && !copyImpulseFileName.isEmpty()) {
        // A pasted preset with a pending file: store that file with it. The
        // flag stays, so saving again sends the file again.
        qDebug() << "save1" << copyImpulsePath;
        decodeWav(copyImpulsePath, true);
        send(requests::storePreset);
        send(requests::impulseName);
    } else if (impulseDirty && !copyImpulseName.isEmpty()) {
        // A pasted preset whose impulse the device reported: give it back as
        // it was received.
        qDebug() << "save2" << copyImpulseName;
        send(requests::storeImpulse(copyImpulseName, copyImpulseData));
        send(requests::storePreset);
        send(requests::impulseName);
        slTimer();
        impulseDirty = 0;
    } else if (impulseDirty) {
        // A pasted preset without any impulse.
        send(requests::deleteImpulse);
        send(requests::storePreset);
        send(requests::impulseName);
        slTimer();
        impulseDirty = 0;
    } else if (!impulsePath.isEmpty()) {
        // A file chosen for this preset and so far only previewed.
        emit sgSetWait(true);
        qDebug() << "save3" << impulsePath;
        qDebug() << "file" << impulseName;
        decodeWav(impulsePath, true);
        emit sgReadValue(QStringLiteral("wait"), 1);
    } else {
        send(requests::storePreset);
        send(requests::impulseName);
        send(requests::status);
        slTimer();
        qDebug() << "save4";
    }

    editable = 1;
    emit sgSetEnabled(true);
    emit sgReadValue(QStringLiteral("editable"), 1);
}

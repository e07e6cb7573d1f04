// Compare with the stored preset, revert, and copy and paste whole presets.
//
// These work by queuing device commands and by capture flags that tell the
// dispatcher which status block or impulse answer to keep (compareStatus,
// copyStatus, copyImpulseName / copyImpulseData).
#include "core/core.h"
#include "core/core_seam.h"
#include "link/requests.h"
#include "parsing/status_layout.h"

#include <QDebug>

namespace {

// Status byte 8 ("cabinet_enable") in the status text.
constexpr int cabinetEnableChar = 16;

// Anything short of a whole status text (an empty clipboard, a capture that
// never came) would overwrite the current preset with garbage.
bool isCompleteStatusText(const QByteArray &text)
{
    return status::isStatusText(text);
}

} // namespace

void Core::slEsc()
{
    drain();
    emit seam->presetReplaced();
    // The device goes back to the stored preset and drops any preview, so
    // an impulse tried or pasted here is no longer pending: a later save
    // must not store it (or delete the stored one for a pasted "none").
    impulseName.clear();
    impulsePath.clear();
    impulseDirty = 0;
    setPresetEdited(false);
    editable = 1;
    emit sgSetEnabled(true);
    emit sgReadValue(QStringLiteral("editable"), 1);
    send(requests::revert);
    send(requests::status);
    send(requests::impulseName);
    slTimer();
}

void Core::slEscImpuls()
{
    drain();
    impulseName.clear();
    impulsePath.clear();
    send(requests::revertImpulse); // back to the preset's stored impulse
    send(requests::impulseName);
    slTimer();
}

void Core::slCopy()
{
    copyStatusPending = 1;
    copyImpulsePending = 1;
    copyImpulseFileName = impulseName;
    copyImpulsePath = impulsePath;
    send(requests::status);
    send(requests::readImpulse);
    startSending();
}

// Tells the interface which impulse the current preset now plays.
void Core::announceImpulseName(const QString &name)
{
    emit sgSetImpulsName(name);
    emit sgReadText(QStringLiteral("impulse_name"), name);
}

// The impulse name the device reported for the copied preset, as shown.
QString Core::copiedDeviceImpulseName() const
{
    const int end = copyImpulseName.indexOf('\0');
    return QString::fromUtf8(end < 0 ? copyImpulseName : copyImpulseName.left(end));
}

// The preview of the impulse the device reported: its samples, header dropped.
QByteArray Core::copiedDeviceImpulsePreview() const
{
    return requests::previewImpulse(
        copyImpulseData.mid(requests::wavHeaderHexDigits).left(requests::previewHexDigits));
}

void Core::slPaste()
{
    if (copyStatusPending) {
        qDebug() << "slPaste"
                 << "refused: the copied status has not arrived";
        return;
    }
    if (!isCompleteStatusText(copyStatus)) {
        qDebug() << "slPaste"
                 << "refused: no complete status block to paste" << copyStatus.size();
        return;
    }

    if (!copyImpulseFileName.isEmpty()) {
        // The copied preset had a file chosen here: preview that file again.
        announceImpulseName(copyImpulseFileName);
        send(requests::writeStatus(copyStatus));
        send(requests::status);
        decodeWav(copyImpulsePath, false); // queues the preview and starts sending
    } else if (!copyImpulseName.isEmpty()) {
        // The device reported an impulse: preview its samples.
        announceImpulseName(copiedDeviceImpulseName());
        send(requests::writeStatus(copyStatus));
        send(requests::status);
        send(copiedDeviceImpulsePreview());
        startSending();
    } else {
        // No impulse anywhere: a unit impulse with the cabinet switched off.
        announceImpulseName(QStringLiteral("empty"));
        copyStatus.replace(cabinetEnableChar, 2, "00");
        send(requests::writeStatus(copyStatus));
        send(requests::status);
        send(requests::previewImpulse(requests::unitImpulseSamples()));
        send(requests::cabinetOff);
        startSending();
    }

    emit seam->presetReplaced();
    impulseDirty = 1;
    setPresetEdited(true);
}

void Core::slCompare()
{
    drain();
    if (editable == 1) {
        // Keep the edited state (first status answer), then show the stored one.
        compareArm = 1;
        send(requests::status);
        send(requests::revert);
        send(requests::impulseName);
    } else if (impulseDirty && !isCompleteStatusText(compareStatus)) {
        slPaste(); // the edit was a paste and nothing was kept: paste it again
    } else {
        // The kept edited state goes back whole: after a paste it holds the
        // pasted status together with every edit made on top of it, which
        // pasting again would throw away.
        if (isCompleteStatusText(compareStatus)) {
            send(requests::writeStatus(compareStatus));
        } else {
            qDebug() << "slCompare"
                     << "no complete edited status kept, not written back" << compareStatus.size();
        }
        if (impulseDirty) {
            // The pasted preset's impulse plays again, as the paste sent it.
            if (!copyImpulseFileName.isEmpty()) {
                announceImpulseName(copyImpulseFileName);
                decodeWav(copyImpulsePath, false);
            } else if (!copyImpulseName.isEmpty()) {
                announceImpulseName(copiedDeviceImpulseName());
                send(copiedDeviceImpulsePreview());
            } else {
                announceImpulseName(QStringLiteral("empty"));
                send(requests::previewImpulse(requests::unitImpulseSamples()));
            }
        } else if (!impulseName.isEmpty()) {
            decodeWav(impulsePath, false);
            announceImpulseName(impulseName);
        }
    }
    send(requests::status);
    editable = editable ? 0 : 1; // published by the read-back status answer
    slTimer();
}

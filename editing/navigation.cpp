// Moving between banks and presets, with the save-or-discard question.
//
// A move asked for while the preset has unsaved edits is handed back to the
// interface (stage 1); otherwise it waits in pendingUpDown / pendingPreset
// until the queue drains, and the pacing step's idle branch carries it out.
// Every move replaces the queue with its command and a fixed read-back.
#include "core/core.h"
#include "core/core_seam.h"
#include "link/requests.h"

void Core::requestUpDown(uchar code)
{
    if (presetEdit) {
        emit sgPresetUpDownStage1(code);
        return;
    }
    pendingUpDown = code; // a newer request replaces an older one
    slTimer();
}

void Core::requestPresetChange(uchar preset)
{
    if (presetEdit) {
        emit sgPresetChangeStage1(preset);
        return;
    }
    // Held signed: 128 and above read as "none" and are never carried out.
    pendingPreset = static_cast<signed char>(preset);
    slTimer();
}

void Core::runUpDown(uchar code)
{
    switch (code) {
    case 1:
        bankStep(0);
        break;
    case 2:
        bankStep(1);
        break;
    case 3:
        presetStep(0);
        break;
    case 4:
        presetStep(1);
        break;
    default:
        break; // not a step: nothing is touched
    }
}

namespace {
// The read-back after every move: position, status, impulse name.
const QByteArray readBack[] = {requests::bankAndPreset, requests::status, requests::impulseName};
} // namespace

void Core::bankStep(uchar direction)
{
    emit seam->presetReplaced();
    impulseName.clear();
    impulsePath.clear();
    editable = 1; // published by the status read-back
    commandQueue.clear();
    // direction 0 is up; the device takes 1 for up.
    send(requests::bankStep(direction ^ 1));
    for (const QByteArray &request : readBack)
        send(request);
    impulseDirty = 0;
    slTimer();
}

void Core::presetStep(uchar direction)
{
    emit seam->presetReplaced();
    impulseName.clear();
    impulsePath.clear();
    editable = 1;
    commandQueue.clear();
    send(requests::presetStep(direction ^ 1));
    for (const QByteArray &request : readBack)
        send(request);
    impulseDirty = 0;
    slTimer();
}

void Core::selectPreset(uchar preset)
{
    emit seam->presetReplaced();
    impulseName.clear();
    impulsePath.clear();
    editable = 1;
    presetEdit = 0;
    emit sgReadValue(QStringLiteral("preset_edit"), 0);
    emit sgReadValue(QStringLiteral("editable"), 1);
    commandQueue.clear();
    send(requests::selectPreset(preset));
    for (const QByteArray &request : readBack)
        send(request);
    impulseDirty = 0;
    slTimer();
}

// Moving between banks and presets, with the save-or-discard question.
//
// A move asked for while the preset has unsaved edits is handed back to the
// interface (stage 1); otherwise it waits in pendingUpDown / pendingPreset
// until the queue drains, and the pacing step's idle branch carries it out.
// Every move replaces the queue with its command and a fixed read-back.
#include "editing/preset_session.h"
#include "editing/step_code.h"
#include "link/link.h"
#include "link/requests.h"

void PresetSession::requestStep(uchar code)
{
    if (edited()) {
        emit stepAsked(code);
        return;
    }
    pendingUpDown = code; // a newer request replaces an older one (steps::Code)
    link.startSending();
}

void PresetSession::requestJump(uchar preset)
{
    if (edited()) {
        emit jumpAsked(preset);
        return;
    }
    // Held signed: 128 and above read as "none" and are never carried out.
    pendingPreset = static_cast<signed char>(preset);
    link.startSending();
}

void PresetSession::stepNow(uchar code)
{
    if (code == steps::BankUp || code == steps::BankDown)
        bankStep(code == steps::BankUp ? steps::Up : steps::Down);
    else if (code == steps::PresetUp || code == steps::PresetDown)
        presetStep(code == steps::PresetUp ? steps::Up : steps::Down);
    // Any other code is not a step: nothing is touched.
}

void PresetSession::bankStep(uchar direction)
{
    beginMove(requests::bankStep(direction == steps::Up), false);
}

void PresetSession::presetStep(uchar direction)
{
    beginMove(requests::presetStep(direction == steps::Up), false);
}

void PresetSession::jumpNow(uchar preset)
{
    beginMove(requests::selectPreset(preset), true);
}

void PresetSession::beginMove(const QByteArray &move, bool clearsEdit)
{
    emit replaced();
    pending.drop();
    kept.forgetCompared();
    if (clearsEdit) {
        // A jump is not answered with a step answer that would clear the
        // edited state: it is cleared here.
        editable = 1;
        setEdited(false);
        emit editReported(false);
        emit editableReported(true);
        emit comparingChanged(false);
    } else {
        leaveCompare(); // a step leaves publishing it to the status read-back
    }
    link.clearQueue();
    link.send(move);
    // The read-back after every move: position, status, impulse name.
    for (const QByteArray &request :
         {requests::bankAndPreset, requests::status, requests::impulseName})
        link.send(request);
    link.pacingStep();
}

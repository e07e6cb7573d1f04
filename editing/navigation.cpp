// Moving between banks and presets, with the save-or-discard question.
//
// A move asked for while the preset has unsaved edits is handed back to the
// interface (stage 1); otherwise it waits in session->pendingUpDown / session->pendingPreset
// until the queue drains, and the pacing step's idle branch carries it out.
// Every move replaces the queue with its command and a fixed read-back.
#include "core/core.h"
#include "editing/preset_session.h"
#include "editing/step_code.h"
#include "link/link.h"
#include "link/requests.h"

void Core::requestUpDown(uchar code)
{
    if (session->edited()) {
        emit sgPresetUpDownStage1(code);
        return;
    }
    session->pendingUpDown = code; // a newer request replaces an older one (steps::Code)
    link->startSending();
}

void Core::requestPresetChange(uchar preset)
{
    if (session->edited()) {
        emit sgPresetChangeStage1(preset);
        return;
    }
    // Held signed: 128 and above read as "none" and are never carried out.
    session->pendingPreset = static_cast<signed char>(preset);
    link->startSending();
}

void Core::runUpDown(uchar code)
{
    if (code == steps::BankUp || code == steps::BankDown)
        bankStep(code == steps::BankUp ? steps::Up : steps::Down);
    else if (code == steps::PresetUp || code == steps::PresetDown)
        presetStep(code == steps::PresetUp ? steps::Up : steps::Down);
    // Any other code is not a step: nothing is touched.
}

void Core::bankStep(uchar direction)
{
    beginMove(requests::bankStep(direction == steps::Up), false);
}

void Core::presetStep(uchar direction)
{
    beginMove(requests::presetStep(direction == steps::Up), false);
}

void Core::selectPreset(uchar preset)
{
    beginMove(requests::selectPreset(preset), true);
}

void Core::beginMove(const QByteArray &move, bool clearsEdit)
{
    emit session->replaced();
    session->pending.drop();
    session->kept.forgetCompared();
    session->editable = 1; // a step leaves publishing it to the status read-back
    if (clearsEdit) {
        // A jump is not answered with a step answer that would clear the
        // edited state: it is cleared here.
        session->setEdited(false);
        emit sgReadValue(QStringLiteral("preset_edit"), 0);
        emit sgReadValue(QStringLiteral("editable"), 1);
        emit session->comparingChanged(false);
    }
    link->clearQueue();
    link->send(move);
    // The read-back after every move: position, status, impulse name.
    for (const QByteArray &request :
         {requests::bankAndPreset, requests::status, requests::impulseName})
        link->send(request);
    link->pacingStep();
}

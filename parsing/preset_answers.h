// PresetAnswers: what the device's answers mean to whoever owns the current
// preset, as the AnswerDispatcher hands them over.
//
// The dispatcher knows the answer forms and the order they are tried in; the
// owner of the preset (the PresetSession) decides what each answer changes.
// The dispatcher asks two questions before it offers the impulse answer form,
// and tells the rest as they complete. Every call happens inside one
// dispatched chunk, in the order the forms completed.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

class PresetAnswers {
public:
    // ---- asked before the impulse answer form is offered ----------------------
    // A copy waits for the impulse answer ("cc").
    virtual bool awaitsCopiedImpulse() const = 0;
    // A capture waits for the answer to its exchange's impulse read.
    virtual bool capturing() const = 0;

    // ---- told as the answers complete -------------------------------------------
    // A status block of the current preset (86 hex digits).
    virtual void statusBlockRead(const QByteArray &block) = 0;
    // A bank or preset step was answered: the device left the preset.
    virtual void stepAnswered() = 0;
    // The device reported its bank and preset: it holds what it stores.
    virtual void positionRead() = 0;
    // The device reported the name of the impulse the preset plays ("empty":
    // none).
    virtual void impulseReported(const QString &name) = 0;
    // The impulse answer (name and image values), to a capture, a copy or both.
    virtual void impulseAnswered(const QList<QByteArray> &values) = 0;
    // The device acknowledged storing the current preset.
    virtual void presetStored() = 0;
    // The device answered a revert ("esc").
    virtual void revertAnswered() = 0;

protected:
    // Not owned through this face: the owner of the preset outlives the
    // dispatcher that tells it.
    ~PresetAnswers() = default;
};

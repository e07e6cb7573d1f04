// AnswerDispatcher: turns the bytes the link reads into the device's answers.
//
// Every received chunk is offered to the answer forms in the protocol's
// order; each completed form updates what it concerns (the device readout,
// or the owner of the preset through PresetAnswers) and says whether it
// retires the request at the head of the link's queue. However many forms
// complete in one chunk, the queue advances by one entry.
//
// It owns the answer matchers and the device type they follow (the impulse
// list's form depends on the family). What the answers mean to the
// interface document is published by Core, from the readout's and the
// session's typed events.
#pragma once

#include "parsing/answer_matchers.h"

#include <QByteArray>
#include <QList>
#include <QObject>

class DeviceReadout;
class Link;
class PresetAnswers;
struct AnswerHandlers;
struct PartsAccess;

class AnswerDispatcher : public QObject {
    Q_OBJECT

public:
    // Listens to `link`'s reads and writes; tells `session` (the preset's
    // owner) and `readout` what the device answered. The three outlive it.
    AnswerDispatcher(Link &link, PresetAnswers &session, DeviceReadout &readout,
                     QObject *parent = nullptr);

    // One received chunk offered to the answer forms, as a port read does.
    void dispatch(const QByteArray &chunk);

    // The device type the answer forms follow: the large family until the
    // device has identified itself (kept when the port closes).
    int deviceType() const { return typeDev; }
    // The longest value any answer form holds, partial or last completed:
    // at most Parser::maxValueLength, whatever the device sends.
    int longestValue() const;
    // Every answer form waits for the start of an answer: nothing of a
    // partial answer is kept.
    bool formsIdle() const;

private:
    friend struct AnswerHandlers; // what each completed answer form does
    friend struct PartsAccess;    // tests set a state up directly

    Link &link;
    PresetAnswers &session;
    DeviceReadout &readout;
    answers::Matchers matchers; // one per answer form, created and released together
    QList<QByteArray> parseValues;
    uchar typeDev = 1;
};

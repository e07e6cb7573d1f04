// Carries out one request on the device model and builds the answer bytes,
// checking the request as it goes: unknown words, malformed numbers and
// payloads are errors, values outside a control's range are warnings.
#pragma once

#include "framer.h"
#include "model.h"

#include <QByteArray>
#include <QStringList>

namespace vdev {

struct Reply {
    bool answered = false; // the device sends `answer` (possibly "NX\n")
    QByteArray answer;
    QStringList errors;
    QStringList warnings;
    bool storeChanged = false; // a stored preset or impulse changed
};

class Responder {
public:
    explicit Responder(DeviceModel &model) : model(model) {}

    // Whether the device answers this request at all: everything but the
    // parameter commands and "gm X" does (a request it cannot make sense of
    // is answered "NX\n").
    static bool drawsAnswer(const Request &request);

    Reply handle(const Request &request);

private:
    Reply plain(const QByteArray &line);
    Reply payload(const Request &request);
    Reply parameter(const QList<QByteArray> &words);
    Reply impulseNames() const;

    DeviceModel &model;
};

// "NX\n": the device's answer to a request it rejects.
extern const QByteArray kRejected;

} // namespace vdev

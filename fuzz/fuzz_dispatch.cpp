// libFuzzer target for the dispatcher: any bytes, cut into reads, fed to one
// dispatcher (with the link, session and readout it updates) as if they came
// from the port. Besides the sanitizers' findings it
// stops on a broken invariant: a read retiring more than one queue entry,
// or a captured value longer than the matcher's cap.
//
// Input layout: byte 0 sets the state the forms depend on (bits 0-2 the
// device type, bit 3 a copy awaiting the impulse answer, bit 4 editable,
// bit 5 compare armed, bit 6 copy awaiting the status block); byte 1 is the
// read size minus one; the rest is what the device sends.
#include "editing/preset_session.h"
#include "link/link.h"
#include "link/requests.h"
#include "parsing/answer_dispatcher.h"
#include "parsing/device_readout.h"
#include "parsing/parser.h"
#include "support/parts_access.h"

#include <QCoreApplication>
#include <QStandardPaths>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

struct Harness {
    int argc = 1;
    char name[16] = "fuzz_dispatch";
    char *argv[2] = {name, nullptr};
    QCoreApplication app{argc, argv};
    Link link;
    DeviceReadout readout;
    PresetSession session{link, readout};
    AnswerDispatcher dispatcher{link, session, readout};
    PartsAccess a{link, session, dispatcher};

    Harness() { a.holdTimer(); }

    bool capturesBounded()
    {
        for (Parser *p : a.parsers())
            for (const QByteArray &v : p->partialValues())
                if (v.size() > Parser::maxValueLength)
                    return false;
        return true;
    }
};

Harness &harness()
{
    static Harness *h = new Harness; // lives for the whole run
    return *h;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    QStandardPaths::setTestModeEnabled(true); // keep the user's settings out of it
    qputenv("QT_LOGGING_RULES", "default.debug=false");
    harness();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    Harness &h = harness();
    PartsAccess &a = h.a;

    // Every input starts from the same state.
    for (Parser *p : h.a.parsers())
        p->reset();
    const uint8_t flags = data[0];
    a.typeDev() = flags & 7;
    a.copyImpulsePending() = (flags >> 3) & 1;
    a.editable() = (flags >> 4) & 1;
    a.compareArm() = (flags >> 5) & 1;
    a.copyStatusPending() = (flags >> 6) & 1;
    a.queue() = requests::startupBurst();

    const size_t readSize = size_t(data[1]) + 1;
    for (size_t from = 2; from < size; from += readSize) {
        const size_t length = size - from < readSize ? size - from : readSize;
        if (a.queue().size() < 2)
            a.queue() = requests::startupBurst();
        const int before = a.queue().size();
        a.dispatch(QByteArray(reinterpret_cast<const char *>(data + from), int(length)));
        if (a.queue().size() < before - 1 || !h.capturesBounded())
            std::abort();
    }
    return 0;
}

// libFuzzer target for the dispatcher: any bytes, cut into reads, fed to one
// dispatcher (with the link, session and readout it updates) as if they came
// from the port. Besides the sanitizers' findings it
// stops on a broken invariant: a read retiring more than one queue entry,
// or a captured value longer than the matcher's cap.
//
// Input layout: byte 0 sets the state the forms depend on, reached as the
// program reaches it (bits 0-2: the device says it is of that type; bit 3:
// a copy waits for its answers; bit 4: a status block came, so the preset
// is editable; bit 5: compare was pressed after it); byte 1 is the read size
// minus one; the rest is what the device sends.
#include "editing/preset_session.h"
#include "link/link.h"
#include "link/requests.h"
#include "parsing/answer_dispatcher.h"
#include "parsing/device_readout.h"
#include "parsing/parser.h"

#include <QCoreApplication>
#include <QStandardPaths>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

// The parts without a port, fresh for every input: what would go out stays
// queued.
struct Parts {
    Link link;
    DeviceReadout readout;
    PresetSession session{link, readout};
    AnswerDispatcher dispatcher{link, session, readout};

    void queueBurst()
    {
        for (const QByteArray &request : requests::startupBurst())
            link.send(request);
    }
    // Offers one read; false when it broke an invariant.
    bool offer(const QByteArray &chunk)
    {
        if (link.queued().size() < 2)
            queueBurst();
        const int before = link.queued().size();
        dispatcher.dispatch(chunk);
        return link.queued().size() >= before - 1 &&
               dispatcher.longestValue() <= Parser::maxValueLength;
    }
};

QCoreApplication &application()
{
    static int argc = 1;
    static char name[16] = "fuzz_dispatch";
    static char *argv[2] = {name, nullptr};
    static auto *app = new QCoreApplication(argc, argv); // lives for the whole run
    return *app;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    QStandardPaths::setTestModeEnabled(true); // keep the user's settings out of it
    qputenv("QT_LOGGING_RULES", "default.debug=false");
    application();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    Parts p;
    const uint8_t flags = data[0];
    bool kept = p.offer("olkdev\r" + QByteArray::number(flags & 7) + "\nEND\n");
    if ((flags >> 3) & 1)
        p.session.copy();
    if ((flags >> 4) & 1)
        kept = kept && p.offer("gs\r" + QByteArray(86, '0') + "\n");
    if ((flags >> 5) & 1)
        p.session.compare();

    const size_t readSize = size_t(data[1]) + 1;
    for (size_t from = 2; from < size && kept; from += readSize) {
        const size_t length = size - from < readSize ? size - from : readSize;
        kept = p.offer(QByteArray(reinterpret_cast<const char *>(data + from), int(length)));
    }
    if (!kept)
        std::abort();
    return 0;
}

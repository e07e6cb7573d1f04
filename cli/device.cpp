// Opening the device, reading its start-up answers and following exchanges.
#include "cli/device.h"

#include "cli/engine.h"
#include "cli/options.h"
#include "cli/outcome.h"
#include "editing/preset_session.h"
#include "link/link.h"
#include "parsing/device_readout.h"
#include "ports/open_failure.h"

#include <QSettings>

namespace cli {
namespace {

// The panel's remembered port (the port chooser's setting); read, never written.
const char *const keyPortPath = "PortPath";
// The longest a request waits for its answer before it is sent again
// (link/requests.cpp): the link gives up at most this long after the
// device's silence has outlasted the patience.
constexpr int longestAnswerWaitMs = 10000;

} // namespace

Device::Device(Engine &engine, const Options &options, QObject *parent)
    : QObject(parent), engine(engine), options(options)
{
    Link &link = engine.link();
    link.setPatience(options.timeoutSeconds * 1000);
    backstop.setSingleShot(true);
    backstop.setInterval(options.timeoutSeconds * 1000 + longestAnswerWaitMs + 2000);
    connect(&backstop, &QTimer::timeout, this, [this] {
        emit failed(DeviceFailed,
                    this->engine.link().isOpen()
                        ? QStringLiteral("The device did not answer for %1 s. Check that it is "
                                         "connected and switched on, or give a longer --timeout.")
                              .arg(backstop.interval() / 1000)
                        : QStringLiteral("The connection to the device was lost."));
    });
    connect(&link, &Link::received, this, &Device::heard);
    connect(&link, &Link::wrote, this, &Device::heard);
    connect(&link, &Link::exchangeDone, this, [this] { exchangeEnded(true, QString()); });
    connect(&link, &Link::exchangeFailed, this,
            [this](const QString &reason) { exchangeEnded(false, reason); });
}

void Device::heard()
{
    if (backstop.isActive())
        backstop.start();
}

void Device::holdWatch(bool held)
{
    if (held)
        backstop.stop();
    else
        backstop.start();
}

void Device::open(const Step &ready)
{
    Link &link = engine.link();
    // The engine's own reaction to the open (the start-up burst) comes
    // first: it was connected when the engine was made.
    connect(&link, &Link::opened, this, [this, ready] { startupRead(ready); });
    connect(&link, &Link::openRefused, this, &Device::portRefused);
    backstop.start();
    if (!options.port.isEmpty()) {
        link.openPort(options.port);
        return;
    }
    link.findPort();
    if (link.isOpen() || refused) // a device found and refused is the answer
        return;
    const QString remembered = engine.settings().value(keyPortPath).toString();
    if (remembered.isEmpty()) {
        emit failed(DeviceFailed,
                    QStringLiteral("No device found. Connect it, or name its port with --port "
                                   "(\u201cvortaxa-cli ports\u201d lists them)."));
        return;
    }
    link.openPort(remembered);
}

QString Device::portPath() const
{
    return engine.link().portName();
}

// The link's own words, as the panel shows them: gone, in use (and by whom),
// not permitted.
void Device::portRefused()
{
    refused = true;
    emit failed(DeviceFailed, openFailure::message(engine.link().openFailure()));
}

void Device::startupRead(const Step &ready)
{
    onFailed = [this](const QString &reason) {
        emit failed(DeviceFailed, QStringLiteral("The device on %1 does not answer (%2). Check "
                                                 "that this is its port and that it is switched "
                                                 "on.")
                                      .arg(portPath(), reason));
    };
    follow([this, ready] {
        const DeviceReadout &readout = engine.readout();
        if (!readout.identified() || readout.family().presetCount() == 0) {
            emit failed(DeviceFailed, QStringLiteral("The device did not say what it is."));
            return;
        }
        ready();
    });
    engine.link().startSending();
}

void Device::follow(const Step &done)
{
    Link &link = engine.link();
    if (link.queueEmpty()) {
        onFailed = nullptr;
        QTimer::singleShot(0, this, done);
        return;
    }
    onDone = done;
    link.followQueue();
}

void Device::learnStored(bool putBack, const Step &done)
{
    engine.session().learnStored(putBack);
    // What played goes back in a request queued once the stored version is in.
    follow([this, done] { follow(done); });
}

void Device::awaitExchange(const Step &done)
{
    onDone = done;
}

void Device::run(const QList<QByteArray> &requests, const Step &done)
{
    onDone = done;
    engine.link().runExchange(requests);
}

void Device::exchangeEnded(bool done, const QString &reason)
{
    // Not ours (the librarian's): its owner hears of it.
    if (!onDone)
        return;
    const Step then = std::exchange(onDone, nullptr);
    const auto failure = std::exchange(onFailed, nullptr);
    if (done)
        then();
    else if (failure)
        failure(reason);
    else
        emit failed(DeviceFailed,
                    QStringLiteral("The device did not complete the work: %1.").arg(reason));
}

} // namespace cli
